#pragma once

#include "ZipEntry.h"

#include <QList>
#include <QtGlobal>

namespace ksv {

// The figures of an archive just built: the sums of its entries' sizes and the reduction.
struct ArchiveStatistics
{
    // Sums kept in 32 bits, as the statistics have always been (they wrap beyond 4 GiB).
    quint32 compressed = 0;
    quint32 uncompressed = 0;

    static ArchiveStatistics of(const QList<ZipEntry>& contents);

    // (1 - compressed / uncompressed) x 100, rounded to the nearest integer with halves going
    // to the even neighbour; 0 when either sum is 0. Negative when the archive grew.
    int reduction() const { return reductionPercent(compressed, uncompressed); }
    static int reductionPercent(quint32 compressed, quint32 uncompressed);
};

} // namespace ksv
