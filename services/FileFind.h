#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace ksv {

// A directory entry as the search reports it.
struct TSearchRec
{
    enum Attribute { faReadOnly = 0x01, faHidden = 0x02, faSysFile = 0x04, faDirectory = 0x10, faArchive = 0x20 };

    QString Name;      // entry name, no folder; empty for a drive root
    qint64 Size = 0;
    QDateTime Time;
    int Attr = 0;

    bool isDirectory() const { return (Attr & faDirectory) != 0; }
};

// Walks a folder tree depth first and reports every entry matching a file mask, folder by
// folder, letting the application process pending events after each entry so that the caller
// can set Stop from a button or key handler.
//
// SearchFile is in the system's DOS form ("C:\Apps\EDITOR.EXE", "C:\Data\*.doc;*.txt"). Folders
// in the events are DOS paths with a trailing backslash.
class TFileSearch
{
public:
    using TFindFileEvent = std::function<void(const QString& fullpath, const TSearchRec& info)>;
    using TChangeFolderEvent = std::function<void(const QString& fullpath, const TSearchRec& info)>;
    using TNotifyEvent = std::function<void(TFileSearch* sender)>;

    static constexpr int MaxSearchFileLength = 255;

    // Setting it ends a running search at the next entry; Execute clears it.
    bool Stop = false;
    bool RecurseSubFolders = true;
    TFindFileEvent OnFileFind;
    TChangeFolderEvent OnChangeFolder;
    TNotifyEvent OnFinish;

    const QString& SearchFile() const { return m_searchFile; }
    // Cut to 255 characters, as the property always has been.
    void setSearchFile(const QString& value) { m_searchFile = value.left(MaxSearchFileLength); }

    // Full paths of the matches of the last search; filled only together with OnFileFind.
    const QStringList& FilesFound() const { return m_filesFound; }
    bool busy() const { return m_busy; }

    // Runs one search over SearchFile, synchronously.
    void Execute();

    // Called after each entry; by default QCoreApplication::processEvents().
    std::function<void()> processEvents;

private:
    void searchSpecification(const QString& specification);
    void walk(const QString& dosFolder, const QString& nativeFolder, const QString& mask, const TSearchRec& record);
    void letEventsRun();

    QString m_searchFile;
    QStringList m_filesFound;
    bool m_busy = false;
};

// The specifications of a SearchFile value: the first item, then each further item searched in
// the folder of the item before it (an item holding a "\" moves that folder).
QStringList splitSearchSpecifications(const QString& searchFile);

} // namespace ksv
