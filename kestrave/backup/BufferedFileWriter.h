#pragma once

#include "AtomicFile.h"
#include "Result.h"

#include <QByteArray>
#include <QFile>

#include <memory>

namespace ksv {

// A file written through one large buffer, so that the container's many small fields and
// 16 KB blocks cost one system call per megabyte. position() counts buffered bytes too.
//
// Opened with openReplacing(), the data goes to an AtomicFile: the old file stays untouched
// until commit() (or until the caller commits the AtomicFile handed out by release()), and a
// writer closed without commit leaves no trace.
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
    // Starts the new content of nativePath under a temporary name.
    bool openReplacing(const QString& nativePath);
    bool isOpen() const { return m_file.isOpen(); }
    bool write(const char* data, qint64 n);
    bool writeInt32(qint32 value);
    bool flush();
    // Flushes and closes; false when a write failed at any point. A replacing writer is
    // abandoned: its temporary file is removed and the old file stays.
    bool close();
    // A replacing writer: flushes and puts the new content in place. Fails, leaving the old
    // file, when any write, the sync or the rename failed. Closes the writer in any case.
    Status commit();
    // A replacing writer: flushes and hands over the AtomicFile, still open and not committed,
    // so that several files can be put in place together. Null when a write failed.
    std::unique_ptr<AtomicFile> release();
    // The underlying file, flushed (for handlers that receive the open target).
    QFile& file();
    qint64 position() const { return m_position; }
    bool failed() const { return m_failed; }
    // The first failure of a replacing writer (ENOSPC for a full disk).
    Status atomicStatus() const { return m_atomic ? m_atomic->status() : Status::ok(); }

private:
    bool writeThrough(const char* data, qint64 n);

    QFile m_file;
    std::unique_ptr<AtomicFile> m_atomic; // set while a replacing writer is open
    Status m_lastReleaseStatus;
    qint64 m_bufferSize;
    QByteArray m_buffer;
    qint64 m_used = 0;
    qint64 m_position = 0;
    bool m_failed = false;
};

} // namespace ksv
