#include "ZipDirectory.h"

#include "ZipTexts.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace ksv {

namespace {

constexpr qint64 EndRecordSize = 22;
constexpr qint64 MaxComment = 0xFFFF;
constexpr qint64 LocatorSize = 20;
constexpr qint64 Zip64RecordSize = 56;
constexpr qint64 LocalHeaderSize = 30;
constexpr quint32 Overflow32 = 0xFFFFFFFFu;
constexpr quint16 DataDescriptorFlag = 1u << 3;

quint16 get16(const char* p)
{
    return static_cast<quint16>(static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8));
}
quint32 get32(const char* p)
{
    return static_cast<quint32>(get16(p)) | (static_cast<quint32>(get16(p + 2)) << 16);
}
quint64 get64(const char* p)
{
    return static_cast<quint64>(get32(p)) | (static_cast<quint64>(get32(p + 4)) << 32);
}

bool hasSignature(const QByteArray& bytes, qint64 at, char a, char b)
{
    return at >= 0 && at + 4 <= bytes.size() && bytes[at] == 'P' && bytes[at + 1] == 'K' && bytes[at + 2] == a
        && bytes[at + 3] == b;
}

Status damaged(const QString& why)
{
    return Status::failure(ZipCode::BadArchive, why);
}

// Finds the ZIP64 extra field (id 1) in extra[begin, end) and reads from it, in the order the
// format stores them, the values whose 32-bit fields overflowed. Fields are never read past end.
struct Zip64Values
{
    quint64* values[3] = {nullptr, nullptr, nullptr};
    qint64* positions[3] = {nullptr, nullptr, nullptr};
    int count = 0;
    void need(quint64* value, qint64* position = nullptr)
    {
        values[count] = value;
        positions[count] = position;
        ++count;
    }
};

bool readZip64(const char* d, qint64 begin, qint64 end, Zip64Values& wanted)
{
    qint64 e = begin;
    while (end - e >= 4) {
        const quint16 id = get16(d + e);
        const qint64 dataStart = e + 4;
        const qint64 dataEnd = dataStart + get16(d + e + 2);
        if (dataEnd > end)
            return false; // a field that claims more than the extra data holds
        if (id == 0x0001) {
            qint64 f = dataStart;
            for (int i = 0; i < wanted.count; ++i) {
                if (dataEnd - f < 8)
                    return false;
                *wanted.values[i] = get64(d + f);
                if (wanted.positions[i])
                    *wanted.positions[i] = f;
                f += 8;
            }
            return true;
        }
        e = dataEnd;
    }
    return false;
}

} // namespace

bool ZipDirectory::Walker::fail(const QString& why)
{
    m_error = why;
    return false;
}

bool ZipDirectory::Walker::next(Record& r)
{
    const qint64 size = m_directory.size();
    if (!m_error.isEmpty() || m_pos >= size)
        return false;
    if (size - m_pos < 46)
        return fail(QStringLiteral("short directory entry"));
    if (!hasSignature(m_directory, m_pos, 1, 2))
        return fail(QStringLiteral("bad directory entry"));
    const char* d = m_directory.constData();
    const char* p = d + m_pos;
    const qint64 nameLength = get16(p + 28);
    const qint64 extraLength = get16(p + 30);
    const qint64 commentLength = get16(p + 32);
    const qint64 length = 46 + nameLength + extraLength + commentLength;
    if (length > size - m_pos)
        return fail(QStringLiteral("directory entry longer than the directory"));
    r = Record();
    r.position = m_pos;
    r.flags = get16(p + 8);
    r.method = get16(p + 10);
    r.dosTime = get32(p + 12);
    r.crc = get32(p + 16);
    r.compressedSize = get32(p + 20);
    r.size = get32(p + 24);
    r.localOffset = get32(p + 42);
    r.localOffsetField = m_pos + 42;
    r.localOffsetWidth = 4;
    r.name = QByteArray(p + 46, static_cast<qsizetype>(nameLength));
    r.extraLength = extraLength;
    r.commentLength = commentLength;
    {
        const qint64 extraStart = m_pos + 46 + nameLength;
        const qint64 extraEnd = extraStart + extraLength;
        qint64 e = extraStart;
        while (extraEnd - e >= 4 && e + 4 + get16(d + e + 2) <= extraEnd)
            e += 4 + get16(d + e + 2);
        r.extraPadding = extraEnd - e;
        for (qint64 i = e; i < extraEnd; ++i)
            r.paddingIsZero = r.paddingIsZero && d[i] == 0;
    }
    Zip64Values wanted;
    if (r.size == Overflow32)
        wanted.need(&r.size);
    if (r.compressedSize == Overflow32)
        wanted.need(&r.compressedSize);
    if (r.localOffset == Overflow32)
        wanted.need(&r.localOffset, &r.localOffsetField);
    if (wanted.count > 0) {
        const qint64 extraStart = m_pos + 46 + nameLength;
        if (!readZip64(d, extraStart, extraStart + extraLength, wanted))
            return fail(QStringLiteral("bad ZIP64 extra field"));
        if (r.localOffsetField != m_pos + 42)
            r.localOffsetWidth = 8;
    }
    m_pos += length;
    return true;
}

