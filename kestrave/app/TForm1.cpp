#include "TForm1.h"

#include "AdminPassword.h"
#include "Clock.h"
#include "ComboHistoryAdapter.h"
#include "Dialogs.h"
#include "DiskEject.h"
#include "DiskSpaceKludge.h"
#include "Drives.h"
#include "FormatDialog.h"
#include "FreeSpaceCaption.h"
#include "IniFile.h"
#include "NativePath.h"
#include "PackageFiles.h"
#include "PackageLaunchers.h"
#include "PackagePaths.h"
#include "PackageStrings.h"
#include "PackageSystem.h"
#include "PlatformEnvironment.h"
#include "ProgramFolder.h"
#include "QueryRunner.h"
#include "RunnerConstants.h"
#include "RunnerStartup.h"
#include "RunnerTexts.h"
#include "SettingsKeys.h"
#include "SpanWindow.h"
#include "SystemActions.h"
#include "TForm1RunView.h"
#include "TFormCut.h"
#include "TFormRest.h"
#include "TPassAdmini.h"
#include "WindowCommands.h"
#include "WindowRegistry.h"
#include "widgets/BlinkingLabel.h"
#include "widgets/HemisphereButton.h"
#include "widgets/PathLabel.h"
#include "widgets/SplitterBar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QMovie>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTextStream>
#include <QTimer>


namespace ksv {

using namespace RunnerTexts;

namespace {

const QLatin1String kGeneral = SettingsKeys::General;
// Logical size of the small layout.
constexpr int kSmallWidth = 400;
constexpr int kSmallHeight = 217;
// Width of the right column (format panel, lists, queries and help panels).
constexpr int kRightColumnWidth = 236;
constexpr int kRightMargin = 15;

void printError(const QString& line)
{
    QTextStream(stderr) << line << Qt::endl;
}

} // namespace

TForm1::TForm1(const QStringList& arguments, QWidget* parent) : QMainWindow(parent), m_arguments(arguments)
{
    unitStartup();
    m_ui.build(this);
    m_view = std::make_unique<TForm1RunView>(*this, m_ui);
    m_runner = std::make_unique<QueryRunner>(*m_view, m_state, *m_settings, m_paths,
                                             m_arguments.value(0), this);
    // Fixed single border: title, system menu, minimise and close; no maximise, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(mainCaption());
    setMouseTracking(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_ui.PopupMenu1->popup(mapToGlobal(pos)); });
    connect(m_ui.CloseTimer, &QTimer::timeout, this, &TForm1::CloseTimerTimer);
    connect(m_ui.BtQuitter3D, &QAbstractButton::clicked, this, &TForm1::BtQuitter3DClick);
    connect(m_ui.CbAutoClose, &QCheckBox::clicked, this, &TForm1::CbAutoCloseClick);
    connect(m_ui.Voirleprocessusdesauvegarde1, &QAction::triggered, this, &TForm1::Voirleprocessusdesauvegarde1Click);
    connect(m_ui.DskTurn, &QAction::triggered, this, &TForm1::DskTurnClick);
    connect(m_ui.Gif, &QAction::triggered, this, &TForm1::GifClick);
    connect(m_ui.AffichageHint, &QAction::triggered, this, &TForm1::AffichageHintClick);
    connect(m_ui.SaveLog, &QAction::triggered, this, &TForm1::SaveLogClick);
    connect(m_ui.DelLog, &QAction::triggered, this, &TForm1::DelLogClick);
    connect(m_ui.ViewLog, &QAction::triggered, this, &TForm1::ViewLogClick);
    // Clicking a line of the in-use list makes that line the list's hint.
    connect(m_ui.ListBox2, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { setHint(m_ui.ListBox2, item->text()); });
    connect(m_ui.ListBox1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ListBox1Click(item->text()); });
    connect(m_ui.ComboPath, &QComboBox::currentTextChanged, this, &TForm1::ComboPathChange);
    connect(m_ui.SplitIt1, &SplitterBar::split, this, &TForm1::SplitIt1Split);
    connect(m_ui.edTypeboiteInt, &QLineEdit::textChanged, this, &TForm1::edTypeboiteIntChange);
    for (HemisphereButton* b : m_ui.hemisphereButtons()) {
        connect(b, &HemisphereButton::hovered, this, [this, b] {
            for (HemisphereButton* other : m_ui.hemisphereButtons())
                other->setRaised(other == b);
        });
    }
    // Mouse moves over the window's background restart the auto-close delay.
    for (QWidget* w : {centralWidget(), m_ui.LeftColumn, m_ui.RightColumn}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    // The application-wide filter also sees the format panel's moves and the label's clicks:
    // a filter on those controls too would run each command twice.
    qApp->installEventFilter(this);
    connectCommands();

    FormCreate();
}

