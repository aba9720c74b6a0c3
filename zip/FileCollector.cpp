#include "FileCollector.h"

#include "DosMask.h"
#include "ZipPaths.h"

#include "Drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <ctime>
#include <climits>
#include <dirent.h>
#include <sys/stat.h>

namespace ksv {

namespace {

bool isHiddenName(const QString& name)
{
    return name.startsWith(QLatin1Char('.'));
}

// Splits "C:\Data\*.txt" into "C:\Data" and "*.txt" (either separator).
void splitLast(const QString& path, QString& folder, QString& last)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    if (cut < 0) {
        folder.clear();
        last = path;
        // "C:*.*" keeps its drive as folder part
        if (path.size() >= 2 && path[1] == QLatin1Char(':')) {
            folder = path.left(2);
            last = path.mid(2);
        }
        return;
    }
    folder = path.left(cut);
    if (folder.isEmpty())
        folder = path.left(1);
    last = path.mid(cut + 1);
}

std::time_t mtimeOf(const QFileInfo& info)
{
    return FileCollector::storableTime(static_cast<std::time_t>(info.lastModified().toSecsSinceEpoch()));
}

// The permission bits, from one stat (Qt's permissions() also probes access() three times).
unsigned permissionsOf(const QString& nativePath)
{
    struct stat st;
    if (::stat(QFile::encodeName(nativePath).constData(), &st) != 0)
        return 0644;
    return static_cast<unsigned>(st.st_mode) & 0777u;
}

} // namespace

std::time_t FileCollector::storableTime(std::time_t mtime)
{
    // Local time, as the ZIP date fields are: what was 1975 is stored as 1980-01-01 00:00.
    std::tm first{};
    first.tm_year = 80;
    first.tm_mon = 0;
    first.tm_mday = 1;
    first.tm_isdst = -1;
    const std::time_t earliest = std::mktime(&first);
    return std::max(mtime, earliest);
}

FileCollector::FileCollector(Options options, const QStringList& exclusions) : m_options(options)
{
    for (const QString& raw : exclusions) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            continue;
        Exclusion ex;
        if (!item.contains(QLatin1Char('\\')) && !item.contains(QLatin1Char('/'))
            && !(item.size() >= 2 && item[1] == QLatin1Char(':'))) {
            ex.kind = Exclusion::Kind::Name;
            ex.mask = DosMask(item);
        } else {
            QString folder;
            QString last;
            splitLast(item, folder, last);
            if (DosMask::hasWildcards(last)) {
                ex.kind = Exclusion::Kind::Folder;
                ex.mask = DosMask(last);
                ex.path = absoluteNative(folder).toLower();
            } else {
                const QString native = absoluteNative(item);
                if (QFileInfo(native).isDir()) {
                    ex.kind = Exclusion::Kind::Folder;
                    ex.mask = DosMask(QStringLiteral("*"));
                } else {
                    ex.kind = Exclusion::Kind::File;
                }
                ex.path = native.toLower();
            }
        }
        m_exclusions.append(ex);
    }
}

QString FileCollector::absoluteNative(const QString& spec)
{
    const QString native = ZipPaths::toNative(spec);
    if (native.isEmpty())
        return {};
    return QDir::cleanPath(QDir::current().absoluteFilePath(native));
}

bool FileCollector::excluded(const QString& nativePath, const QString& fileName) const
{
    if (m_exclusions.isEmpty())
        return false;
    const QString lower = nativePath.toLower();
    for (const Exclusion& ex : m_exclusions) {
        switch (ex.kind) {
        case Exclusion::Kind::Name:
            if (ex.mask.matches(fileName))
                return true;
            break;
        case Exclusion::Kind::Folder: {
            const QString prefix = ex.path.endsWith(QLatin1Char('/')) ? ex.path : ex.path + QLatin1Char('/');
            if (lower.startsWith(prefix) && ex.mask.matches(fileName))
                return true;
            break;
        }
        case Exclusion::Kind::File:
            if (lower == ex.path)
                return true;
            break;
        }
    }
    return false;
}

