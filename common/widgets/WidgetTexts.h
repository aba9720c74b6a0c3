#pragma once

#include <QString>

// The texts of the package's small widgets, in one place.
namespace ksv::WidgetTexts {

inline QString adminPasswordCaption() { return QStringLiteral("Administrator"); }
inline QString adminPasswordPrompt() { return QStringLiteral("Administrator password:"); }

} // namespace ksv::WidgetTexts
