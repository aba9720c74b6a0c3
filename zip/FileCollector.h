#pragma once

#include "DosMask.h"

#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <ctime>

namespace ksv {

// One file found by the specifications, ready to be stored.
struct FileToAdd
{
    QString nativePath;  // absolute
    QString displayPath; // DOS form when a drive holds it (events and messages)
    QString storedName;  // "/" separators
    qint64 size = 0;
    std::time_t mtime = 0; // never before 1980-01-01 00:00 local time, the first ZIP date
    unsigned permissions = 0644;
    bool folder = false;   // an empty folder, stored as "name/" so that a restore brings it back
    // For a name that is not valid UTF-8 (nativePath and storedName then only show it): the
    // path as the file system has it, and the stored name as those raw bytes, as other ZIP
    // tools store such names.
    QByteArray rawPath;
    QByteArray rawStoredName;

    QByteArray storedBytes() const { return rawStoredName.isEmpty() ? storedName.toUtf8() : rawStoredName; }
};

// A file left out because another file already takes its stored name.
struct StoredNameClash
{
    QString displayPath;
    QString storedName;
    QString takenBy; // display path of the file stored under that name
};

// Turns the add specifications and exclusions into the list of files to store.
//
// A specification is a path in DOS form (or native), absolute or relative to the current
// folder, naming a folder plus a mask ("*" and "?") or one file; a folder alone means every
// file in it. With recursion the mask applies in every sub-folder. With folder names the
// stored name is the specification's folder part as given (no drive, no leading backslash)
// plus the path below it; without, only the file name. Hidden files and files in hidden
// folders are taken only when asked for.
//
// An exclusion without a folder part excludes matching names anywhere; with a folder part and
// a mask, matching names at any depth under that folder; a single file, that file.
// Every comparison of a specification or exclusion ignores case; stored names do not: "Report.txt"
// and "report.txt" are two entries. With folder names and recursion, a folder with nothing in
// it is stored as a folder entry. Two files that would take the same stored name (possible
// without folder names) keep the first; the other is listed in clashes().
class FileCollector
{
public:
    struct Options
    {
        bool dirNames = false;
        bool recurse = false;
        bool hidden = false;
    };

    FileCollector(Options options, const QStringList& exclusions);

    // Adds the files of one specification; a named file or folder that does not exist is
    // remembered in missing().
    void collect(const QString& spec);

    const QList<FileToAdd>& files() const { return m_files; }
    const QStringList& missing() const { return m_missing; }
    const QList<StoredNameClash>& clashes() const { return m_clashes; }
    // Files and folders that cannot be stored, with the reason: a path longer than the system
    // takes (4,096 bytes), a folder whose name is not valid UTF-8.
    struct LeftOut
    {
        QString displayPath;
        QString reason;
    };
    const QList<LeftOut>& leftOut() const { return m_leftOut; }

    // The time stored for a file modified at mtime: ZIP dates begin on 1980-01-01.
    static std::time_t storableTime(std::time_t mtime);

private:
    struct Exclusion
    {
        enum class Kind { Name, Folder, File } kind = Kind::Name;
        DosMask mask;
        QString path; // absolute native folder or file, lower case
    };

    void walk(const QString& folder, const QString& displayFolder, const QString& storedPrefix, const QString& mask);
    void addFile(const QFileInfo& info, const QString& displayPath, const QString& storedName);
    void addFolder(const QFileInfo& info, const QString& displayPath, const QString& storedName);
    int addRawNames(const QString& folder, const QString& displayFolder, const QString& storedPrefix,
                    const DosMask& mask);
    static QString displayOf(const QString& nativeFolder);
    bool excluded(const QString& nativePath, const QString& fileName) const;
    static QString absoluteNative(const QString& spec);

    Options m_options;
    QList<Exclusion> m_exclusions;
    QList<FileToAdd> m_files;
    QStringList m_missing;
    QList<StoredNameClash> m_clashes;
    QList<LeftOut> m_leftOut;
    QHash<QByteArray, qsizetype> m_seenNames; // stored name (bytes) -> the file in m_files that took it
};

} // namespace ksv
