#pragma once

#include "Drives.h"
#include "Udisks2Client.h"

namespace ksv {

// The drive table of a Linux desktop, rebuilt at every call so that media inserted or removed
// during a run are seen:
//   C: the user's home folder, D: "/",
//   media mounted under /media/$USER, /run/media/$USER or /mnt: A: (first medium of floppy
//   size), B:, then E: onwards in mount order,
//   the [drives] section of kestrave.ini in the program folder (letter=native folder) overrides
//   or adds letters; an empty value removes a letter.
// Free space and read-only state come from statvfs and a write-permission test; labels, eject
// and format from udisks2 over D-Bus.
class LinuxDriveServices : public DriveServices
{
public:
    QList<DriveInfo> drives() const override;
    bool mediumPresent(QChar letter) const override;
    qint64 freeSpace(QChar letter) const override;
    qint64 capacity(QChar letter) const override;
    bool readOnly(QChar letter) const override;
    qint64 folderFreeSpace(const QString& nativePath) const override;
    bool folderReadOnly(const QString& nativePath) const override;
    QString volumeLabel(QChar letter) const override;
    bool setVolumeLabel(QChar letter, const QString& label) override;
    bool eject(QChar letter) override;
    int format(QChar letter) override;

private:
    mutable Udisks2Client m_udisks;
};

} // namespace ksv
