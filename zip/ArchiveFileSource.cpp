#include "ArchiveFileSource.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ksv {

namespace {

constexpr qsizetype OutputBufferSize = 4 << 20;

// Opens the archive for reading without waiting on a FIFO put there since the path was resolved;
// anything but a regular file is refused. Null with errno set on failure.
std::FILE* openRegularForReading(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat info;
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        const int error = statted ? EINVAL : errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

} // namespace

zip_source_t* ArchiveFileSource::create(const QString& nativePath, qint64 room, std::shared_ptr<ArchiveWriteReport> report,
                                        zip_error_t* error)
{
    auto* state = new ArchiveFileSource(nativePath, room, std::move(report));
    zip_source_t* source = zip_source_function_create(&ArchiveFileSource::callback, state, error);
    if (!source)
        delete state;
    return source;
}

ArchiveFileSource::ArchiveFileSource(QString nativePath, qint64 room, std::shared_ptr<ArchiveWriteReport> report)
    : m_room(room), m_report(std::move(report))
{
    zip_error_init(&m_error);
    const Result<QString> resolved = AtomicFile::resolveTarget(nativePath);
    if (resolved) {
        m_path = *resolved;
    } else {
        m_path = nativePath;
        m_resolution = resolved.status();
        if (m_report)
            m_report->error = m_resolution.message();
    }
    m_encodedPath = QFile::encodeName(m_path);
}

ArchiveFileSource::~ArchiveFileSource()
{
    if (m_in)
        std::fclose(m_in);
    discardTemporary();
    zip_error_fini(&m_error);
}

bool ArchiveFileSource::flushPending()
{
    if (!m_out->writeAt(m_pendingStart, m_pending.constData(), m_pending.size()))
        return false;
    m_pendingStart += m_pending.size();
    m_pending.clear();
    return true;
}

void ArchiveFileSource::discardTemporary()
{
    if (m_out) {
        m_out->discard();
        m_out.reset();
    }
    m_pending.clear();
}

// A write to the temporary file failed: what AtomicFile kept is the reason.
zip_int64_t ArchiveFileSource::writeFailed()
{
    const Status status = m_out ? m_out->status() : Status::failure(EBADF, QString());
    const int err = status.code() != 0 ? status.code() : EIO;
    if (m_report) {
        m_report->diskFull = m_report->diskFull || err == ENOSPC || err == EDQUOT;
        m_report->error = QString::fromLocal8Bit(std::strerror(err));
    }
    return fail(ZIP_ER_WRITE, err);
}

zip_int64_t ArchiveFileSource::callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* self = static_cast<ArchiveFileSource*>(state);
    if (command == ZIP_SOURCE_FREE) {
        delete self;
        return 0;
    }
    return self->handle(data, length, command);
}

zip_int64_t ArchiveFileSource::fail(int zipError, int systemError)
{
    zip_error_set(&m_error, zipError, systemError);
    return -1;
}

