#include "RunnerStartup.h"

#include "AtomicFile.h"
#include "RunnerConstants.h"
#include "RunnerTexts.h"
#include "WorkFolderLocks.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace ksv::RunnerStartup {

bool prepareWorkFolder(const RunnerPaths& paths)
{
    return QDir().mkpath(paths.workFolder);
}

int removeWorkLeftovers(const RunnerPaths& paths)
{
    // Hidden temporary files of writers that were killed carry their process: those are removed
    // whoever else is running (the work archive, the settings file and the log).
    int removed = AtomicFile::removeStaleTemporaries(paths.workFolder)
                  + AtomicFile::removeStaleTemporaries(paths.programFolder);
    // Another runner alive in the same folder may be writing its temporary file right now.
    if (!WorkFolderPresence::joinAlone(paths.workFolder))
        return removed;
    QDir dir(paths.workFolder);
    // Windows masks: "ZipTmp*.*" also matches names without a dot.
    QString mask = RunnerConstants::workLeftoverMask();
    if (mask.endsWith(QLatin1String("*.*")))
        mask.chop(2);
    const QStringList names = dir.entryList({mask}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

QString dateTimeText(const QDateTime& when)
{
    return QLocale::system().toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + when.time().toString(QStringLiteral("HH:mm:ss"));
}

QString openHeader(const QDateTime& when)
{
    using namespace RunnerTexts;
    return QStringLiteral("\r\n") + headerDashes() + headerGap() + dateTimeText(when) + headerGap() + openTitle()
           + headerGap() + headerDashes();
}

QString closeHeader(const QDateTime& when)
{
    using namespace RunnerTexts;
    return headerDashes() + headerGap() + dateTimeText(when) + headerGap() + closeTitle() + headerGap()
           + headerDashes();
}

QString runQueryHeader(const QDateTime& when, const QString& section)
{
    using namespace RunnerTexts;
    return QStringLiteral("\r\n") + headerDashes() + headerGap() + dateTimeText(when) + runQueryTitle(section)
           + headerGap() + headerDashes();
}

QString runAllHeader(const QDateTime& when)
{
    using namespace RunnerTexts;
    return QStringLiteral("\r\n") + headerDashes() + headerGap() + dateTimeText(when) + runAllTitle()
           + headerGap() + headerDashes();
}

QString runKsvHeader(const QDateTime& when, const QString& path)
{
    using namespace RunnerTexts;
    return QStringLiteral("\r\n") + headerDashes() + QLatin1Char(' ') + dateTimeText(when) + runKsvTitle(path)
           + QLatin1Char(' ') + headerDashes();
}

int startupShowCommand()
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue("KESTRAVE_SHOW_COMMAND", &ok);
    return ok ? value : 0;
}

} // namespace ksv::RunnerStartup
