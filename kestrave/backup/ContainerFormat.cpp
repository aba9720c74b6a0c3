#include "ContainerFormat.h"

#include "TextEncoding.h"

#include <limits>

namespace ksv::ContainerFormat {

QString extensionDigits(int volumeNumber)
{
    const QString padded = QStringLiteral("00") + QString::number(volumeNumber);
    return padded.right(3);
}

QString changeExtension(const QString& name, const QString& ext)
{
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        const QChar c = name.at(i);
        if (c == u'.')
            return name.left(i) + ext;
        if (c == u'\\' || c == u'/' || c == u':')
            break;
    }
    return name + ext;
}

QString volumeName(const QString& firstVolume, int volumeNumber)
{
    if (volumeNumber == 1)
        return firstVolume;
    return changeExtension(firstVolume, QLatin1Char('.') + extensionDigits(volumeNumber));
}

qint32 readInt32(const char* bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    const quint32 v = quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) | (quint32(b[3]) << 24);
    return static_cast<qint32>(v);
}

void storeInt32(char* out, qint32 value)
{
    const auto v = static_cast<quint32>(value);
    out[0] = char(v & 0xff);
    out[1] = char((v >> 8) & 0xff);
    out[2] = char((v >> 16) & 0xff);
    out[3] = char((v >> 24) & 0xff);
}

void appendInt32(QByteArray& out, qint32 value)
{
    char bytes[4];
    storeInt32(bytes, value);
    out.append(bytes, 4);
}

qint32 clampToInt32(qint64 value)
{
    if (value > std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max();
    if (value < 0)
        return 0;
    return static_cast<qint32>(value);
}

QString decodeName(const QByteArray& bytes)
{
    if (TextEncoding::isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return TextEncoding::decodeWindows1252(bytes);
}

} // namespace ksv::ContainerFormat
