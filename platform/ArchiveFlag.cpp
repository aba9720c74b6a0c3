#include "ArchiveFlag.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <optional>

namespace ksv::ArchiveFlag {

namespace {

constexpr char kAttributeName[] = "user.kestrave.archived";

// The modification time as "<seconds>.<nanoseconds>".
std::optional<QByteArray> modificationStamp(const QByteArray& path)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return std::nullopt;
    return QByteArray::number(static_cast<qint64>(st.st_mtim.tv_sec)) + '.'
           + QByteArray::number(static_cast<qint64>(st.st_mtim.tv_nsec)).rightJustified(9, '0');
}

} // namespace

bool isSet(const QString& nativePath)
{
    const QByteArray path = QFile::encodeName(nativePath);
    const auto stamp = modificationStamp(path);
    if (!stamp)
        return true;
    char buffer[64];
    const ssize_t size = ::getxattr(path.constData(), kAttributeName, buffer, sizeof(buffer));
    if (size < 0)
        return true; // never stored, or no extended attributes here
    return QByteArray(buffer, static_cast<qsizetype>(size)) != *stamp;
}

bool clear(const QString& nativePath)
{
    const QByteArray path = QFile::encodeName(nativePath);
    const auto stamp = modificationStamp(path);
    if (!stamp)
        return false;
    return ::setxattr(path.constData(), kAttributeName, stamp->constData(), static_cast<size_t>(stamp->size()), 0) == 0;
}

bool isHidden(const QString& nativePath)
{
    return QFileInfo(nativePath).fileName().startsWith(QLatin1Char('.'));
}

} // namespace ksv::ArchiveFlag
