#pragma once

#include <QByteArray>
#include <QFile>

namespace ksv {

// A file read through one large buffer: small reads and forward skips cost no system call
// until the buffer runs out.
class BufferedFileReader
{
public:
    static constexpr qint64 DefaultBufferSize = 1 << 20;

    explicit BufferedFileReader(qint64 bufferSize = DefaultBufferSize);
    BufferedFileReader(const BufferedFileReader&) = delete;
    BufferedFileReader& operator=(const BufferedFileReader&) = delete;

    bool open(const QString& nativePath);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    // Reads up to n bytes; fewer only at the end of the file; -1 on a read error.
    qint64 read(char* data, qint64 n);
    // Reads exactly n bytes; false at the end of the file or on an error.
    bool readExact(char* data, qint64 n);
    bool readInt32(qint32& value);
    // The next bytes without copying them: a pointer to up to n (at most the buffer size)
    // contiguous bytes, available tells how many (fewer only at the end of the file); nullptr on
    // a read error. The pointer stays valid until the next call; consume() moves past them.
    const char* peek(qint64 n, qint64& available);
    void consume(qint64 n);
    // Moves forward by n bytes; false when that passes the end of the file.
    bool skip(qint64 n);
    // The size of the file when it was opened.
    qint64 size() const { return m_size; }
    qint64 position() const { return m_position; }
    const QFile& file() const { return m_file; }

private:
    bool refill();

    QFile m_file;
    qint64 m_bufferSize;
    QByteArray m_buffer;
    qint64 m_begin = 0;   // next unread byte in the buffer
    qint64 m_end = 0;     // bytes held in the buffer
    qint64 m_position = 0;
    qint64 m_size = 0;
};

} // namespace ksv
