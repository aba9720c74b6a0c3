// The main window's no-argument start, in process on the offscreen platform: the welcome view,
// the administrator password, the defaults without a settings file, and the auto close.
#include "AdminPassword.h"
#include "IniFile.h"
#include "PlatformEnvironment.h"
#include "ScriptedDialogs.h"
#include "TForm1.h"
#include "WindowRegistry.h"
#include "widgets/BlinkingLabel.h"
#include "widgets/HemisphereButton.h"
#include "widgets/PathLabel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace ksv;

namespace {

void writeText(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

QString readText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

// Every visible caption fits in its control at the default font, and no visible control is cut
// by the window's edge (the small layout leaves the right column wholly beyond it).
void verifyNothingClipped(const TForm1& form)
{
    const TForm1Controls& ui = form.controls();
    for (QLabel* label : form.findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty() || qobject_cast<PathLabel*>(label) || label->wordWrap())
            continue;
        // The free-space label is drawn smaller when the splitter leaves it little room.
        const QFont font = label == static_cast<QLabel*>(ui.Lb3dExplo) ? ui.Lb3dExplo->drawingFont() : label->font();
        QVERIFY2(QFontMetrics(font).horizontalAdvance(label->text()) <= label->contentsRect().width(),
                 qPrintable(label->objectName() + u": "_s + label->text()));
    }
    for (QCheckBox* box : form.findChildren<QCheckBox*>()) {
        if (box->isVisible())
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->objectName()));
    }
    const QRect client = form.rect();
    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow())
            continue;
        const QRect r(w->mapTo(&form, QPoint(0, 0)), w->size());
        QVERIFY2(!r.intersects(client) || client.contains(r), qPrintable(w->objectName()));
    }
}

} // namespace

class TestKestraveWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void everyControlIsNamed();
    void noSettingsFileGivesEveryDefault();
    void welcomeLayout();
    void hintsGoToTooltipAndStatusBar();
    void adminPassword_data();
    void adminPassword();
    void pathHistoryFallsBackToDrives_data();
    void pathHistoryFallsBackToDrives();
    void shortcutFolders();
    void autoCloseCountsDownAndQuits();
    void longLogAtQuit_data();
    void longLogAtQuit();
    void layoutsSwitchWithF9();
    void windowTitlesInTheRegistry();
    void logMenu();
    void startedMinimised_data();
    void startedMinimised();
    void quitEjectsAndShutsDown_data();
    void quitEjectsAndShutsDown();

private:
    void setScript(const QStringList& answers);
    QStringList transcript() const;

    QTemporaryDir m_drive;
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestKestraveWindow::initTestCase()
{
    QVERIFY(m_drive.isValid());
    writeText(m_drive.filePath(u"drives.ini"_s),
              u"[C]\nroot="_s + m_drive.filePath(u"c"_s) + u"\ntype=fixed\n[A]\nroot="_s + m_drive.filePath(u"a"_s)
                  + u"\ntype=removable\n"_s);
    QDir().mkpath(m_drive.filePath(u"c"_s));
    QDir().mkpath(m_drive.filePath(u"a"_s));
    qputenv("KESTRAVE_DRIVES", m_drive.filePath(u"drives.ini"_s).toUtf8());
    qputenv("KESTRAVE_NOW", "2026-03-07T14:03:05");
}

void TestKestraveWindow::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KESTRAVE_HOME", m_home->path().toUtf8());
    qputenv("KESTRAVE_TRANSCRIPT", m_home->filePath(u"transcript.txt"_s).toUtf8());
    setScript({});
}

void TestKestraveWindow::setScript(const QStringList& answers)
{
    const QString script = m_home->filePath(u"script.txt"_s);
    writeText(script, answers.join(QLatin1Char('\n')));
    qputenv("KESTRAVE_SCRIPT", script.toUtf8());
    PlatformEnvironment::reload();
    ScriptedDialogs::restartScript();
}

