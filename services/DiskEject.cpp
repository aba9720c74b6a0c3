#include "DiskEject.h"

#include "Drives.h"

namespace ksv {

const char* const TDiskEject::CouldNotEject = "Could not eject disk!";
const char* const TDiskEject::NoDiskInDrive = "No disk in drive!";
const char* const TDiskEject::NotSupported = "Operating System not supported!";

EDiskEject::EDiskEject(const QString& message) : std::runtime_error(message.toStdString()) {}

bool DiskInDrive(QChar drive)
{
    return driveServices().freeSpace(drive.toUpper()) >= 0;
}

bool EjectMedia(QChar drive)
{
    return driveServices().eject(drive.toUpper());
}

void TDiskEject::Eject()
{
    if (!EjectMedia(Drive))
        throw EDiskEject(QString::fromLatin1(CouldNotEject));
}

bool TDiskEject::Ejected() const
{
    return !DiskInDrive(Drive);
}

void TDiskEject::setEjected(bool value)
{
    if (!value)
        return;
    if (!DiskInDrive(Drive))
        throw EDiskEject(QString::fromLatin1(NoDiskInDrive));
    Eject();
}

} // namespace ksv