TForm1::~TForm1()
{
    if (qApp)
        qApp->removeEventFilter(this);
    m_runner.reset();
}

// ------------------------------------------------------------------------------------------
// Unit start-up: paths, settings file, work folder, run state.

void TForm1::unitStartup()
{
    m_state = RunState{};
    m_state.autoClose.reset();
    m_state.pathChosen = true;
    m_state.userCancel = false;
    m_paths = RunnerPaths::fromProgramFolder();
    RunnerStartup::prepareWorkFolder(m_paths);
    m_settings = std::make_unique<IniFile>(m_paths.settingsFile);
    m_state.includeList.clear();
    m_state.excludeList.clear();
    m_state.startupShowCommand = RunnerStartup::startupShowCommand();
    if (RunnerStartup::startsMinimised(m_state.startupShowCommand))
        setWindowState(Qt::WindowMinimized);
    m_registry = new WindowRegistry(this);
    m_registry->registerTitle(RunnerConstants::applicationTitle());
    connect(m_registry, &WindowRegistry::closeRequested, this, &TForm1::BtQuitter3DClick);
}

// ------------------------------------------------------------------------------------------
// Window creation handler.

void TForm1::FormCreate()
{
    const QString idle = ProgramFolder::findAsset(QStringLiteral("ZipIdle.png"));
    if (!idle.isEmpty())
        m_ui.Image1->setPixmap(QPixmap(idle));

    // 1. The small layout.
    layoutColumns();
    setWindowWidth(smallWidth());

    // 2. Screen saver.
    const bool screenSaverAllowed = AdminFlags::load(*m_settings).s;
    m_state.screenSaverWasActive = systemActions().screenSaverActive();
    if (!screenSaverAllowed && m_state.screenSaverWasActive)
        systemActions().setScreenSaverActive(false);

    // 3. Caption; hints: the status bar shows the long part of the current hint.
    setWindowTitle(mainCaption());

    // 4. The log.
    m_log.load(m_paths.logFile);
    m_ui.memolog->setPlainText(m_log.lines().join(QLatin1Char('\n')));

    // 5. What an interrupted compression left.
    RunnerStartup::removeWorkLeftovers(m_paths);

    // 6. Shortcut folders.
    const GeneralSettings general = GeneralSettings::load(*m_settings);
    m_startMenuFolder = startMenuShortcutFolder(general);
    m_otherFolder = otherShortcutFolder(general);
    m_keepStartMenu = general.bstartsav;
    m_keepOther = general.botherlnk;
    if (m_keepStartMenu && !m_startMenuFolder.isEmpty())
        QDir().mkpath(NativePath::of(m_startMenuFolder));
    if (m_keepOther && !m_otherFolder.isEmpty())
        QDir().mkpath(NativePath::of(m_otherFolder));

    // 7. Path combo history.
    loadPathHistory();
    ComboPathChange();

    // 8. Dispatch.
    dispatchCommandLine();
}

