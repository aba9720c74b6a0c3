#pragma once

#include <QString>

#include <zip.h>

namespace ksv {

// Opens an archive for reading with libzip. An archive that libzip alone refuses only because
// an entry's extra data ends in padding (bytes after the last whole field, as aligning writers
// leave them, or a last field that claims more bytes than there are) is read through a view of
// the file in which that padding counts as part of the entry's comment: the bytes stay where
// they are, only two length fields of the directory record are seen differently.
class ZipReadSource
{
public:
    // Like zip_open(path, ZIP_RDONLY, errorCode).
    static zip_t* open(const QString& nativePath, int* errorCode);
};

} // namespace ksv
