#include "FileFind.h"

#include "WildcardMask.h"

#include "Drives.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ksv {

namespace {

TSearchRec recordFor(const QFileInfo& info)
{
    TSearchRec rec;
    rec.Name = info.fileName();
    rec.Size = info.isDir() ? 0 : info.size();
    rec.Time = info.lastModified();
    if (info.isDir())
        rec.Attr |= TSearchRec::faDirectory;
    else
        rec.Attr |= TSearchRec::faArchive;
    if (info.fileName().startsWith(QLatin1Char('.')))
        rec.Attr |= TSearchRec::faHidden;
    if (!info.isWritable())
        rec.Attr |= TSearchRec::faReadOnly;
    return rec;
}

QString folderPart(const QString& dosPath)
{
    const qsizetype slash = dosPath.lastIndexOf(QLatin1Char('\\'));
    return slash < 0 ? QString() : dosPath.left(slash + 1);
}

} // namespace

QStringList splitSearchSpecifications(const QString& searchFile)
{
    QStringList specifications;
    const QStringList items = QString(searchFile).replace(QLatin1Char('/'), QLatin1Char('\\')).split(QLatin1Char(';'));
    QString previous;
    for (const QString& item : items) {
        if (item.isEmpty())
            continue;
        const QString spec = previous.isEmpty() || item.contains(QLatin1Char(':')) ? item : folderPart(previous) + item;
        specifications << spec;
        previous = spec;
    }
    return specifications;
}

void TFileSearch::Execute()
{
    Stop = false;
    m_busy = true;
    m_filesFound.clear();
    for (const QString& specification : splitSearchSpecifications(m_searchFile)) {
        if (Stop)
            break;
        searchSpecification(specification);
    }
    if (OnFinish)
        OnFinish(this);
    m_busy = false;
}

void TFileSearch::searchSpecification(const QString& specification)
{
    const QString folder = folderPart(specification);
    const QString mask = specification.mid(folder.size());
    const QString native = DosPath::toNative(folder);
    if (folder.isEmpty())
        return;
    TSearchRec record;
    const QString withoutSlash = folder.chopped(1);
    if (!native.isEmpty() && !withoutSlash.endsWith(QLatin1Char(':'))) // a drive root has no entry
        record = recordFor(QFileInfo(native));
    walk(folder, native, mask, record);
}

void TFileSearch::walk(const QString& dosFolder, const QString& nativeFolder, const QString& mask,
                       const TSearchRec& record)
{
    if (OnChangeFolder)
        OnChangeFolder(dosFolder, record);

    // The file system's own order, every kind of entry, hidden ones included. A folder on an
    // unknown drive, or one that cannot be read, simply has no entries.
    const QDir::Filters filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    const QFileInfoList entries =
        nativeFolder.isEmpty() ? QFileInfoList() : QDir(nativeFolder).entryInfoList(filters, QDir::Unsorted);

    const WildcardMask matcher(mask);
    for (const QFileInfo& entry : entries) {
        if (Stop)
            return;
        if (matcher.matches(entry.fileName()) && OnFileFind) {
            OnFileFind(dosFolder, recordFor(entry));
            m_filesFound << dosFolder + entry.fileName();
        }
        letEventsRun();
    }

    // A second pass for the sub-folders keeps a folder's matches before any of its sub-folders.
    for (const QFileInfo& entry : entries) {
        letEventsRun();
        if (Stop)
            return;
        if (entry.isDir() && !entry.isSymLink() && RecurseSubFolders)
            walk(dosFolder + entry.fileName() + QLatin1Char('\\'), entry.filePath(), mask, recordFor(entry));
        letEventsRun();
    }
}

void TFileSearch::letEventsRun()
{
    if (processEvents)
        processEvents();
    else
        QCoreApplication::processEvents();
}

} // namespace ksv
