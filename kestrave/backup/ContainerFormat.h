#pragma once

#include <QByteArray>
#include <QString>

// The split container's byte layout. All integers are 32-bit signed little-endian.
//
//   volume 1:  title length, title, total size, file count, then entries
//   entry:     name length (> 0), name, DOS date, segment
//   segment:   "EC2\0", blocks, 0
//   block:     B > 0: a zlib stream of B bytes inflating to at most 16384 bytes;
//              B < 0: -B bytes (1..16384) stored unchanged
//   after a segment: the next entry, the end marker (name length 0), or the continuation
//   marker (name length 12, "NEXT:DISK" + the three digits of the next volume).
//   volume n >= 2 starts with the segment that continues the file cut off in volume n-1.
namespace ksv::ContainerFormat {

inline constexpr qint64 BlockSize = 16384;
// A volume takes another block only while its write position is below MaxSize minus one
// block and a margin of 100 bytes.
inline constexpr qint64 VolumeMargin = 16484;
inline constexpr int SignatureSize = 4;
inline constexpr char Signature[SignatureSize] = {'E', 'C', '2', '\0'};
inline constexpr char ContinuationPrefix[] = "NEXT:DISK";
inline constexpr int ContinuationNameLength = 12;
inline constexpr char FileIdListName[] = "FILE:LIST";
// Limits a reader accepts; the writer never comes near them.
inline constexpr qint32 MaxNameLength = 32767;
inline constexpr qint32 MaxTitleLength = 1 << 20;
// Volume 1000 is named ".000"; a 1001st volume would reuse the name of volume 1.
inline constexpr int MaxVolumeCount = 1000;

// The last three characters of "00" followed by the number: 2 -> "002", 1000 -> "000".
QString extensionDigits(int volumeNumber);
// The name of volume n: the first volume's name with its extension replaced by "." and the
// digits. Works on DOS and native paths alike.
QString volumeName(const QString& firstVolume, int volumeNumber);
// The name with its extension (from the last "." of the last component) replaced by ext,
// which includes its dot; a name without extension gets ext appended.
QString changeExtension(const QString& name, const QString& ext);

qint32 readInt32(const char* bytes);
void appendInt32(QByteArray& out, qint32 value);
void storeInt32(char* out, qint32 value);
// A 64-bit count clamped into the header's 32-bit field.
qint32 clampToInt32(qint64 value);

// Names are written as UTF-8; a name that is not valid UTF-8 is read as Windows-1252.
QString decodeName(const QByteArray& bytes);

} // namespace ksv::ContainerFormat
