#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ksv {

namespace {

std::atomic<qint64> g_writeLimit{-1};

// Takes n bytes from the test write limit; false when the limit is reached.
bool takeFromWriteLimit(qint64 n)
{
    qint64 left = g_writeLimit.load();
    while (left >= 0) {
        if (left < n) {
            g_writeLimit.store(0);
            return false;
        }
        if (g_writeLimit.compare_exchange_weak(left, left - n))
            return true;
    }
    return true;
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

mode_t creationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd); // best effort: some file systems refuse to sync a folder
    ::close(fd);
}

} // namespace

AtomicFile::AtomicFile(QString targetPath) : m_requested(std::move(targetPath)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

Result<QString> AtomicFile::resolveTarget(const QString& path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (::lstat(QFile::encodeName(current).constData(), &info) != 0) {
            if (errno == ENOENT)
                return current;
            const int error = errno;
            return Status::failure(error, QStringLiteral("%1: %2").arg(current, errorText(error)));
        }
        if (S_ISREG(info.st_mode))
            return current;
        if (!S_ISLNK(info.st_mode))
            return Status::failure(EINVAL, QStringLiteral("%1: not a regular file").arg(current));
        const QString link = QFile::symLinkTarget(current);
        if (link.isEmpty())
            return Status::failure(EINVAL, QStringLiteral("%1: unreadable link").arg(current));
        current = QFileInfo(link).absoluteFilePath();
    }
    return Status::failure(ELOOP, QStringLiteral("%1: %2").arg(path, errorText(ELOOP)));
}

Status AtomicFile::open()
{
    discard();
    m_status = Status::ok();
    m_written = 0;
    const Result<QString> target = resolveTarget(m_requested);
    if (!target) {
        m_status = target.status();
        return m_status;
    }
    m_target = *target;
    const QFileInfo info(m_target);
    QByteArray pattern = QFile::encodeName(info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1Char('.')
                                           + QString::number(::getpid()) + QLatin1String(".XXXXXX"));
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        fail(error, QStringLiteral("cannot create a file in %1").arg(info.absolutePath()));
        return m_status;
    }
    m_fd = fd;
    m_temporary = QFile::decodeName(pattern);
    return m_status;
}

bool AtomicFile::fail(int error, const QString& what)
{
    if (m_status.isOk())
        m_status = Status::failure(error == 0 ? EIO : error, QStringLiteral("%1: %2").arg(what, errorText(error == 0 ? EIO : error)));
    return false;
}

bool AtomicFile::diskFull() const
{
    return m_status.code() == ENOSPC || m_status.code() == EDQUOT;
}

bool AtomicFile::write(const char* data, qint64 size)
{
    return writeBytes(-1, data, size);
}

bool AtomicFile::writeAt(qint64 offset, const char* data, qint64 size)
{
    return writeBytes(offset, data, size);
}

bool AtomicFile::writeBytes(qint64 offset, const char* data, qint64 size)
{
    if (m_fd < 0)
        return fail(EBADF, m_requested);
    if (!m_status.isOk())
        return false;
    qint64 done = 0;
    while (done < size) {
        const qint64 chunk = std::min<qint64>(size - done, qint64(1) << 30);
        if (!takeFromWriteLimit(chunk))
            return fail(ENOSPC, m_target);
        const ssize_t n = offset < 0 ? ::write(m_fd, data + done, static_cast<size_t>(chunk))
                                     : ::pwrite(m_fd, data + done, static_cast<size_t>(chunk), offset + done);
        if (n < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            return fail(error, m_target);
        }
        done += n;
    }
    m_written += size;
    return true;
}

Status AtomicFile::commit()
{
    if (m_fd < 0) {
        fail(EBADF, m_requested);
        return m_status;
    }
    struct stat old;
    const QByteArray encodedTarget = QFile::encodeName(m_target);
    const bool replacing = ::stat(encodedTarget.constData(), &old) == 0;
    const bool syncNow = m_sync == Sync::Now || replacing;
    if (m_status.isOk() && syncNow && ::fsync(m_fd) != 0) {
        const int error = errno;
        fail(error, m_target);
    }
    const mode_t mode = replacing ? (old.st_mode & 07777) : creationMode();
    if (m_status.isOk() && ::fchmod(m_fd, mode) != 0) {
        const int error = errno;
        fail(error, m_target);
    }
    if (::close(m_fd) != 0) {
        const int error = errno;
        fail(error, m_target);
    }
    m_fd = -1;
    if (!m_status.isOk()) {
        discard();
        return m_status;
    }
    if (::rename(QFile::encodeName(m_temporary).constData(), encodedTarget.constData()) != 0) {
        const int error = errno;
        fail(error, m_target);
        discard();
        return m_status;
    }
    m_temporary.clear();
    if (syncNow)
        syncFolder(QFileInfo(m_target).absolutePath());
    return m_status;
}

void AtomicFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(QFile::encodeName(m_temporary).constData());
        m_temporary.clear();
    }
}

Status AtomicFile::writeFile(const QString& path, const QByteArray& data)
{
    AtomicFile file(path);
    if (const Status opened = file.open(); !opened)
        return opened;
    file.write(data);
    return file.commit();
}

Status AtomicFile::syncFileSystem(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return Status::failure(error, QStringLiteral("%1: %2").arg(folder, errorText(error)));
    }
    Status status;
    if (::syncfs(fd) != 0) {
        const int error = errno;
        status = Status::failure(error, QStringLiteral("%1: %2").arg(folder, errorText(error)));
    }
    ::close(fd);
    return status;
}

int AtomicFile::removeStaleTemporaries(const QString& folder)
{
    static const QRegularExpression temporaryName(QStringLiteral("^\\..+\\.([0-9]+)\\.[A-Za-z0-9]{6}$"));
    int removed = 0;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    // A batch whose renames were interrupted (a note ".NAME.replacing" lists its temporary files)
    // is finished by its own writer's next run: its temporary files are the new content.
    for (const QFileInfo& file : files) {
        if (file.fileName().startsWith(QLatin1Char('.')) && file.fileName().endsWith(QLatin1String(".replacing")))
            return 0;
    }
    for (const QFileInfo& file : files) {
        const QRegularExpressionMatch match = temporaryName.match(file.fileName());
        if (!match.hasMatch())
            continue;
        bool ok = false;
        const pid_t pid = static_cast<pid_t>(match.captured(1).toLongLong(&ok));
        if (!ok || pid <= 0)
            continue;
        // Only a process that is certainly gone leaves a leftover; EPERM means it still runs.
        if (::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        if (QFile::remove(file.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

void AtomicFile::setWriteLimitForTesting(qint64 bytes)
{
    g_writeLimit.store(bytes);
}

} // namespace ksv
