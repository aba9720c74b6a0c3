#pragma once

#include "RunnerSettings.h"

#include <QString>
#include <QStringList>

namespace ksv {

// The auto-close counter: seconds since the last user activity.
class AutoCloseCountdown
{
public:
    void reset() { m_counter = 0; }
    // One second passed; returns the seconds left of the delay (0 or less: time to quit).
    int tick(int delaySeconds) { return delaySeconds - ++m_counter; }
    int counter() const { return m_counter; }

private:
    int m_counter = 0;
};

// The run state the main window keeps for the whole process.
struct RunState
{
    QStringList includeList;
    QStringList excludeList;
    int startupShowCommand = 0;
    AutoCloseCountdown autoClose;
    bool pathChosen = true;
    bool userCancel = false;
    bool screenSaverWasActive = false;
    QString destination = QStringLiteral("C:\\"); // the path combo's text with one trailing "\"
    RunnerSettings settings;
};

} // namespace ksv
