#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace ksv {

// Removes the oldest dated archive of a query from its destination, so that with the copy of
// the day at most maxfile dated archives remain. At most one archive goes per run (one per
// matching sub-folder). The runner first plans the purge, then erases the planned archives only
// once the new archive is built, and after its copy unless their room is needed for it.
class OldArchivePurge
{
public:
    std::function<void(const QString& line)> appendLog;
    std::function<void(const QString& line)> addProcessLine;
    std::function<void()> processEvents;

    // folder: the destination (DOS form); archiveName: the query's archive name; targetPath:
    // today's target path of the archive.
    // Plans and erases at once.
    void PurgeOldArchives(const QString& folder, const QString& archiveName, int maxfile, const QString& targetPath);
    // Lists the folder's matching files in the log, oldest first, and returns what the purge
    // would erase (DOS paths, oldest first): today's target alone when it already exists (the
    // copy of the day replaces it), else the oldest dated archive once maxfile are there. Erases
    // nothing.
    QStringList planPurge(const QString& folder, const QString& archiveName, int maxfile, const QString& targetPath);
    // Erases one archive, with its log and process lines. False when it is not there or stays.
    bool eraseArchive(const QString& dosPath);

    // "????" + archive name + "*": four characters stand for the date prefix.
    static QString pattern(const QString& archiveName);
    // True for a dated archive of the query: four characters, the archive name, then ".zip"
    // or ".exe" (case ignored). Nothing else is ever deleted.
    static bool isDatedArchive(const QString& fileName, const QString& archiveName);
    // The file's date and time packed as a DOS date-time (date in the high word), the key the
    // list is ordered by.
    static quint32 packedDateTime(const QDateTime& when);

private:
    void log(const QString& line) const;
};

} // namespace ksv