QStringList TestKestraveWindow::transcript() const
{
    return readText(m_home->filePath(u"transcript.txt"_s)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestKestraveWindow::everyControlIsNamed()
{
    TForm1 form({});
    const char* const widgets[] = {
        "InfoProcessus", "Lb3dRep", "LbFileRep2Sav", "Lb3dDest", "LbFileDest", "Bttn3dAbout", "LabelInfo",
        "Bttn3dPopMnu", "VisuZippage", "Image1", "LbFileBgZipd", "Lb3dFinalInfos", "LbFileNbProcess",
        "ProgressBar1", "memolog", "ListBox3", "LbError", "ListBox1", "LbFileInUse", "ListBox2", "PlRequete",
        "Button3DRequete", "Label3Requete", "PlNotice", "Button3DNotice", "Label3DNotice", "PnFormat",
        "Bttn3DForDsk", "Lb3dFormat", "Bttn3dForZip", "Label1", "PnExplo", "BvlExplo", "Lb3dExplo",
        "Bttn3DDelComboPath", "SplitIt1", "ComboPath", "CbAutomation", "CbEject", "CbAutoClose", "BtQuitter3D",
        "StatusBar1", "CBExe", "CbSubDir", "CbPath", "CBPassWord", "CbUpdateZip", "CBDatePrefix", "CbQuitOS",
        "CbAutoRun", "CbAskFiles", "CbSFXMsg", "CbSuccesMsg", "JJMM", "GroupBox1", "Image2", "edTypeboiteInt",
        "EdMsgSfx", "CbOk", "CbOkEsc", "CbYesNo", "PopupMenu1"};
    for (const char* name : widgets)
        QVERIFY2(form.findChild<QWidget*>(QLatin1String(name)), name);
    const char* const actions[] = {"Editerlefichierinidesparamtrages1", "Voirleprocessusdesauvegarde1", "DskTurn",
                                   "PswTime", "admini", "LOG", "SaveLog", "DelLog", "ViewLog", "Gif",
                                   "AffichageHint", "about"};
    QStringList menuOrder;
    for (QAction* a : form.controls().PopupMenu1->actions()) {
        if (!a->isSeparator())
            menuOrder << a->objectName();
    }
    QCOMPARE(menuOrder, (QStringList{u"Editerlefichierinidesparamtrages1"_s, u"Voirleprocessusdesauvegarde1"_s,
                                     u"DskTurn"_s, u"PswTime"_s, u"admini"_s, u"LOG"_s, u"Gif"_s,
                                     u"AffichageHint"_s, u"about"_s}));
    for (const char* name : actions)
        QVERIFY2(form.findChild<QAction*>(QLatin1String(name)), name);
    QVERIFY(form.findChild<QTimer*>(u"CloseTimer"_s));
    QCOMPARE(form.controls().CbAutomation->text(), u"&Automatic launch "_s);
    QCOMPARE(form.controls().PswTime->text(), u"&Permanent Zip Password / AutoClose"_s);
    QCOMPARE(form.controls().PswTime->shortcut(), QKeySequence(u"Ctrl+P"_s));
}

void TestKestraveWindow::noSettingsFileGivesEveryDefault()
{
    QVERIFY(!QFile::exists(m_home->filePath(u"kestrave.ini"_s)));
    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    const RunnerSettings& s = form.runState().settings;

    // Every feature allowed, and no password question.
    for (bool flag : {s.admin.s, s.admin.e, s.admin.f, s.admin.c, s.admin.a, s.admin.d, s.admin.n, s.admin.z,
                      s.admin.r, s.admin.l})
        QVERIFY(flag);
    QVERIFY(ui.LOG->isEnabled());
    QVERIFY(ui.CbAutomation->isEnabled());
    QVERIFY(ui.Lb3dFormat->isEnabled());
    QVERIFY(ui.Lb3dExplo->isEnabled());
    QVERIFY(ui.PswTime->isEnabled());
    QVERIFY(ui.Editerlefichierinidesparamtrages1->isEnabled());
    QVERIFY(ui.Label3Requete->isEnabled());
    for (const QString& line : transcript())
        QVERIFY2(!line.startsWith(u"ask|"_s), qPrintable(line));

    // The log on, a 20-second delay, the splitter at 197.
    QVERIFY(ui.SaveLog->isChecked());
    QCOMPARE(s.general.timeoutsec, 20);
    QCOMPARE(s.general.split, 197);
    // The splitter stands at 197 unless the free-space caption needs more room; then it stops
    // where the caption fits.
    const QMargins margins = ui.Lb3dExplo->contentsMargins();
    const int position = qMax(197, ui.Lb3dExplo->fontMetrics().horizontalAdvance(ui.Lb3dExplo->text())
                                       + margins.left() + margins.right() + 20);
    QCOMPARE(ui.Lb3dExplo->width(), position - 20);
    QCOMPARE(ui.BvlExplo->width(), position - 20);
    QCOMPARE(ui.Bttn3DDelComboPath->x(), position + 5);
    QCOMPARE(ui.ComboPath->x(), position + 20);
    QCOMPARE(ui.ComboPath->width(), 340 - (position - 20) - 50);
    QVERIFY(ui.Gif->isChecked());
    QVERIFY(ui.AffichageHint->isChecked());
    QVERIFY(!ui.DskTurn->isChecked());
    QVERIFY(ui.Voirleprocessusdesauvegarde1->isChecked());
    QVERIFY(ui.JJMM->isChecked());
    QVERIFY(!ui.CloseTimer->isActive()); // the no-argument start waits for the user

    // Applying the splitter position writes it back.
    QCOMPARE(readText(m_home->filePath(u"kestrave.ini"_s)).contains(u"split="_s + QString::number(position)), true);
    // Unit start-up made the work folder.
    QVERIFY(QDir(m_home->filePath(u"Sas_Zip"_s)).exists());
}

void TestKestraveWindow::welcomeLayout()
{
    writeText(m_home->filePath(u"kestrave.log"_s), u"earlier line\n"_s);
    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    QTRY_VERIFY(form.isVisible());

    for (QWidget* hidden : {static_cast<QWidget*>(ui.ListBox1), static_cast<QWidget*>(ui.ListBox2),
                            static_cast<QWidget*>(ui.LbError), static_cast<QWidget*>(ui.LbFileInUse),
                            static_cast<QWidget*>(ui.VisuZippage), static_cast<QWidget*>(ui.memolog),
                            static_cast<QWidget*>(ui.HiddenOptions)})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    for (QWidget* shown : {static_cast<QWidget*>(ui.ListBox3), static_cast<QWidget*>(ui.PlNotice),
                           static_cast<QWidget*>(ui.PlRequete), static_cast<QWidget*>(ui.Label1),
                           static_cast<QWidget*>(ui.InfoProcessus), static_cast<QWidget*>(ui.PnExplo),
                           static_cast<QWidget*>(ui.PnFormat), static_cast<QWidget*>(ui.BtQuitter3D)})
        QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));

    QCOMPARE(ui.ListBox3->count(), 2);
    QCOMPARE(ui.ListBox3->item(0)->text(), u"ABOUT Box / OPTIONS --> RIGHT Mouse click."_s);
    QCOMPARE(ui.ListBox3->item(1)->text(), u"DATA Saving --> [Start]+[Data saving] Windows menu."_s);
    QCOMPARE(ui.LbFileRep2Sav->text(), u"C:\\MyPreciousFiles\\*.*"_s);
    QCOMPARE(ui.LbFileDest->text(), u"A Zip or Exe archive file"_s);
    QCOMPARE(form.windowTitle(), u"Daily Data Saving and compression tool."_s);

    // Width: the queries panel's right edge + 15, wider than the small layout.
    const QPoint panelInWindow = ui.PlRequete->mapTo(&form, QPoint(0, 0));
    QCOMPARE(form.width(), panelInWindow.x() + ui.PlRequete->width() + 15);
    QVERIFY(form.width() > form.smallWidth());
    QVERIFY(form.smallWidth() >= 400);
    QVERIFY(form.height() >= 217);

    // The log: the earlier file, then an empty line and the opening header with date and time.
    const QStringList& lines = form.runLog().lines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), u"earlier line"_s);
    QCOMPARE(lines.at(1), QString());
    QVERIFY(lines.at(2).startsWith(u"------------         "_s));
    QVERIFY(lines.at(2).contains(u"14:03:05         Open KESTRAVE         ------------"_s));

    verifyNothingClipped(form);
}

