#pragma once

#include <QString>

// The split container engine's own texts: error codes and their messages, the disk prompt.
namespace ksv::BackupTexts {

enum ErrorCode : int {
    NoError = 0,
    CannotReadFile = 1,
    OverwritingFailed = 2,
    CannotReadArchive = 3,
    CannotWriteArchive = 4,
    InvalidArchiveType = 5,
    CompressionError = 6,
    CannotCreateFileIdList = 7,
    // Codes of this port beyond the original table.
    VolumeSizeTooSmall = 8,
    UnsafeNameSkipped = 9,
};

// The text of an error code; an unknown code gives an empty text.
QString errorText(int code);

// "Please insert disk %s and click OK to continue." with the disk number filled in.
QString diskPrompt(int diskNumber);
// Added to the disk prompt when the disk in the drive has no room for the new volume beside the
// old one of the same name.
QString previousVolumeReplaced();

} // namespace ksv::BackupTexts