Result<ZipDirectory::Layout> ZipDirectory::read(QFile& file)
{
    Layout layout;
    layout.fileSize = file.size();
    const qint64 tail = std::min<qint64>(layout.fileSize, EndRecordSize + MaxComment);
    if (tail < EndRecordSize || !file.seek(layout.fileSize - tail))
        return damaged(QStringLiteral("no end record"));
    const QByteArray end = file.read(tail);
    if (end.size() != tail)
        return damaged(QStringLiteral("no end record"));
    // The last end record whose comment reaches the end of the file; else the last one at all.
    qint64 found = -1;
    for (qint64 i = end.size() - EndRecordSize; i >= 0; --i) {
        if (!hasSignature(end, i, 5, 6))
            continue;
        if (i + EndRecordSize + get16(end.constData() + i + 20) == end.size()) {
            found = i;
            break;
        }
        if (found < 0)
            found = i;
    }
    if (found < 0)
        return damaged(QStringLiteral("no end record"));
    layout.eocd = layout.fileSize - tail + found;
    const char* endRecord = end.constData() + found;
    layout.entryCount = get16(endRecord + 10);
    layout.cdSize = get32(endRecord + 12);
    layout.cdStored = get32(endRecord + 16);
    qint64 recordStart = layout.eocd;

    // A ZIP64 locator sits just before the end record, the ZIP64 end record before the locator.
    if (layout.eocd >= LocatorSize && file.seek(layout.eocd - LocatorSize)) {
        const QByteArray locator = file.read(LocatorSize);
        if (locator.size() == LocatorSize && hasSignature(locator, 0, 6, 7)) {
            layout.locator = layout.eocd - LocatorSize;
            // Without extensible data the record is right before the locator; with it, the
            // locator's offset (moved like every other offset) says where it is.
            qint64 record = layout.locator - Zip64RecordSize;
            QByteArray rec;
            if (record >= 0 && file.seek(record))
                rec = file.read(Zip64RecordSize);
            if (!(rec.size() == Zip64RecordSize && hasSignature(rec, 0, 6, 6))) {
                const quint64 stored = get64(locator.constData() + 8);
                if (stored > static_cast<quint64>(layout.locator))
                    return damaged(QStringLiteral("bad ZIP64 end record"));
                record = static_cast<qint64>(stored);
                rec = file.seek(record) ? file.read(Zip64RecordSize) : QByteArray();
                if (record + Zip64RecordSize > layout.locator || rec.size() != Zip64RecordSize
                    || !hasSignature(rec, 0, 6, 6))
                    return damaged(QStringLiteral("bad ZIP64 end record"));
            }
            layout.eocd64 = record;
            const quint64 count = get64(rec.constData() + 32);
            const quint64 size = get64(rec.constData() + 40);
            const quint64 stored = get64(rec.constData() + 48);
            if (size > static_cast<quint64>(record) || stored > static_cast<quint64>(layout.fileSize)
                || count > static_cast<quint64>(layout.fileSize))
                return damaged(QStringLiteral("bad ZIP64 end record"));
            // The end record's own fields, where they are not the ZIP64 markers, must agree.
            if ((get16(endRecord + 10) != 0xFFFF && get16(endRecord + 10) != count)
                || (get32(endRecord + 12) != Overflow32 && get32(endRecord + 12) != size)
                || (get32(endRecord + 16) != Overflow32 && get32(endRecord + 16) != stored))
                return damaged(QStringLiteral("the end records disagree"));
            layout.entryCount = static_cast<qint64>(count);
            layout.cdSize = static_cast<qint64>(size);
            layout.cdStored = static_cast<qint64>(stored);
            recordStart = record;
        }
    }
    layout.cdActual = recordStart - layout.cdSize;
    if (layout.cdActual < 0 || !file.seek(layout.cdActual))
        return damaged(QStringLiteral("bad central directory"));
    layout.delta = layout.cdActual - layout.cdStored;
    layout.directory = file.read(layout.cdSize);
    if (layout.directory.size() != layout.cdSize)
        return damaged(QStringLiteral("short central directory"));

    // The first local header is where the ZIP data begins.
    qint64 first = layout.cdActual;
    Walker walker(layout.directory);
    Record record;
    while (walker.next(record)) {
        const qint64 actual = static_cast<qint64>(std::min<quint64>(record.localOffset, layout.fileSize)) + layout.delta;
        first = std::min(first, actual);
    }
    if (!walker.error().isEmpty())
        return damaged(walker.error());
    layout.zipStart = std::max<qint64>(0, first);
    return layout;
}

