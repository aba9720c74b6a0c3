#pragma once

#include <QString>

#include <optional>

namespace ksv {

// Sizes of the file system that holds a native folder (statvfs).
struct VolumeStats
{
    qint64 available = 0; // bytes the user may still write
    qint64 total = 0;
    bool readOnlyMount = false;

    static std::optional<VolumeStats> of(const QString& nativeFolder);
};

// The folder a file written at nativePath lands in: nativePath itself when it is a folder, else
// its nearest existing ancestor (a file's folder, or the part of a folder tree not made yet).
// Empty for a relative or empty path.
QString nearestExistingFolder(const QString& nativePath);

// The folder refuses new files: read-only mount, or the user may not create entries in it.
bool folderRefusesWrites(const QString& nativeFolder);

// Total size of the regular files under a folder (symbolic links not followed).
qint64 folderContentSize(const QString& nativeFolder);

} // namespace ksv
