#pragma once

#include <QString>

// The texts the platform layer itself shows or records, in one place.
namespace ksv::PlatformTexts {

inline QString outsideDrives(const QString& nativePath)
{
    return QStringLiteral("\"%1\" is not on any drive known to Kestrave.\r"
                          "Give the folder a drive letter in the [drives] section of kestrave.ini.")
        .arg(nativePath);
}

inline QString outsideSimulatedDrives(const QString& nativePath)
{
    return QStringLiteral("\"%1\" is not on any simulated drive.").arg(nativePath);
}

inline QString formatQuestion(QChar letter, const QString& label, const QString& device)
{
    return QStringLiteral("Format the disk in drive %1: (%2%3)?\rEverything on it will be erased.")
        .arg(letter)
        .arg(label.isEmpty() ? QStringLiteral("no label") : label,
             device.isEmpty() ? QString() : QStringLiteral(", ") + device);
}

inline QString formatCaption()
{
    return QStringLiteral("Format disk");
}

inline QString scriptMismatch(int line, const QString& text, const QString& question)
{
    return QStringLiteral("line %1 \"%2\" does not fit the %3 question; safe answer given").arg(line).arg(text, question);
}

} // namespace ksv::PlatformTexts