void TestKestraveWindow::hintsGoToTooltipAndStatusBar()
{
    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    // A hint with a bar: the short part is the tooltip, the long part the status bar's text.
    QCOMPARE(ui.ComboPath->toolTip(), QString());
    QCOMPARE(ui.ComboPath->statusTip(),
             u" Make Quickly a directory for your data. Press F12 to open with explorer. "_s);
    // A hint without a bar serves as both.
    QCOMPARE(ui.Bttn3dAbout->toolTip(), u"About..."_s);
    QCOMPARE(ui.Bttn3dAbout->statusTip(), u"About..."_s);
    QCOMPARE(ui.ListBox2->statusTip(),
             u"Close applications before compressing your filesThose files are compressed."_s);
    QTRY_VERIFY(form.isVisible());
    QStatusTipEvent tip(ui.Bttn3DForDsk->statusTip());
    QCoreApplication::sendEvent(&form, &tip);
    QCOMPARE(ui.StatusBar1->currentMessage(), u"Format 1.44 Mo floppy disk"_s);
}

void TestKestraveWindow::adminPassword_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("lifted");

    const QString digest = AdminPassword::digest(u"Open sesame"_s);
    QTest::newRow("right password") << digest << QStringList{u"text:Open sesame"_s} << true << true;
    QTest::newRow("wrong password") << digest << QStringList{u"text:open sesame"_s} << true << false;
    QTest::newRow("empty answer") << digest << QStringList{u"text:"_s} << true << false;
    QTest::newRow("cancelled") << digest << QStringList{u"cancel"_s} << true << false;
    QTest::newRow("no password set") << QString() << QStringList{u"text:Open sesame"_s} << false << false;
    QTest::newRow("built-in value") << u"6B0E4F27 A5C8D913 7F2E0B64 C1D95A38 E40B7C12"_s
                                    << QStringList{u"text:Open sesame"_s} << false << false;
}

