// The main window's commands: keys, the pop-up menu, the queries, help and format panels, the
// path combo and the programs the window starts. The decisions live in WindowCommands; these
// handlers ask, show and log.
#include "TForm1.h"

#include "Clock.h"
#include "ComboHistoryAdapter.h"
#include "Dialogs.h"
#include "Drives.h"
#include "FormatDialog.h"
#include "HelpWindow.h"
#include "IniFile.h"
#include "PackageLaunchers.h"
#include "PackagePaths.h"
#include "QueryRunner.h"
#include "RunnerConstants.h"
#include "RunnerTexts.h"
#include "SettingsKeys.h"
#include "SystemActions.h"
#include "TAboutBox.h"
#include "TFormPswIni.h"
#include "WindowCommands.h"
#include "WindowRegistry.h"
#include "widgets/BlinkingLabel.h"
#include "widgets/HemisphereButton.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace ksv {

using namespace RunnerTexts;
using WindowCommands::KeyCommand;

namespace {

// Help topics: the shortcut keys, and the whole help.
constexpr int kHelpKeysTopic = 104;
constexpr int kHelpFileTopic = 99;

// The executable a companion's Windows name stands for ("Ksv_Run.exe" is "ksv_run").
QString executableName(const QString& program)
{
    QString name = program.toLower();
    if (name.endsWith(QLatin1String(".exe")))
        name.chop(4);
    return name;
}

} // namespace

void TForm1::connectCommands()
{
    connect(m_ui.Bttn3dAbout, &QAbstractButton::clicked, this, &TForm1::Bttn3dAboutClick);
    connect(m_ui.about, &QAction::triggered, this, &TForm1::aboutClick);
    connect(m_ui.Bttn3dPopMnu, &QAbstractButton::clicked, this, &TForm1::Bttn3dPopMnuClick);
    connect(m_ui.Button3DRequete, &QAbstractButton::clicked, this, &TForm1::Button3DRequeteClick);
    connect(m_ui.Editerlefichierinidesparamtrages1, &QAction::triggered, this,
            &TForm1::Editerlefichierinidesparamtrages1Click);
    connect(m_ui.admini, &QAction::triggered, this, &TForm1::adminiClick);
    connect(m_ui.PswTime, &QAction::triggered, this, &TForm1::PswTimeClick);
    connect(m_ui.Button3DNotice, &QAbstractButton::clicked, this, &TForm1::Button3DNoticeClick);
    // Only the user's click: the settings loader sets the tick without it.
    connect(m_ui.CbAutomation, &QCheckBox::clicked, this, &TForm1::CbAutomationClick);
    connect(m_ui.Bttn3DDelComboPath, &QAbstractButton::clicked, this, &TForm1::Bttn3DDelComboPathClick);
    connect(m_ui.Bttn3DForDsk, &QAbstractButton::clicked, this, &TForm1::Bttn3DForDskClick);
    connect(m_ui.Bttn3dForZip, &QAbstractButton::clicked, this, &TForm1::Bttn3dForZipClick);
    // Clicks on the labels and the characters typed into the combo reach eventFilter, which
    // watches the whole application.
}

// ------------------------------------------------------------------------------------------
// Keys.

bool TForm1::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    // Every key restarts the auto-close delay.
    ResetTimeOut();
    switch (WindowCommands::commandForKey(key, shift)) {
    case KeyCommand::None:
        return false;
    case KeyCommand::Quit:
        BtQuitter3DClick();
        break;
    case KeyCommand::FormatFloppy:
        Bttn3DForDskClick();
        break;
    case KeyCommand::FormatZip:
        Bttn3dForZipClick();
        break;
    // Forbidden by the administrator: cutting and restoring do nothing, without a message.
    case KeyCommand::Cut:
        if (m_state.settings.admin.r)
            Cut();
        break;
    case KeyCommand::Restore:
        if (m_state.settings.admin.r)
            Restore();
        break;
    case KeyCommand::LargeForm:
        LargeForm();
        break;
    case KeyCommand::CreateFolderAndExplore:
        // The Explorer opens even where folder creation is refused; nothing is logged.
        CreerRepertoire();
        openExplorer(m_ui.ComboPath->currentText());
        break;
    case KeyCommand::OpenLog:
        WinExecAndWait32(m_paths.logFile, 1, false);
        break;
    case KeyCommand::EmptyWorkFolder:
        emptyWorkFolder();
        break;
    case KeyCommand::OpenQueryOrSettings:
        WinExecAndWait32(WindowCommands::queryOrSettingsFile(m_arguments, m_paths.settingsFile), 1, false);
        break;
    }
    return true;
}

