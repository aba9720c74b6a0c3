#pragma once

#include <QChar>
#include <QString>

#include <optional>

namespace ksv::ZipPaths {

// A path given to the engine in DOS form ("C:\Data\a.zip") or as a native path, as a native
// path (relative paths stay relative). Empty when a DOS path names an unknown drive.
QString toNative(const QString& anyPath);
// How a native path is shown in messages and events: its DOS form when a drive holds it.
QString toDisplay(const QString& nativePath);
// The drive letter holding a native path, when one does.
std::optional<QChar> driveOf(const QString& nativePath);
// The stored-name form of a folder given in a specification: no drive, no leading separator,
// "/" separators, no "." or ".." components, no trailing "/".
QString storedFolder(const QString& folderPart);
// True when an entry name is absolute or climbs out with ".." (after "\" is read as "/").
bool isUnsafeEntryName(const QString& name);
// Entry name with "\" turned to "/".
QString normalisedEntryName(const QString& name);

} // namespace ksv::ZipPaths