void TForm1::dispatchCommandLine()
{
    m_dispatch = CommandLineDispatch::decide(m_arguments);
    if (m_dispatch.noArgument)
        startWithoutArgument();
    if (m_dispatch.restore)
        restoreAndEnd();
    if (m_dispatch.allQueries)
        AllArchives();
    if (m_dispatch.numberedQuery)
        OneRequete();
    if (m_dispatch.queryFile)
        FichierKsv();
    if (m_dispatch.matchesNothing()) {
        // Nothing to start and no window to show: end at once rather than linger invisibly.
        printError(unknownArgument(m_dispatch.argument));
        endProgram(2);
    }
}

// ------------------------------------------------------------------------------------------
// Settings loader: the first step of every start and run.

void TForm1::loadSettings()
{
    m_ui.ListBox1->clear();
    m_ui.ListBox2->clear();
    refreshZipButton();
    m_ui.LbFileBgZipd->clear();
    m_ui.Lb3dFinalInfos->clear();

    m_state.settings = RunnerSettings::read(*m_settings);
    const GeneralSettings& g = m_state.settings.general;
    m_ui.Gif->setChecked(g.gif);
    m_ui.JJMM->setChecked(g.dm);
    m_ui.AffichageHint->setChecked(g.vhint);
    m_ui.DskTurn->setChecked(g.DskTurnGame);
    m_ui.Voirleprocessusdesauvegarde1->setChecked(g.voirzip);
    m_ui.SaveLog->setChecked(g.log);
    m_ui.CbAutomation->setChecked(g.automate);
    m_ui.VisuZippage->setVisible(g.voirzip);
    m_ui.ListBox3->setVisible(!g.voirzip);
    SplitIt1Split(g.split);
    applyAdminFlags();
}

void TForm1::applyAdminFlags()
{
    const AdminFlags& a = m_state.settings.admin;
    m_ui.LOG->setEnabled(a.l);
    m_ui.CbAutomation->setEnabled(a.a);
    m_ui.Lb3dFormat->setEnabled(a.f);
    m_ui.Lb3dExplo->setEnabled(a.e);
    m_ui.PswTime->setEnabled(a.z);
    m_ui.Editerlefichierinidesparamtrages1->setEnabled(a.c);
    m_ui.Label3Requete->setEnabled(a.c);
}

// ------------------------------------------------------------------------------------------
// No-argument start: the welcome view.

void TForm1::startWithoutArgument()
{
    m_ui.CloseTimer->stop();
    loadSettings();
    addLogLine(RunnerStartup::openHeader(Clock::now()));
    askAdministratorPassword();
    m_ui.ListBox3->clear();
    m_ui.ListBox3->addItem(welcomeProcessLine1());
    m_ui.ListBox3->addItem(welcomeProcessLine2());
    showWelcomeLayout();

    // The external scheduler runs when its window exists.
    m_ui.CbAutomation->setChecked(WindowRegistry::exists(RunnerConstants::schedulerTitle()));
    QLineEdit* edit = m_ui.ComboPath->lineEdit();
    const QString text = m_ui.ComboPath->currentText();
    edit->setCursorPosition(text.contains(QLatin1String(":\\")) && text.size() < 4 ? int(text.size()) : 1);
    if (m_keepStartMenu)
        CreerIconesDemarrer2(m_paths.settingsFile, m_startMenuFolder);
    if (m_keepOther)
        CreerIconesDemarrer2(m_paths.settingsFile, m_otherFolder);
}

void TForm1::askAdministratorPassword()
{
    AdminFlags& a = m_state.settings.admin;
    if (!a.hasPassword())
        return;
    const std::optional<QString> typed = askAdministratorPasswordText();
    if (!typed || !AdminPassword::matches(a.passw, *typed))
        return;
    dialogs().message(MessageKind::Information, restrictionsAdjourned(), {Button::Ok});
    a.liftForAdministrator();
    applyAdminFlags();
}

std::optional<QString> TForm1::askAdministratorPasswordText()
{
    // Scripted runs answer through the dialogs service (a "text:" line); with a person at the
    // screen the package's dialog TPassAdmini asks, modally.
    return TPassAdmini::ask(this);
}

