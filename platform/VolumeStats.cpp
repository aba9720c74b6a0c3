#include "VolumeStats.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>
#include <unistd.h>

namespace ksv {

std::optional<VolumeStats> VolumeStats::of(const QString& nativeFolder)
{
    struct statvfs st {};
    if (nativeFolder.isEmpty() || ::statvfs(QFile::encodeName(nativeFolder).constData(), &st) != 0)
        return std::nullopt;
    VolumeStats stats;
    const auto unit = static_cast<qint64>(st.f_frsize ? st.f_frsize : st.f_bsize);
    stats.available = static_cast<qint64>(st.f_bavail) * unit;
    stats.total = static_cast<qint64>(st.f_blocks) * unit;
    stats.readOnlyMount = (st.f_flag & ST_RDONLY) != 0;
    return stats;
}

QString nearestExistingFolder(const QString& nativePath)
{
    if (nativePath.isEmpty() || QFileInfo(nativePath).isRelative())
        return {};
    QString current = QDir::cleanPath(nativePath);
    while (!QFileInfo(current).isDir()) {
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            return {};
        current = parent;
    }
    return current;
}

bool folderRefusesWrites(const QString& nativeFolder)
{
    const auto stats = VolumeStats::of(nativeFolder);
    return !stats || stats->readOnlyMount ||
           ::access(QFile::encodeName(nativeFolder).constData(), W_OK | X_OK) != 0;
}

qint64 folderContentSize(const QString& nativeFolder)
{
    qint64 total = 0;
    QDirIterator it(nativeFolder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

} // namespace ksv
