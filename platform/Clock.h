#pragma once

#include <QDateTime>

namespace ksv::Clock {

// Local date and time; fixed by KESTRAVE_NOW when it is set.
QDateTime now();
QDate today();
// Milliseconds from a steady clock, for elapsed times (never fixed).
qint64 ticks();

} // namespace ksv::Clock
