#pragma once

#include <QString>

// The texts of the medium check and of the copy to the destination, in one place.
namespace ksv::MediaTexts {

// Weekday names of the disk prompt, by weekday number 1 = Sunday .. 7 = Saturday. The names
// are the system's own, spelling included; 0 and numbers out of range give "".
inline QString weekdayName(int weekday)
{
    switch (weekday) {
    case 1: return QStringLiteral("Sunday");
    case 2: return QStringLiteral("Monday");
    case 3: return QStringLiteral("Tuesday");
    case 4: return QStringLiteral("Wednesday");
    case 5: return QStringLiteral("Thuesday");
    case 6: return QStringLiteral("Friday");
    case 7: return QStringLiteral("Saturday");
    default: return {};
    }
}

// The disk prompt.
inline QString diskOfWeekday(const QString& dayName)
{
    return QStringLiteral("disk of ") + dayName + QStringLiteral(" or a new medium");
}
inline QString anyMedium() { return QStringLiteral(" a medium "); }
inline QString putMedium(const QString& what, QChar letter)
{
    return QStringLiteral("Put ") + what + QStringLiteral(" in the unit : ") + letter + QStringLiteral(":\\") +
           QStringLiteral("\r\r") + QStringLiteral("Check for a not read only Floppy disk.") + QStringLiteral("\r\r") +
           QStringLiteral("If you cancel (ESC Key),your archive will be copied on hard disk C:\\.");
}
inline QString noFloppyInsertion() { return QStringLiteral("NO floppy disk insertion. Backup copy on C:\\"); }
inline QString driveC() { return QStringLiteral("C:\\"); }

// Volume labels.
inline QString labelMark() { return QStringLiteral("KSV-"); }
inline QString rotationLabel(int writeCount, int weekday)
{
    return labelMark() + QString::number(writeCount) + QLatin1Char('-') + QString::number(weekday);
}
inline QString writingsOnUnit(const QString& count) { return count + QStringLiteral(" writing on this unit."); }

// The copy.
inline QString endCopyOnMedium(const QString& destination) { return QStringLiteral("-End copy on medium : ") + destination; }
inline QString freeSpaceInsufficient() { return QStringLiteral("   Free space on disk :  --> insufficient."); }
inline QString freeSpaceOnDisk(qint64 free) { return QStringLiteral("   Free space on disk : ") + QString::number(free); }
inline QString fourOptions(const QString& sizeText)
{
    return QStringLiteral("The size of your file [ ") + sizeText + QStringLiteral(" ]") +
           QStringLiteral(" exceed freespace of your floppy disk.\r\n\rYOU HAVE FOUR OPTIONS : \r\n"
                          "- Run split file process                 --> [ Yes ]\r\n"
                          "- Backup copy on hard disk C:\\           --> [ Cancel ]\r\n"
                          "- Abandon data saving process....        --> [ Abandon ]\r\n"
                          "- Put an other disk in drive unit        --> [ Retry ]");
}
inline QString splitRejection() { return QStringLiteral("Split rejection or cancel by user."); }
inline QString noMediumInsertion() { return QStringLiteral(" Cancel : no medium insertion"); }
inline QString copyOnMediumWait() { return QStringLiteral("- Copy on medium...Wait "); }
inline QString copyingOnMedium() { return QStringLiteral("Copying on medium "); }
inline QString copyingOnMediumWait() { return QStringLiteral("Copying on medium...Wait"); }
inline QString errorOnStorageUnit() { return QStringLiteral("WARNING... Error on storage unit. Make a new data saving !"); }
inline QString endOfProcess() { return QStringLiteral("- End of process.    You may quit."); }
inline QString endOfCopyProcess() { return QStringLiteral("- End of copy process."); }

// The copy operation's results.
inline QString fileCreationError(const QString& targetName) { return QStringLiteral("File creation error") + targetName; }
inline QString readWriteError() { return QStringLiteral("Read/Write disk error."); }
inline QString invalidArchive(const QString& archiveName)
{
    return QStringLiteral("Invalid or noexistent Archive") + archiveName + QStringLiteral(" ") + QStringLiteral(" ---> ERRORS !");
}
inline QString generalError() { return QStringLiteral("General Error !!"); }

inline QString creationOf(const QString& targetName, qint64 size, bool exists)
{
    return QStringLiteral("   Creation of : ") + targetName + QStringLiteral(" [") + QString::number(size) + QStringLiteral("] ") +
           (exists ? QStringLiteral(" ---> OK ") : QStringLiteral(" ---> ERRORS !"));
}

// Cutting the archive over several disks.
inline QString spanFileError(int result) { return QStringLiteral("Erreur Span File") + QString::number(result); }

} // namespace ksv::MediaTexts
