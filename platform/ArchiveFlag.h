#pragma once

#include <QString>

// The Windows archive attribute has no Linux twin. It is emulated with a user extended attribute
// ("user.kestrave.archived") holding the modification time at which the file was last stored.
// The flag counts as set when that value is missing or differs from the file's current
// modification time; clearing it writes the current time. Where extended attributes are
// unsupported, every file counts as set and clearing does nothing.
namespace ksv::ArchiveFlag {

bool isSet(const QString& nativePath);
// Returns false when the attribute could not be written (unsupported or not permitted).
bool clear(const QString& nativePath);
// Hidden = name beginning with "."; system = never.
bool isHidden(const QString& nativePath);

} // namespace ksv::ArchiveFlag
