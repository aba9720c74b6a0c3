#include "WriteFailures.h"

#include <QMutex>
#include <QSet>

#include <cstdio>
#include <cstring>

namespace ksv::WriteFailures {

namespace {

struct State
{
    QMutex mutex;
    QSet<QString> reported;
    Reporter reporter;
};

State& state()
{
    static State instance;
    return instance;
}

} // namespace

QString message(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot save %1: %2").arg(path, reason);
}

void report(const QString& path, const QString& reason)
{
    Reporter reporter;
    {
        QMutexLocker lock(&state().mutex);
        if (state().reported.contains(path))
            return;
        state().reported.insert(path);
        reporter = state().reporter;
    }
    std::fprintf(stderr, "%s\n", message(path, reason).toLocal8Bit().constData());
    std::fflush(stderr);
    if (reporter)
        reporter(path, reason);
}

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void setReporter(Reporter reporter)
{
    QMutexLocker lock(&state().mutex);
    state().reporter = std::move(reporter);
}

void resetForTesting()
{
    QMutexLocker lock(&state().mutex);
    state().reported.clear();
}

} // namespace ksv::WriteFailures
