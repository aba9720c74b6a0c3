#include "ProgramFolder.h"

#include "Drives.h"
#include "PlatformEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ksv::ProgramFolder {

namespace {

QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

// name (may hold sub-folders, with either separator) inside folder, each component matched
// exactly or else without regard to case; empty when absent.
QString findInFolder(const QString& folder, const QString& name)
{
    QString current = QDir::cleanPath(folder);
    const QStringList parts = QString(name).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    for (const QString& part : parts) {
        const QString exact = current + QLatin1Char('/') + part;
        if (QFileInfo::exists(exact)) {
            current = exact;
            continue;
        }
        QString match;
        const QStringList entries = QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& entry : entries) {
            if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                match = current + QLatin1Char('/') + entry;
                break;
            }
        }
        if (match.isEmpty())
            return {};
        current = match;
    }
    return current;
}

} // namespace

QString native()
{
    const auto& env = PlatformEnvironment::current();
    if (!env.homeOverride.isEmpty()) {
        const QString folder = QDir::cleanPath(QDir::current().absoluteFilePath(env.homeOverride));
        QDir().mkpath(folder);
        return withSlash(folder);
    }
    const QString exeFolder = executableFolder();
    if (!exeFolder.isEmpty() && QFileInfo(exeFolder).isWritable())
        return withSlash(exeFolder);
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = QDir::cleanPath(dataHome + QStringLiteral("/kestrave"));
    QDir().mkpath(folder);
    return withSlash(folder);
}

QString dos()
{
    const QString folder = native();
    const auto converted = DosPath::fromNative(folder);
    if (!converted)
        return folder; // outside every drive: the native form still names the folder
    return converted->endsWith(QLatin1Char('\\')) ? *converted : *converted + QLatin1Char('\\');
}

QString findAsset(const QString& name)
{
    QStringList folders{native(), executableFolder(), QStringLiteral(KSV_INSTALLED_DATA_DIR)};
    folders.removeDuplicates();
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        const QString found = findInFolder(folder, name);
        if (!found.isEmpty() && QFileInfo(found).isFile())
            return found;
    }
    return {};
}

QString companionProgram(const QString& windowsName)
{
    QString name = windowsName.trimmed();
    name = name.mid(std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/'))) + 1);
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        name.chop(4);
    name = name.toLower();
    if (name.isEmpty())
        return {};
    const QString path = executableFolder() + QLatin1Char('/') + name;
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable() ? path : QString();
}

} // namespace ksv::ProgramFolder
