// Conversion between the system's DOS paths and native paths through the drive table.
#include "Drives.h"

#include "PlatformEnvironment.h"
#include "PlatformTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace ksv::DosPath {

namespace {

bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

bool hasDriveLetter(const QString& path)
{
    return path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter() && path.at(0).unicode() < 128;
}

QString joinNative(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// The entry of folder called name: exactly, else without regard to case; empty when none.
QString matchEntry(const QString& folder, const QString& name)
{
    const QString exact = joinNative(folder, name);
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink())
        return exact;
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return joinNative(folder, entry);
    }
    return {};
}

} // namespace

bool isDosAbsolute(const QString& path)
{
    return hasDriveLetter(path) && path.size() >= 3 && isSeparator(path.at(2));
}

QChar driveLetter(const QString& dosPath)
{
    return hasDriveLetter(dosPath) ? dosPath.at(0).toUpper() : QChar();
}

QString toNative(const QString& dosPath)
{
    if (!hasDriveLetter(dosPath)) {
        QString native = dosPath;
        native.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return native;
    }
    const QChar letter = driveLetter(dosPath);
    const DriveServices& services = driveServices();
    const auto info = services.drive(letter);
    if (!info || !services.mediumPresent(letter))
        return {};

    // "C:x" is taken as "C:\x": there is no current folder per drive.
    const QString rest = dosPath.mid(2);
    const bool trailingSeparator = !rest.isEmpty() && isSeparator(rest.back());
    QStringList components;
    for (const QString& part : rest.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!components.isEmpty())
                components.removeLast();
            continue;
        }
        components << part;
    }

    QString native = info->root;
    bool resolving = true;
    for (const QString& component : components) {
        if (resolving) {
            const QString match = matchEntry(native, component);
            if (!match.isEmpty()) {
                native = match;
                continue;
            }
            resolving = false; // nothing below a missing entry can exist
        }
        native = joinNative(native, component);
    }
    if (trailingSeparator && !native.endsWith(QLatin1Char('/')))
        native += QLatin1Char('/');
    return native;
}

std::optional<QString> fromNative(const QString& nativePath)
{
    if (nativePath.isEmpty())
        return std::nullopt;
    const QString absolute = QDir::isAbsolutePath(nativePath) ? nativePath : QDir::current().absoluteFilePath(nativePath);
    const bool trailingSeparator = absolute.size() > 1 && absolute.endsWith(QLatin1Char('/'));
    const QString clean = QDir::cleanPath(absolute);

    std::optional<DriveInfo> best;
    for (const DriveInfo& info : driveServices().drives()) {
        const QString& root = info.root;
        const bool inside = clean == root || root == QLatin1String("/")
                            || clean.startsWith(root + QLatin1Char('/'));
        if (inside && (!best || root.size() > best->root.size()))
            best = info;
    }
    if (!best)
        return std::nullopt;

    QString rest = clean.mid(best->root.size());
    if (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QString dos = QString(best->letter) + QLatin1String(":\\") + rest;
    if (trailingSeparator && !rest.isEmpty())
        dos += QLatin1Char('\\');
    return dos;
}

std::optional<QString> normalise(const QString& anyPath)
{
    if (hasDriveLetter(anyPath)) {
        QString dos = anyPath;
        dos[0] = dos.at(0).toUpper();
        dos.replace(QLatin1Char('/'), QLatin1Char('\\'));
        return dos;
    }
    if (anyPath.startsWith(QLatin1Char('/')))
        return fromNative(anyPath);
    QString relative = anyPath;
    relative.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return relative;
}

QString outsideDrivesMessage(const QString& nativePath)
{
    return PlatformEnvironment::current().simulated ? PlatformTexts::outsideSimulatedDrives(nativePath)
                                                    : PlatformTexts::outsideDrives(nativePath);
}

bool writable(const QString& dosPath)
{
    const QChar letter = driveLetter(dosPath);
    if (letter.isNull())
        return false;
    const DriveServices& services = driveServices();
    if (!services.drive(letter) || !services.mediumPresent(letter))
        return false;
    const QString native = toNative(dosPath);
    return !native.isEmpty() && !services.folderReadOnly(native);
}

} // namespace ksv::DosPath