void FileCollector::collect(const QString& rawSpec)
{
    const QString spec = rawSpec.trimmed();
    if (spec.isEmpty())
        return;

    // The folder part as the user gave it decides the stored prefix; a native absolute path is
    // read in its DOS form when a drive holds it, so both forms store the same names.
    QString given = spec;
    if (spec.startsWith(QLatin1Char('/'))) {
        if (const auto dos = DosPath::fromNative(spec))
            given = *dos;
    }
    QString givenFolder;
    QString last;
    splitLast(given, givenFolder, last);

    const QString native = absoluteNative(spec);
    if (native.isEmpty()) {
        m_missing.append(spec);
        return;
    }

    if (DosMask::hasWildcards(last)) {
        QString nativeFolder;
        QString nativeLast;
        splitLast(native, nativeFolder, nativeLast);
        if (!QFileInfo(nativeFolder).isDir()) {
            m_missing.append(spec);
            return;
        }
        walk(nativeFolder, displayOf(nativeFolder), ZipPaths::storedFolder(givenFolder), last);
        return;
    }

    const QFileInfo info(native);
    if (info.isDir()) {
        walk(native, displayOf(native), ZipPaths::storedFolder(given), QStringLiteral("*"));
    } else if (info.exists()) {
        const QString prefix = ZipPaths::storedFolder(givenFolder);
        const QString stored = (m_options.dirNames && !prefix.isEmpty()) ? prefix + QLatin1Char('/') + info.fileName()
                                                                        : info.fileName();
        if (!excluded(native, info.fileName()))
            addFile(info, ZipPaths::toDisplay(native), stored);
    } else {
        m_missing.append(spec);
    }
}

// The DOS form of a folder, worked out once per walk: converting every file on its own would
// look the drive table up for each of them.
QString FileCollector::displayOf(const QString& nativeFolder)
{
    if (const auto dos = DosPath::fromNative(nativeFolder)) {
        QString folder = *dos;
        if (!folder.endsWith(QLatin1Char('\\')))
            folder += QLatin1Char('\\');
        return folder;
    }
    return nativeFolder.endsWith(QLatin1Char('/')) ? nativeFolder : nativeFolder + QLatin1Char('/');
}

void FileCollector::walk(const QString& folder, const QString& displayFolder, const QString& storedPrefix,
                         const QString& mask)
{
    const QChar separator = displayFolder.endsWith(QLatin1Char('\\')) ? QLatin1Char('\\') : QLatin1Char('/');
    const DosMask dosMask(mask);
    if (QFile::encodeName(folder).size() >= PATH_MAX) {
        m_leftOut.append({displayFolder, QStringLiteral("path longer than %1 bytes").arg(PATH_MAX)});
        return;
    }
    QDir dir(folder);
    QDir::Filters filters = QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    if (m_options.recurse)
        filters |= QDir::Dirs;
    const QFileInfoList entries = dir.entryInfoList(filters, QDir::Name | QDir::IgnoreCase | QDir::DirsLast);
    // Names Qt cannot list (not valid UTF-8, or too long a path) are found by the bytes.
    const int rawOnes = addRawNames(folder, displayFolder, storedPrefix, dosMask);
    const bool empty = rawOnes == 0 && std::none_of(entries.begin(), entries.end(), [&](const QFileInfo& entry) {
        return m_options.hidden || !isHiddenName(entry.fileName());
    });
    if (empty && m_options.dirNames && m_options.recurse && !storedPrefix.isEmpty() && dir.exists())
        addFolder(QFileInfo(folder), displayFolder, storedPrefix + QLatin1Char('/'));
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (!m_options.hidden && isHiddenName(name))
            continue;
        if (entry.isDir()) {
            if (entry.isSymLink())
                continue; // never follow a folder link: it could loop
            if (QFile::encodeName(entry.absoluteFilePath()).size() >= PATH_MAX)
                continue; // reported by addRawNames
            walk(entry.absoluteFilePath(), displayFolder + name + separator,
                 storedPrefix.isEmpty() ? name : storedPrefix + QLatin1Char('/') + name, mask);
            continue;
        }
        // Pipes, sockets and devices hold no data to keep, and opening a pipe waits for a writer.
        // A link whose target is gone stays in the list, so that the add reports it.
        const bool danglingLink = entry.isSymLink() && !entry.exists();
        if (!entry.isFile() && !danglingLink)
            continue;
        if (!dosMask.matches(name))
            continue;
        const QString path = entry.absoluteFilePath();
        if (excluded(path, name))
            continue;
        QString stored;
        if (m_options.dirNames)
            stored = storedPrefix.isEmpty() ? name : storedPrefix + QLatin1Char('/') + name;
        else
            stored = name;
        addFile(entry, displayFolder + name, stored);
    }
}

