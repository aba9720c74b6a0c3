#include "Drives.h"

#include "PlatformBackends.h"

#include <memory>

namespace ksv {

namespace {

struct DriveTypeNameEntry
{
    DriveType type;
    const char* name;
};

constexpr DriveTypeNameEntry kDriveTypeNames[] = {
    {DriveType::Removable, "removable"}, {DriveType::Fixed, "fixed"},     {DriveType::Remote, "remote"},
    {DriveType::CdRom, "cdrom"},         {DriveType::RamDisk, "ramdisk"}, {DriveType::Unknown, "unknown"},
    {DriveType::NoRootDir, "none"},
};

std::unique_ptr<DriveServices>& installedServices()
{
    static std::unique_ptr<DriveServices> services;
    return services;
}

} // namespace

QString driveTypeName(DriveType type)
{
    for (const auto& entry : kDriveTypeNames) {
        if (entry.type == type)
            return QLatin1String(entry.name);
    }
    return QStringLiteral("unknown");
}

std::optional<DriveType> driveTypeFromName(const QString& name)
{
    const QString trimmed = name.trimmed();
    for (const auto& entry : kDriveTypeNames) {
        if (trimmed.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.type;
    }
    return std::nullopt;
}

DriveServices::~DriveServices() = default;

std::optional<DriveInfo> DriveServices::drive(QChar letter) const
{
    const QChar wanted = letter.toUpper();
    for (const DriveInfo& info : drives()) {
        if (info.letter == wanted)
            return info;
    }
    return std::nullopt;
}

DriveType DriveServices::driveType(QChar letter) const
{
    const auto info = drive(letter);
    return info ? info->type : DriveType::NoRootDir;
}

DriveServices& driveServices()
{
    auto& services = installedServices();
    if (!services)
        services = createDriveServices();
    return *services;
}

void installDriveServices(DriveServices* services)
{
    installedServices().reset(services);
}

} // namespace ksv
