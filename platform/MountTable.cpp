#include "MountTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ksv::MountTable {

namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
QString unescapeOctal(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == QLatin1Char('\\') && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += QChar(code);
                i += 3;
                continue;
            }
        }
        out += field.at(i);
    }
    return out;
}

bool isUnder(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

const QSet<QString>& remoteFileSystems()
{
    static const QSet<QString> names{
        QStringLiteral("nfs"),   QStringLiteral("nfs4"),       QStringLiteral("cifs"),       QStringLiteral("smb3"),
        QStringLiteral("smbfs"), QStringLiteral("sshfs"),      QStringLiteral("fuse.sshfs"), QStringLiteral("9p"),
        QStringLiteral("davfs"), QStringLiteral("fuse.davfs2"), QStringLiteral("afs"),       QStringLiteral("ncpfs")};
    return names;
}

} // namespace

QList<MountEntry> parse(const QString& mountinfoText)
{
    QList<MountEntry> entries;
    for (const QString& line : mountinfoText.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const qsizetype dash = fields.indexOf(QStringLiteral("-"));
        if (fields.size() < 6 || dash < 6 || dash + 2 >= fields.size())
            continue;
        MountEntry entry;
        entry.mountPoint = unescapeOctal(fields.at(4));
        entry.readOnly = fields.at(5).split(QLatin1Char(',')).contains(QStringLiteral("ro"));
        entry.fsType = fields.at(dash + 1);
        entry.source = unescapeOctal(fields.at(dash + 2));
        entries << entry;
    }
    return entries;
}

QList<MountEntry> current()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(QString::fromUtf8(file.readAll()));
}

DriveType classify(const MountEntry& entry, bool deviceRemovable)
{
    const QString deviceName = QFileInfo(entry.source).fileName();
    if (entry.fsType == QLatin1String("iso9660") || entry.fsType == QLatin1String("udf")
        || (entry.source.startsWith(QLatin1String("/dev/")) && deviceName.startsWith(QLatin1String("sr"))))
        return DriveType::CdRom;
    if (remoteFileSystems().contains(entry.fsType))
        return DriveType::Remote;
    if (entry.fsType == QLatin1String("tmpfs") || entry.fsType == QLatin1String("ramfs"))
        return DriveType::RamDisk;
    return deviceRemovable ? DriveType::Removable : DriveType::Fixed;
}

QList<MountedMedium> removableMedia(const QList<MountEntry>& entries, const QString& userName,
                                    const std::function<bool(const QString&)>& deviceRemovable,
                                    const std::function<qint64(const QString&)>& totalBytes)
{
    const QString media = QStringLiteral("/media/") + userName;
    const QString runMedia = QStringLiteral("/run/media/") + userName;
    QList<MountedMedium> result;
    for (const MountEntry& entry : entries) {
        const bool desktopMount = !userName.isEmpty()
                                  && ((isUnder(entry.mountPoint, media) && entry.mountPoint != media)
                                      || (isUnder(entry.mountPoint, runMedia) && entry.mountPoint != runMedia));
        if (!desktopMount && !isUnder(entry.mountPoint, QStringLiteral("/mnt")))
            continue;
        const bool isDevice = entry.source.startsWith(QLatin1String("/dev/"));
        const DriveType type = classify(entry, desktopMount || (isDevice && deviceRemovable(entry.source)));
        if (type != DriveType::Removable && type != DriveType::CdRom)
            continue;
        // A folder mounted twice (a later mount hides the earlier one) is one medium.
        for (qsizetype i = 0; i < result.size(); ++i) {
            if (result.at(i).root == entry.mountPoint)
                result.removeAt(i--);
        }
        result << MountedMedium{entry.mountPoint, type, isDevice ? entry.source : QString(), totalBytes(entry.mountPoint)};
    }
    return result;
}

QList<DriveInfo> assignLetters(const QList<MountedMedium>& media, const QSet<QChar>& taken)
{
    QList<DriveInfo> result;
    QSet<QChar> used = taken;
    qsizetype floppy = -1;
    if (!used.contains(QLatin1Char('A'))) {
        for (qsizetype i = 0; i < media.size(); ++i) {
            if (media.at(i).type == DriveType::Removable && media.at(i).totalBytes >= 0
                && media.at(i).totalBytes <= kFloppyMaxBytes) {
                floppy = i;
                break;
            }
        }
    }
    const auto makeDrive = [](QChar letter, const MountedMedium& medium) {
        return DriveInfo{letter, medium.root, medium.type, medium.device};
    };
    if (floppy >= 0) {
        used.insert(QLatin1Char('A'));
        result << makeDrive(QLatin1Char('A'), media.at(floppy));
    }
    QString order = QStringLiteral("B");
    for (char c = 'E'; c <= 'Z'; ++c)
        order += QLatin1Char(c);
    qsizetype next = 0;
    for (qsizetype i = 0; i < media.size(); ++i) {
        if (i == floppy)
            continue;
        while (next < order.size() && used.contains(order.at(next)))
            ++next;
        if (next >= order.size())
            break;
        used.insert(order.at(next));
        result << makeDrive(order.at(next), media.at(i));
    }
    return result;
}

const MountEntry* mountOf(const QList<MountEntry>& entries, const QString& nativePath)
{
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : entries) {
        const bool inside = entry.mountPoint == QLatin1String("/") || isUnder(nativePath, entry.mountPoint);
        // The later of two mounts on one folder is the visible one.
        if (inside && (!best || entry.mountPoint.size() >= best->mountPoint.size()))
            best = &entry;
    }
    return best;
}

bool sysfsRemovable(const QString& device)
{
    const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    const QString sysPath = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (sysPath.isEmpty())
        return false;
    const QStringList candidates{sysPath + QStringLiteral("/removable"), sysPath + QStringLiteral("/../removable")};
    for (const QString& candidate : candidates) {
        QFile file(candidate);
        if (file.open(QIODevice::ReadOnly))
            return file.readAll().trimmed() == "1";
    }
    return false;
}

} // namespace ksv::MountTable