QString ZipDirectory::localHeaderMismatch(QFile& file, const Layout& layout, const Record& record)
{
    if (record.localOffset > static_cast<quint64>(layout.fileSize))
        return QStringLiteral("local header outside the file");
    const qint64 at = static_cast<qint64>(record.localOffset) + layout.delta;
    if (at < 0 || at + LocalHeaderSize > layout.fileSize || !file.seek(at))
        return QStringLiteral("local header outside the file");
    const QByteArray header = file.read(LocalHeaderSize);
    if (header.size() != LocalHeaderSize || !hasSignature(header, 0, 3, 4))
        return QStringLiteral("bad local header signature");
    const char* h = header.constData();
    const quint16 flags = get16(h + 6);
    const quint16 method = get16(h + 8);
    quint32 crc = get32(h + 14);
    quint64 compressedSize = get32(h + 18);
    quint64 size = get32(h + 22);
    const qint64 nameLength = get16(h + 26);
    const qint64 extraLength = get16(h + 28);
    const QByteArray rest = file.read(nameLength + extraLength);
    if (rest.size() != nameLength + extraLength)
        return QStringLiteral("local header outside the file");
    // A local header without a name is read with the directory's name, as other readers do.
    if (nameLength != 0 && rest.left(nameLength) != record.name)
        return QStringLiteral("local and central names differ");
    if (method != record.method)
        return QStringLiteral("local and central compression methods differ");
    // With a data descriptor the local header may hold zeros for the CRC and the sizes.
    if ((flags & DataDescriptorFlag) == 0) {
        if (size == Overflow32 || compressedSize == Overflow32) {
            // A local ZIP64 field holds both sizes when either overflows.
            Zip64Values wanted;
            wanted.need(&size);
            wanted.need(&compressedSize);
            if (!readZip64(rest.constData(), nameLength, nameLength + extraLength, wanted))
                return QStringLiteral("bad local ZIP64 extra field");
        }
        if (crc != record.crc)
            return QStringLiteral("local and central CRC differ");
        if (size != record.size || compressedSize != record.compressedSize)
            return QStringLiteral("local and central sizes differ");
    }
    return {};
}

} // namespace ksv
