#include "NativePath.h"

#include "Drives.h"

namespace ksv::NativePath {

QString of(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return path;
    return DosPath::toNative(path);
}

QString toDos(const QString& nativePath)
{
    if (!nativePath.startsWith(QLatin1Char('/')))
        return nativePath;
    return DosPath::fromNative(nativePath).value_or(nativePath);
}

} // namespace ksv::NativePath
