#pragma once

#include <QChar>
#include <QString>

namespace ksv {

// Formats the medium of a removable drive and returns the platform's result unchanged (0 is
// success). A fixed drive, a network drive or a drive without medium is never formatted: the
// request goes to drive A instead. The owner caption names the window that asks.
quint32 FormatDrive(const QString& ownerCaption, QChar drive);

// The letter of the first ZIP drive (a removable drive of 96 to 104 million bytes) from C on,
// or a blank (" "). The search stops at the first drive whose size cannot be read, and at the
// first drive of ZIP size even when it is not removable.
QChar FindZipDrive();

} // namespace ksv