void TestKestraveWindow::adminPassword()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, script);
    QFETCH(bool, asked);
    QFETCH(bool, lifted);
    writeText(m_home->filePath(u"kestrave.ini"_s),
              u"[admini]\npassw="_s + stored + u"\ne=0\nf=0\nc=0\na=0\nd=0\nn=0\nz=0\nr=0\nl=0\n"_s);
    setScript(script + QStringList{u"OK"_s});

    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    const AdminFlags& a = form.runState().settings.admin;

    const QStringList lines = transcript();
    const bool passwordAsked = std::any_of(lines.begin(), lines.end(), [](const QString& l) {
        return l.startsWith(u"ask|password|"_s);
    });
    QCOMPARE(passwordAsked, asked);
    const QString message = u"ask|information|OK|Entrance restrictions adjourned this cession.|OK"_s;
    QCOMPARE(lines.contains(message), lifted);

    for (bool flag : {a.e, a.f, a.c, a.a, a.l, a.r, a.z})
        QCOMPARE(flag, lifted);
    // History deletion and folder creation stay as the administrator set them.
    QVERIFY(!a.d);
    QVERIFY(!a.n);
    // The controls follow the flags.
    QCOMPARE(ui.LOG->isEnabled(), lifted);
    QCOMPARE(ui.CbAutomation->isEnabled(), lifted);
    QCOMPARE(ui.Lb3dFormat->isEnabled(), lifted);
    QCOMPARE(ui.Lb3dExplo->isEnabled(), lifted);
    QCOMPARE(ui.PswTime->isEnabled(), lifted);
    QCOMPARE(ui.Editerlefichierinidesparamtrages1->isEnabled(), lifted);
    QCOMPARE(ui.Label3Requete->isEnabled(), lifted);
    // The "+/-" button beside the queries label stays usable.
    QVERIFY(ui.Button3DRequete->isEnabled());
    // Lifting is for this process only: the settings file keeps the restrictions.
    QVERIFY(readText(m_home->filePath(u"kestrave.ini"_s)).contains(u"e=0"_s));
}

void TestKestraveWindow::pathHistoryFallsBackToDrives_data()
{
    QTest::addColumn<QString>("history");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("text");
    QTest::newRow("no history: drive roots") << QString() << QStringList{u"A:\\"_s, u"C:\\"_s} << QString();
    QTest::newRow("one item: drive roots")
        << u"[HistoryNOParmDir]\nn0=C:\\Backup\\\nlast=C:\\Backup\\\n"_s << QStringList{u"A:\\"_s, u"C:\\"_s}
        << u"C:\\Backup\\"_s;
    QTest::newRow("two items kept")
        << u"[HistoryNOParmDir]\nn0=C:\\Backup\\\nn1=A:\\\nlast=A:\\\n"_s
        << QStringList{u"C:\\Backup\\"_s, u"A:\\"_s} << u"A:\\"_s;
}

