#include "WorkFolderLocks.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ksv {

namespace {

QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

int openLockFile(const QString& path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

int lockRetrying(int fd, int operation)
{
    int result = 0;
    do
        result = ::flock(fd, operation);
    while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

QString WorkFolderPresence::presenceFileName()
{
    return QStringLiteral(".kestrave-running.lock");
}

bool WorkFolderPresence::joinAlone(const QString& workFolder)
{
    // One descriptor per folder for the life of the process: a second descriptor of this same
    // process would conflict with the first.
    static QHash<QString, int> held;
    const QString key = QDir::cleanPath(QDir(workFolder).absolutePath());
    int fd = held.value(key, -1);
    if (fd < 0) {
        fd = openLockFile(withSlash(workFolder) + presenceFileName());
        if (fd < 0)
            return false; // no presence can be shown: nothing may be taken for a leftover
        held.insert(key, fd);
    }
    // Exclusive for a moment when nobody else is there, then shared again. Between the two, a
    // runner starting at that very moment may find itself alone; neither has a temporary file
    // yet, so neither loses anything.
    const bool alone = lockRetrying(fd, LOCK_EX | LOCK_NB) == 0;
    lockRetrying(fd, LOCK_SH);
    return alone;
}

WorkArchiveLock::~WorkArchiveLock()
{
    release();
}

QString WorkArchiveLock::lockFileName(const QString& baseName)
{
    return QLatin1Char('.') + baseName.toLower() + QStringLiteral(".lock");
}

bool WorkArchiveLock::acquire(const QString& workFolder, const QString& baseName,
                              const std::function<bool()>& keepWaiting, const std::function<void()>& waiting,
                              const std::function<void()>& pause)
{
    release();
    m_error.clear();
    // The name is lower-cased: "Docs" and "DOCS" are one archive on the system's file systems.
    const int fd = openLockFile(withSlash(workFolder) + lockFileName(baseName));
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    bool told = false;
    while (lockRetrying(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || (keepWaiting && !keepWaiting())) {
            ::close(fd);
            return false;
        }
        if (!told && waiting)
            waiting();
        told = true;
        if (pause)
            pause();
    }
    m_fd = fd;
    return true;
}

void WorkArchiveLock::release()
{
    if (m_fd < 0)
        return;
    // Closing drops the lock; the file stays, so that a waiting runner keeps locking the same one.
    ::close(m_fd);
    m_fd = -1;
}

} // namespace ksv
