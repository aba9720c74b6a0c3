#include "BackupTexts.h"

namespace ksv::BackupTexts {

QString errorText(int code)
{
    switch (code) {
    case CannotReadFile: return QStringLiteral("Cannot read file");
    case OverwritingFailed: return QStringLiteral("Overwriting file failed");
    case CannotReadArchive: return QStringLiteral("Cannot read archive");
    case CannotWriteArchive: return QStringLiteral("Cannot write to archive");
    case InvalidArchiveType: return QStringLiteral("Invalid archive type");
    case CompressionError: return QStringLiteral("Compression error");
    case CannotCreateFileIdList: return QStringLiteral("Cannot create temporary file to save the file IDs");
    case VolumeSizeTooSmall:
        return QStringLiteral("The maximum volume size must be 0 (no limit) or larger than 16484 bytes");
    case UnsafeNameSkipped:
        return QStringLiteral("A stored file name leaves the destination folder; that file was not restored");
    default: return {};
    }
}

QString diskPrompt(int diskNumber)
{
    return QStringLiteral("Please insert disk %1 and click OK to continue.").arg(diskNumber);
}

QString previousVolumeReplaced()
{
    return QStringLiteral("This disk has no room for a second copy: the previous backup on it will be replaced.");
}

} // namespace ksv::BackupTexts
