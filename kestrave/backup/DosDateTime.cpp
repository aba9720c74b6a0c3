#include "DosDateTime.h"

#include <QFile>
#include <QFileInfo>

namespace ksv::DosDateTime {

qint32 pack(const QDateTime& localTime)
{
    const QDateTime local = localTime.toLocalTime();
    QDate date = local.date();
    QTime time = local.time();
    if (!date.isValid() || date.year() < 1980) {
        date = QDate(1980, 1, 1);
        time = QTime(0, 0, 0);
    } else if (date.year() > 2107) {
        date = QDate(2107, 12, 31);
        time = QTime(23, 59, 58);
    }
    const quint32 dosDate = quint32((date.year() - 1980) << 9) | quint32(date.month() << 5) | quint32(date.day());
    const quint32 dosTime = quint32(time.hour() << 11) | quint32(time.minute() << 5) | quint32(time.second() / 2);
    return static_cast<qint32>((dosDate << 16) | dosTime);
}

std::optional<QDateTime> unpack(qint32 packed)
{
    const auto v = static_cast<quint32>(packed);
    const int dosDate = int(v >> 16);
    const int dosTime = int(v & 0xffff);
    const QDate date(1980 + (dosDate >> 9), (dosDate >> 5) & 0x0f, dosDate & 0x1f);
    const QTime time((dosTime >> 11) & 0x1f, (dosTime >> 5) & 0x3f, (dosTime & 0x1f) * 2);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::LocalTime);
}

qint32 ofFile(const QString& nativePath)
{
    const QFileInfo info(nativePath);
    if (!info.exists())
        return 0;
    return pack(info.lastModified());
}

bool setFileDate(QFile& file, qint32 packed)
{
    const auto when = unpack(packed);
    if (!when)
        return false;
    return file.setFileTime(*when, QFileDevice::FileModificationTime);
}

} // namespace ksv::DosDateTime