int FileCollector::addRawNames(const QString& folder, const QString& displayFolder, const QString& storedPrefix,
                               const DosMask& mask)
{
    const QByteArray folderBytes = QFile::encodeName(folder);
    DIR* dir = ::opendir(folderBytes.constData());
    if (!dir)
        return 0;
    int found = 0;
    while (const dirent* item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
        if (name == "." || name == "..")
            continue;
        if (!m_options.hidden && name.startsWith('.'))
            continue;
        const QByteArray path = folderBytes + '/' + name;
        const QString shown = QString::fromUtf8(name);
        const bool decodable = shown.toUtf8() == name;
        if (decodable && path.size() < PATH_MAX)
            continue; // listed by Qt
        if (path.size() >= PATH_MAX) {
            ++found;
            m_leftOut.append({displayFolder + shown, QStringLiteral("path longer than %1 bytes").arg(PATH_MAX)});
            continue;
        }
        struct stat st;
        if (::stat(path.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            if (!m_options.recurse)
                continue;
            ++found;
            m_leftOut.append({displayFolder + shown, QStringLiteral("folder name is not valid UTF-8")});
            continue;
        }
        if (!S_ISREG(st.st_mode))
            continue;
        ++found;
        if (!mask.matches(shown) || excluded(QFile::decodeName(path), shown))
            continue;
        const QByteArray prefix = m_options.dirNames && !storedPrefix.isEmpty() ? storedPrefix.toUtf8() + '/' : QByteArray();
        FileToAdd file;
        file.rawPath = path;
        file.rawStoredName = prefix + name;
        file.nativePath = QFile::decodeName(path);
        file.displayPath = displayFolder + shown;
        file.storedName = QString::fromUtf8(file.rawStoredName);
        file.size = st.st_size;
        file.mtime = storableTime(st.st_mtime);
        file.permissions = static_cast<unsigned>(st.st_mode) & 0777u;
        if (const auto taken = m_seenNames.constFind(file.rawStoredName); taken != m_seenNames.constEnd()) {
            m_clashes.append({file.displayPath, file.storedName, m_files.at(*taken).displayPath});
            continue;
        }
        m_seenNames.insert(file.rawStoredName, m_files.size());
        m_files.append(file);
    }
    ::closedir(dir);
    return found;
}

void FileCollector::addFolder(const QFileInfo& info, const QString& displayPath, const QString& storedName)
{
    if (m_seenNames.contains(storedName.toUtf8()))
        return; // a specification named the folder twice
    m_seenNames.insert(storedName.toUtf8(), m_files.size());
    FileToAdd folder;
    folder.nativePath = info.absoluteFilePath();
    folder.displayPath = displayPath;
    folder.storedName = storedName;
    folder.mtime = mtimeOf(info);
    folder.permissions = permissionsOf(folder.nativePath);
    folder.folder = true;
    m_files.append(folder);
}

void FileCollector::addFile(const QFileInfo& info, const QString& displayPath, const QString& storedName)
{
    const QString nativePath = info.absoluteFilePath();
    if (const auto taken = m_seenNames.constFind(storedName.toUtf8()); taken != m_seenNames.constEnd()) {
        // The same file named by two specifications is simply stored once.
        const FileToAdd& first = m_files.at(*taken);
        if (first.nativePath != nativePath)
            m_clashes.append({displayPath, storedName, first.displayPath});
        return;
    }
    m_seenNames.insert(storedName.toUtf8(), m_files.size());
    FileToAdd file;
    file.nativePath = nativePath;
    file.displayPath = displayPath;
    file.storedName = storedName;
    file.size = info.size();
    file.mtime = mtimeOf(info);
    file.permissions = permissionsOf(nativePath);
    m_files.append(file);
}

} // namespace ksv
