#include "BufferedFileWriter.h"

#include "ContainerFormat.h"

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

bool BufferedFileWriter::write(const char* data, qint64 n)
{
    if (!m_file.isOpen() || m_failed)
        return false;
    m_position += n;
    if (m_used + n > m_buffer.size()) {
        if (!flush())
            return false;
        if (n >= m_buffer.size()) {
            if (m_file.write(data, n) != n) {
                m_failed = true;
                return false;
            }
            return true;
        }
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
        if (m_file.write(m_buffer.constData(), m_used) != m_used) {
            m_failed = true;
            m_used = 0;
            return false;
        }
        m_used = 0;
    }
    return true;
}

bool BufferedFileWriter::close()
{
    if (!m_file.isOpen())
        return !m_failed;
    const bool flushed = flush();
    m_file.close();
    const bool ok = flushed && m_file.error() == QFileDevice::NoError && !m_failed;
    m_used = 0;
    return ok;
}

QFile& BufferedFileWriter::file()
{
    flush();
    return m_file;
}

} // namespace ksv
