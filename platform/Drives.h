#pragma once

#include <QChar>
#include <QList>
#include <QString>

#include <optional>

namespace ksv {

// Windows drive types, with the ordinal values GetDriveType gave them.
enum class DriveType { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };

struct DriveInfo
{
    QChar letter;          // upper case 'A'..'Z'
    QString root;          // native folder, no trailing "/" except for "/"
    DriveType type = DriveType::Fixed;
    QString device;        // block device or udisks2 object, when known (real platform)
};

// The drive table: letter -> native root and drive type, plus the volume services of each drive.
// The real backend maps the user's home, "/" and mounted removable media (and kestrave.ini's
// [drives] section); the simulated backend reads the INI file named by KESTRAVE_DRIVES and
// writes "label" and "present" back to it.
class DriveServices
{
public:
    virtual ~DriveServices();

    virtual QList<DriveInfo> drives() const = 0;
    std::optional<DriveInfo> drive(QChar letter) const;
    DriveType driveType(QChar letter) const; // NoRootDir for an unknown letter

    // A medium is present and readable.
    virtual bool mediumPresent(QChar letter) const = 0;
    // Free bytes, -1 when there is no medium or the drive is unknown.
    virtual qint64 freeSpace(QChar letter) const = 0;
    virtual qint64 capacity(QChar letter) const = 0;
    // The medium refuses writes (read-only medium or mount).
    virtual bool readOnly(QChar letter) const = 0;
    virtual QString volumeLabel(QChar letter) const = 0;      // "" without medium
    virtual bool setVolumeLabel(QChar letter, const QString& label) = 0;
    virtual bool eject(QChar letter) = 0;
    // 0 on success, else an error number.
    virtual int format(QChar letter) = 0;
};

DriveServices& driveServices();
void installDriveServices(DriveServices* services); // takes ownership (tests)

// Conversion between the system's DOS form ("C:\Data\a.txt") and native paths.
namespace DosPath {

// Native path for a DOS path. Resolution is case-insensitive component by component: each
// component matches an existing entry exactly, else without regard to case, else keeps the
// case given. Both separators are accepted. A path without a drive letter is returned with
// its separators turned to "/" (relative paths stay relative). Empty for an unknown drive.
QString toNative(const QString& dosPath);
// DOS form of a native path by the longest matching drive root; nullopt outside every root.
std::optional<QString> fromNative(const QString& nativePath);
// Accepts either form: a DOS path is returned normalised ("/" -> "\"), a native absolute path
// is converted. nullopt with the native path outside every root.
std::optional<QString> normalise(const QString& anyPath);
// The message for a native path outside every drive root.
QString outsideDrivesMessage(const QString& nativePath);
bool isDosAbsolute(const QString& path); // "X:\..." or "X:/..."

} // namespace DosPath

} // namespace ksv
