#pragma once

#include <QByteArray>
#include <QFile>

namespace ksv {

// A file written through one large buffer, so that the container's many small fields and
// 16 KB blocks cost one system call per megabyte. position() counts buffered bytes too.
class BufferedFileWriter
{
public:
    static constexpr qint64 DefaultBufferSize = 1 << 20;

    explicit BufferedFileWriter(qint64 bufferSize = DefaultBufferSize);
    ~BufferedFileWriter();
    BufferedFileWriter(const BufferedFileWriter&) = delete;
    BufferedFileWriter& operator=(const BufferedFileWriter&) = delete;

    // Creates or truncates the file; with append, opens it for writing at its end.
    bool open(const QString& nativePath, bool append = false);
    bool isOpen() const { return m_file.isOpen(); }
    bool write(const char* data, qint64 n);
    bool writeInt32(qint32 value);
    bool flush();
    // Flushes and closes; false when a write failed at any point.
    bool close();
    // The underlying file, flushed (for handlers that receive the open target).
    QFile& file();
    qint64 position() const { return m_position; }
    bool failed() const { return m_failed; }

private:
    QFile m_file;
    qint64 m_bufferSize;
    QByteArray m_buffer;
    qint64 m_used = 0;
    qint64 m_position = 0;
    bool m_failed = false;
};

} // namespace ksv
