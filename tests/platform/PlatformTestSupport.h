#pragma once

#include "Drives.h"
#include "PlatformEnvironment.h"
#include "ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

// Small helpers shared by the platform tests: files, environment switches, transcript reading.
namespace ksv::test {

inline bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets (or, with an empty value, removes) a variable and rereads the platform environment.
inline void setEnv(const char* name, const QString& value)
{
    if (value.isEmpty())
        qunsetenv(name);
    else
        qputenv(name, value.toUtf8());
    PlatformEnvironment::reload();
}

inline QStringList transcriptLines(const QString& path)
{
    QStringList lines = QString::fromUtf8(readFile(path)).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace ksv::test
