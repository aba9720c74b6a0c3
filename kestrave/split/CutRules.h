#pragma once

#include <QString>

#include <optional>

// The size rules of the cutting window, without widgets.
namespace ksv::CutRules {

// The size items of the window's size choice.
enum SizeItem : int { FloppyItem = 0, FreeSizeItem = 1 };

// The estimate counts 1,400,000 bytes for a floppy; the cut itself fills 1,440,000.
inline constexpr qint32 FloppyEstimateLimit = 1400000;
inline constexpr qint32 FloppyCutLimit = 1440000;
// The first floppy keeps room for the restore program when it is copied there.
inline constexpr qint32 FloppyWithSetupLimit = 1300000;
// The limit of the first floppy when the restore program of setupSize bytes (-1: none) goes
// onto it too: 1,300,000, or less when the program needs more than the 140,000 bytes that
// leaves, so that piece and program still fit on the disk together.
qint32 firstFloppyLimit(qint64 setupSize);
// One block of the container; the estimate counts it as the room a piece may leave unused.
inline constexpr qint32 EstimateBlock = 16384;

// The number of the size field, read ignoring leading and trailing blanks; nullopt when the
// field is empty or holds no number.
std::optional<qint32> freeSizeKilobytes(const QString& text);
// The field's size in bytes (kilobytes x 1,024); nullopt as above.
std::optional<qint32> freeSizeBytes(const QString& text);

// Pieces a file of fileSize bytes is cut into: fileSize / (limit - 16,384) + 1. nullopt when
// the limit is 0 (one piece of any size) or too small to hold a block.
std::optional<qint64> estimatePieces(qint64 fileSize, qint64 limit);
// The information line: "[ name ] will be distributed on n file(s)", "XX" when unknown.
QString estimateText(const QString& fileName, qint64 fileSize, qint64 limit);

// The name of the first piece: the destination folder (with its trailing separator) and the
// source's file name with its extension replaced by ".001".
QString firstPieceName(const QString& destinationFolder, const QString& sourcePath);

// The file-name part of a DOS or native path.
QString fileNameOf(const QString& path);
// The folder part of a DOS or native path, with its trailing separator ("" without one).
QString folderOf(const QString& path);

} // namespace ksv::CutRules