void TForm1::loadPathHistory()
{
    const QSignalBlocker blocker(m_ui.ComboPath);
    ComboHistoryAdapter::load(m_ui.ComboPath, m_paths.settingsFile, RunnerConstants::pathHistoryName());
    if (m_ui.ComboPath->count() < 2)
        ComboHistoryAdapter::fillWithDrives(m_ui.ComboPath);
}

void TForm1::savePathHistory()
{
    ComboHistoryAdapter::save(m_ui.ComboPath, m_paths.settingsFile, RunnerConstants::pathHistoryName());
}

void TForm1::showWelcomeLayout()
{
    m_ui.ListBox1->hide();
    m_ui.ListBox2->hide();
    m_ui.LbError->hide();
    m_ui.LbFileInUse->hide();
    m_ui.VisuZippage->hide();
    m_ui.ListBox3->show();
    m_ui.PlNotice->show();
    m_ui.PlRequete->show();
    m_ui.Label1->show();
    m_ui.LbFileRep2Sav->setText(welcomeDataPath());
    m_ui.LbFileDest->setText(welcomeTarget());
    layoutColumns();
    setWindowWidth(welcomeWidth());
    QTimer::singleShot(200, this, [this] {
        if (m_endRequested)
            return;
        centreOnScreen();
        show();
    });
}

// ------------------------------------------------------------------------------------------
// Query runs. Each run ends by starting the auto-close timer.

