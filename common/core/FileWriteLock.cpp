#include "FileWriteLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ksv {

QString FileWriteLock::lockFilePath(const QString& nativePath)
{
    const QFileInfo info(nativePath);
    return info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1String(".lock");
}

FileWriteLock::FileWriteLock(const QString& nativePath, int timeoutMs)
{
    const QByteArray lockPath = QFile::encodeName(lockFilePath(nativePath));
    m_fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return;
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_locked = true;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired())
            break;
        QThread::msleep(1);
    }
    ::close(m_fd);
    m_fd = -1;
}

FileWriteLock::~FileWriteLock()
{
    if (m_fd >= 0) {
        if (m_locked)
            ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

} // namespace ksv