void TForm1::emptyWorkFolder()
{
    // The work folder holds the archive being written while a compression runs: it is not
    // emptied under the compression's feet.
    if (m_runner && m_runner->zip().Busy())
        return;
    if (dialogs().message(MessageKind::Confirmation, emptyWorkFolderQuestion(), {Button::Yes, Button::No}) ==
        Button::No)
        return;
    addLogLine(WindowCommands::emptyWorkFolder(m_paths.workFolder, Clock::now()));
}

// ------------------------------------------------------------------------------------------
// Restrictions and companion programs.

void TForm1::refuse(QWidget* control)
{
    setHint(control, featureDeactivated());
}

void TForm1::refuse(QAction* item)
{
    setHint(item, featureDeactivated());
}

QString TForm1::programFolderText() const
{
    return m_paths.programFolderDos.isEmpty() ? m_paths.programFolder : m_paths.programFolderDos;
}

bool TForm1::startCompanion(const QString& program, const QStringList& arguments, const QString& commandLine)
{
    const QString executable = WindowCommands::findCompanion(program);
    if (executable.isEmpty()) {
        addLogLine(companionMissingLog(commandLine));
        dialogs().message(MessageKind::Error,
                          companionMissing(executableName(program), QCoreApplication::applicationDirPath()),
                          {Button::Ok});
        return false;
    }
    if (!systemActions().startProgram(executable, arguments)) {
        addLogLine(companionFailedLog(commandLine));
        return false;
    }
    return true;
}

void TForm1::openExplorer(const QString& path)
{
    WinExecAndWait32(WindowCommands::explorerCommand(path), 3, false);
}

// ------------------------------------------------------------------------------------------
// Queries panel, administration, password, about, pop-up menu, help.

void TForm1::Button3DRequeteClick()
{
    const WindowCommands::ProgramCommand command =
        WindowCommands::queryEditorCommand(programFolderText(), m_arguments);
    addLogLine(openQueryEditorLog(command.commandLine));
    startCompanion(command.program, command.arguments, command.commandLine);
}

void TForm1::Label3RequeteClick()
{
    Button3DRequeteClick();
}

void TForm1::Editerlefichierinidesparamtrages1Click()
{
    Button3DRequeteClick();
}

void TForm1::adminiClick()
{
    const WindowCommands::ProgramCommand command = WindowCommands::adminCommand(programFolderText());
    // Without the administration program there is nothing to hand over to: the window stays.
    if (!startCompanion(command.program, command.arguments, command.commandLine))
        return;
    // The program ends at once: no log, history or position is saved, nothing is ejected.
    endProgram(0);
}

void TForm1::PswTimeClick()
{
    if (!m_state.settings.admin.z) {
        refuse(m_ui.PswTime);
        return;
    }
    TFormPswIni::run(this, m_paths.settingsFile);
}

void TForm1::aboutClick()
{
    Bttn3dAboutClick();
}

void TForm1::Bttn3dAboutClick()
{
    TAboutBox::execute(this);
}

void TForm1::Bttn3dPopMnuClick()
{
    m_ui.PopupMenu1->popup(QCursor::pos());
}

void TForm1::Button3DNoticeClick()
{
    showHelpTopic(kHelpKeysTopic, this);
}

void TForm1::Label3DNoticeClick()
{
    showHelpTopic(kHelpFileTopic, this);
}

// ------------------------------------------------------------------------------------------
// Automatic launch.

