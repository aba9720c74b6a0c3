#pragma once

#include <QDateTime>

#include <optional>

class QFile;

// Packed DOS date and time in local time: date in the high 16 bits (years since 1980, month,
// day), time in the low 16 bits (hours, minutes, seconds / 2).
namespace ksv::DosDateTime {

// Times before 1980 pack as 1980-01-01 00:00:00, times after 2107 as 2107-12-31 23:59:58.
qint32 pack(const QDateTime& localTime);
// nullopt for a value that is no valid date and time.
std::optional<QDateTime> unpack(qint32 packed);
// The last-write time of a file, packed; 0 when it cannot be read.
qint32 ofFile(const QString& nativePath);
// Sets the last-write time of an open file; false for an invalid value or a refused change.
bool setFileDate(QFile& file, qint32 packed);

} // namespace ksv::DosDateTime
