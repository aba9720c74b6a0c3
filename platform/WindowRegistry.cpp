#include "WindowRegistry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace ksv {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr qsizetype kMaxSocketPath = 100; // sockaddr_un holds 108 bytes
const QByteArray kCloseMessage = QByteArrayLiteral("close\n");

} // namespace

WindowRegistry::WindowRegistry(QObject* parent) : QObject(parent) {}

WindowRegistry::~WindowRegistry() = default;

QString WindowRegistry::socketName(const QString& title)
{
    QString safe;
    for (const QChar c : title.trimmed().toUpper()) {
        const bool plain = (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                           || c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.');
        safe += plain ? c : QLatin1Char('_');
    }
    const QString fileName = QStringLiteral("kestrave-%1-%2").arg(::getuid()).arg(safe);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir())
        return QDir(QDir::tempPath()).filePath(fileName);
    const QString name = QDir(runtime).filePath(fileName);
    if (QFile::encodeName(name).size() < kMaxSocketPath)
        return name;
    // A socket path is limited in length: a deep runtime folder is stood for by its digest.
    const QByteArray digest = QCryptographicHash::hash(runtime.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("kestrave-%1-%2-%3").arg(::getuid()).arg(QString::fromLatin1(digest), safe));
}

bool WindowRegistry::registerTitle(const QString& title)
{
    if (m_server)
        return false;
    // Someone answering holds the title. A socket file nobody answers on is left over from a
    // program that ended abruptly and is replaced. (Listening with access options binds
    // elsewhere and renames over the name, so the check must come first.)
    if (exists(title))
        return false;
    const QString name = socketName(title);
    QLocalServer::removeServer(name);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &WindowRegistry::onNewConnection);
    return true;
}

void WindowRegistry::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto readCommands = [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine().trimmed() == kCloseMessage.trimmed())
                    emit closeRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, readCommands);
        readCommands(); // bytes that arrived with the connection itself
    }
}

bool WindowRegistry::exists(const QString& title)
{
    QLocalSocket socket;
    socket.connectToServer(socketName(title));
    const bool connected = socket.waitForConnected(kConnectTimeoutMs);
    socket.abort();
    return connected;
}

bool WindowRegistry::sendClose(const QString& title)
{
    QLocalSocket socket;
    socket.connectToServer(socketName(title));
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kCloseMessage);
    const bool written = socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kConnectTimeoutMs);
    return written;
}

} // namespace ksv
