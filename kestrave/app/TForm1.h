#pragma once

#include "CommandLineDispatch.h"
#include "RunLog.h"
#include "RunState.h"
#include "RunnerContext.h"
#include "RunnerPaths.h"
#include "TForm1Controls.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <optional>

namespace ksv {

class IniFile;
class QueryRunner;
class TForm1RunView;
class WindowRegistry;

// The runner's main window. Its creation does the whole start: unit start-up (paths, settings
// file, work folder), the creation handler (settings, log, shortcut folders, path history) and
// the dispatch on the first command-line argument; a run happens before the message loop.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    // arguments: the command line without the program name.
    explicit TForm1(const QStringList& arguments, QWidget* parent = nullptr);
    ~TForm1() override;

    // The start already decided that the program ends (bad argument, restore not available,
    // quit during creation); main returns exitCode() instead of running the message loop.
    bool endRequested() const { return m_endRequested; }
    int exitCode() const { return m_exitCode; }

    const TForm1Controls& controls() const { return m_ui; }
    const RunState& runState() const { return m_state; }
    const RunLog& runLog() const { return m_log; }
    const RunnerPaths& paths() const { return m_paths; }
    const CommandLineDispatch& dispatch() const { return m_dispatch; }

    // Widths of the small, large and welcome layouts.
    int smallWidth() const;
    int largeWidth() const;
    int welcomeWidth() const;

    // Adds a text to the log (line breaks inside start new lines).
    void addLogLine(const QString& text);

    // The query runs (null before the window's creation ends in tests that build no runner).
    QueryRunner* runner() const { return m_runner.get(); }
    // What the cutting and restore windows get from this window.
    RunnerContext runnerContext();
    // Shows the window for a run, unless the program was started minimised.
    void showForRun();
    // The large width (lists and panels on the right).
    void showLarge();
    // "ZipErr.gif", loaded directly and looping, after errors.
    void showErrorAnimation();

public slots:
    void CloseTimerTimer();
    void ResetTimeOut();
    void BtQuitter3DClick();
    void CbAutoCloseClick();
    void LargeForm();
    void Voirleprocessusdesauvegarde1Click();
    void DskTurnClick();
    void GifClick();
    void AffichageHintClick();
    void SaveLogClick();
    void DelLogClick();
    void ViewLogClick();
    void EjectClose();
    void ComboPathChange();
    void UpdateLbExplo();
    void SplitIt1Split(int position);
    void edTypeboiteIntChange();
    void GifImageShow(const QString& fileName, bool on);
    // The restore window for split files, shown modally.
    void Restore();
    // The cutting window, shown modally (key F7).
    void Cut();
    // A click on a line of the error list (the choice of an application folder).
    void ListBox1Click(const QString& line);
    // The window's key handler: it sees every key before the controls. True when the key was
    // used (the control then does not get it).
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);

    // Commands of the window (queries, help and format panels, menu, path combo).
    void Button3DRequeteClick();
    void Label3RequeteClick();
    void Editerlefichierinidesparamtrages1Click();
    void adminiClick();
    void PswTimeClick();
    void aboutClick();
    void Bttn3dAboutClick();
    void Bttn3dPopMnuClick();
    void Button3DNoticeClick();
    void Label3DNoticeClick();
    void CbAutomationClick();
    // A character typed into the path combo: the character the field gets (code 15 for a
    // refused one, which it does not insert). Enter also creates the folder and keeps the path.
    QChar ComboPathKeyPress(QChar key);
    void CreerRepertoire();
    void Bttn3DDelComboPathClick();
    void Lb3dExploClick();
    void Bttn3DForDskClick();
    void Bttn3dForZipClick();
    void PnFormatMouseMove();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void unitStartup();
    void FormCreate();
    void dispatchCommandLine();
    void loadSettings();
    void applyAdminFlags();
    void startWithoutArgument();
    void askAdministratorPassword();
    std::optional<QString> askAdministratorPasswordText();
    void showWelcomeLayout();
    void OneRequete();
    void AllArchives();
    void FichierKsv();
    void restoreAndEnd();
    void centreOnScreen();
    void startAutoClose();
    void FormMouseMove();
    // A key pressed in the path combo: true when it was used or refused (the combo does not
    // get it).
    bool comboPathKey(const QKeyEvent* key);
    void endProgram(int code);
    void layoutColumns();
    // The width the free-space label needs to show its caption whole.
    int freeSpaceLabelNeeds() const;
    void setWindowWidth(int width);
    void appendLogToMemo(const QStringList& lines);
    void refreshZipButton();
    void loadPathHistory();
    void savePathHistory();
    void connectCommands();
    void refuse(QWidget* control);
    void refuse(QAction* item);
    void openExplorer(const QString& path);
    void emptyWorkFolder();
    void formatDrive(QChar letter);
    // Starts a companion program; when it is missing, logs the attempt and tells the user.
    bool startCompanion(const QString& program, const QStringList& arguments, const QString& commandLine);
    QString programFolderText() const;

    TForm1Controls m_ui;
    RunnerPaths m_paths;
    std::unique_ptr<IniFile> m_settings;
    RunState m_state;
    RunLog m_log;
    CommandLineDispatch m_dispatch;
    std::unique_ptr<TForm1RunView> m_view;
    std::unique_ptr<QueryRunner> m_runner;
    QStringList m_arguments;
    WindowRegistry* m_registry = nullptr;
    QString m_startMenuFolder;
    QString m_otherFolder;
    bool m_keepStartMenu = true;
    bool m_keepOther = false;
    int m_columnHeight = 0;
    int m_leftWidth = 400;
    int m_rightWidth = 0;
    int m_splitPosition = -1; // the path panel's splitter, once the settings placed it
    bool m_endRequested = false;
    int m_exitCode = 0;
    bool m_quitting = false;
    bool m_centred = false;
};

} // namespace ksv
