#include "PackageTime.h"

#include "Clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace ksv {

QString Jour(bool DayFirst, bool On)
{
    if (!On)
        return {};
    const QDate today = Clock::today();
    const QString day = QStringLiteral("%1").arg(today.day(), 2, 10, QLatin1Char('0'));
    const QString month = QStringLiteral("%1").arg(today.month(), 2, 10, QLatin1Char('0'));
    return DayFirst ? day + month : month + day;
}

QString ShowLTime(qint64 T0, qint64 T1)
{
    const qint64 ms = T1 > T0 ? T1 - T0 : 0;
    if (ms < 60000)
        return QStringLiteral("%1 s").arg(static_cast<double>(ms) / 1000.0, 0, 'f', 1);
    const qint64 totalSeconds = ms / 1000;
    const qint64 seconds = totalSeconds % 60;
    const qint64 minutes = (totalSeconds / 60) % 60;
    const qint64 hours = totalSeconds / 3600;
    const auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (hours == 0)
        return QStringLiteral("%1 min %2 s").arg(minutes).arg(two(seconds));
    return QStringLiteral("%1 h %2 min %3 s").arg(hours).arg(two(minutes), two(seconds));
}

void delay(int Ms)
{
    QDeadlineTimer deadline(Ms < 0 ? 0 : Ms);
    if (!QCoreApplication::instance()) {
        QThread::msleep(static_cast<unsigned long>(Ms < 0 ? 0 : Ms));
        return;
    }
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const qint64 left = deadline.remainingTime();
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(qMin<qint64>(left, 5)));
    }
}

} // namespace ksv