void TestKestraveWindow::pathHistoryFallsBackToDrives()
{
    QFETCH(QString, history);
    QFETCH(QStringList, items);
    QFETCH(QString, text);
    writeText(m_home->filePath(u"kestrave.ini"_s), history);
    TForm1 form({});
    QComboBox* combo = form.controls().ComboPath;
    QStringList seen;
    for (int i = 0; i < combo->count(); ++i)
        seen << combo->itemText(i);
    QCOMPARE(seen, items);
    QCOMPARE(combo->currentText(), text);
    // The destination follows the combo's text, with one trailing backslash ("C:\" when empty).
    QCOMPARE(form.runState().destination, text.isEmpty() ? u"C:\\"_s : text);
}

void TestKestraveWindow::shortcutFolders()
{
    const QString other = m_drive.filePath(u"c/Desk/BackupMyFiles"_s);
    writeText(m_home->filePath(u"kestrave.ini"_s),
              u"[general]\nbotherlnk=1\nlnkother=C:\\Desk\\BackupMyFiles\\\nbstartsav=0\n[3]\ndata=C:\\Work\narch=work\n"_s);
    QVERIFY(!QDir(other).exists());
    TForm1 form({});
    // Created when missing, then refreshed with a launcher for the numbered query.
    QVERIFY(QDir(other).exists());
    QVERIFY2(!QDir(other).entryList({u"*.desktop"_s}, QDir::Files).isEmpty(),
             qPrintable(QDir(other).entryList().join(u", "_s)));
}

void TestKestraveWindow::autoCloseCountsDownAndQuits()
{
    writeText(m_drive.filePath(u"c/Data/a.txt"_s), u"a"_s);
    writeText(m_home->filePath(u"kestrave.ini"_s),
              u"[general]\ntimeoutsec=20\n[12]\ndata=C:\\Data\ndest=C:\\Out\n"_s);
    TForm1 form({u"12"_s});
    const TForm1Controls& ui = form.controls();
    QVERIFY(ui.CloseTimer->isActive()); // every run ends by starting the auto-close timer
    QVERIFY(ui.CbAutoClose->isChecked());

    form.CloseTimerTimer();
    QCOMPARE(form.windowTitle(), u"End of data saving process. AutoClose in : 19 s"_s);
    form.CloseTimerTimer();
    QCOMPARE(form.windowTitle(), u"End of data saving process. AutoClose in : 18 s"_s);
    // User activity restarts the delay.
    form.ResetTimeOut();
    form.CloseTimerTimer();
    QCOMPARE(form.windowTitle(), u"End of data saving process. AutoClose in : 19 s"_s);
    for (int i = 0; i < 18 && !form.endRequested(); ++i)
        form.CloseTimerTimer();
    QVERIFY(!form.endRequested());
    form.CloseTimerTimer();
    QCOMPARE(form.windowTitle(), u"End of data saving process. AutoClose in : 0 s"_s);
    QVERIFY(form.endRequested());
    QCOMPARE(form.exitCode(), 0);
    QVERIFY(!ui.CloseTimer->isActive());

    // Quitting saved the log: run header first, the closing header last.
    const QStringList lines = readText(m_home->filePath(u"kestrave.log"_s)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.size() >= 2);
    QVERIFY(lines.first().contains(u" Run query n° : 12"_s));
    QVERIFY(lines.last().contains(u"CLose KESTRAVE"_s));
    // The path history and the window position were written.
    const QString ini = readText(m_home->filePath(u"kestrave.ini"_s));
    QVERIFY(ini.contains(u"[HistoryNOParmDir]"_s));
    QVERIFY(ini.contains(u"top="_s));
}

void TestKestraveWindow::longLogAtQuit_data()
{
    QTest::addColumn<QString>("logFlag");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("linesAfter");
    QTest::addColumn<QString>("loglineAfter");
    // 1600 lines + run header (2 lines) + closing header = 1603.
    QTest::newRow("l on, answer No: kept, asked again 500 lines later")
        << u"1"_s << QStringList{u"No"_s} << 1603 << u"logline=2000"_s;
    QTest::newRow("l on, answer Yes: cleared") << u"1"_s << QStringList{u"Yes"_s} << 0 << u"logline=1500"_s;
    QTest::newRow("l off: cleared without asking") << u"0"_s << QStringList{} << 0 << u"logline=1500"_s;
}

