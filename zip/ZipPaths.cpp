#include "ZipPaths.h"

#include "Drives.h"

#include <QDir>
#include <QFileInfo>

namespace ksv::ZipPaths {

QString toNative(const QString& anyPath)
{
    if (anyPath.isEmpty())
        return {};
    if (DosPath::isDosAbsolute(anyPath))
        return DosPath::toNative(anyPath);
    if (anyPath.startsWith(QLatin1Char('/')))
        return anyPath;
    QString path = anyPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

QString toDisplay(const QString& nativePath)
{
    const QString absolute = QFileInfo(nativePath).absoluteFilePath();
    if (const auto dos = DosPath::fromNative(absolute))
        return *dos;
    return nativePath;
}

std::optional<QChar> driveOf(const QString& nativePath)
{
    const auto dos = DosPath::fromNative(QFileInfo(nativePath).absoluteFilePath());
    if (!dos || dos->size() < 2 || (*dos)[1] != QLatin1Char(':'))
        return std::nullopt;
    return (*dos)[0].toUpper();
}

QString storedFolder(const QString& folderPart)
{
    QString path = folderPart;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].isLetter())
        path = path.mid(2);
    QStringList kept;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            continue;
        kept.append(part);
    }
    return kept.join(QLatin1Char('/'));
}

QString normalisedEntryName(const QString& name)
{
    QString result = name;
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return result;
}

bool isUnsafeEntryName(const QString& name)
{
    const QString path = normalisedEntryName(name);
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return true;
    if (path.size() >= 2 && path[1] == QLatin1Char(':'))
        return true;
    const QStringList parts = path.split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part == QLatin1String(".."))
            return true;
    }
    return false;
}

} // namespace ksv::ZipPaths
