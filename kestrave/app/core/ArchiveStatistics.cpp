#include "ArchiveStatistics.h"

namespace ksv {

ArchiveStatistics ArchiveStatistics::of(const QList<ZipEntry>& contents)
{
    ArchiveStatistics s;
    for (const ZipEntry& entry : contents) {
        s.compressed += static_cast<quint32>(entry.CompressedSize);
        s.uncompressed += static_cast<quint32>(entry.UncompressedSize);
    }
    return s;
}

int ArchiveStatistics::reductionPercent(quint32 compressed, quint32 uncompressed)
{
    if (compressed == 0 || uncompressed == 0)
        return 0;
    // Exact integer arithmetic: 100 x (u - c) / u, rounded half to even.
    const qint64 numerator = 100 * (qint64(uncompressed) - qint64(compressed));
    const qint64 denominator = uncompressed;
    const bool negative = numerator < 0;
    const qint64 n = negative ? -numerator : numerator;
    qint64 quotient = n / denominator;
    const qint64 twiceRemainder = 2 * (n % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && (quotient % 2) == 1))
        ++quotient;
    return static_cast<int>(negative ? -quotient : quotient);
}

} // namespace ksv
