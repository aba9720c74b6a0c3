#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace ksv {

// The documented environment variables that select and drive the platform layer.
// Read once per process (tests may call reload() after changing the environment).
struct PlatformEnvironment
{
    bool simulated = false;          // KESTRAVE_PLATFORM=simulated
    QString drivesFile;              // KESTRAVE_DRIVES: INI file describing the simulated drives
    QString scriptFile;              // KESTRAVE_SCRIPT: scripted answers, one per line
    QString transcriptFile;          // KESTRAVE_TRANSCRIPT: questions and actions appended here
    bool unattended = false;         // KESTRAVE_UNATTENDED=1
    std::optional<QDateTime> fixedNow; // KESTRAVE_NOW=YYYY-MM-DDTHH:MM:SS (local time)
    QString homeOverride;            // KESTRAVE_HOME: the program folder

    static const PlatformEnvironment& current();
    static void reload();
};

} // namespace ksv