void TForm1::centreOnScreen()
{
    if (m_centred)
        return;
    m_centred = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TForm1::showForRun()
{
    centreOnScreen();
    if (RunnerStartup::startsMinimised(m_state.startupShowCommand))
        showMinimized();
    else
        show();
}

void TForm1::OneRequete()
{
    loadSettings();
    m_runner->OneRequete(m_dispatch.argument);
    if (!m_endRequested)
        startAutoClose();
}

void TForm1::AllArchives()
{
    loadSettings();
    m_runner->AllArchives();
    if (!m_endRequested)
        startAutoClose();
}

void TForm1::FichierKsv()
{
    loadSettings();
    m_runner->FichierKsv(m_dispatch.argument);
    if (!m_endRequested)
        startAutoClose();
}

void TForm1::ListBox1Click(const QString& line)
{
    if (m_ui.ListBox1->count() == 0 || line.isEmpty())
        return;
    if (!m_runner->chooseApplicationFolder(line))
        dialogs().message(MessageKind::Information, line, {Button::Ok});
}

RunnerContext TForm1::runnerContext()
{
    RunnerContext context;
    context.settingsFile = m_paths.settingsFile;
    context.programFolder = m_paths.programFolder;
    context.startedWithArguments = !m_arguments.isEmpty();
    context.appendLog = [this](const QString& line) { addLogLine(line); };
    context.addErrorLine = [this](const QString& line) { m_ui.ListBox1->addItem(line); };
    return context;
}

void TForm1::Cut()
{
    // After a run the cutting window offers the run's archive, as when it does not fit.
    if (m_runner && !m_arguments.isEmpty() && !m_runner->workArchive().isEmpty()) {
        m_runner->SpanFile();
        return;
    }
    // F7 is a person's key: the window waits for their click even in a scripted run. The
    // destination chosen there becomes the window's, as after a cut during a run.
    const QString chosen =
        showSpanWindow(runnerContext(), QString(), m_state.destination, this, SpanWindowDriver::Person);
    if (!chosen.trimmed().isEmpty()) {
        m_view->showDestination(chosen);
    }
}

void TForm1::Restore()
{
    TFormRest restore(runnerContext(), this);
    restore.exec();
}

void TForm1::restoreAndEnd()
{
    // The settings decide how the program ends afterwards (log saved, delay, limits).
    loadSettings();
    // Nobody is there to close the restore window in an unattended start: it ends after the
    // auto-close delay like every run.
    if (PlatformEnvironment::current().unattended)
        startAutoClose();
    if (dialogsAreScripted()) {
        // Nobody can press Restore either: the window restores the pieces its histories point
        // at (the folder of the first piece and the destination) and closes, as the cutting
        // window cuts by itself in such runs.
        TFormRest restore(runnerContext(), this);
        QTimer::singleShot(0, &restore, [&restore] {
            restore.Restaurer();
            if (restore.isVisible())
                restore.BttnQuitClick();
        });
        restore.exec();
    } else {
        Restore();
    }
    // The restore window closed: the program ends the normal way (log and history saved).
    BtQuitter3DClick();
}

// ------------------------------------------------------------------------------------------
// Auto close and quitting.

void TForm1::startAutoClose()
{
    m_ui.CloseTimer->start();
}

void TForm1::CloseTimerTimer()
{
    const int left = m_state.autoClose.tick(m_state.settings.general.timeoutsec);
    // Unattended runs always end after the delay, so scheduled runs never wait for a person.
    if (!m_ui.CbAutoClose->isChecked() && !PlatformEnvironment::current().unattended)
        return;
    setWindowTitle(autoCloseCaption(left));
    if (left <= 0) {
        m_ui.CloseTimer->stop();
        BtQuitter3DClick();
    }
}

void TForm1::ResetTimeOut()
{
    m_state.autoClose.reset();
}

void TForm1::CbAutoCloseClick()
{
    if (m_ui.CbAutoClose->isChecked())
        m_ui.CloseTimer->start();
    else
        m_ui.CloseTimer->stop();
}

void TForm1::BtQuitter3DClick()
{
    // The program does not quit while compressing: it only offers to cancel the compression.
    if (m_runner && m_runner->zip().Busy()) {
        if (dialogs().message(MessageKind::Warning, cancelCompressionQuestion(), {Button::Yes, Button::No})
            == Button::Yes) {
            m_runner->zip().setCancel(true);
            m_state.userCancel = true;
        }
        return;
    }
    if (m_quitting)
        return;
    m_quitting = true;
    m_ui.CloseTimer->stop();
    addLogLine(RunnerStartup::closeHeader(Clock::now()));

    const int logLines = GeneralSettings::load(*m_settings).logline;
    if (m_log.lineCount() > logLines) {
        if (m_state.settings.admin.l) {
            const Button answer = dialogs().message(MessageKind::Warning, resetLogQuestion(m_log.lineCount()),
                                                    {Button::Yes, Button::No});
            if (answer == Button::Yes)
                m_log.clear();
            else
                m_settings->writeInteger(kGeneral, SettingsKeys::general::logline, logLines + 500);
        } else {
            m_log.clear();
        }
    }
    if (m_ui.SaveLog->isChecked())
        m_log.save(m_paths.logFile);
    if (!m_state.settings.admin.s && m_state.screenSaverWasActive)
        systemActions().setScreenSaverActive(true);
    hide();
    savePathHistory();
    EjectClose();
    m_settings->writeInteger(kGeneral, SettingsKeys::general::top, y());
    m_settings->writeInteger(kGeneral, SettingsKeys::general::left, x());
    endProgram(0);
}

void TForm1::EjectClose()
{
    if (m_ui.CbEject->isChecked()) {
        const QString destination = m_state.destination.isEmpty() ? QStringLiteral("C:\\") : m_state.destination;
        const QChar letter = destination.at(0).toUpper();
        if (driveServices().driveType(letter) == DriveType::Removable) {
            TDiskEject diskEject;
            diskEject.Drive = letter;
            try {
                diskEject.Eject();
            } catch (const EDiskEject& error) {
                dialogs().message(MessageKind::Error, error.message(), {Button::Ok});
            }
        }
    }
    if (m_ui.CbQuitOS->isChecked())
        systemActions().shutdown();
}

void TForm1::endProgram(int code)
{
    m_endRequested = true;
    m_exitCode = code;
    hide();
    QCoreApplication::exit(code);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // Closing the window from the title bar quits the normal way.
    if (!m_endRequested) {
        event->ignore();
        BtQuitter3DClick();
        return;
    }
    event->accept();
}

// ------------------------------------------------------------------------------------------
// Log.

void TForm1::addLogLine(const QString& text)
{
    appendLogToMemo(m_log.append(text));
}

void TForm1::appendLogToMemo(const QStringList& lines)
{
    for (const QString& line : lines)
        m_ui.memolog->appendPlainText(line);
}

void TForm1::DelLogClick()
{
    m_log.clear();
    m_ui.memolog->clear();
    addLogLine(GetSysPhysDetails());
    m_log.save(m_paths.logFile);
}

void TForm1::ViewLogClick()
{
    // A log that cannot be written is shown as it is on disk.
    m_log.save(m_paths.logFile);
    WinExecAndWait32(m_paths.logFile, 1, false);
}

void TForm1::SaveLogClick()
{
    m_settings->writeBool(kGeneral, SettingsKeys::general::log, m_ui.SaveLog->isChecked());
}

// ------------------------------------------------------------------------------------------
// Menu toggles.

void TForm1::Voirleprocessusdesauvegarde1Click()
{
    const bool on = m_ui.Voirleprocessusdesauvegarde1->isChecked();
    m_settings->writeBool(kGeneral, SettingsKeys::general::voirzip, on);
    m_ui.VisuZippage->setVisible(on);
    m_ui.ListBox3->setVisible(!on);
}

void TForm1::DskTurnClick()
{
    m_settings->writeBool(kGeneral, SettingsKeys::general::DskTurnGame, m_ui.DskTurn->isChecked());
}

void TForm1::GifClick()
{
    m_settings->writeBool(kGeneral, SettingsKeys::general::gif, m_ui.Gif->isChecked());
}

void TForm1::AffichageHintClick()
{
    m_state.settings.general.vhint = m_ui.AffichageHint->isChecked();
    m_settings->writeBool(kGeneral, SettingsKeys::general::vhint, m_state.settings.general.vhint);
}

// ------------------------------------------------------------------------------------------
// Animation.

void TForm1::GifImageShow(const QString& fileName, bool on)
{
    if (!m_ui.Gif->isChecked())
        return;
    const QString path = ProgramFolder::findAsset(fileName);
    QFile probe(path);
    if (path.isEmpty() || !probe.open(QIODevice::ReadOnly))
        return;
    probe.close();
    auto* movie = new QMovie(path, {}, m_ui.Image1);
    movie->setScaledSize(m_ui.Image1->size());
    if (QMovie* old = m_ui.Image1->movie())
        old->deleteLater();
    m_ui.Image1->setMovie(movie);
    if (on)
        movie->start();
    else
        movie->jumpToFrame(0);
}

// ------------------------------------------------------------------------------------------
// Path combo and free-space label.

void TForm1::ComboPathChange()
{
    QString text = m_ui.ComboPath->currentText();
    if (text.isEmpty())
        text = QStringLiteral("C:\\");
    if (text.contains(QLatin1String(":\\")) && text.size() < 4 && m_ui.ComboPath->lineEdit())
        m_ui.ComboPath->lineEdit()->setCursorPosition(int(m_ui.ComboPath->currentText().size()));
    m_state.destination = AppendSlash(text);
    UpdateLbExplo();
}

void TForm1::UpdateLbExplo()
{
    QString text = m_ui.ComboPath->currentText();
    if (text.isEmpty())
        text = QStringLiteral("C:\\"); // an empty combo shows drive C
    // Drive number = code of the first character - 64 ("A" = 1); letters in either case.
    const qint64 free = DriveFreeSpace(text.at(0).toUpper().unicode() - 64);
    const QString caption = FreeSpaceCaption::caption(text, m_ui.Lb3dExplo->text(), free, [&text] {
        return TailleRepertoire(text, QStringLiteral("*.*"));
    });
    m_ui.Lb3dExplo->setText(caption);
    setHint(m_ui.Lb3dExplo, caption);
    // A longer caption than the label's room pushes the splitter to the right.
    if (m_splitPosition >= 0 && m_ui.Lb3dExplo->width() < freeSpaceLabelNeeds()
        && m_splitPosition < m_ui.PnExplo->width() - 60)
        SplitIt1Split(m_splitPosition);
}

int TForm1::freeSpaceLabelNeeds() const
{
    const QMargins margins = m_ui.Lb3dExplo->contentsMargins();
    return m_ui.Lb3dExplo->fontMetrics().horizontalAdvance(m_ui.Lb3dExplo->text()) + margins.left()
           + margins.right() + 2 * m_ui.Lb3dExplo->frameWidth();
}

void TForm1::SplitIt1Split(int position)
{
    // The splitter stops where the free-space label still shows its caption whole (the label
    // is the splitter's position less the history button's room), and where the combo keeps
    // some room.
    const int rightLimit = m_ui.PnExplo->width() - 60;
    const int leftLimit = qMin(qMax(60, freeSpaceLabelNeeds() + 20), rightLimit);
    m_ui.SplitIt1->setLimits(leftLimit, rightLimit);
    position = qBound(leftLimit, position, rightLimit);
    m_splitPosition = position;
    // The free-space label and its bevel take the panel's left part, the combo the right part;
    // the splitter and the history button sit between them.
    const WindowCommands::PathPanelGeometry g = WindowCommands::pathPanelGeometry(position, m_ui.PnExplo->width());
    const int height = m_ui.PnExplo->height();
    const int labelLeft = 4;
    m_ui.BvlExplo->setGeometry(labelLeft, 2, g.labelWidth, height - 4);
    m_ui.Lb3dExplo->setGeometry(labelLeft, 2, g.labelWidth, height - 4);
    m_ui.Bttn3DDelComboPath->move(g.buttonLeft, (height - m_ui.Bttn3DDelComboPath->height()) / 2);
    m_ui.SplitIt1->setGeometry(g.splitterLeft, 2, m_ui.SplitIt1->width(), height - 4);
    const int comboHeight = m_ui.ComboPath->sizeHint().height();
    m_ui.ComboPath->setGeometry(g.comboLeft, (height - comboHeight) / 2, g.comboWidth, comboHeight);
    m_settings->writeInteger(kGeneral, SettingsKeys::general::split, position);
}

void TForm1::refreshZipButton()
{
    const QChar letter = FindZipDrive();
    m_ui.Bttn3dForZip->setText(letter.isSpace() || letter.isNull() ? QString() : QString(letter) + QLatin1Char(':'));
}

void TForm1::edTypeboiteIntChange()
{
    const QString kind = m_ui.edTypeboiteInt->text().trimmed();
    m_ui.CbOk->setChecked(kind != QLatin1String("2") && kind != QLatin1String("3"));
    m_ui.CbOkEsc->setChecked(kind == QLatin1String("2"));
    m_ui.CbYesNo->setChecked(kind == QLatin1String("3"));
}

// ------------------------------------------------------------------------------------------
// Layouts: the left column is the small layout; the right column appears as the window widens.

void TForm1::layoutColumns()
{
    const int statusHeight = m_ui.StatusBar1->sizeHint().height();
    m_leftWidth = qMax(kSmallWidth, m_ui.LeftColumn->sizeHint().width());
    m_rightWidth = qMax(kRightColumnWidth, m_ui.RightColumn->sizeHint().width());
    const int needed = qMax(m_ui.LeftColumn->sizeHint().height(), m_ui.RightColumn->sizeHint().height());
    m_columnHeight = qMax(kSmallHeight - statusHeight, needed);
    m_ui.LeftColumn->setGeometry(0, 0, m_leftWidth, m_columnHeight);
    m_ui.RightColumn->setGeometry(m_leftWidth, 0, m_rightWidth, m_columnHeight);
    m_ui.LeftColumn->layout()->activate();
    m_ui.RightColumn->layout()->activate();
    setFixedHeight(m_columnHeight + statusHeight);
}

int TForm1::smallWidth() const
{
    return m_ui.RightColumn->x();
}

int TForm1::largeWidth() const
{
    return m_ui.RightColumn->x() + m_ui.PnFormat->x() + m_ui.PnFormat->width() + kRightMargin;
}

int TForm1::welcomeWidth() const
{
    return m_ui.RightColumn->x() + m_ui.PlRequete->x() + m_ui.PlRequete->width() + kRightMargin;
}

void TForm1::setWindowWidth(int width)
{
    setFixedWidth(width);
}

void TForm1::showLarge()
{
    layoutColumns();
    setWindowWidth(largeWidth());
}

void TForm1::showErrorAnimation()
{
    const QString path = ProgramFolder::findAsset(errorAnimation());
    if (path.isEmpty())
        return;
    auto* movie = new QMovie(path, {}, m_ui.Image1);
    movie->setScaledSize(m_ui.Image1->size());
    if (QMovie* old = m_ui.Image1->movie())
        old->deleteLater();
    m_ui.Image1->setMovie(movie);
    movie->start();
}

void TForm1::LargeForm()
{
    layoutColumns();
    setWindowWidth(width() > smallWidth() ? smallWidth() : largeWidth());
}

// ------------------------------------------------------------------------------------------
// Keys and mouse.

void TForm1::keyPressEvent(QKeyEvent* event)
{
    if (!FormKeyDown(event->key(), event->modifiers()))
        QMainWindow::keyPressEvent(event);
}

bool TForm1::comboPathKey(const QKeyEvent* key)
{
    // Enter keeps the path (and offers to create its folder).
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        ComboPathKeyPress(QLatin1Char('\r'));
        return true;
    }
    // The combo takes only the characters a path may hold. Editing keys (Delete, Tab,
    // Ctrl+C...) are no characters and keep their work.
    const QString text = key->text();
    for (const QChar c : text) {
        const bool editingKey = c.unicode() < 32 || c.unicode() == 127;
        if (!editingKey && ComboPathKeyPress(c) == QChar(WindowCommands::RefusedPathCharacter))
            return true;
    }
    return false;
}

