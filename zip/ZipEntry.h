#pragma once

#include <QDateTime>
#include <QString>

namespace ksv {

// One entry of the contents list of an archive.
struct ZipEntry
{
    QString FileName;            // stored name, "/" separators
    qint64 CompressedSize = 0;
    qint64 UncompressedSize = 0;
    QDateTime DateTime;          // local time of the entry
    bool Encrypted = false;
    quint32 CRC32 = 0;
    int CompressionMethod = 0;   // 0 stored, 8 deflated, ...
    quint16 EncryptionMethod = 0;
};

} // namespace ksv
