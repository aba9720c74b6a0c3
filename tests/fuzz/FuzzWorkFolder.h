#pragma once

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <string>

// The private temporary folder a fuzz target writes in, made once per process under $TMPDIR
// (else /tmp) with the given prefix. The process is put on the simulated platform without
// drives, so that no stored name can ever reach a real drive.
inline QString fuzzWorkFolder(const char* prefix)
{
    qputenv("KESTRAVE_PLATFORM", "simulated");
    qunsetenv("KESTRAVE_DRIVES");
    std::string base = (qEnvironmentVariableIsSet("TMPDIR") ? qgetenv("TMPDIR").toStdString() : std::string("/tmp"))
                       + "/" + prefix + "-XXXXXX";
    const char* made = mkdtemp(base.data());
    if (!made)
        std::abort();
    return QString::fromLocal8Bit(made);
}
