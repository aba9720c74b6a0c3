#pragma once

#include <QString>

#include <functional>

namespace ksv {

// Advisory locks that let several runners share one work folder.
//
// Every runner holds a shared lock on the work folder's presence file for as long as it lives;
// the system drops it when the process ends, however it ends. A runner that can take the lock
// exclusively knows no other runner is alive, so whatever temporary files lie in the folder were
// left by dead processes. "ZipTmp…" files do not say which process made them, so while another
// runner is alive they are kept for a later start (the engine's hidden temporary files carry
// their process id and are cleared by it at any start).
namespace WorkFolderPresence {

// Makes this process present in the work folder (native, with or without a trailing "/") and
// returns true when it is alone there. Called again for the same folder, it only checks again.
bool joinAlone(const QString& workFolder);
// The presence file, hidden so that listings of archives never show it.
QString presenceFileName();

} // namespace WorkFolderPresence

// An exclusive lock on one work archive (its ".zip" and ".exe" forms share it), held from the
// removal of yesterday's archive to the end of its copy, so that two runs of queries with the
// same archive name build one after the other instead of writing over each other.
class WorkArchiveLock
{
public:
    WorkArchiveLock() = default;
    ~WorkArchiveLock();
    WorkArchiveLock(const WorkArchiveLock&) = delete;
    WorkArchiveLock& operator=(const WorkArchiveLock&) = delete;

    // Takes the lock of archive `baseName` (file name without extension) in the work folder
    // (native). While another process holds it, calls waiting() once, then pause() between
    // tries until keepWaiting() says false. True once held; false when the lock file cannot be
    // opened or the wait was given up.
    bool acquire(const QString& workFolder, const QString& baseName, const std::function<bool()>& keepWaiting,
                 const std::function<void()>& waiting, const std::function<void()>& pause);
    void release();
    bool held() const { return m_fd >= 0; }
    // Why the lock file could not be opened (the system's words), empty otherwise.
    QString errorText() const { return m_error; }

    static QString lockFileName(const QString& baseName);

private:
    int m_fd = -1;
    QString m_error;
};

} // namespace ksv
