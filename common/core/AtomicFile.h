#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

namespace ksv {

// Replaces a file whole or not at all. The data goes to a hidden temporary file beside the
// target; commit() checks every write, syncs the data, gives the file the old file's
// permissions, renames it over the target and syncs the folder. Until commit() succeeds the old
// file is untouched; a failed or abandoned writer removes its temporary file.
//
// The target is where the data will really land: a symbolic link is followed to the regular
// file it names (the link itself stays), and anything that is neither a regular file nor absent
// (a folder, a device, a FIFO, a socket) is refused before a byte is written.
//
// The temporary file is ".NAME.PID.XXXXXX": hidden, beside NAME, and marked with the writer's
// process so that a later start can tell the leftovers of a killed writer from the work of one
// still running (removeStaleTemporaries).
//
// Every user file the suite writes (settings, log, query files, archives, conversions, restored
// and extracted files) goes through this class.
class AtomicFile
{
public:
    explicit AtomicFile(QString targetPath);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // When the new content is synced. Now (the default): at every commit. Later: a file that
    // replaces nothing is renamed unsynced (a crash can lose only the new file itself, never an
    // old one); the caller syncs once with syncFileSystem() when its batch is done. Writers of
    // many small files (extraction) use it; a file that replaces an old one is always synced.
    enum class Sync { Now, Later };
    void setSync(Sync sync) { m_sync = sync; }

    // Resolves the target and creates the temporary file.
    Status open();
    bool isOpen() const { return m_fd >= 0; }

    // Writes all of the data or fails; a failure is kept and makes commit() fail too.
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& data) { return write(data.constData(), data.size()); }
    // Writes at an offset (for writers that seek back, such as an archive's headers).
    bool writeAt(qint64 offset, const char* data, qint64 size);

    // Syncs, closes and renames over the target. Fails, and leaves the old file, when any write,
    // the sync, the close or the rename failed.
    Status commit();
    // Abandons the new content and removes the temporary file.
    void discard();

    // The resolved target (the file behind a link) and the temporary file's path.
    const QString& targetPath() const { return m_target; }
    const QString& temporaryPath() const { return m_temporary; }
    // The descriptor of the temporary file, for writers that hand it to a library.
    int handle() const { return m_fd; }
    qint64 bytesWritten() const { return m_written; }

    // The first failure (code = errno) or success.
    const Status& status() const { return m_status; }
    bool diskFull() const;

    // Writes data as the whole new content of path.
    static Status writeFile(const QString& path, const QByteArray& data);

    // Where a file written to path really lands: the final target of a chain of links, or path
    // itself. Fails with a message for anything that is neither a regular file nor absent.
    static Result<QString> resolveTarget(const QString& path);

    // Flushes everything written to the file system that holds folder (syncfs) and reports a
    // write error the kernel met on its way to the disk.
    static Status syncFileSystem(const QString& folder);

    // Removes the temporary files that writers which no longer run (a crash, a kill -9) left in
    // folder; those of running processes stay. A folder holding a note ".NAME.replacing" (a
    // batch of files whose renames were interrupted, finished by its writer's next run) is left
    // alone. Returns how many were removed.
    static int removeStaleTemporaries(const QString& folder);

    // Tests only: every writer of the process fails with ENOSPC once it has written this many
    // bytes in all (a disk that fills up). Negative: no limit.
    static void setWriteLimitForTesting(qint64 bytes);

private:
    // offset < 0: at the current position.
    bool writeBytes(qint64 offset, const char* data, qint64 size);
    bool fail(int error, const QString& what);

    QString m_requested;
    QString m_target;
    QString m_temporary;
    int m_fd = -1;
    qint64 m_written = 0;
    Sync m_sync = Sync::Now;
    Status m_status;
};

} // namespace ksv
