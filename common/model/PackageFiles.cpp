#include "PackageFiles.h"

#include "AtomicFile.h"
#include "Drives.h"
#include "NativePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ksv {

namespace {

QFileInfoList matchingFiles(const QString& dir, const QString& mask)
{
    const QString native = NativePath::of(dir);
    if (native.isEmpty())
        return {};
    QDir d(native);
    if (!d.exists())
        return {};
    // A mask ending in ".*" also matches names without a dot, as on the original file system
    // ("*.*" is every file, "ZipTmp*.*" also matches "ZipTmp2"). Case is ignored.
    QStringList filters{mask.isEmpty() ? QStringLiteral("*") : mask};
    if (mask.endsWith(QLatin1String(".*")))
        filters.append(mask.chopped(2));
    d.setNameFilters(filters);
    d.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    d.setSorting(QDir::Name | QDir::IgnoreCase);
    return d.entryInfoList();
}

QString withGroups(qint64 n)
{
    QString digits = QString::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

} // namespace

qint64 TailleFichier(const QString& F)
{
    const QFileInfo info(NativePath::of(F));
    if (F.isEmpty() || !info.exists() || info.isDir())
        return -1;
    return info.size();
}

QString sizeText(qint64 bytes)
{
    if (bytes < 0)
        bytes = 0;
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString sTailleFichier(const QString& F)
{
    return sizeText(TailleFichier(F));
}

qint64 TailleRepertoire(const QString& Dir, const QString& Mask)
{
    qint64 total = 0;
    for (const QFileInfo& info : matchingFiles(Dir, Mask))
        total += info.size();
    return total;
}

QString getkb(qint64 N)
{
    const qint64 kb = N <= 0 ? 0 : (N + 1023) / 1024;
    return withGroups(kb) + QStringLiteral(" KB");
}

Status DelAllFile(const QString& Dir, const QString& Mask)
{
    const QString native = NativePath::of(Dir);
    if (native.isEmpty() || !QFileInfo(native).isDir())
        return Status::failure(1, QStringLiteral("Folder not found: %1").arg(Dir));
    QString firstFailure;
    for (const QFileInfo& info : matchingFiles(Dir, Mask)) {
        if (!QFile::remove(info.absoluteFilePath()) && firstFailure.isEmpty())
            firstFailure = info.fileName();
    }
    if (!firstFailure.isEmpty())
        return Status::failure(2, QStringLiteral("Cannot delete %1").arg(firstFailure));
    return Status::ok();
}

Status CopyFiles32(const QString& Src, const QString& Dst)
{
    const QString from = NativePath::of(Src);
    const QString to = NativePath::of(Dst);
    if (from.isEmpty() || !QFileInfo(from).isFile())
        return Status::failure(1, QStringLiteral("File not found: %1").arg(Src));
    if (to.isEmpty())
        return Status::failure(2, QStringLiteral("Unknown drive: %1").arg(Dst));
    if (DosPath::isDosAbsolute(Dst) && !DosPath::writable(Dst))
        return Status::failure(3, QStringLiteral("The medium is write-protected: %1").arg(Dst));
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return Status::failure(4, QStringLiteral("Cannot read %1").arg(Src));
    AtomicFile out(to);
    if (!out.open())
        return Status::failure(5, QStringLiteral("Cannot write %1").arg(Dst));
    QByteArray buffer;
    while (!in.atEnd()) {
        buffer = in.read(1 << 20);
        if (buffer.isEmpty() && in.error() != QFileDevice::NoError)
            break;
        if (!out.write(buffer))
            return Status::failure(5, QStringLiteral("Cannot write %1").arg(Dst));
    }
    if (in.error() != QFileDevice::NoError)
        return Status::failure(4, QStringLiteral("Cannot read %1").arg(Src));
    if (!out.commit())
        return Status::failure(5, QStringLiteral("Cannot write %1").arg(Dst));
    QFile::setPermissions(to, in.permissions());
    return Status::ok();
}

} // namespace ksv
