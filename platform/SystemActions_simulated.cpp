#include "SystemActions_simulated.h"

#include "CommandLauncher.h"
#include "PlatformEnvironment.h"
#include "Transcript.h"

#include <QFileInfo>

namespace ksv {

namespace {

QString programLine(const QString& program, const QStringList& arguments)
{
    QStringList parts{QFileInfo(CommandLauncher::nativeProgram(program)).fileName()};
    parts += arguments;
    return parts.join(QLatin1Char(' '));
}

} // namespace

SimulatedSystemActions::SimulatedSystemActions()
    : m_screenSaverActive(PlatformEnvironment::current().screenSaverActive)
{
}

bool SimulatedSystemActions::screenSaverActive()
{
    return m_screenSaverActive;
}

bool SimulatedSystemActions::setScreenSaverActive(bool active)
{
    m_screenSaverActive = active;
    Transcript::recordAction(QStringLiteral("screensaver"), active ? QStringLiteral("on") : QStringLiteral("off"));
    return true;
}

bool SimulatedSystemActions::shutdown()
{
    Transcript::recordAction(QStringLiteral("shutdown"), QStringLiteral("poweroff"));
    return true;
}

void SimulatedSystemActions::playSound(const QString& nativePath)
{
    Transcript::recordAction(QStringLiteral("sound"), QFileInfo(nativePath).fileName());
}

bool SimulatedSystemActions::openDocument(const QString& nativePath)
{
    Transcript::recordAction(QStringLiteral("open"), CommandLauncher::displayPath(nativePath));
    return true;
}

bool SimulatedSystemActions::openFolder(const QString& nativePath)
{
    Transcript::recordAction(QStringLiteral("explore"), CommandLauncher::displayPath(nativePath));
    return true;
}

bool SimulatedSystemActions::openTextFile(const QString& nativePath)
{
    Transcript::recordAction(QStringLiteral("edit"), CommandLauncher::displayPath(nativePath));
    return true;
}

bool SimulatedSystemActions::startProgram(const QString& program, const QStringList& arguments)
{
    Transcript::recordAction(QStringLiteral("start"), programLine(program, arguments));
    return true;
}

int SimulatedSystemActions::runAndWait(const QString& program, const QStringList& arguments)
{
    Transcript::recordAction(QStringLiteral("run"), programLine(program, arguments));
    return CommandLauncher::runToEnd(program, arguments);
}

bool SimulatedSystemActions::ctrlHeld()
{
    return PlatformEnvironment::current().ctrlHeld;
}

} // namespace ksv
