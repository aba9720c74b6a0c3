#include "TextEncoding.h"

#include <QStringDecoder>

namespace ksv::TextEncoding {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five undefined positions map to the
// C1 control of the same number, as the platform's own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

} // namespace

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

QString decodeWindows1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F)
            out.append(QChar(kCp1252High[b - 0x80]));
        else
            out.append(QChar(static_cast<char16_t>(b)));
    }
    return out;
}

QString decodeSettingsText(const QByteArray& bytes, bool* hadBom)
{
    const bool bom = bytes.startsWith(kUtf8Bom);
    const QByteArray body = bom ? bytes.mid(kUtf8Bom.size()) : bytes;
    if (isValidUtf8(body)) {
        if (hadBom)
            *hadBom = bom;
        return QString::fromUtf8(body);
    }
    if (hadBom)
        *hadBom = false;
    return decodeWindows1252(bytes);
}

} // namespace ksv::TextEncoding
