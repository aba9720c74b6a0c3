#include "Clock.h"

#include "PlatformEnvironment.h"

#include <QElapsedTimer>

namespace ksv::Clock {

QDateTime now()
{
    if (const auto& fixed = PlatformEnvironment::current().fixedNow)
        return *fixed;
    return QDateTime::currentDateTime();
}

QDate today()
{
    return now().date();
}

qint64 ticks()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

} // namespace ksv::Clock