void TestKestraveWindow::longLogAtQuit()
{
    QFETCH(QString, logFlag);
    QFETCH(QStringList, script);
    QFETCH(int, linesAfter);
    QFETCH(QString, loglineAfter);
    QStringList old;
    for (int i = 0; i < 1600; ++i)
        old << u"line "_s + QString::number(i);
    writeText(m_home->filePath(u"kestrave.log"_s), old.join(QLatin1Char('\n')) + u"\n"_s);
    writeText(m_home->filePath(u"kestrave.ini"_s), u"[general]\nlogline=1500\n[admini]\nl="_s + logFlag + u"\n"_s);
    setScript(script);

    TForm1 form({u"TOUS"_s});
    form.BtQuitter3DClick();
    QVERIFY(form.endRequested());

    const QStringList lines = readText(m_home->filePath(u"kestrave.log"_s)).split(QLatin1Char('\n'));
    QCOMPARE(lines.size() - 1, linesAfter); // the last line end opens no line
    const QStringList questions = transcript();
    const bool asked = std::any_of(questions.begin(), questions.end(), [](const QString& l) {
        return l.startsWith(u"ask|warning|Yes+No|Do you wish to reset the log file ? 1603"_s);
    });
    QCOMPARE(asked, logFlag == u"1"_s);
    const QString ini = readText(m_home->filePath(u"kestrave.ini"_s));
    QVERIFY2(ini.contains(loglineAfter), qPrintable(ini));
}

void TestKestraveWindow::layoutsSwitchWithF9()
{
    // A run without errors keeps the small layout.
    writeText(m_drive.filePath(u"c/Data/a.txt"_s), u"a"_s);
    writeText(m_home->filePath(u"kestrave.ini"_s), u"[12]\ndata=C:\\Data\ndest=C:\\Out\n"_s);
    TForm1 form({u"12"_s});
    QTRY_VERIFY(form.isVisible());
    const int small = form.smallWidth();
    QCOMPARE(form.width(), small);
    verifyNothingClipped(form);
    QTest::keyClick(&form, Qt::Key_F9);
    QCOMPARE(form.width(), form.largeWidth());
    const TForm1Controls& ui = form.controls();
    // Keys typed into a control reach the window first.
    QTest::keyClick(ui.ComboPath, Qt::Key_F9);
    QCOMPARE(form.width(), small);
    QTest::keyClick(ui.ComboPath, Qt::Key_F9);
    verifyNothingClipped(form);
    QCOMPARE(form.width(), ui.PnFormat->mapTo(&form, QPoint(0, 0)).x() + ui.PnFormat->width() + 15);
    QTest::keyClick(&form, Qt::Key_F9);
    QCOMPARE(form.width(), small);
    QCOMPARE(small, ui.PnFormat->mapTo(&form, QPoint(0, 0)).x());
}

void TestKestraveWindow::windowTitlesInTheRegistry()
{
    // "&Automatic launch " is ticked when the scheduler's window exists, cleared otherwise,
    // whatever [general] automate says.
    writeText(m_home->filePath(u"kestrave.ini"_s), u"[general]\nautomate=0\n"_s);
    {
        WindowRegistry scheduler;
        QVERIFY(scheduler.registerTitle(u"KSV_RUN"_s));
        TForm1 form({});
        QVERIFY(form.controls().CbAutomation->isChecked());
    }
    writeText(m_home->filePath(u"kestrave.ini"_s), u"[general]\nautomate=1\n"_s);
    TForm1 form({});
    QVERIFY(!form.controls().CbAutomation->isChecked());

    // While the window exists its title is registered, and a close request quits normally.
    QVERIFY(WindowRegistry::exists(u"KESTRAVE"_s));
    QVERIFY(WindowRegistry::sendClose(u"KESTRAVE"_s));
    QTRY_VERIFY(form.endRequested());
    QVERIFY(readText(m_home->filePath(u"kestrave.log"_s)).contains(u"CLose KESTRAVE"_s));
}

void TestKestraveWindow::startedMinimised_data()
{
    QTest::addColumn<QByteArray>("showCommand");
    QTest::addColumn<bool>("minimised");
    QTest::newRow("minimise") << QByteArray("6") << true;
    QTest::newRow("minimised, not active") << QByteArray("7") << true;
    QTest::newRow("normal") << QByteArray("1") << false;
    QTest::newRow("none") << QByteArray() << false;
}

