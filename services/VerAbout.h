#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ksv {

// The standard strings of a program's version information, in their documented order. The
// reader looks each one up by its own name.
enum class TInfo {
    CompanyName,
    FileDescription,
    FileVersion,
    InternalName,
    LegalCopyright,
    OriginalFilename,
    ProductName,
    ProductVersion
};

// "CompanyName", "FileDescription", ...
QString infoName(TInfo key);

// Value receives the string Key of the running program's own version information when it is
// there and not empty; otherwise Value is left as it was. The information is the block that
// ksv_embed_version (cmake/KsvOptions.cmake) places in the executable. Strings are keyed by the
// block's first translation entry: a block without translation table yields no value.
void GetVersionString(TInfo key, QString& value);
// The same, from the executable file at path.
void GetFileVersionString(const QString& path, TInfo key, QString& value);

namespace VersionInfo {

// Where the block lies in an executable file.
struct Location
{
    qint64 offset = 0;
    qint64 size = 0;
};

// The ELF section ".ksv_version" of the file; nothing when the file is not an ELF file of this
// machine's byte order, is damaged, or has no such section.
std::optional<Location> locate(const QString& path);
// The whole version block of the file (checked magic and length); nothing when absent or damaged.
std::optional<QByteArray> read(const QString& path);
// The value stored under subBlock ("\VarFileInfo\Translation",
// "\StringFileInfo\040904B0\FileVersion"); the path is compared without regard to case.
std::optional<QByteArray> query(const QByteArray& block, const QString& subBlock);

} // namespace VersionInfo

} // namespace ksv
