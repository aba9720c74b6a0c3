#pragma once

#include <QString>

// Names of the runner's files and folders inside the program folder.
namespace ksv::RunnerConstants {

inline QString settingsFileName() { return QStringLiteral("kestrave.ini"); }
inline QString workFolderName() { return QStringLiteral("Sas_Zip"); }
// What an interrupted compression leaves in the work folder.
inline QString workLeftoverMask() { return QStringLiteral("ZipTmp*.*"); }
inline QString logFileName() { return QStringLiteral("kestrave.log"); }
inline QString pathHistoryName() { return QStringLiteral("HistoryNOParmDir"); }
inline QString applicationTitle() { return QStringLiteral("KESTRAVE"); }
inline QString schedulerTitle() { return QStringLiteral("KSV_RUN"); }

} // namespace ksv::RunnerConstants
