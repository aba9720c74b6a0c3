#pragma once

#include "RunnerPaths.h"

#include <QDateTime>
#include <QString>

namespace ksv {

// The parts of the runner's start that need no window.
namespace RunnerStartup {

// Creates the work folder with every missing parent; false when it cannot be created.
bool prepareWorkFolder(const RunnerPaths& paths);
// Makes this runner present in the work folder for the rest of its life and deletes what an
// interrupted compression left there (files "ZipTmp*.*", names compared without regard to case),
// but only when no other runner is alive in the folder: their temporary files are kept. The
// hidden temporary files that killed writers left in the work and program folders (the work
// archive, settings, log) are deleted in any case: they name their dead process. Returns the
// number of files deleted.
int removeWorkLeftovers(const RunnerPaths& paths);

// Date and time as the log shows them: the system's short date, then the time as HH:MM:SS.
QString dateTimeText(const QDateTime& when);
// "\r\n------------         <date time>         Open KESTRAVE         ------------"
QString openHeader(const QDateTime& when);
// "------------         <date time>         CLose KESTRAVE         ------------"
QString closeHeader(const QDateTime& when);
// "\r\n------------         <date time> Run query n° : <section>         ------------"
QString runQueryHeader(const QDateTime& when, const QString& section);
// "\r\n------------         <date time> Run ALL Queries.          ------------"
QString runAllHeader(const QDateTime& when);
// "\r\n------------ <date time> Run KSV file : <path> ------------"
QString runKsvHeader(const QDateTime& when, const QString& path);

// The start-up show command: Linux start-up information carries none, so it comes from
// KESTRAVE_SHOW_COMMAND (6 minimise, 7 minimised without activation) for launchers that want a
// minimised run; 0 otherwise.
int startupShowCommand();
inline bool startsMinimised(int showCommand) { return showCommand == 6 || showCommand == 7; }

} // namespace RunnerStartup

} // namespace ksv
