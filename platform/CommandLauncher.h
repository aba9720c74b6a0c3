#pragma once

#include <QString>
#include <QStringList>

// Runs the command lines the system's rules write in the Windows manner through the system
// actions of the platform:
//   "explorer.exe /e,/idlist,/root,C:\Data"   the folder in the file manager
//   "notepad C:\Ksv\a.ksv"                     the file in the default text editor
//   "Ksv_Run.exe -x"                           a companion program beside the running one
//   "C:\Kestrave\kestrave.log"                 a document or folder in its default program
//   "C:\Tools\prepare.sh arg"                  any other program
// Paths may be in DOS or native form.
namespace ksv::CommandLauncher {

// Splits a command line at blanks outside double quotes; quotes are removed.
QStringList splitCommandLine(const QString& commandLine);
// A program named by a DOS path becomes native; any other name is returned unchanged.
QString nativeProgram(const QString& program);
// The DOS form of a native path when it lies on a drive, else the native path.
QString displayPath(const QString& nativePath);

// Runs a program to its end with QProcess (standard channels shared with this process): its
// exit code, or -1 when it could not start or crashed.
int runToEnd(const QString& program, const QStringList& arguments);

// Without wait: 0 when started, -1 when it could not be. With wait: the program's exit code, or
// -1 (documents and folders are never waited for: 0 once handed over).
int run(const QString& commandLine, bool wait);

} // namespace ksv::CommandLauncher
