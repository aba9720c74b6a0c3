#include "BufferedFileWriter.h"

#include "ContainerFormat.h"

#include <cerrno>
#include <cstring>

namespace ksv {

BufferedFileWriter::BufferedFileWriter(qint64 bufferSize) : m_bufferSize(bufferSize) {}

BufferedFileWriter::~BufferedFileWriter()
{
    close();
}

bool BufferedFileWriter::open(const QString& nativePath, bool append)
{
    close();
    m_failed = false;
    m_used = 0;
    if (m_buffer.isEmpty())
        m_buffer = QByteArray(m_bufferSize, Qt::Uninitialized); // allocated at first use
    m_file.setFileName(nativePath);
    const QIODevice::OpenMode mode = append ? (QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)
                                            : (QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    if (nativePath.isEmpty() || !m_file.open(mode))
        return false;
    m_position = m_file.size();
    if (!append)
        m_position = 0;
    return true;
}

bool BufferedFileWriter::openReplacing(const QString& nativePath)
{
    close();
    m_failed = false;
    m_used = 0;
    m_position = 0;
    if (m_buffer.isEmpty())
        m_buffer = QByteArray(m_bufferSize, Qt::Uninitialized);
    if (nativePath.isEmpty())
        return false;
    auto atomic = std::make_unique<AtomicFile>(nativePath);
    if (!atomic->open())
        return false;
    // The QFile shares the temporary file's descriptor, for the handlers that receive it and
    // for setting the date; the data itself goes through the AtomicFile's checked writes.
    if (!m_file.open(atomic->handle(), QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return false; // the AtomicFile removes its temporary file
    m_atomic = std::move(atomic);
    return true;
}

bool BufferedFileWriter::writeThrough(const char* data, qint64 n)
{
    const bool ok = m_atomic ? m_atomic->write(data, n) : m_file.write(data, n) == n;
    if (!ok)
        m_failed = true;
    return ok;
}

bool BufferedFileWriter::write(const char* data, qint64 n)
{
    if (!m_file.isOpen() || m_failed)
        return false;
    m_position += n;
    if (m_used + n > m_buffer.size()) {
        if (!flush())
            return false;
        if (n >= m_buffer.size())
            return writeThrough(data, n);
    }
    std::memcpy(m_buffer.data() + m_used, data, size_t(n));
    m_used += n;
    return true;
}

bool BufferedFileWriter::writeInt32(qint32 value)
{
    char bytes[4];
    ContainerFormat::storeInt32(bytes, value);
    return write(bytes, 4);
}

bool BufferedFileWriter::flush()
{
    if (!m_file.isOpen() || m_failed)
        return false;
    if (m_used > 0) {
        const qint64 used = m_used;
        m_used = 0;
        if (!writeThrough(m_buffer.constData(), used))
            return false;
    }
    return true;
}

bool BufferedFileWriter::close()
{
    if (!m_file.isOpen()) {
        m_atomic.reset();
        return !m_failed;
    }
    const bool flushed = flush();
    m_file.close();
    const bool ok = flushed && m_file.error() == QFileDevice::NoError && !m_failed;
    m_used = 0;
    if (m_atomic) {
        m_atomic.reset(); // abandoned: the temporary file goes, the old file stays
        return false;
    }
    return ok;
}

Status BufferedFileWriter::commit()
{
    const bool replacing = m_atomic != nullptr;
    const QString target = replacing ? m_atomic->targetPath() : m_file.fileName();
    std::unique_ptr<AtomicFile> atomic = release();
    if (!atomic) {
        const Status failure = m_lastReleaseStatus;
        if (replacing && !failure.isOk())
            return failure;
        return Status::failure(EIO, QStringLiteral("%1: write failed").arg(target));
    }
    return atomic->commit();
}

std::unique_ptr<AtomicFile> BufferedFileWriter::release()
{
    if (!m_atomic)
        return nullptr;
    const bool flushed = flush();
    m_file.close(); // the descriptor stays open: it belongs to the AtomicFile
    m_used = 0;
    std::unique_ptr<AtomicFile> atomic = std::move(m_atomic);
    m_lastReleaseStatus = atomic->status();
    if (!flushed || m_failed || !atomic->status())
        return nullptr; // removes the temporary file
    return atomic;
}

QFile& BufferedFileWriter::file()
{
    flush();
    return m_file;
}

} // namespace ksv
