#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <Qt>

#include <functional>

// The main window's commands without widgets: which key does what, the command lines of the
// programs the window starts, the path panel's geometry, the path combo's characters, emptying
// the work folder and creating folders. The window only shows and asks.
namespace ksv::WindowCommands {

enum class KeyCommand
{
    None,
    Quit,                   // Esc
    FormatFloppy,           // F5
    FormatZip,              // F6
    Cut,                    // F7 (when cutting is allowed)
    Restore,                // F8 (when restoring is allowed)
    LargeForm,              // F9
    CreateFolderAndExplore, // F12, also with Shift or Ctrl
    OpenLog,                // Alt+F9
    EmptyWorkFolder,        // Alt+F10
    OpenQueryOrSettings,    // Alt+F11
};

// The command of a key in a shift state. Alt alone has its own keys; every other shift state
// (none, Shift, Ctrl, or Alt together with another) uses the plain ones.
KeyCommand commandForKey(int key, Qt::KeyboardModifiers shift);

// The path combo accepts backspace, Enter, space, "!#$&*-.:@_~\", digits and ASCII letters.
bool pathCharacterAllowed(QChar c);
// What a refused character becomes: a control character that the field does not insert.
inline constexpr char16_t RefusedPathCharacter = 15;
QChar filterPathCharacter(QChar c);

// The first argument, upper-cased, contains ".KSV" (the run was a query file).
bool mentionsQueryFile(const QStringList& arguments);
// The first argument's extension, upper-cased, is exactly ".KSV".
bool hasQueryFileExtension(const QStringList& arguments);

// A program the window starts: its name as the system writes it ("ksv_pro.exe"), its arguments,
// and the whole command line as logged.
struct ProgramCommand
{
    QString program;
    QStringList arguments;
    QString commandLine;
};

// The query editor with the query file, or the configuration program with the first argument.
// programFolder is the program folder with its trailing separator.
ProgramCommand queryEditorCommand(const QString& programFolder, const QStringList& arguments);
ProgramCommand adminCommand(const QString& programFolder);
ProgramCommand schedulerCommand(const QString& programFolder);
// "explorer.exe /e,/idlist,/root," + path.
QString explorerCommand(const QString& path);
// What Alt+F11 opens: the query file named by the first argument, else the settings file.
QString queryOrSettingsFile(const QStringList& arguments, const QString& settingsFile);

// Where the path panel's controls go when the splitter is at position (pixels from the panel's
// left edge).
struct PathPanelGeometry
{
    int labelWidth = 0; // free-space label and its bevel
    int splitterLeft = 0;
    int buttonLeft = 0; // history button
    int comboLeft = 0;
    int comboWidth = 0;
};
PathPanelGeometry pathPanelGeometry(int position, int panelWidth);

// Deletes every file of the work folder; the log line with " ---> OK " or " ---> ERRORS !".
QString emptyWorkFolder(const QString& nativeWorkFolder, const QDateTime& now);
// A folder typed in the combo is offered for creation only when it is at least 4 characters
// long and does not exist yet.
bool folderCreationWanted(const QString& dosPath);
// Creates the folder with its missing parents; the log line with " ---> OK " or " ---> ERRORS !".
QString createFolder(const QString& dosPath, const QDateTime& now);

// The executable of a companion program ("Ksv_Run.exe" is "ksv_run" beside the running
// program); empty when it is not there.
QString findCompanion(const QString& program);
// Tests replace where companions are looked for; an empty function restores the default.
void setCompanionLookup(std::function<QString(const QString&)> lookup);

} // namespace ksv::WindowCommands
