#pragma once

#include <QString>

namespace ksv::ProgramFolder {

// Where "kestrave.ini", the log, "Sas_Zip\" and "Ksv\" live, as a native path ending in "/":
// KESTRAVE_HOME when set; else the executable's folder when the user can write to it;
// else $XDG_DATA_HOME/kestrave/.
QString native();
// The same folder in the system's DOS form ("C:\...\" with a trailing backslash).
QString dos();
// A read-only asset (picture, sound, help page, "ZipSFX.bin", "default.ico"): looked up in the
// program folder, then beside the executable, then in the installed data folder. Empty when absent.
QString findAsset(const QString& name);
// A companion program named "X.exe" in the system's texts: the executable "x" (lower case,
// no extension) beside the running one. Empty when it does not exist.
QString companionProgram(const QString& windowsName);

} // namespace ksv::ProgramFolder
