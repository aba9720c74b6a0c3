#pragma once

#include "Drives.h"

#include <QString>

namespace ksv {

// Drives described by an INI file (KESTRAVE_DRIVES), one section per letter ("[A]" or "[A:]"):
//   root=<native folder>      relative roots are taken from the INI file's folder
//   type=removable|fixed|remote|cdrom|ramdisk   (default fixed)
//   label=<volume label>
//   capacity=<bytes>          free space = capacity - size of the files under root;
//                             absent: the real free space of the folder's file system
//   readonly=1                the medium refuses writes
//   present=0                 no medium: free space -1, empty label, nothing readable
//   formatresult=<n>          what format() returns instead of emptying the root
// The file is read at every call; setVolumeLabel writes "label", eject writes "present=0",
// format empties the root. Each of them is recorded as an "act|" line of the transcript.
class SimulatedDriveServices : public DriveServices
{
public:
    explicit SimulatedDriveServices(QString drivesFile);

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
    // The section of a letter as written in the file ("A" or "A:"); empty when unknown.
    QString sectionOf(QChar letter) const;
    QString value(QChar letter, const QString& key) const;
    // The drive whose root holds the native path (the longest root); null outside every drive.
    QChar letterHolding(const QString& nativePath) const;

    QString m_drivesFile;
};

} // namespace ksv
