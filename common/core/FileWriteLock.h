#pragma once

#include <QString>

namespace ksv {

// Exclusive advisory lock (flock) on the hidden companion file ".<name>.lock" in the folder of
// the file, held for the lifetime of the object. Every writer of a settings or query file takes
// it around its read-change-rename cycle, so writers in different processes follow one another
// and none loses the other's keys. Readers need no lock: a file is always replaced whole by
// rename. The companion file is left in place (removing it would let two writers lock
// different files). A writer holds the lock for milliseconds; the wait is bounded (10 s) so a
// process that hangs while holding it cannot block the others for ever.
class FileWriteLock
{
public:
    explicit FileWriteLock(const QString& nativePath, int timeoutMs = 10000);
    ~FileWriteLock();
    FileWriteLock(const FileWriteLock&) = delete;
    FileWriteLock& operator=(const FileWriteLock&) = delete;

    // False when the lock file could not be opened (for example a read-only folder) or the
    // lock was not obtained in time; the caller then does not write.
    bool isLocked() const { return m_locked; }

    static QString lockFilePath(const QString& nativePath);

private:
    int m_fd = -1;
    bool m_locked = false;
};

} // namespace ksv
