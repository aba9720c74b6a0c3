#include "OldArchivePurge.h"

#include "NativePath.h"
#include "PackagePaths.h"
#include "RunnerTexts.h"
#include "WildcardMask.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ksv {

using namespace RunnerTexts;

QString OldArchivePurge::pattern(const QString& archiveName)
{
    return QStringLiteral("????") + archiveName + QStringLiteral("*");
}

bool OldArchivePurge::isDatedArchive(const QString& fileName, const QString& archiveName)
{
    if (archiveName.trimmed().isEmpty() || fileName.size() != 4 + archiveName.size() + 4)
        return false;
    if (fileName.mid(4, archiveName.size()).compare(archiveName, Qt::CaseInsensitive) != 0)
        return false;
    const QString ext = fileName.right(4);
    return ext.compare(QLatin1String(".zip"), Qt::CaseInsensitive) == 0
           || ext.compare(QLatin1String(".exe"), Qt::CaseInsensitive) == 0;
}

quint32 OldArchivePurge::packedDateTime(const QDateTime& when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    const int year = std::clamp(d.year() - 1980, 0, 127);
    const quint32 date = (quint32(year) << 9) | (quint32(d.month()) << 5) | quint32(d.day());
    const quint32 time = (quint32(t.hour()) << 11) | (quint32(t.minute()) << 5) | quint32(t.second() / 2);
    return (date << 16) | time;
}

void OldArchivePurge::log(const QString& line) const
{
    if (appendLog)
        appendLog(line);
}

void OldArchivePurge::PurgeOldArchives(const QString& folder, const QString& archiveName, int maxfile,
                                       const QString& targetPath)
{
    for (const QString& path : planPurge(folder, archiveName, maxfile, targetPath)) {
        if (path == targetPath) {
            // Today's archive is replaced by the copy of the day: the older ones stay.
            QFile::remove(NativePath::of(path));
        } else {
            eraseArchive(path);
        }
    }
}

bool OldArchivePurge::eraseArchive(const QString& dosPath)
{
    const QString native = NativePath::of(dosPath);
    if (!QFileInfo(native).isFile())
        return false;
    if (!QFile::remove(native)) {
        log(purgeLogFailed(dosPath));
        return false;
    }
    if (addProcessLine)
        addProcessLine(purgeProcessLine(dosPath));
    log(purgeLogOk(dosPath));
    return true;
}

QStringList OldArchivePurge::planPurge(const QString& folder, const QString& archiveName, int maxfile,
                                       const QString& targetPath)
{
    QStringList plan;
    // Without a name the mask would take in every file of four characters or more.
    if (archiveName.trimmed().isEmpty())
        return plan;
    const QString mask = pattern(archiveName);
    const QString native = NativePath::of(folder);
    const QDir dir(native);
    if (native.isEmpty() || !dir.exists())
        return plan;
    log(purgeSearchLine(maxfile, folder, mask));

    const WildcardMask matcher(mask);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    struct Dated
    {
        quint32 stamp;
        QString name;
    };
    QList<Dated> list;
    // Only the query's own dated archives are counted and may go; the mask also lists other
    // files whose name merely starts the same way.
    QList<Dated> archives;
    bool anyMatch = false;
    for (const QFileInfo& entry : entries) {
        if (!matcher.matches(entry.fileName()))
            continue;
        anyMatch = true;
        if (entry.isDir()) {
            // A matching sub-folder is purged the same way. It is named by its full path, so
            // its files are found again when they are deleted.
            plan += planPurge(AppendSlash(folder) + entry.fileName(), archiveName, maxfile, targetPath);
        } else {
            const Dated dated{packedDateTime(entry.lastModified()), entry.fileName()};
            list.append(dated);
            if (isDatedArchive(entry.fileName(), archiveName))
                archives.append(dated);
        }
        if (processEvents)
            processEvents();
    }
    if (!anyMatch)
        return plan;

    const auto byDate = [](const Dated& a, const Dated& b) {
        if (a.stamp != b.stamp)
            return a.stamp < b.stamp;
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    };
    std::sort(list.begin(), list.end(), byDate);
    std::sort(archives.begin(), archives.end(), byDate);
    for (const Dated& d : list)
        log(QString::number(d.stamp) + QLatin1Char('=') + d.name);

    if (!archives.isEmpty() && archives.size() >= maxfile) {
        const QString target = NativePath::of(targetPath);
        if (!target.isEmpty() && QFileInfo(target).isFile()) {
            // Today's archive is replaced by the copy of the day: the older ones stay.
            plan.append(targetPath);
            return plan;
        }
        const QString oldest = AppendSlash(folder) + archives.first().name;
        if (QFileInfo(NativePath::of(oldest)).isFile())
            plan.append(oldest);
    }
    if (list.isEmpty())
        log(purgeNone());
    return plan;
}

} // namespace ksv