zip_int64_t ArchiveFileSource::handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                                              ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE,
                                              ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE,
                                              ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE, -1);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m_error, data, length);

    case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
        if (!st)
            return -1;
        if (!m_resolution)
            return fail(ZIP_ER_OPEN, m_resolution.code());
        struct stat info;
        if (::stat(m_encodedPath.constData(), &info) != 0)
            return fail(ZIP_ER_READ, errno); // libzip reads ENOENT as "no archive yet"
        if (!S_ISREG(info.st_mode))
            return fail(ZIP_ER_OPEN, EINVAL);
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        st->size = static_cast<zip_uint64_t>(info.st_size);
        st->mtime = info.st_mtime;
        return sizeof(*st);
    }
    case ZIP_SOURCE_OPEN: {
        if (!m_resolution)
            return fail(ZIP_ER_OPEN, m_resolution.code());
        m_in = openRegularForReading(m_encodedPath);
        if (!m_in)
            return fail(ZIP_ER_OPEN, errno);
        struct stat info;
        m_inputSize = ::fstat(fileno(m_in), &info) == 0 ? info.st_size : 0;
        return 0;
    }
    case ZIP_SOURCE_READ: {
        const std::size_t n = std::fread(data, 1, length, m_in);
        if (n < length && std::ferror(m_in))
            return fail(ZIP_ER_READ, errno);
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
        if (m_in) {
            std::fclose(m_in);
            m_in = nullptr;
        }
        return 0;
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t position = ::ftello(m_in);
        const zip_int64_t target = zip_source_seek_compute_offset(static_cast<zip_uint64_t>(position),
                                                                  static_cast<zip_uint64_t>(m_inputSize), data, length,
                                                                  &m_error);
        if (target < 0)
            return -1;
        if (::fseeko(m_in, target, SEEK_SET) != 0)
            return fail(ZIP_ER_SEEK, errno);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return ::ftello(m_in);

    case ZIP_SOURCE_BEGIN_WRITE: {
        if (!m_resolution)
            return fail(ZIP_ER_TMPOPEN, m_resolution.code());
        discardTemporary();
        m_out = std::make_unique<AtomicFile>(m_path);
        if (const Status opened = m_out->open(); !opened) {
            if (m_report)
                m_report->error = opened.message();
            m_out.reset();
            return fail(ZIP_ER_TMPOPEN, opened.code());
        }
        m_outputEnd = 0;
        m_position = 0;
        m_pendingStart = 0;
        m_pending.clear();
        m_pending.reserve(OutputBufferSize);
        return 0;
    }
    case ZIP_SOURCE_WRITE: {
        if (!m_out)
            return fail(ZIP_ER_WRITE, EBADF);
        const qint64 end = m_position + static_cast<qint64>(length);
        if (m_room >= 0 && end > m_room) {
            if (m_report)
                m_report->diskFull = true;
            return fail(ZIP_ER_WRITE, ENOSPC);
        }
        // Outside the buffered range: write out what is buffered and start again here.
        if (m_position < m_pendingStart || m_position > m_pendingStart + m_pending.size()) {
            if (!flushPending())
                return writeFailed();
            m_pendingStart = m_position;
        }
        const qsizetype at = static_cast<qsizetype>(m_position - m_pendingStart);
        const qsizetype n = static_cast<qsizetype>(length);
        if (at + n > m_pending.size())
            m_pending.resize(at + n);
        std::memcpy(m_pending.data() + at, data, length);
        m_position = end;
        m_outputEnd = std::max(m_outputEnd, end);
        if (m_pending.size() >= OutputBufferSize && m_position == m_pendingStart + m_pending.size()) {
            if (!flushPending())
                return writeFailed();
            m_pendingStart = m_position;
        }
        return static_cast<zip_int64_t>(length);
    }
    case ZIP_SOURCE_SEEK_WRITE: {
        const zip_int64_t target = zip_source_seek_compute_offset(static_cast<zip_uint64_t>(m_position),
                                                                  static_cast<zip_uint64_t>(m_outputEnd), data, length,
                                                                  &m_error);
        if (target < 0)
            return -1;
        m_position = target;
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return m_position;
    case ZIP_SOURCE_COMMIT_WRITE: {
        if (!m_out)
            return fail(ZIP_ER_WRITE, EBADF);
        if (!flushPending())
            return writeFailed();
        // AtomicFile syncs, keeps the old archive's permissions and renames; any failure keeps
        // the old archive as it was.
        const Status committed = m_out->commit();
        m_out.reset();
        m_pending.clear();
        if (!committed) {
            const int err = committed.code() != 0 ? committed.code() : EIO;
            if (m_report) {
                m_report->diskFull = m_report->diskFull || err == ENOSPC || err == EDQUOT;
                m_report->error = QString::fromLocal8Bit(std::strerror(err));
            }
            return fail(ZIP_ER_WRITE, err);
        }
        if (m_report)
            m_report->committed = true;
        return 0;
    }
    case ZIP_SOURCE_ROLLBACK_WRITE:
        discardTemporary();
        return 0;
    case ZIP_SOURCE_REMOVE:
        if (::unlink(m_encodedPath.constData()) != 0 && errno != ENOENT)
            return fail(ZIP_ER_REMOVE, errno);
        return 0;
    default:
        return fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

} // namespace ksv
