#pragma once

#include "Result.h"

#include <QString>

// Program starting and query launchers of the run-time package.
namespace ksv {

// Runs the command line Cmd the way the system's rules write it ("explorer.exe ... PATH",
// "notepad FILE", "ksv_pro.exe "FILE"", a document, a folder or a program; DOS or native
// paths). Show (1 normal, 3 maximised) has no effect on Linux: the desktop places new windows.
// Without Wait: 0 once started, -1 when it could not be. With Wait: the program's exit code,
// -1 when it could not start (documents and folders are handed over and never waited for).
int WinExecAndWait32(const QString& Cmd, int Show, bool Wait);

// Refreshes in folder Dir the launchers that run the queries: one freedesktop ".desktop" file
// per numbered query of the settings file Ini (sections "1".."150" that are not empty) and per
// known query file ([KsvFile] n0, n1, ...), each running kestrave with the number or the file's
// path. Launchers this routine wrote earlier (marked X-Kestrave-Query) are replaced or, when
// their query is gone, removed; other files of the folder are never touched.
// Dir and Ini may be DOS or native paths; Dir is created when missing.
Result<int> CreerIconesDemarrer2(const QString& Ini, const QString& Dir);

} // namespace ksv
