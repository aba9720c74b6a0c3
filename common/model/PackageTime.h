#pragma once

#include <QString>

// Time routines of the run-time package.
namespace ksv {

// "" unless On; else today (ksv::Clock) as four digits, DDMM when DayFirst, else MMDD.
QString Jour(bool DayFirst, bool On);
// Readable time between two millisecond tick counts (T1 - T0; negative counts as 0):
// "3.4 s" under a minute, "2 min 05 s" under an hour, "1 h 02 min 03 s" beyond.
QString ShowLTime(qint64 T0, qint64 T1);
// Waits Ms milliseconds, letting the application process pending events meanwhile.
void delay(int Ms);

} // namespace ksv
