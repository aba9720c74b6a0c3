#include "DriveServices_simulated.h"

#include "IniFile.h"
#include "Transcript.h"
#include "VolumeStats.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace ksv {

namespace {

std::optional<QChar> letterOfSection(const QString& section)
{
    const QString name = section.trimmed();
    const bool shapeOk = name.size() == 1 || (name.size() == 2 && name.at(1) == QLatin1Char(':'));
    if (!shapeOk || !name.at(0).isLetter() || name.at(0).unicode() >= 128)
        return std::nullopt;
    return name.at(0).toUpper();
}

QString driveName(QChar letter)
{
    return QString(letter.toUpper()) + QLatin1Char(':');
}

} // namespace

SimulatedDriveServices::SimulatedDriveServices(QString drivesFile) : m_drivesFile(std::move(drivesFile)) {}

QList<DriveInfo> SimulatedDriveServices::drives() const
{
    QList<DriveInfo> result;
    if (m_drivesFile.isEmpty())
        return result;
    const IniFile ini(m_drivesFile);
    const QDir base = QFileInfo(m_drivesFile).absoluteDir();
    for (const QString& section : ini.sections()) {
        const auto letter = letterOfSection(section);
        if (!letter)
            continue;
        const bool known = std::any_of(result.cbegin(), result.cend(), [&](const DriveInfo& d) { return d.letter == *letter; });
        const QString root = ini.readString(section, QStringLiteral("root")).trimmed();
        if (known || root.isEmpty())
            continue;
        DriveInfo info;
        info.letter = *letter;
        info.root = QDir::cleanPath(base.absoluteFilePath(root));
        info.type = driveTypeFromName(ini.readString(section, QStringLiteral("type"), QStringLiteral("fixed")))
                        .value_or(DriveType::Fixed);
        result << info;
    }
    std::sort(result.begin(), result.end(), [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
    return result;
}

QString SimulatedDriveServices::sectionOf(QChar letter) const
{
    if (m_drivesFile.isEmpty())
        return {};
    const QChar wanted = letter.toUpper();
    for (const QString& section : IniFile(m_drivesFile).sections()) {
        if (letterOfSection(section) == wanted)
            return section;
    }
    return {};
}

QString SimulatedDriveServices::value(QChar letter, const QString& key) const
{
    const QString section = sectionOf(letter);
    return section.isEmpty() ? QString() : IniFile(m_drivesFile).readString(section, key);
}

bool SimulatedDriveServices::mediumPresent(QChar letter) const
{
    const QString section = sectionOf(letter);
    if (section.isEmpty() || !drive(letter))
        return false;
    return IniFile(m_drivesFile).readBool(section, QStringLiteral("present"), true);
}

qint64 SimulatedDriveServices::freeSpace(QChar letter) const
{
    if (!mediumPresent(letter))
        return -1;
    const auto info = drive(letter);
    bool ok = false;
    const qint64 cap = value(letter, QStringLiteral("capacity")).trimmed().toLongLong(&ok);
    if (ok)
        return std::max<qint64>(0, cap - folderContentSize(info->root));
    const auto stats = VolumeStats::of(info->root);
    return stats ? stats->available : -1;
}

qint64 SimulatedDriveServices::capacity(QChar letter) const
{
    if (!mediumPresent(letter))
        return -1;
    bool ok = false;
    const qint64 cap = value(letter, QStringLiteral("capacity")).trimmed().toLongLong(&ok);
    if (ok)
        return cap;
    const auto stats = VolumeStats::of(drive(letter)->root);
    return stats ? stats->total : -1;
}

bool SimulatedDriveServices::readOnly(QChar letter) const
{
    const QString section = sectionOf(letter);
    return !section.isEmpty() && IniFile(m_drivesFile).readBool(section, QStringLiteral("readonly"), false);
}

QChar SimulatedDriveServices::letterHolding(const QString& nativePath) const
{
    const QString path = QDir::cleanPath(QFileInfo(nativePath).absoluteFilePath());
    QChar best;
    qsizetype bestLength = -1;
    for (const DriveInfo& info : drives()) {
        const QString root = QDir::cleanPath(info.root);
        const bool inside = path == root || path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
        if (inside && root.size() > bestLength) {
            best = info.letter;
            bestLength = root.size();
        }
    }
    return best;
}

qint64 SimulatedDriveServices::folderFreeSpace(const QString& nativePath) const
{
    // A drive with a capacity is one medium of that size, whatever folder of it is asked about.
    if (const QChar letter = letterHolding(nativePath); !letter.isNull()) {
        if (!mediumPresent(letter))
            return -1;
        bool ok = false;
        const qint64 cap = value(letter, QStringLiteral("capacity")).trimmed().toLongLong(&ok);
        if (ok)
            return std::max<qint64>(0, cap - folderContentSize(drive(letter)->root));
    }
    const auto stats = VolumeStats::of(nearestExistingFolder(nativePath));
    return stats ? stats->available : -1;
}

bool SimulatedDriveServices::folderReadOnly(const QString& nativePath) const
{
    if (const QChar letter = letterHolding(nativePath); !letter.isNull()) {
        if (!mediumPresent(letter) || readOnly(letter))
            return true;
    }
    const QString folder = nearestExistingFolder(nativePath);
    return folder.isEmpty() || folderRefusesWrites(folder);
}

QString SimulatedDriveServices::volumeLabel(QChar letter) const
{
    if (!mediumPresent(letter))
        return {};
    return value(letter, QStringLiteral("label"));
}

bool SimulatedDriveServices::setVolumeLabel(QChar letter, const QString& label)
{
    if (!mediumPresent(letter) || readOnly(letter))
        return false;
    if (!IniFile(m_drivesFile).writeString(sectionOf(letter), QStringLiteral("label"), label))
        return false;
    Transcript::recordAction(QStringLiteral("label"), driveName(letter) + QLatin1Char(' ') + label);
    return true;
}

bool SimulatedDriveServices::eject(QChar letter)
{
    const DriveType type = driveType(letter);
    if (!mediumPresent(letter) || (type != DriveType::Removable && type != DriveType::CdRom))
        return false;
    if (!IniFile(m_drivesFile).writeString(sectionOf(letter), QStringLiteral("present"), QStringLiteral("0")))
        return false;
    Transcript::recordAction(QStringLiteral("eject"), driveName(letter));
    return true;
}

int SimulatedDriveServices::format(QChar letter)
{
    int result = FormatOk;
    if (driveType(letter) != DriveType::Removable || !mediumPresent(letter)) {
        result = FormatNotPossible;
    } else {
        bool ok = false;
        const int scripted = value(letter, QStringLiteral("formatresult")).trimmed().toInt(&ok);
        if (ok)
            result = scripted;
        else if (readOnly(letter))
            result = FormatError;
    }
    if (result == FormatOk) {
        QDir root(drive(letter)->root);
        const auto entries = root.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            const bool removed = entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                                      : QFile::remove(entry.filePath());
            if (!removed)
                result = FormatError;
        }
        if (result == FormatOk)
            IniFile(m_drivesFile).writeString(sectionOf(letter), QStringLiteral("label"), QString());
    }
    Transcript::recordAction(QStringLiteral("format"), driveName(letter) + QLatin1Char(' ') + QString::number(result));
    return result;
}

} // namespace ksv
