#include "WindowCommands.h"

#include "Drives.h"
#include "NativePath.h"
#include "PackageFiles.h"
#include "PackagePaths.h"
#include "ProgramFolder.h"
#include "RunnerStartup.h"
#include "RunnerTexts.h"

#include <QDir>
#include <QFileInfo>

namespace ksv::WindowCommands {

namespace {

std::function<QString(const QString&)>& companionLookup()
{
    static std::function<QString(const QString&)> lookup;
    return lookup;
}

ProgramCommand programCommand(const QString& programFolder, const QString& program,
                              const QStringList& arguments)
{
    ProgramCommand command;
    command.program = program;
    command.arguments = arguments;
    command.commandLine = programFolder + program;
    if (!arguments.isEmpty())
        command.commandLine += QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    return command;
}

} // namespace

KeyCommand commandForKey(int key, Qt::KeyboardModifiers shift)
{
    shift &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    if (shift == Qt::AltModifier) {
        switch (key) {
        case Qt::Key_F9:
            return KeyCommand::OpenLog;
        case Qt::Key_F10:
            return KeyCommand::EmptyWorkFolder;
        case Qt::Key_F11:
            return KeyCommand::OpenQueryOrSettings;
        default:
            return KeyCommand::None;
        }
    }
    switch (key) {
    case Qt::Key_Escape:
        return KeyCommand::Quit;
    case Qt::Key_F5:
        return KeyCommand::FormatFloppy;
    case Qt::Key_F6:
        return KeyCommand::FormatZip;
    case Qt::Key_F7:
        return KeyCommand::Cut;
    case Qt::Key_F8:
        return KeyCommand::Restore;
    case Qt::Key_F9:
        return KeyCommand::LargeForm;
    case Qt::Key_F12:
        return KeyCommand::CreateFolderAndExplore;
    default:
        return KeyCommand::None;
    }
}

bool pathCharacterAllowed(QChar c)
{
    const char16_t u = c.unicode();
    if (u == 8 || u == 13 || u == 10)
        return true;
    if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))
        return true;
    return QStringLiteral(" !#$&*-.:@\\_~").contains(c);
}

QChar filterPathCharacter(QChar c)
{
    return pathCharacterAllowed(c) ? c : QChar(RefusedPathCharacter);
}

bool mentionsQueryFile(const QStringList& arguments)
{
    return arguments.value(0).toUpper().contains(QLatin1String(".KSV"));
}

bool hasQueryFileExtension(const QStringList& arguments)
{
    const QString first = arguments.value(0);
    const qsizetype separator =
        std::max(first.lastIndexOf(QLatin1Char('\\')), first.lastIndexOf(QLatin1Char('/')));
    const qsizetype dot = first.lastIndexOf(QLatin1Char('.'));
    return dot > separator && first.mid(dot).toUpper() == QLatin1String(".KSV");
}

ProgramCommand queryEditorCommand(const QString& programFolder, const QStringList& arguments)
{
    if (hasQueryFileExtension(arguments)) {
        // The query file arrives whole in the first argument; the editor gets its long form.
        const QString file = GetShellPathName(arguments.first());
        ProgramCommand command = programCommand(programFolder, QStringLiteral("ksv_pro.exe"), {file});
        command.commandLine = programFolder + QStringLiteral("ksv_pro.exe \"") + file + QLatin1Char('"');
        return command;
    }
    const QString first = arguments.value(0);
    ProgramCommand command = programCommand(programFolder, QStringLiteral("configksv.exe"),
                                            first.isEmpty() ? QStringList() : QStringList{first});
    // An empty argument still leaves the blank after the program's name.
    command.commandLine = programFolder + QStringLiteral("configksv.exe ") + first;
    return command;
}

ProgramCommand adminCommand(const QString& programFolder)
{
    return programCommand(programFolder, QStringLiteral("KSV_ADMIN.EXE"), {});
}

ProgramCommand schedulerCommand(const QString& programFolder)
{
    return programCommand(programFolder, QStringLiteral("Ksv_Run.exe"), {});
}

QString explorerCommand(const QString& path)
{
    return QStringLiteral("explorer.exe /e,/idlist,/root,") + path;
}

QString queryOrSettingsFile(const QStringList& arguments, const QString& settingsFile)
{
    return mentionsQueryFile(arguments) ? arguments.first() : settingsFile;
}

PathPanelGeometry pathPanelGeometry(int position, int panelWidth)
{
    PathPanelGeometry g;
    g.labelWidth = position - 20;
    g.comboLeft = position + 20;
    g.buttonLeft = g.comboLeft - 15;
    g.splitterLeft = position;
    g.comboWidth = panelWidth - g.labelWidth - 50;
    return g;
}

QString emptyWorkFolder(const QString& nativeWorkFolder, const QDateTime& now)
{
    const Status deleted = DelAllFile(nativeWorkFolder, QStringLiteral("*.*"));
    return RunnerStartup::dateTimeText(now) + RunnerTexts::emptyWorkFolderLog() +
           (deleted ? RunnerTexts::okMark() : RunnerTexts::errorsMark());
}

bool folderCreationWanted(const QString& dosPath)
{
    if (dosPath.size() < 4)
        return false;
    const QString native = NativePath::of(dosPath);
    return native.isEmpty() || !QFileInfo(native).isDir();
}

QString createFolder(const QString& dosPath, const QDateTime& now)
{
    const QString native = NativePath::of(dosPath);
    // A text without a drive would be taken from the current folder: never created. A drive
    // whose medium refuses writes refuses the folder too (on the simulated platform the folder
    // behind such a drive is writable: only the drive's state tells).
    const bool onWritableDrive = DosPath::driveLetter(dosPath).isNull() || DosPath::writable(dosPath);
    const bool made = !native.isEmpty() && QDir::isAbsolutePath(native) && onWritableDrive &&
                      QDir().mkpath(native) && QFileInfo(native).isDir();
    return RunnerStartup::dateTimeText(now) +
           (made ? RunnerTexts::createDirOk(dosPath) : RunnerTexts::createDirFailed(dosPath));
}

QString findCompanion(const QString& program)
{
    if (const auto& lookup = companionLookup())
        return lookup(program);
    return ProgramFolder::companionProgram(program);
}

void setCompanionLookup(std::function<QString(const QString&)> lookup)
{
    companionLookup() = std::move(lookup);
}

} // namespace ksv::WindowCommands
