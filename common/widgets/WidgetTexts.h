#pragma once

#include <QString>

// The texts of the package's small widgets, in one place.
namespace ksv::WidgetTexts {

inline QString adminPasswordCaption() { return QStringLiteral("Administrator"); }
inline QString adminPasswordPrompt() { return QStringLiteral("Administrator password:"); }

inline QString permanentPasswordCaption() { return QStringLiteral("Permanent Zip Password / AutoClose"); }
inline QString permanentPasswordLabel() { return QStringLiteral("Permanent zip password:"); }
inline QString confirmPasswordLabel() { return QStringLiteral("Type it again:"); }
inline QString autoCloseLabel() { return QStringLiteral("Auto close after:"); }
inline QString secondsSuffix() { return QStringLiteral(" s"); }
inline QString passwordsDiffer() { return QStringLiteral("The two passwords differ."); }
inline QString passwordNotStored() { return QStringLiteral("The password could not be stored."); }

} // namespace ksv::WidgetTexts
