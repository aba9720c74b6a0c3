#pragma once

#include <QByteArray>

#include <zlib.h>

// Assembles split-container bytes field by field, independently of the engine, for fixtures
// and for the expected output of backups.
class ContainerBytes
{
public:
    ContainerBytes& i32(qint32 v)
    {
        const auto u = static_cast<quint32>(v);
        for (int shift = 0; shift < 32; shift += 8)
            m_data.append(char((u >> shift) & 0xff));
        return *this;
    }
    ContainerBytes& raw(const QByteArray& bytes)
    {
        m_data.append(bytes);
        return *this;
    }
    ContainerBytes& text(const QByteArray& bytes) { return i32(qint32(bytes.size())).raw(bytes); }
    ContainerBytes& header(const QByteArray& title, qint32 total, qint32 count) { return text(title).i32(total).i32(count); }
    ContainerBytes& entry(const QByteArray& name, qint32 date) { return text(name).i32(date); }
    ContainerBytes& signature() { return raw(QByteArray("EC2\0", 4)); }
    ContainerBytes& storedBlock(const QByteArray& data) { return i32(-qint32(data.size())).raw(data); }
    ContainerBytes& zlibBlock(const QByteArray& stream) { return i32(qint32(stream.size())).raw(stream); }
    ContainerBytes& terminator() { return i32(0); }
    ContainerBytes& endMarker() { return i32(0); }
    ContainerBytes& nextDisk(const QByteArray& digits)
    {
        QByteArray name("NEXT:DISK");
        name.append(digits);
        return text(name);
    }
    // A whole segment of stored blocks.
    ContainerBytes& storedSegment(const QByteArray& data)
    {
        signature();
        for (qsizetype at = 0; at < data.size(); at += 16384)
            storedBlock(data.mid(at, 16384));
        return terminator();
    }
    const QByteArray& bytes() const { return m_data; }

    // The zlib stream deflate writes at level 0 for a small input: header 78 01, one final stored
    // block (BFINAL=1, BTYPE=00, LEN, NLEN), the data, the Adler-32 checksum big-endian.
    static QByteArray zlibStored(const QByteArray& data)
    {
        QByteArray s("\x78\x01", 2);
        const auto len = quint16(data.size());
        s.append(char(1));
        s.append(char(len & 0xff)).append(char(len >> 8));
        s.append(char(~len & 0xff)).append(char((~len >> 8) & 0xff));
        s.append(data);
        const uLong a = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()));
        for (int shift = 24; shift >= 0; shift -= 8)
            s.append(char((a >> shift) & 0xff));
        return s;
    }
    // A zlib stream of data at the given level, made by zlib's one-shot compressor.
    static QByteArray zlibCompressed(const QByteArray& data, int level)
    {
        uLongf size = compressBound(uLong(data.size()));
        QByteArray out(qsizetype(size), '\0');
        compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
                  uLong(data.size()), level);
        out.resize(qsizetype(size));
        return out;
    }

private:
    QByteArray m_data;
};
