#pragma once

#include <QChar>
#include <QString>

#include <stdexcept>

namespace ksv {

// Every failure of the eject service is raised as an EDiskEject carrying one of its texts.
class EDiskEject : public std::runtime_error
{
public:
    explicit EDiskEject(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// A disk can be read in the drive (its free-space query succeeds).
bool DiskInDrive(QChar drive);
// Asks the system to eject the medium of the drive.
bool EjectMedia(QChar drive);

// Ejects the medium of one drive.
class TDiskEject
{
public:
    static const char* const CouldNotEject;   // "Could not eject disk!"
    static const char* const NoDiskInDrive;   // "No disk in drive!"
    static const char* const NotSupported;    // "Operating System not supported!"

    QChar Drive = QChar(0);

    // Raises EDiskEject "Could not eject disk!" when the system refuses.
    void Eject();
    // True when no disk can be read in Drive.
    bool Ejected() const;
    // true: eject when a disk is in the drive, else raise "No disk in drive!"; false: nothing.
    void setEjected(bool value);
};

} // namespace ksv
