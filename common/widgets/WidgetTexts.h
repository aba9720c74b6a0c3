#pragma once

#include <QString>

// The texts of the package's small widgets, in one place.
namespace ksv::WidgetTexts {

inline QString adminPasswordCaption()
{
    return QStringLiteral("Administrator");
}
inline QString adminPasswordPrompt()
{
    return QStringLiteral("Administrator password:");
}

inline QString permanentPasswordCaption()
{
    return QStringLiteral("Permanent Zip Password / AutoClose");
}
inline QString permanentPasswordLabel()
{
    return QStringLiteral("Permanent zip password:");
}
inline QString confirmPasswordLabel()
{
    return QStringLiteral("Type it again:");
}
inline QString autoCloseLabel()
{
    return QStringLiteral("Auto close after:");
}
inline QString secondsSuffix()
{
    return QStringLiteral(" s");
}
inline QString passwordsDiffer()
{
    return QStringLiteral("The two passwords differ.");
}
inline QString passwordNotStored()
{
    return QStringLiteral("The password could not be stored.");
}

inline QString sfxCaption()
{
    return QStringLiteral("Self-extractor options");
}
inline QString sfxTitle()
{
    return QStringLiteral("Window title:");
}
inline QString sfxFolder()
{
    return QStringLiteral("Default extraction folder:");
}
inline QString sfxOverwrite()
{
    return QStringLiteral("Overwrite existing files without asking");
}
inline QString sfxLockList()
{
    return QStringLiteral("The file list cannot be changed");
}
inline QString sfxAutorun()
{
    return QStringLiteral("Auto-run");
}
inline QString sfxEndMessage()
{
    return QStringLiteral("Report success at the end");
}
inline QString sfxMessage()
{
    return QStringLiteral("Show a message before extracting");
}
inline QString sfxMessageKind()
{
    return QStringLiteral("Message buttons:");
}
inline QString sfxMessageKinds()
{
    return QStringLiteral("1: OK   2: OK and Cancel   3: Yes and No");
}
inline QString sfxMessageText()
{
    return QStringLiteral("Message:");
}
inline QString sfxRunFile()
{
    return QStringLiteral("Run a file after extraction");
}
inline QString sfxCommand()
{
    return QStringLiteral("Command:");
}
inline QString sfxIcon()
{
    return QStringLiteral("Icon file:");
}
inline QString sfxIconIndex()
{
    return QStringLiteral("Icon index:");
}

} // namespace ksv::WidgetTexts
