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

// Total size of the regular files under a folder (symbolic links not followed).
qint64 folderContentSize(const QString& nativeFolder);

} // namespace ksv
