#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

namespace ksv {

// A few calls of the udisks2 service on the system bus. Every call fails cleanly (false or
// nullopt) when there is no bus, no service or no permission.
class Udisks2Client
{
public:
    // "/dev/sdb1" -> "/org/freedesktop/UDisks2/block_devices/sdb1"; empty for a non-device.
    static QString blockObjectPath(const QString& device);

    std::optional<QString> label(const QString& device) const;
    bool setLabel(const QString& device, const QString& label);
    bool unmount(const QString& device);
    // Mounts the file system again; returns the mount point.
    std::optional<QString> mount(const QString& device);
    // Unmounts, then ejects the drive (or powers it off when it cannot be ejected).
    bool eject(const QString& device);
    bool format(const QString& device, const QString& fsType);

private:
    std::optional<QVariant> property(const QString& objectPath, const QString& interface, const QString& name) const;
    std::optional<QVariant> call(const QString& objectPath, const QString& interface, const QString& method,
                                 const QVariantList& arguments, int timeoutMs = 25000) const;
};

} // namespace ksv
