#pragma once

#include "Drives.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>

namespace ksv {

struct MountEntry
{
    QString mountPoint; // unescaped ("\040" -> " ")
    QString fsType;
    QString source;     // "/dev/sdb1", "server:/share", ...
    bool readOnly = false;
};

// A removable medium found in the mount table, before it gets a letter.
struct MountedMedium
{
    QString root;
    DriveType type = DriveType::Removable;
    QString device;
    qint64 totalBytes = -1;
};

// The mount table of /proc/self/mountinfo and the rules that turn it into drive letters.
namespace MountTable {

// Media up to this size count as floppies for the letter A:.
inline constexpr qint64 kFloppyMaxBytes = 3 * 1024 * 1024;

QList<MountEntry> parse(const QString& mountinfoText);
QList<MountEntry> current(); // /proc/self/mountinfo

// The drive type of a mount: cdrom for optical devices and their file systems, remote for
// network file systems, ramdisk for tmpfs/ramfs, removable when the device says so
// (deviceRemovable), else fixed.
DriveType classify(const MountEntry& entry, bool deviceRemovable);

// Media the user mounted: everything under /media/<user>, /run/media/<user> or /mnt that
// classifies as removable or cdrom (a medium under /media or /run/media is removable even when
// its device does not say so: the desktop mounts only hot-plugged media there).
QList<MountedMedium> removableMedia(const QList<MountEntry>& entries, const QString& userName,
                                    const std::function<bool(const QString& device)>& deviceRemovable,
                                    const std::function<qint64(const QString& root)>& totalBytes);

// Letters for media in mount order: the first medium of floppy size takes A:, the others take
// B:, then E: onwards. Letters in taken are skipped; media beyond Z: get none.
QList<DriveInfo> assignLetters(const QList<MountedMedium>& media, const QSet<QChar>& taken);

// The mount that holds a native path (longest mount point); nullptr when none.
const MountEntry* mountOf(const QList<MountEntry>& entries, const QString& nativePath);

// sysfs: the block device (or its parent disk, for a partition) is marked removable.
bool sysfsRemovable(const QString& device);

} // namespace MountTable

} // namespace ksv
