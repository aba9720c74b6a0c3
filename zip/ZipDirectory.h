#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

class QFile;

namespace ksv {

// The end records and the central directory of a ZIP file, read on their own (without libzip),
// for the conversions that move every offset and for the checks of test and extract. Every
// read is bounded by the buffer it reads from: a damaged or crafted directory gives an error,
// never a read or a write outside it.
class ZipDirectory
{
public:
    // One record of the central directory, ZIP64 values applied.
    struct Record
    {
        qint64 position = 0; // of the record in the directory buffer
        quint16 flags = 0;
        quint16 method = 0;
        quint32 dosTime = 0;
        quint32 crc = 0;
        quint64 compressedSize = 0;
        quint64 size = 0;
        quint64 localOffset = 0;    // as stored (before the layout's delta)
        qint64 localOffsetField = 0; // position in the buffer of the field that holds it
        int localOffsetWidth = 4;    // 4, or 8 in a ZIP64 extra field
        QByteArray name;
        qint64 extraLength = 0;
        qint64 commentLength = 0;
        // Bytes of the extra data that belong to no whole field (padding, or a last field that
        // claims more than there is).
        qint64 extraPadding = 0;
        bool paddingIsZero = true;
    };

    // Walks the records of a directory buffer. next() stops at the end of the buffer or at the
    // first damaged record (error() is then set).
    class Walker
    {
    public:
        explicit Walker(const QByteArray& directory) : m_directory(directory) {}
        bool next(Record& record);
        const QString& error() const { return m_error; }

    private:
        bool fail(const QString& why);

        const QByteArray& m_directory;
        qint64 m_pos = 0;
        QString m_error;
    };

    // Where the parts of a ZIP file are.
    struct Layout
    {
        qint64 fileSize = 0;
        qint64 eocd = 0;      // position of the end record
        qint64 locator = -1;  // position of the ZIP64 locator, -1 without
        qint64 eocd64 = -1;   // actual position of the ZIP64 end record
        qint64 cdActual = 0;  // where the central directory really is
        qint64 cdSize = 0;
        qint64 cdStored = 0;  // the offset the end records give for it
        qint64 delta = 0;     // actual position - stored offset (data put in front of the archive)
        qint64 zipStart = 0;  // actual position of the first local header (or of the directory)
        qint64 entryCount = 0; // as the end records give it
        QByteArray directory; // the central directory bytes
    };

    // Reads the end records and the directory of an open file and walks the directory once.
    // The message of a failure is the reason alone (the caller names the archive).
    static Result<Layout> read(QFile& file);

    // Reads the local header of a record and compares it with the record: signature, name,
    // method, CRC and sizes (the last two only where no data descriptor follows the data).
    // Returns an empty string when they agree, else what differs.
    static QString localHeaderMismatch(QFile& file, const Layout& layout, const Record& record);
};

} // namespace ksv