void TestKestraveWindow::startedMinimised()
{
    QFETCH(QByteArray, showCommand);
    QFETCH(bool, minimised);
    qputenv("KESTRAVE_SHOW_COMMAND", showCommand);
    TForm1 form({u"12"_s});
    qunsetenv("KESTRAVE_SHOW_COMMAND");
    QCOMPARE(form.runState().startupShowCommand, showCommand.toInt());
    QCOMPARE(form.isMinimized(), minimised);
    QVERIFY(form.isVisible() || minimised);
}

void TestKestraveWindow::logMenu()
{
    writeText(m_home->filePath(u"kestrave.log"_s), u"old 1\nold 2\n"_s);
    TForm1 form({});
    const TForm1Controls& ui = form.controls();

    // "Show LOG file" writes the log first, then opens it in its program.
    ui.ViewLog->trigger();
    QVERIFY(readText(m_home->filePath(u"kestrave.log"_s)).contains(u"Open KESTRAVE"_s));
    QVERIFY2(transcript().contains(u"act|open|"_s + m_home->filePath(u"kestrave.log"_s)),
             qPrintable(transcript().join(u"\n"_s)));
    // Its shortcut works from the window.
    QCOMPARE(ui.ViewLog->shortcut(), QKeySequence(u"Ctrl+L"_s));

    // "Reset LOG file": only the system report line remains, in the file too.
    ui.DelLog->trigger();
    QCOMPARE(form.runLog().lineCount(), 1);
    QVERIFY(form.runLog().lines().first().startsWith(u"System : "_s));
    QCOMPARE(readText(m_home->filePath(u"kestrave.log"_s)), form.runLog().lines().first() + u"\n"_s);

    // "Save main events" toggles and is written at once.
    QVERIFY(ui.SaveLog->isChecked());
    ui.SaveLog->trigger();
    QVERIFY(!ui.SaveLog->isChecked());
    QVERIFY(readText(m_home->filePath(u"kestrave.ini"_s)).contains(u"log=0"_s));
}

void TestKestraveWindow::quitEjectsAndShutsDown_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("eject");
    QTest::addColumn<bool>("quitOs");
    QTest::addColumn<QString>("mediumInA");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("removable destination, eject on")
        << u"A:\\"_s << true << false << u"1"_s << QStringList{u"act|eject|A:"_s};
    QTest::newRow("removable destination, eject off") << u"A:\\"_s << false << false << u"1"_s << QStringList{};
    QTest::newRow("fixed destination: no eject") << u"C:\\"_s << true << false << u"1"_s << QStringList{};
    QTest::newRow("no medium: the eject error")
        << u"a:\\Backup"_s << true << false << u"0"_s
        << QStringList{u"ask|error|OK|Could not eject disk!|OK"_s};
    QTest::newRow("quit Windows") << u"C:\\"_s << false << true << u"1"_s
                                  << QStringList{u"act|shutdown|poweroff"_s};
}

void TestKestraveWindow::quitEjectsAndShutsDown()
{
    QFETCH(QString, destination);
    QFETCH(bool, eject);
    QFETCH(bool, quitOs);
    QFETCH(QString, mediumInA);
    QFETCH(QStringList, expected);
    const QString drives = m_drive.filePath(u"drives.ini"_s);
    const QString original = readText(drives);
    writeText(drives, original + u"\n"_s);
    QVERIFY(IniFile(drives).writeString(u"A"_s, u"present"_s, mediumInA));

    TForm1 form({u"12"_s});
    const TForm1Controls& ui = form.controls();
    ui.ComboPath->setEditText(destination);
    ui.CbEject->setChecked(eject);
    ui.CbQuitOS->setChecked(quitOs);
    form.BtQuitter3DClick();
    QVERIFY(form.endRequested());
    QStringList seen;
    for (const QString& line : transcript()) {
        if (line.startsWith(u"act|eject"_s) || line.startsWith(u"act|shutdown"_s) || line.startsWith(u"ask|"_s))
            seen << line;
    }
    writeText(drives, original);
    QCOMPARE(seen, expected);
}

QTEST_MAIN(TestKestraveWindow)
#include "test_kestrave_window.moc"
