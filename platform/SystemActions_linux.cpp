#include "SystemActions_linux.h"

#include "CommandLauncher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace ksv {

namespace {

const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

bool screenSaverServiceAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    return bus.interface()->isServiceRegistered(kScreenSaverService).value();
}

std::optional<QDBusMessage> callScreenSaver(const QString& method, const QVariantList& arguments)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage message = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService, method);
    message.setArguments(arguments);
    const QDBusMessage reply = bus.call(message, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return reply;
}

bool startDetached(const QString& program, const QStringList& arguments)
{
    const QString executable = QStandardPaths::findExecutable(program);
    if (executable.isEmpty())
        return false;
    return QProcess::startDetached(executable, arguments);
}

// The desktop file of the default text editor ("org.gnome.gedit.desktop"); empty when unknown.
QString defaultTextEditor()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        return {};
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

LinuxSystemActions::~LinuxSystemActions()
{
    // An inhibition ends with the bus connection anyway; lift it explicitly all the same.
    if (m_inhibited)
        callScreenSaver(QStringLiteral("UnInhibit"), {m_inhibitCookie});
}

bool LinuxSystemActions::screenSaverActive()
{
    return !m_inhibited && screenSaverServiceAvailable();
}

bool LinuxSystemActions::setScreenSaverActive(bool active)
{
    if (active) {
        if (!m_inhibited)
            return true;
        if (!callScreenSaver(QStringLiteral("UnInhibit"), {m_inhibitCookie}))
            return false;
        m_inhibited = false;
        return true;
    }
    if (m_inhibited)
        return true;
    const auto reply = callScreenSaver(QStringLiteral("Inhibit"), {QStringLiteral("Kestrave"), QStringLiteral("Backup running")});
    if (!reply || reply->arguments().isEmpty())
        return false;
    m_inhibitCookie = reply->arguments().constFirst().toUInt();
    m_inhibited = true;
    return true;
}

bool LinuxSystemActions::shutdown()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                          QStringLiteral("/org/freedesktop/login1"),
                                                          QStringLiteral("org.freedesktop.login1.Manager"),
                                                          QStringLiteral("PowerOff"));
    message.setArguments({true}); // interactive: polkit may ask the user
    return bus.call(message, QDBus::Block, 30000).type() == QDBusMessage::ReplyMessage;
}

void LinuxSystemActions::playSound(const QString& nativePath)
{
    if (!QFileInfo(nativePath).isFile())
        return;
    for (const QString& player : {QStringLiteral("paplay"), QStringLiteral("aplay")}) {
        const QString executable = QStandardPaths::findExecutable(player);
        if (executable.isEmpty())
            continue;
        QStringList arguments{nativePath};
        if (player == QLatin1String("aplay"))
            arguments.prepend(QStringLiteral("-q"));
        QProcess::startDetached(executable, arguments);
        return;
    }
}

bool LinuxSystemActions::openDocument(const QString& nativePath)
{
    return startDetached(QStringLiteral("xdg-open"), {nativePath});
}

bool LinuxSystemActions::openFolder(const QString& nativePath)
{
    return QFileInfo(nativePath).isDir() && startDetached(QStringLiteral("xdg-open"), {nativePath});
}

bool LinuxSystemActions::openTextFile(const QString& nativePath)
{
    // A query file (".ksv") has no text association of its own: ask for the text editor.
    const QString editor = defaultTextEditor();
    if (!editor.isEmpty() && startDetached(QStringLiteral("gtk-launch"), {editor, nativePath}))
        return true;
    return openDocument(nativePath);
}

bool LinuxSystemActions::startProgram(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(CommandLauncher::nativeProgram(program), arguments);
}

int LinuxSystemActions::runAndWait(const QString& program, const QStringList& arguments)
{
    return CommandLauncher::runToEnd(program, arguments);
}

bool LinuxSystemActions::ctrlHeld()
{
    return ctrlHeldByProbe();
}

} // namespace ksv