void TForm1::CbAutomationClick()
{
    const bool on = m_ui.CbAutomation->isChecked();
    m_settings->writeBool(SettingsKeys::General, SettingsKeys::general::automate, on);
    if (on) {
        dialogs().message(MessageKind::Information, automationActivated(), {Button::Ok});
    } else {
        dialogs().message(MessageKind::Information, automationInactivated(), {Button::Ok});
        if (WindowRegistry::exists(RunnerConstants::schedulerTitle()))
            WindowRegistry::sendClose(RunnerConstants::schedulerTitle());
    }
    const WindowCommands::ProgramCommand command = WindowCommands::schedulerCommand(programFolderText());
    startCompanion(command.program, command.arguments, command.commandLine);
}

// ------------------------------------------------------------------------------------------
// Path combo.

QChar TForm1::ComboPathKeyPress(QChar key)
{
    const QChar result = WindowCommands::filterPathCharacter(key);
    if (key != QLatin1Char('\r') && key != QLatin1Char('\n'))
        return result;
    if (!m_state.settings.admin.n)
        return result;
    m_ui.ComboPath->setEditText(AppendSlash(m_ui.ComboPath->currentText()));
    CreerRepertoire();
    ComboHistoryAdapter::addCurrentText(m_ui.ComboPath);
    UpdateLbExplo();
    return result;
}

void TForm1::CreerRepertoire()
{
    const QString path = m_ui.ComboPath->currentText();
    if (!m_state.settings.admin.n) {
        refuse(m_ui.ComboPath);
        return;
    }
    if (!WindowCommands::folderCreationWanted(path))
        return;
    if (dialogs().message(MessageKind::Warning, createFolderQuestion(path), {Button::Yes, Button::No}) ==
        Button::No)
        return;
    addLogLine(WindowCommands::createFolder(path, Clock::now()));
}

void TForm1::Bttn3DDelComboPathClick()
{
    if (!m_state.settings.admin.d) {
        refuse(m_ui.Bttn3DDelComboPath);
        return;
    }
    ComboHistoryAdapter::fillWithDrives(m_ui.ComboPath);
}

void TForm1::Lb3dExploClick()
{
    if (!m_state.settings.admin.e) {
        refuse(m_ui.Lb3dExplo);
        return;
    }
    const QString path = m_ui.ComboPath->currentText();
    CreerRepertoire();
    openExplorer(path);
    addLogLine(openExplorerLog(path));
}

// ------------------------------------------------------------------------------------------
// Format panel.

void TForm1::formatDrive(QChar letter)
{
    const quint32 result = FormatDrive(QStringLiteral("kestrave.exe"), letter);
    addLogLine(result == 0 ? formatDiskOk() : formatDiskFailed());
}

void TForm1::Bttn3DForDskClick()
{
    if (!m_state.settings.admin.f) {
        refuse(m_ui.Bttn3DForDsk);
        return;
    }
    // Without a drive A the format would fail out of sight (the log is not on the screen).
    if (!driveServices().drive(QLatin1Char('A'))) {
        dialogs().message(MessageKind::Information, noFloppyDrive(), {Button::Ok});
        return;
    }
    formatDrive(QLatin1Char('A'));
    m_ui.ComboPath->setEditText(QStringLiteral("A:\\"));
    UpdateLbExplo();
}

void TForm1::Bttn3dForZipClick()
{
    if (!m_state.settings.admin.f) {
        refuse(m_ui.Bttn3dForZip);
        return;
    }
    formatDrive(FindZipDrive());
    const QChar letter = FindZipDrive();
    if (!letter.isSpace() && !letter.isNull())
        m_ui.ComboPath->setEditText(QString(letter) + QStringLiteral(":\\"));
    UpdateLbExplo();
}

void TForm1::PnFormatMouseMove()
{
    // The drive is looked for anew at each move: a ZIP disk may have been plugged in meanwhile.
    const QChar letter = FindZipDrive();
    if (!letter.isSpace() && !letter.isNull())
        m_ui.Bttn3dForZip->setText(QString(letter) + QLatin1Char(':'));
}

} // namespace ksv
