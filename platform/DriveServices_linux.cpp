#include "DriveServices_linux.h"

#include "Dialogs.h"
#include "IniFile.h"
#include "MountTable.h"
#include "PlatformTexts.h"
#include "ProgramFolder.h"
#include "VolumeStats.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace ksv {

namespace {

QString userName()
{
    const QString fromEnv = qEnvironmentVariable("USER");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const passwd* pw = ::getpwuid(::getuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

QString expandFolder(const QString& folder)
{
    QString path = folder.trimmed();
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    return QDir::cleanPath(QDir(QDir::homePath()).absoluteFilePath(path));
}

DriveInfo driveFor(QChar letter, const QString& root, const QList<MountEntry>& mounts)
{
    DriveInfo info{letter, root, DriveType::Fixed, {}};
    if (const MountEntry* mount = MountTable::mountOf(mounts, root)) {
        const bool isDevice = mount->source.startsWith(QLatin1String("/dev/"));
        info.type = MountTable::classify(*mount, isDevice && MountTable::sysfsRemovable(mount->source));
        if (isDevice && mount->mountPoint == root)
            info.device = mount->source;
    }
    return info;
}

// The volume label from /dev/disk/by-label, for when udisks2 is not there.
QString labelFromDeviceLinks(const QString& device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    QDirIterator it(QStringLiteral("/dev/disk/by-label"), QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().canonicalFilePath() == target)
            return it.fileName().replace(QLatin1String("\\x20"), QLatin1String(" "));
    }
    return {};
}

} // namespace

QList<DriveInfo> LinuxDriveServices::drives() const
{
    const QList<MountEntry> mounts = MountTable::current();
    QList<DriveInfo> result;
    result << driveFor(QLatin1Char('C'), QDir::cleanPath(QDir::homePath()), mounts);
    result << driveFor(QLatin1Char('D'), QStringLiteral("/"), mounts);

    const auto setLetter = [&result](const DriveInfo& info) {
        result.erase(std::remove_if(result.begin(), result.end(), [&](const DriveInfo& d) { return d.letter == info.letter; }),
                     result.end());
        if (!info.root.isEmpty())
            result << info;
    };

    QSet<QChar> overridden;
    const IniFile settings(ProgramFolder::native() + QStringLiteral("kestrave.ini"));
    for (const auto& [key, value] : settings.sectionLines(QStringLiteral("drives"))) {
        const QString name = key.trimmed();
        if (name.isEmpty() || name.size() > 2 || !name.at(0).isLetter() || name.at(0).unicode() >= 128
            || (name.size() == 2 && name.at(1) != QLatin1Char(':')))
            continue;
        const QChar letter = name.at(0).toUpper();
        overridden.insert(letter);
        setLetter(value.trimmed().isEmpty() ? DriveInfo{letter, {}, DriveType::Fixed, {}}
                                             : driveFor(letter, expandFolder(value), mounts));
    }

    QSet<QChar> taken = overridden;
    taken.insert(QLatin1Char('C'));
    taken.insert(QLatin1Char('D'));
    QList<MountedMedium> media = MountTable::removableMedia(
        mounts, userName(), MountTable::sysfsRemovable, [](const QString& root) {
            const auto stats = VolumeStats::of(root);
            return stats ? stats->total : qint64(-1);
        });
    media.erase(std::remove_if(media.begin(), media.end(),
                               [&](const MountedMedium& m) {
                                   return std::any_of(result.cbegin(), result.cend(),
                                                      [&](const DriveInfo& d) { return d.root == m.root; });
                               }),
                media.end());
    for (const DriveInfo& info : MountTable::assignLetters(media, taken))
        result << info;

    std::sort(result.begin(), result.end(), [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
    return result;
}

bool LinuxDriveServices::mediumPresent(QChar letter) const
{
    const auto info = drive(letter);
    return info && QFileInfo(info->root).isDir() && VolumeStats::of(info->root).has_value();
}

qint64 LinuxDriveServices::freeSpace(QChar letter) const
{
    const auto info = drive(letter);
    const auto stats = info ? VolumeStats::of(info->root) : std::nullopt;
    return stats ? stats->available : -1;
}

qint64 LinuxDriveServices::capacity(QChar letter) const
{
    const auto info = drive(letter);
    const auto stats = info ? VolumeStats::of(info->root) : std::nullopt;
    return stats ? stats->total : -1;
}

bool LinuxDriveServices::readOnly(QChar letter) const
{
    const auto info = drive(letter);
    if (!info)
        return true;
    const auto stats = VolumeStats::of(info->root);
    return !stats || stats->readOnlyMount || ::access(QFile::encodeName(info->root).constData(), W_OK) != 0;
}

qint64 LinuxDriveServices::folderFreeSpace(const QString& nativePath) const
{
    const auto stats = VolumeStats::of(nearestExistingFolder(nativePath));
    return stats ? stats->available : -1;
}

bool LinuxDriveServices::folderReadOnly(const QString& nativePath) const
{
    const QString folder = nearestExistingFolder(nativePath);
    return folder.isEmpty() || folderRefusesWrites(folder);
}

QString LinuxDriveServices::volumeLabel(QChar letter) const
{
    const auto info = drive(letter);
    if (!info || info->device.isEmpty() || !mediumPresent(letter))
        return {};
    if (const auto label = m_udisks.label(info->device))
        return *label;
    return labelFromDeviceLinks(info->device);
}

bool LinuxDriveServices::setVolumeLabel(QChar letter, const QString& label)
{
    const auto info = drive(letter);
    if (!info || info->device.isEmpty() || readOnly(letter))
        return false;
    return m_udisks.setLabel(info->device, label);
}

bool LinuxDriveServices::eject(QChar letter)
{
    const auto info = drive(letter);
    if (!info || info->device.isEmpty() || (info->type != DriveType::Removable && info->type != DriveType::CdRom))
        return false;
    return m_udisks.eject(info->device);
}

int LinuxDriveServices::format(QChar letter)
{
    const auto info = drive(letter);
    if (!info || info->type != DriveType::Removable || !mediumPresent(letter))
        return FormatNotPossible;
    if (info->device.isEmpty())
        return FormatError;
    // The desktop has no format dialog of its own to confirm with: ask here.
    const Button answer = dialogs().message(MessageKind::Confirmation,
                                            PlatformTexts::formatQuestion(info->letter, volumeLabel(letter), info->device),
                                            {Button::Yes, Button::No}, PlatformTexts::formatCaption());
    if (answer != Button::Yes)
        return FormatCancelled;
    // FAT, the file system every removable medium of the system's world carries.
    if (!m_udisks.format(info->device, QStringLiteral("vfat")))
        return FormatError;
    m_udisks.mount(info->device);
    return FormatOk;
}

} // namespace ksv
