#include "DiskSpaceKludge.h"

#include "Drives.h"

#include <QDir>

namespace ksv {

qint64 DriveFreeSpace(int drive)
{
    QChar letter;
    if (drive == 0) {
        const std::optional<QString> current = DosPath::fromNative(QDir::currentPath());
        if (!current)
            return -1;
        letter = current->at(0);
    } else {
        letter = QChar(64 + drive).toUpper();
    }
    if (letter < QLatin1Char('A') || letter > QLatin1Char('Z'))
        return -1;
    return driveServices().freeSpace(letter);
}

qint64 FreeSpaceAt(const QString& dosPath)
{
    const QChar letter = DosPath::driveLetter(dosPath);
    if (letter.isNull() || !driveServices().mediumPresent(letter))
        return -1;
    const QString native = DosPath::toNative(dosPath);
    return native.isEmpty() ? -1 : driveServices().folderFreeSpace(native);
}

} // namespace ksv
