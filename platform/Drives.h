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

// "removable", "fixed", "remote", "cdrom", "ramdisk" (the names of the simulated drive file);
// "unknown" and "none" for the other two.
QString driveTypeName(DriveType type);
std::optional<DriveType> driveTypeFromName(const QString& name); // case-insensitive

// Results of DriveServices::format other than 0, with the values the Windows shell gave them.
enum FormatResult : int {
    FormatOk = 0,
    FormatError = -1,       // the format failed (write-protected medium, device error, no service)
    FormatCancelled = -2,   // the user declined
    FormatNotPossible = -3, // not a removable drive, or no medium in it
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
    // The medium refuses writes (read-only medium or mount), judged at the drive's root. On the
    // simulated platform the native folder behind a read-only drive is writable, only this (or
    // folderReadOnly) tells. Before writing a file use folderReadOnly or DosPath::writable.
    virtual bool readOnly(QChar letter) const = 0;
    // Where a file is about to be written: free bytes and write refusal measured at the folder
    // that will hold it (nativePath itself when it is a folder, else its nearest existing
    // ancestor), that is that folder's own file system and permissions, not the drive root's.
    // A folder on a separate mount under a drive answers for that mount. -1 / true when nothing
    // can be written there (no such folder, a drive without medium). Use these before writing
    // a file; freeSpace/readOnly above stay for what concerns the drive itself (its label, the
    // free-space caption, the medium check).
    virtual qint64 folderFreeSpace(const QString& nativePath) const = 0;
    virtual bool folderReadOnly(const QString& nativePath) const = 0;
    virtual QString volumeLabel(QChar letter) const = 0;      // "" without medium
    virtual bool setVolumeLabel(QChar letter, const QString& label) = 0;
    virtual bool eject(QChar letter) = 0;
    // 0 on success, else an error number (see FormatResult). Only the medium of a removable
    // drive is ever formatted; any other drive gives FormatNotPossible.
    virtual int format(QChar letter) = 0;
};

DriveServices& driveServices();
void installDriveServices(DriveServices* services); // takes ownership (tests)

// Conversion between the system's DOS form ("C:\Data\a.txt") and native paths.
namespace DosPath {

// Native path for a DOS path. Resolution is case-insensitive component by component: each
// component matches an existing entry exactly, else without regard to case, else keeps the
// case given. Both separators are accepted. A path without a drive letter is returned with
// its separators turned to "/" (relative paths stay relative). "." and ".." are resolved and
// never climb above the drive's root. A trailing separator is kept.
// Empty for an unknown drive and for a drive without medium (nothing on it can be read).
QString toNative(const QString& dosPath);
// DOS form of a native path by the longest matching drive root; nullopt outside every root.
std::optional<QString> fromNative(const QString& nativePath);
// Accepts either form: a DOS path is returned normalised ("/" -> "\"), a native absolute path
// is converted. nullopt with the native path outside every root.
std::optional<QString> normalise(const QString& anyPath);
// The message for a native path outside every drive root.
QString outsideDrivesMessage(const QString& nativePath);
bool isDosAbsolute(const QString& path); // "X:\..." or "X:/..."
// The upper-case drive letter of a DOS path ("c:\x" -> 'C'); a null QChar without one.
QChar driveLetter(const QString& dosPath);
// The path's drive exists and holds a medium, and the folder the path names (or that would hold
// it) accepts new files (DriveServices::folderReadOnly). Engines call it before writing to a
// target, together with DriveServices::folderFreeSpace.
bool writable(const QString& dosPath);

} // namespace DosPath

} // namespace ksv
