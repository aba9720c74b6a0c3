#include "PlatformEnvironment.h"

#include <QProcessEnvironment>

namespace ksv {

namespace {

PlatformEnvironment readProcessEnvironment()
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    return PlatformEnvironment::fromLookup([&env](const QString& name) { return env.value(name); });
}

PlatformEnvironment& storage()
{
    static PlatformEnvironment env = readProcessEnvironment();
    return env;
}

} // namespace

const PlatformEnvironment& PlatformEnvironment::current()
{
    return storage();
}

void PlatformEnvironment::reload()
{
    storage() = readProcessEnvironment();
}

std::optional<QDateTime> PlatformEnvironment::parseNow(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    QDateTime when = QDateTime::fromString(trimmed, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (!when.isValid())
        return std::nullopt;
    when.setTimeSpec(Qt::LocalTime);
    return when;
}

} // namespace ksv
