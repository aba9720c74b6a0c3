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
    bool ctrlHeld = false;           // KESTRAVE_CTRL=1: the simulated Ctrl key is held
    bool screenSaverActive = true;   // KESTRAVE_SCREENSAVER=0: the simulated screen saver is off at start

    static const PlatformEnvironment& current();
    static void reload();
    // Builds the settings from a lookup function (name -> value, empty when unset); used by
    // current() with the process environment and by tests with a table.
    template <typename Lookup>
    static PlatformEnvironment fromLookup(Lookup&& lookup);
    static std::optional<QDateTime> parseNow(const QString& text);
};

template <typename Lookup>
PlatformEnvironment PlatformEnvironment::fromLookup(Lookup&& lookup)
{
    PlatformEnvironment env;
    env.simulated = lookup(QStringLiteral("KESTRAVE_PLATFORM")).trimmed().compare(QLatin1String("simulated"), Qt::CaseInsensitive) == 0;
    env.drivesFile = lookup(QStringLiteral("KESTRAVE_DRIVES"));
    env.scriptFile = lookup(QStringLiteral("KESTRAVE_SCRIPT"));
    env.transcriptFile = lookup(QStringLiteral("KESTRAVE_TRANSCRIPT"));
    env.unattended = lookup(QStringLiteral("KESTRAVE_UNATTENDED")).trimmed() == QLatin1String("1");
    env.fixedNow = parseNow(lookup(QStringLiteral("KESTRAVE_NOW")));
    env.homeOverride = lookup(QStringLiteral("KESTRAVE_HOME"));
    env.ctrlHeld = lookup(QStringLiteral("KESTRAVE_CTRL")).trimmed() == QLatin1String("1");
    env.screenSaverActive = lookup(QStringLiteral("KESTRAVE_SCREENSAVER")).trimmed() != QLatin1String("0");
    return env;
}

} // namespace ksv
