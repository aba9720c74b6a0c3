#pragma once

#include <QtGlobal>

namespace ksv {

// Bytes available to the caller on a drive, or -1 when the query fails (no medium, no such
// drive). Drive numbers: 0 = the current drive, 1 = A, 2 = B, ... (the letter is 64 + number,
// so a lower-case letter's code minus 64 names the same drive).
qint64 DriveFreeSpace(int drive);

} // namespace ksv
