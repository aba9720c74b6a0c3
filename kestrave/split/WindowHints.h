#pragma once

#include <QString>

class QWidget;

namespace ksv {

// A hint is a short part, a bar and a long part: the short part becomes the tooltip, the long
// part the status tip. A hint without a bar serves as both. "\r" breaks a line.
void setHint(QWidget* widget, const QString& hint);

} // namespace ksv
