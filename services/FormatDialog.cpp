#include "FormatDialog.h"

#include "Drives.h"

namespace ksv {

quint32 FormatDrive(const QString& /*ownerCaption*/, QChar drive)
{
    DriveServices& drives = driveServices();
    QChar letter = drive.toUpper();
    const bool keep = letter >= QLatin1Char('A') && letter <= QLatin1Char('Z')
        && drives.driveType(letter) == DriveType::Removable && drives.capacity(letter) >= 0;
    if (!keep)
        letter = QLatin1Char('A');
    return static_cast<quint32>(drives.format(letter));
}

QChar FindZipDrive()
{
    DriveServices& drives = driveServices();
    for (char c = 'C'; c <= 'Z'; ++c) {
        const QChar letter = QLatin1Char(c);
        // Sizes are read as 64-bit values: a large fixed disk never wraps into the ZIP range.
        const qint64 size = drives.capacity(letter);
        if (size < 0)
            return QLatin1Char(' ');
        const qint64 millions = size / 1000000;
        if (millions > 95 && millions < 105)
            return drives.driveType(letter) == DriveType::Removable ? letter : QLatin1Char(' ');
    }
    return QLatin1Char(' ');
}

} // namespace ksv
