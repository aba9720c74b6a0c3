#pragma once

#include <QString>
#include <QtGlobal>

namespace ksv {

// Bytes available to the caller on a drive, or -1 when the query fails (no medium, no such
// drive). Drive numbers: 0 = the current drive, 1 = A, 2 = B, ... (the letter is 64 + number,
// so a lower-case letter's code minus 64 names the same drive).
qint64 DriveFreeSpace(int drive);

// Bytes available where a file is about to be written (a DOS file or folder path): measured at
// the folder that will hold it, so a folder on another mount of the drive answers for that
// mount. -1 for an unknown drive or one without medium.
qint64 FreeSpaceAt(const QString& dosPath);

} // namespace ksv
