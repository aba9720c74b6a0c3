#pragma once

#include <QList>
#include <QSet>
#include <QString>

namespace ksv {

// One file of the expanded backup list.
struct BackupListEntry
{
    QString storedName;  // fully expanded DOS path, drive letter lower-cased ("c:\Data\Report.doc")
    QString nativePath;  // where the file is read from
    bool fileIdList = false;
};

// Expands the backup's file specifications ("c:\data\*.doc", optionally followed by " /s")
// into one list of unique files. Subfolders are expanded before the files of their folder,
// so files of deeper folders come first. The destination is never listed.
class FileListExpander
{
public:
    // destination: the name of volume 1 (DOS or native form).
    FileListExpander(const QString& destination, bool incrementalOnly);

    void addSpecification(const QString& specification);
    const QList<BackupListEntry>& entries() const { return m_entries; }

    // Windows-style wildcard match ("*", "?"), without regard to case; "*.*" matches every
    // name, and a mask ending in ".*" also matches the name without extension.
    static bool matchesMask(const QString& mask, const QString& name);
    // A DOS path with "." and ".." resolved and repeated backslashes dropped; the drive letter
    // lower-cased, the rest as given.
    static QString cleanDosPath(const QString& dosPath);

private:
    void expand(const QString& folderDos, const QString& mask, bool recurse);
    bool isDestination(const QString& storedName, const QString& nativePath) const;

    QString m_destinationName;     // clean DOS form
    QString m_destinationNative;   // absolute native path
    bool m_incrementalOnly = false;
    QList<BackupListEntry> m_entries;
    QSet<QString> m_seen; // native paths already listed
};

} // namespace ksv
