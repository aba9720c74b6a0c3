#pragma once

#include "Result.h"

#include <QString>

// File routines of the run-time package. Paths in DOS form (native paths are accepted too).
namespace ksv {

// Size of file F in bytes; -1 when it does not exist or is a folder.
qint64 TailleFichier(const QString& F);
// Size of file F as readable text (see sizeText); "0 bytes" when it does not exist.
QString sTailleFichier(const QString& F);
// Readable size: "512 bytes", "12.3 KB", "4.5 MB", "1.2 GB" (binary units, one decimal).
QString sizeText(qint64 bytes);
// Total bytes of the files of Dir (not of its sub-folders) whose names match Mask
// (wildcards * and ?, case ignored as on the original file system).
qint64 TailleRepertoire(const QString& Dir, const QString& Mask);
// N bytes as kilobytes, rounded up, digits grouped by thousands: "1,234 KB".
QString getkb(qint64 N);

// Deletes the files of Dir (not sub-folders) matching Mask. Fails, naming the first file that
// could not be deleted, after trying all of them.
Status DelAllFile(const QString& Dir, const QString& Mask);
// Copies file Src to Dst, replacing Dst. The copy is written beside Dst under a temporary name
// and renamed at the end, so a failed copy never leaves a truncated Dst. Copies onto a drive
// whose medium is read-only fail.
Status CopyFiles32(const QString& Src, const QString& Dst);

} // namespace ksv
