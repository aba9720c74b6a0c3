#pragma once

#include <QString>

// Path routines of the run-time package. Paths are in the system's DOS form ("C:\Data\"); a
// folder that has no DOS form (outside every drive) is returned in native form with "/".
namespace ksv {

// S with exactly one trailing separator: "\" (or "/" for a native path); an empty S stays
// empty, so that "nothing" never becomes a root folder.
QString AppendSlash(const QString& S);
// S without trailing "\" or "/" ("C:\" gives "C:").
QString RemoveSlash(const QString& S);

// The program folder, with trailing backslash (see ksv::ProgramFolder).
QString CheminProg();
// The folder of desktop launchers ($XDG_DATA_HOME/applications/), which stands for the
// Start-menu programs folder, with trailing separator.
QString DossierDemarrer();
// The desktop folder (XDG desktop directory), with trailing separator.
QString DossierBureau();

// N without folder and without its last extension: "C:\Jobs\daily.ksv" gives "daily".
QString FileNameAlone(const QString& N);
// P after its last "\" (or "/"), with ".exe" (IsExe) or ".zip" added when WithExt.
QString MakeArchName(const QString& P, bool IsExe, bool WithExt);
// Full path inside Dir of the entry of a key=value Line of a query file: the value (text right
// of the first "=", blanks dropped, a leading ".\" or "\" dropped) behind Dir with one
// backslash. Flags after "<>" are kept. With an empty Dir the value is returned alone.
QString WorkOnDirString(const QString& Dir, const QString& Line);
// The long form of P: the DOS form with the case of the names that exist on disk
// ("c:\backup\x" -> "C:\Backup\x"). A native path is turned into its DOS form; a path that
// cannot be resolved is returned as given.
QString GetShellPathName(const QString& P);

} // namespace ksv
