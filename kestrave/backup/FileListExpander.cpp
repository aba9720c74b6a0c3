#include "FileListExpander.h"

#include "ArchiveFlag.h"
#include "Drives.h"

#include <QDir>
#include <QFileInfo>

namespace ksv {

namespace {

// The DOS form of a path given in either form; empty when a native path lies outside every drive.
QString dosFormOf(const QString& path)
{
    if (path.isEmpty())
        return {};
    if (DosPath::isDosAbsolute(path))
        return path;
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    return DosPath::fromNative(absolute).value_or(QString());
}

QString nativeOfDosFolder(const QString& folderDos)
{
    // "c:" is the drive's root folder.
    return DosPath::toNative(folderDos.size() == 2 ? folderDos + QLatin1Char('\\') : folderDos);
}

bool wildcardMatch(QStringView mask, QStringView name)
{
    qsizetype m = 0, n = 0, starM = -1, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == u'?' || mask[m] == name[n])) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == u'*') {
            starM = m++;
            starN = n;
        } else if (starM >= 0) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*')
        ++m;
    return m == mask.size();
}

// The folder as the file system spells it: the drive part as given, each component with the
// case of the folder it resolved to ("c:\DATA" -> "c:\Data"). Unchanged when it does not exist.
QString spelledAsOnDisk(const QString& folderDos, const QString& nativeFolder)
{
    const auto drive = driveServices().drive(DosPath::driveLetter(folderDos));
    if (!drive || !QFileInfo(nativeFolder).isDir())
        return folderDos;
    const QString relative = QDir(drive->root).relativeFilePath(nativeFolder);
    if (relative.startsWith(QLatin1String("..")) || QDir::isAbsolutePath(relative))
        return folderDos;
    if (relative == QLatin1String("."))
        return folderDos.left(2);
    QString dos = folderDos.left(2) + QLatin1Char('\\') + relative;
    dos.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return dos;
}

} // namespace

FileListExpander::FileListExpander(const QString& destination, bool incrementalOnly)
    : m_incrementalOnly(incrementalOnly)
{
    const QString dos = dosFormOf(destination);
    if (!dos.isEmpty())
        m_destinationName = cleanDosPath(dos);
    const QString native = DosPath::isDosAbsolute(destination) ? DosPath::toNative(destination) : destination;
    if (!native.isEmpty())
        m_destinationNative = QFileInfo(native).absoluteFilePath();
}

bool FileListExpander::matchesMask(const QString& mask, const QString& name)
{
    const QString m = mask.toLower();
    const QString n = name.toLower();
    if (m == QLatin1String("*.*") || m == QLatin1String("*"))
        return true;
    if (wildcardMatch(m, n))
        return true;
    if (m.endsWith(QLatin1String(".*")) && wildcardMatch(QStringView(m).chopped(2), n))
        return true;
    return false;
}

QString FileListExpander::cleanDosPath(const QString& dosPath)
{
    // Only the drive letter is lower-cased: on this system "Report.doc" and "report.doc" are
    // two files, and the restore gives back the name as it was.
    QString path = dosPath;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString drive = path.left(2).toLower();
    const QStringList parts = path.mid(2).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QStringList kept;
    for (const QString& part : parts) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept << part;
    }
    QString result = drive + QLatin1Char('\\') + kept.join(QLatin1Char('\\'));
    if (path.endsWith(QLatin1Char('\\')) && !kept.isEmpty())
        result += QLatin1Char('\\');
    return result;
}

void FileListExpander::addSpecification(const QString& specification)
{
    QString spec = specification.trimmed();
    bool recurse = false;
    // The " /s" switch: at the end, after a blank (or directly after a DOS path, which has no "/").
    if (spec.endsWith(QLatin1String("/s"), Qt::CaseInsensitive)) {
        const QString before = spec.chopped(2);
        if (before.isEmpty() || before.back().isSpace() || (DosPath::isDosAbsolute(before) && !before.contains(u'/'))) {
            recurse = true;
            spec = before.trimmed();
        }
    }
    if (spec.isEmpty())
        return;
    const QString dos = dosFormOf(spec);
    if (dos.isEmpty())
        return;
    const QString clean = cleanDosPath(dos);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('\\'));
    QString folder = clean.left(slash);
    const QString mask = clean.mid(slash + 1);
    if (mask.isEmpty())
        return;
    expand(spelledAsOnDisk(folder, nativeOfDosFolder(folder)), mask, recurse);
}

void FileListExpander::expand(const QString& folderDos, const QString& mask, bool recurse)
{
    const QString nativeFolder = nativeOfDosFolder(folderDos);
    if (nativeFolder.isEmpty())
        return;
    const QDir dir(nativeFolder);
    if (!dir.exists())
        return;

    if (recurse) {
        // Visible subfolders first, in the order the file system returns them. Symbolic links to
        // folders are not followed, so a link back to a parent cannot make the walk endless.
        const QFileInfoList folders = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::NoSort);
        for (const QFileInfo& sub : folders) {
            if (ArchiveFlag::isHidden(sub.absoluteFilePath()))
                continue;
            expand(folderDos + QLatin1Char('\\') + sub.fileName(), mask, true);
        }
    }

    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& file : files) {
        if (!file.isFile() || !matchesMask(mask, file.fileName()))
            continue;
        const QString stored = folderDos + QLatin1Char('\\') + file.fileName();
        const QString native = file.absoluteFilePath();
        // The same file reached by two specifications is stored once.
        if (m_seen.contains(native) || isDestination(stored, native))
            continue;
        if (m_incrementalOnly && !ArchiveFlag::isSet(native))
            continue;
        m_seen.insert(native);
        m_entries.append({stored, native, false});
    }
}

bool FileListExpander::isDestination(const QString& storedName, const QString& nativePath) const
{
    if (!m_destinationName.isEmpty() && storedName == m_destinationName)
        return true;
    return !m_destinationNative.isEmpty() && QFileInfo(nativePath).absoluteFilePath() == m_destinationNative;
}

} // namespace ksv
