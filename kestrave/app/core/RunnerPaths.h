#pragma once

#include <QString>

namespace ksv {

// The files and folders the runner fixes at unit start-up, in native form (and the DOS form
// where the system shows or stores them).
struct RunnerPaths
{
    QString programFolder;    // native, ends with "/"
    QString programFolderDos; // "C:\...\", empty when the folder lies outside every drive
    QString settingsFile;     // programFolder + "kestrave.ini"
    QString workFolder;       // programFolder + "Sas_Zip/"
    QString logFile;          // programFolder + the log file name

    // From the platform layer's program folder (KESTRAVE_HOME when set).
    static RunnerPaths fromProgramFolder();
    static RunnerPaths forFolder(const QString& nativeFolder);
};

} // namespace ksv
