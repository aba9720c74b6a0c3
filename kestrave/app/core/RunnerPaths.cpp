#include "RunnerPaths.h"

#include "ProgramFolder.h"
#include "RunnerConstants.h"

namespace ksv {

RunnerPaths RunnerPaths::fromProgramFolder()
{
    RunnerPaths p = forFolder(ProgramFolder::native());
    p.programFolderDos = ProgramFolder::dos();
    return p;
}

RunnerPaths RunnerPaths::forFolder(const QString& nativeFolder)
{
    RunnerPaths p;
    p.programFolder = nativeFolder;
    if (!p.programFolder.endsWith(QLatin1Char('/')))
        p.programFolder += QLatin1Char('/');
    p.settingsFile = p.programFolder + RunnerConstants::settingsFileName();
    p.workFolder = p.programFolder + RunnerConstants::workFolderName() + QLatin1Char('/');
    p.logFile = p.programFolder + RunnerConstants::logFileName();
    return p;
}

} // namespace ksv
