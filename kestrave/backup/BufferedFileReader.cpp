#include "BufferedFileReader.h"

#include "ContainerFormat.h"

#include <algorithm>
#include <cstring>

namespace ksv {

BufferedFileReader::BufferedFileReader(qint64 bufferSize) : m_bufferSize(bufferSize) {}

bool BufferedFileReader::open(const QString& nativePath)
{
    close();
    if (m_buffer.isEmpty())
        m_buffer = QByteArray(m_bufferSize, Qt::Uninitialized); // allocated at first use
    m_file.setFileName(nativePath);
    if (nativePath.isEmpty() || !m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    m_size = m_file.size();
    return true;
}

void BufferedFileReader::close()
{
    if (m_file.isOpen())
        m_file.close();
    m_begin = m_end = m_position = m_size = 0;
}

bool BufferedFileReader::refill()
{
    m_begin = 0;
    m_end = 0;
    const qint64 got = m_file.read(m_buffer.data(), m_buffer.size());
    if (got <= 0)
        return false;
    m_end = got;
    return true;
}

qint64 BufferedFileReader::read(char* data, qint64 n)
{
    if (!m_file.isOpen())
        return -1;
    qint64 done = 0;
    while (done < n) {
        if (m_begin == m_end) {
            // A large read goes straight to the caller's memory.
            if (n - done >= m_buffer.size()) {
                const qint64 got = m_file.read(data + done, n - done);
                if (got < 0)
                    return done > 0 ? done : -1;
                if (got == 0)
                    break;
                done += got;
                m_position += got;
                continue;
            }
            if (!refill()) {
                if (m_file.error() != QFileDevice::NoError && done == 0)
                    return -1;
                break;
            }
        }
        const qint64 take = std::min(n - done, m_end - m_begin);
        std::memcpy(data + done, m_buffer.constData() + m_begin, size_t(take));
        m_begin += take;
        done += take;
        m_position += take;
    }
    return done;
}

const char* BufferedFileReader::peek(qint64 n, qint64& available)
{
    available = 0;
    if (!m_file.isOpen())
        return nullptr;
    n = std::min(n, m_buffer.size());
    if (m_end - m_begin < n) {
        // Move the rest to the front and fill the buffer behind it.
        const qint64 rest = m_end - m_begin;
        std::memmove(m_buffer.data(), m_buffer.constData() + m_begin, size_t(rest));
        m_begin = 0;
        m_end = rest;
        while (m_end < n) {
            const qint64 got = m_file.read(m_buffer.data() + m_end, m_buffer.size() - m_end);
            if (got < 0)
                return nullptr;
            if (got == 0)
                break;
            m_end += got;
        }
    }
    available = std::min(n, m_end - m_begin);
    return m_buffer.constData() + m_begin;
}

void BufferedFileReader::consume(qint64 n)
{
    n = std::min(n, m_end - m_begin);
    m_begin += n;
    m_position += n;
}

bool BufferedFileReader::readExact(char* data, qint64 n)
{
    return read(data, n) == n;
}

bool BufferedFileReader::readInt32(qint32& value)
{
    char bytes[4];
    if (!readExact(bytes, 4))
        return false;
    value = ContainerFormat::readInt32(bytes);
    return true;
}

bool BufferedFileReader::skip(qint64 n)
{
    if (!m_file.isOpen() || n < 0 || m_position + n > m_size)
        return false;
    const qint64 inBuffer = m_end - m_begin;
    if (n <= inBuffer) {
        m_begin += n;
    } else {
        const qint64 target = m_position + n;
        if (!m_file.seek(target))
            return false;
        m_begin = m_end = 0;
    }
    m_position += n;
    return true;
}

} // namespace ksv
