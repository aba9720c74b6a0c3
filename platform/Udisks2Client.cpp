#include "Udisks2Client.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFileInfo>

namespace ksv {

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");

// udisks2 names objects after the device with every character other than a letter or digit
// written as "_" and two hex digits.
QString escapeObjectName(const QString& name)
{
    QString out;
    for (const QChar c : name) {
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            out += c;
        else
            out += QStringLiteral("_%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    }
    return out;
}

} // namespace

QString Udisks2Client::blockObjectPath(const QString& device)
{
    if (!device.startsWith(QLatin1String("/dev/")))
        return {};
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QString name = QFileInfo(canonical.isEmpty() ? device : canonical).fileName();
    return QStringLiteral("/org/freedesktop/UDisks2/block_devices/") + escapeObjectName(name);
}

std::optional<QVariant> Udisks2Client::call(const QString& objectPath, const QString& interface, const QString& method,
                                            const QVariantList& arguments, int timeoutMs) const
{
    if (objectPath.isEmpty())
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage message = QDBusMessage::createMethodCall(kService, objectPath, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = bus.call(message, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return reply.arguments().isEmpty() ? QVariant() : reply.arguments().constFirst();
}

std::optional<QVariant> Udisks2Client::property(const QString& objectPath, const QString& interface,
                                                const QString& name) const
{
    const auto reply = call(objectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                            {interface, name});
    if (!reply)
        return std::nullopt;
    return reply->value<QDBusVariant>().variant();
}

std::optional<QString> Udisks2Client::label(const QString& device) const
{
    const auto value = property(blockObjectPath(device), kBlock, QStringLiteral("IdLabel"));
    if (!value)
        return std::nullopt;
    return value->toString();
}

bool Udisks2Client::setLabel(const QString& device, const QString& label)
{
    return call(blockObjectPath(device), kFilesystem, QStringLiteral("SetLabel"),
                {label, QVariant::fromValue(QVariantMap())})
        .has_value();
}

bool Udisks2Client::unmount(const QString& device)
{
    return call(blockObjectPath(device), kFilesystem, QStringLiteral("Unmount"), {QVariant::fromValue(QVariantMap())})
        .has_value();
}

std::optional<QString> Udisks2Client::mount(const QString& device)
{
    const auto reply =
        call(blockObjectPath(device), kFilesystem, QStringLiteral("Mount"), {QVariant::fromValue(QVariantMap())});
    if (!reply)
        return std::nullopt;
    return reply->toString();
}

bool Udisks2Client::eject(const QString& device)
{
    const QString block = blockObjectPath(device);
    if (!unmount(device))
        return false;
    const auto drive = property(block, kBlock, QStringLiteral("Drive"));
    const QString drivePath = drive ? drive->value<QDBusObjectPath>().path() : QString();
    if (drivePath.isEmpty() || drivePath == QLatin1String("/"))
        return true;
    const auto ejectable = property(drivePath, kDrive, QStringLiteral("Ejectable"));
    if (ejectable && ejectable->toBool())
        call(drivePath, kDrive, QStringLiteral("Eject"), {QVariant::fromValue(QVariantMap())});
    // The medium is unmounted: it has left the drive table whether or not the drive moved.
    return true;
}

bool Udisks2Client::format(const QString& device, const QString& fsType)
{
    const QString block = blockObjectPath(device);
    unmount(device); // may already be unmounted
    const QVariantMap options; // a quick format: no erase
    constexpr int kFormatTimeoutMs = 10 * 60 * 1000;
    return call(block, kBlock, QStringLiteral("Format"), {fsType, QVariant::fromValue(options)}, kFormatTimeoutMs)
        .has_value();
}

} // namespace ksv