void TForm1::FormMouseMove()
{
    ResetTimeOut();
    for (HemisphereButton* b : m_ui.hemisphereButtons())
        b->setRaised(false);
    m_ui.BvlExplo->setFrameShadow(QFrame::Raised);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        // The hint display follows "Show Hints.".
        if (!m_state.settings.general.vhint)
            return true;
        break;
    case QEvent::KeyPress:
        // The window sees every key before its controls.
        if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() == this && w != this) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (FormKeyDown(key->key(), key->modifiers()))
                return true;
            // A keyboard's keys reach the focused combo box itself (its line edit is only its
            // focus proxy's editor); a key sent straight to the line edit is filtered alike.
            if ((w == m_ui.ComboPath || w == m_ui.ComboPath->lineEdit()) && comboPathKey(key))
                return true;
        }
        break;
    case QEvent::MouseMove:
        if (watched == centralWidget() || watched == m_ui.LeftColumn || watched == m_ui.RightColumn)
            FormMouseMove();
        else if (watched == m_ui.PnFormat)
            PnFormatMouseMove();
        break;
    case QEvent::MouseButtonRelease: {
        // A click on one of the command labels (released over it with the left button).
        auto* w = qobject_cast<QWidget*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!w || !w->isEnabled() || mouse->button() != Qt::LeftButton
            || !w->rect().contains(mouse->position().toPoint()))
            break;
        if (w == m_ui.Label3Requete)
            Label3RequeteClick();
        else if (w == m_ui.Label3DNotice)
            Label3DNoticeClick();
        else if (w == m_ui.Lb3dExplo)
            Lb3dExploClick();
        break;
    }
    case QEvent::Enter:
        if (watched == m_ui.Lb3dExplo)
            m_ui.BvlExplo->setFrameShadow(QFrame::Sunken);
        break;
    default: break;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace ksv
