// The main window's commands, in process on the offscreen platform with scripted answers: the
// keys in each shift state, the administrator's restrictions, the path combo (key filter, Enter,
// folder creation, history, free-space label, splitter), the menu toggles, automatic launch with
// the scheduler running, the companion programs, the about box and help.
#include "HelpWindow.h"
#include "IniFile.h"
#include "PermanentPassword.h"
#include "PlatformEnvironment.h"
#include "ScriptedDialogs.h"
#include "TAboutBox.h"
#include "TForm1.h"
#include "TFormCut.h"
#include "WindowCommands.h"
#include "WindowRegistry.h"
#include "widgets/BlinkingLabel.h"
#include "widgets/HemisphereButton.h"
#include "widgets/SplitterBar.h"

#include "../support/TextsShownWhole.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPair>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace ksv;

namespace {

const QString kRefused = u"Feature DEactivated by your administrator."_s;

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

// Shows the window, gives the path combo the focus as a click would, and returns the widget a
// keyboard's keys now reach (null when the window did not become active).
QWidget* focusPathCombo(TForm1& form)
{
    form.show();
    if (!QTest::qWaitForWindowActive(&form))
        return nullptr;
    form.controls().ComboPath->setFocus(Qt::MouseFocusReason);
    return QApplication::focusWidget();
}

// Types text the way a keyboard does: each character to the focused widget, characters
// without a key of their own (accented letters) as their text.
void typeText(QWidget* target, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(target, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QString hintOf(const QObject* object)
{
    return object->property("hint").toString();
}

// Closes the first modal window that opens while it watches, and remembers what it was.
struct ModalWatcher
{
    QString className;
    QWidget* owner = nullptr;
    QString productName; // the about box's product label
    QTimer timer;

    ModalWatcher()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        timer.start();
    }
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer.stop();
        className = QString::fromLatin1(modal->metaObject()->className());
        owner = modal->parentWidget();
        if (auto* box = qobject_cast<TAboutBox*>(modal))
            productName = box->ProductName()->text();
        modal->close();
    }
};

} // namespace

class TestKestraveCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void keyCommands_data();
    void keyCommands();
    void altF10EmptiesTheWorkFolder_data();
    void altF10EmptiesTheWorkFolder();
    void cuttingAndRestoring_data();
    void cuttingAndRestoring();
    void cutFromF7ShowsItsDestination();
    void formatButtons_data();
    void formatButtons();
    void floppyButtonWithoutDriveA();
    void restrictions_data();
    void restrictions();
    void disabledItemsDoNothingThroughShortcuts();
    void comboKeyFilter_data();
    void comboKeyFilter();
    void enterCreatesTheFolder_data();
    void enterCreatesTheFolder();
    void historyResetAndExplorerLabel();
    void freeSpaceLabel_data();
    void freeSpaceLabel();
    void freeSpaceLabelStaysWhole();
    void splitterGeometry_data();
    void splitterGeometry();
    void menuTogglesWriteTheirKeys_data();
    void menuTogglesWriteTheirKeys();
    void automaticLaunch_data();
    void automaticLaunch();
    void queryEditorCommands_data();
    void queryEditorCommands();
    void permanentPassword();
    void missingCompanionProgram();
    void aboutBoxAndHelp();
    // Last: ending the program asks the application to quit, after which no event loop of this
    // process runs again (no modal window, no waiting for a signal).
    void administrationEndsAtOnce();

private:
    void setScript(const QStringList& answers);
    void writeDrives(const QString& extra = {});
    void writeSettings(const QString& text);
    QStringList transcript() const;
    QStringList actions() const;
    QString cRoot() const { return m_drives.filePath(u"drive_c"_s); }

    // The drive table stays in one place for the whole process (the platform keeps its path).
    QTemporaryDir m_drives;
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_companionFolder;
};

void TestKestraveCommands::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    writeDrives();
    qputenv("KESTRAVE_HOME", m_home->filePath(u"prog"_s).toUtf8());
    qputenv("KESTRAVE_TRANSCRIPT", m_home->filePath(u"transcript.txt"_s).toUtf8());
    qputenv("KESTRAVE_NOW", "2026-03-07T14:03:05");
    setScript({});
    // Companion programs: present unless a test says otherwise.
    m_companionFolder = m_home->filePath(u"bin"_s);
    WindowCommands::setCompanionLookup([this](const QString& program) {
        QString name = program.toLower();
        name.chop(4);
        return m_companionFolder.isEmpty() ? QString() : m_companionFolder + u'/' + name;
    });
}

void TestKestraveCommands::cleanup()
{
    WindowCommands::setCompanionLookup({});
}

void TestKestraveCommands::writeDrives(const QString& extra)
{
    // C: fixed, 30 MiB; A: removable floppy; D: a ZIP disk (100,000,000 bytes). Each test
    // starts with empty drives.
    for (const char* d : {"drive_c", "drive_a", "drive_d"}) {
        QDir(m_drives.filePath(QLatin1String(d))).removeRecursively();
        QDir().mkpath(m_drives.filePath(QLatin1String(d)));
    }
    writeText(m_drives.filePath(u"drives.ini"_s),
              u"[C]\nroot=drive_c\ntype=fixed\ncapacity=31457280\n"
              "[A]\nroot=drive_a\ntype=removable\ncapacity=1457664\n"
              "[D]\nroot=drive_d\ntype=removable\ncapacity=100000000\n"_s +
                  extra);
    qputenv("KESTRAVE_DRIVES", m_drives.filePath(u"drives.ini"_s).toUtf8());
}

void TestKestraveCommands::writeSettings(const QString& text)
{
    writeText(m_home->filePath(u"prog/kestrave.ini"_s), text);
}

void TestKestraveCommands::setScript(const QStringList& answers)
{
    const QString script = m_home->filePath(u"script.txt"_s);
    writeText(script, answers.join(QLatin1Char('\n')));
    qputenv("KESTRAVE_SCRIPT", script.toUtf8());
    PlatformEnvironment::reload();
    ScriptedDialogs::restartScript();
}

QStringList TestKestraveCommands::transcript() const
{
    return readText(m_home->filePath(u"transcript.txt"_s)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList TestKestraveCommands::actions() const
{
    QStringList acts;
    for (const QString& line : transcript()) {
        if (line.startsWith(u"act|"_s) && !line.startsWith(u"act|screensaver"_s))
            acts << line;
    }
    return acts;
}

// ------------------------------------------------------------------------------------------

void TestKestraveCommands::keyCommands_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("action"); // the recorded action, empty for none

    const int none = Qt::NoModifier, alt = Qt::AltModifier, ctrl = Qt::ControlModifier,
              sh = Qt::ShiftModifier;
    QTest::newRow("F12") << int(Qt::Key_F12) << none << u"act|explore|C:\\"_s;
    QTest::newRow("Shift+F12") << int(Qt::Key_F12) << sh << u"act|explore|C:\\"_s;
    QTest::newRow("Ctrl+F12") << int(Qt::Key_F12) << ctrl << u"act|explore|C:\\"_s;
    QTest::newRow("Ctrl+Alt+F12") << int(Qt::Key_F12) << (ctrl | alt) << u"act|explore|C:\\"_s;
    QTest::newRow("Alt+F12") << int(Qt::Key_F12) << alt << QString();
    QTest::newRow("Alt+F9 log") << int(Qt::Key_F9) << alt << u"act|open|"_s;
    QTest::newRow("Alt+F11 settings") << int(Qt::Key_F11) << alt << u"act|open|"_s;
    QTest::newRow("F11") << int(Qt::Key_F11) << none << QString();
    QTest::newRow("F10") << int(Qt::Key_F10) << none << QString();
    QTest::newRow("Alt+F5") << int(Qt::Key_F5) << alt << QString();
    QTest::newRow("Shift+F5") << int(Qt::Key_F5) << sh << u"act|format|A: 0"_s;
    QTest::newRow("F6") << int(Qt::Key_F6) << none << u"act|format|D: 0"_s;
}

void TestKestraveCommands::keyCommands()
{
    QFETCH(int, key);
    QFETCH(int, shift);
    QFETCH(QString, action);
    writeSettings(u"[HistoryNOParmDir]\nn0=C:\\\nn1=A:\\\nlast=C:\\\n"_s);
    writeText(m_home->filePath(u"prog/kestrave.log"_s), u"old line\n"_s);
    TForm1 form({});
    const int width = form.width();
    const QStringList before = actions();

    QTest::keyClick(&form, Qt::Key(key), Qt::KeyboardModifiers(shift));

    const QStringList added = actions().mid(before.size());
    if (action.isEmpty()) {
        QVERIFY2(added.isEmpty(), qPrintable(added.join(u'\n')));
    } else {
        QCOMPARE(added.size(), 1);
        QVERIFY2(added.first().startsWith(action), qPrintable(added.first()));
    }
    if (key == Qt::Key_F9 && shift == Qt::AltModifier) {
        QVERIFY(added.first().endsWith(u"kestrave.log"_s));
        QCOMPARE(form.width(), width); // Alt+F9 is not the layout switch
    }
    if (key == Qt::Key_F11)
        QVERIFY(action.isEmpty() || added.first().endsWith(u"kestrave.ini"_s));
    // F12 logs nothing.
    if (key == Qt::Key_F12)
        QVERIFY(!form.runLog().lines().join(u'\n').contains(u"explorer"_s));
}

void TestKestraveCommands::altF10EmptiesTheWorkFolder_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("emptied");
    QTest::newRow("yes") << u"Yes"_s << true;
    QTest::newRow("no") << u"No"_s << false;
}

void TestKestraveCommands::altF10EmptiesTheWorkFolder()
{
    QFETCH(QString, answer);
    QFETCH(bool, emptied);
    TForm1 form({});
    const QString work = m_home->filePath(u"prog/Sas_Zip/"_s);
    writeText(work + u"old.zip"_s, u"zip"_s);
    writeText(work + u"other.exe"_s, u"exe"_s);
    const int linesBefore = form.runLog().lineCount();
    setScript({answer});

    QTest::keyClick(&form, Qt::Key_F10, Qt::AltModifier);

    QVERIFY(transcript().contains(u"ask|confirmation|Yes+No|Really want to delete le sas_zip directory ?|"_s +
                                  answer));
    QCOMPARE(QDir(work).entryList(QDir::Files).isEmpty(), emptied);
    if (emptied) {
        QCOMPARE(form.runLog().lineCount(), linesBefore + 1);
        QVERIFY(form.runLog().lines().last().endsWith(
            u" 14:03:05 Erasure of SAS archives directory on hard disk :  ---> OK "_s));
        QVERIFY(form.runLog().lines().last().contains(u"14:03:05"_s));
    } else {
        QCOMPARE(form.runLog().lineCount(), linesBefore);
    }
}

void TestKestraveCommands::cuttingAndRestoring_data()
{
    QTest::addColumn<bool>("allowed");
    QTest::newRow("allowed") << true;
    QTest::newRow("forbidden: silent") << false;
}

void TestKestraveCommands::cuttingAndRestoring()
{
    QFETCH(bool, allowed);
    writeSettings(allowed ? QString() : u"[admini]\nr=0\n"_s);
    TForm1 form({});
    const QStringList before = transcript();
    const QList<QPair<int, QString>> keys{{Qt::Key_F7, u"ksv::TFormCut"_s},
                                          {Qt::Key_F8, u"ksv::TFormRest"_s}};
    for (const auto& [key, window] : keys) {
        ModalWatcher watcher;
        QTest::keyClick(&form, Qt::Key(key), Qt::ControlModifier);
        QTest::qWait(20);
        QCOMPARE(watcher.className, allowed ? window : QString());
    }
    if (!allowed) {
        QCOMPARE(transcript(), before);
        for (QWidget* w : form.findChildren<QWidget*>())
            QVERIFY2(hintOf(w) != kRefused, qPrintable(w->objectName()));
    }
}

// A cut from F7 in the welcome view: the destination chosen in the cutting window becomes the
// path combo's, and the free-space label follows it.
void TestKestraveCommands::cutFromF7ShowsItsDestination()
{
    writeText(cRoot() + u"/big.zip"_s, QString(150000, u'z'));
    writeSettings(u"[HistoryNOParmDir]\nn0=C:\\Work\\\nn1=C:\\\nlast=C:\\Work\\\n"_s);
    TForm1 form({});
    QWidget* keyboard = focusPathCombo(form);
    QVERIFY(keyboard);
    bool cutShown = false;
    QTimer fill;
    fill.setInterval(10);
    QObject::connect(&fill, &QTimer::timeout, [&] {
        auto* cut = qobject_cast<TFormCut*>(QApplication::activeModalWidget());
        if (!cut)
            return;
        fill.stop();
        cutShown = true;
        cut->CBSetup->setChecked(false);
        cut->setDiskSizeItem(1);
        cut->edtFreeSize->setText(u"100"_s);
        cut->EdSourceFile->setText(u"C:\\big.zip"_s);
        cut->ComboDestCut->setEditText(u"C:\\Cuts\\"_s);
        cut->Cut->click(); // the window closes by itself after the cut
        if (cut->isVisible())
            cut->reject();
    });
    fill.start();
    QTest::keyClick(keyboard, Qt::Key_F7);
    QVERIFY(cutShown);
    QVERIFY(QFileInfo::exists(cRoot() + u"/Cuts/big.002"_s));
    QCOMPARE(form.controls().ComboPath->currentText(), u"C:\\Cuts\\"_s);
    QCOMPARE(form.runState().destination, u"C:\\Cuts\\"_s);
    QVERIFY2(form.controls().Lb3dExplo->text().startsWith(u"Occupy ("_s),
             qPrintable(form.controls().Lb3dExplo->text()));
}

void TestKestraveCommands::formatButtons_data()
{
    QTest::addColumn<bool>("zipButton");
    QTest::addColumn<QString>("formatResult"); // formatresult of the drive, empty for success
    QTest::addColumn<bool>("zipDrivePresent");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("logLine");
    QTest::addColumn<QString>("comboText");

    QTest::newRow("floppy") << false << QString() << true << u"act|format|A: 0"_s
                            << u"-Format a disk ---> OK "_s << u"A:\\"_s;
    QTest::newRow("floppy cancelled") << false << u"-2"_s << true << u"act|format|A: -2"_s
                                      << u"-Format a disk ---> ERRORS !"_s << u"A:\\"_s;
    QTest::newRow("zip") << true << QString() << true << u"act|format|D: 0"_s << u"-Format a disk ---> OK "_s
                         << u"D:\\"_s;
    // No ZIP drive: the blank goes to drive A's format and the combo keeps its text.
    QTest::newRow("no zip drive") << true << QString() << false << u"act|format|A: 0"_s
                                  << u"-Format a disk ---> OK "_s << u"C:\\Work\\"_s;
}

void TestKestraveCommands::formatButtons()
{
    QFETCH(bool, zipButton);
    QFETCH(QString, formatResult);
    QFETCH(bool, zipDrivePresent);
    QFETCH(QString, action);
    QFETCH(QString, logLine);
    QFETCH(QString, comboText);
    writeSettings(u"[HistoryNOParmDir]\nn0=C:\\Work\\\nn1=C:\\\nlast=C:\\Work\\\n"_s);
    TForm1 form({});
    QCOMPARE(form.controls().Bttn3dForZip->text(), u"D:"_s);
    QString drives = readText(m_drives.filePath(u"drives.ini"_s));
    if (!formatResult.isEmpty())
        drives.replace(u"[A]\n"_s, u"[A]\nformatresult="_s + formatResult + u'\n');
    if (!zipDrivePresent)
        drives.replace(u"[D]\n"_s, u"[D]\npresent=0\n"_s);
    writeText(m_drives.filePath(u"drives.ini"_s), drives);

    if (zipButton)
        form.controls().Bttn3dForZip->click();
    else
        form.controls().Bttn3DForDsk->click();

    const QStringList acts = actions();
    QVERIFY2(acts.contains(action), qPrintable(acts.join(u'\n')));
    QCOMPARE(form.runLog().lines().last(), logLine);
    QCOMPARE(form.controls().ComboPath->currentText(), comboText);

    // The ZIP button's caption follows the drive at each mouse move over the panel; without a
    // ZIP drive it stays as it was.
    form.controls().Bttn3dForZip->setText(u"X:"_s);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(form.controls().PnFormat, &move);
    QCOMPARE(form.controls().Bttn3dForZip->text(), zipDrivePresent ? u"D:"_s : u"X:"_s);
}

// Without a drive A the floppy button (and F5) say so instead of failing out of sight.
void TestKestraveCommands::floppyButtonWithoutDriveA()
{
    writeText(m_drives.filePath(u"drives.ini"_s), u"[C]\nroot=drive_c\ntype=fixed\ncapacity=31457280\n"_s);
    writeSettings(u"[HistoryNOParmDir]\nn0=C:\\Work\\\nn1=C:\\\nlast=C:\\Work\\\n"_s);
    TForm1 form({});
    const QStringList logBefore = form.runLog().lines();
    form.controls().Bttn3DForDsk->click();
    QTest::keyClick(&form, Qt::Key_F5);
    const QString told = u"ask|information|OK|There is no drive A: on this computer: no floppy disk can be "
                         "formatted.|OK"_s;
    QCOMPARE(transcript().filter(u"ask|"_s), (QStringList{told, told}));
    QCOMPARE(actions().filter(u"act|format"_s), QStringList());
    QCOMPARE(form.runLog().lines(), logBefore);
    QCOMPARE(form.controls().ComboPath->currentText(), u"C:\\Work\\"_s);
}

void TestKestraveCommands::restrictions_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("control");

    QTest::newRow("f: floppy button") << u"f"_s << u"Bttn3DForDsk"_s << u"Bttn3DForDsk"_s;
    QTest::newRow("f: F5") << u"f"_s << u"F5"_s << u"Bttn3DForDsk"_s;
    QTest::newRow("f: zip button") << u"f"_s << u"Bttn3dForZip"_s << u"Bttn3dForZip"_s;
    QTest::newRow("f: F6") << u"f"_s << u"F6"_s << u"Bttn3dForZip"_s;
    QTest::newRow("d: history") << u"d"_s << u"Bttn3DDelComboPath"_s << u"Bttn3DDelComboPath"_s;
    QTest::newRow("e: free-space label") << u"e"_s << u"Lb3dExplo"_s << u"Lb3dExplo"_s;
    QTest::newRow("z: password") << u"z"_s << u"PswTime"_s << u"PswTime"_s;
    QTest::newRow("n: folder creation") << u"n"_s << u"CreerRepertoire"_s << u"ComboPath"_s;
}

void TestKestraveCommands::restrictions()
{
    QFETCH(QString, flag);
    QFETCH(QString, command);
    QFETCH(QString, control);
    writeSettings(u"[admini]\n"_s + flag +
                  u"=0\n[HistoryNOParmDir]\nn0=C:\\New\\\nn1=C:\\Old\\\nlast=C:\\New\\\n"_s);
    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    const QStringList transcriptBefore = transcript();
    const QStringList logBefore = form.runLog().lines();
    const QStringList itemsBefore{ui.ComboPath->itemText(0), ui.ComboPath->itemText(1)};

    if (command == u"F5"_s)
        QTest::keyClick(&form, Qt::Key_F5);
    else if (command == u"F6"_s)
        QTest::keyClick(&form, Qt::Key_F6);
    else if (command == u"Bttn3DForDsk"_s)
        ui.Bttn3DForDsk->click();
    else if (command == u"Bttn3dForZip"_s)
        ui.Bttn3dForZip->click();
    else if (command == u"Bttn3DDelComboPath"_s)
        ui.Bttn3DDelComboPath->click();
    else if (command == u"Lb3dExplo"_s)
        form.Lb3dExploClick();
    else if (command == u"PswTime"_s)
        form.PswTimeClick();
    else if (command == u"CreerRepertoire"_s)
        form.CreerRepertoire();

    QObject* target = form.findChild<QObject*>(control);
    QVERIFY(target);
    QCOMPARE(hintOf(target), kRefused);
    // Nothing else: no question, no action, no log line, the combo unchanged.
    QCOMPARE(transcript(), transcriptBefore);
    QCOMPARE(form.runLog().lines(), logBefore);
    QCOMPARE((QStringList{ui.ComboPath->itemText(0), ui.ComboPath->itemText(1)}), itemsBefore);
    QCOMPARE(ui.ComboPath->currentText(), u"C:\\New\\"_s);
    QVERIFY(!QDir(cRoot() + u"/New"_s).exists());
}

void TestKestraveCommands::disabledItemsDoNothingThroughShortcuts()
{
    writeSettings(
        u"[admini]\nz=0\nc=0\nn=0\ne=0\n[general]\nvoirzip=1\n[HistoryNOParmDir]\nn0=C:\\New\\\nn1=C:\\\nlast=C:\\New\\\n"_s);
    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(!ui.PswTime->isEnabled());
    QVERIFY(!ui.Editerlefichierinidesparamtrages1->isEnabled());
    QVERIFY(!ui.Lb3dExplo->isEnabled());

    // An enabled item works through its shortcut...
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!ui.Voirleprocessusdesauvegarde1->isChecked());
    // ...the disabled ones do nothing, not even the refusal's hint.
    const QStringList before = transcript();
    const QStringList logBefore = form.runLog().lines();
    QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(&form, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(transcript(), before);
    QCOMPARE(form.runLog().lines(), logBefore);
    QCOMPARE(hintOf(ui.PswTime), QString());
    // A click on a disabled label does nothing either.
    QTest::mouseClick(ui.Lb3dExplo, Qt::LeftButton);
    QTest::mouseClick(ui.Label3Requete, Qt::LeftButton);
    QCOMPARE(transcript(), before);

    // With folder creation refused, F12 still opens the Explorer, and only the combo's hint
    // tells; Enter in the combo changes nothing.
    QTest::keyClick(&form, Qt::Key_F12);
    QCOMPARE(actions().last(), u"act|explore|C:\\New\\"_s);
    QCOMPARE(hintOf(ui.ComboPath), kRefused);
    QVERIFY(!QDir(cRoot() + u"/New"_s).exists());
    ui.ComboPath->setEditText(u"C:\\Other"_s);
    QWidget* keyboard = focusPathCombo(form);
    QVERIFY(keyboard);
    QTest::keyClick(keyboard, Qt::Key_Return);
    QCOMPARE(ui.ComboPath->currentText(), u"C:\\Other"_s);
    QCOMPARE(ui.ComboPath->findText(u"C:\\Other"_s), -1);
    // The "+/-" button beside the disabled label still starts the editor.
    ui.Button3DRequete->click();
    QCOMPARE(actions().filter(u"act|start|"_s), (QStringList{u"act|start|configksv"_s}));
}

void TestKestraveCommands::comboKeyFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("accepted") << u"C:\\Ab_1~*-.!#$&@ z"_s << u"C:\\Ab_1~*-.!#$&@ z"_s;
    QTest::newRow("refused") << u"C:\\(a)/b'c,d\u00e9e%f"_s << u"C:\\abcdef"_s;
}

void TestKestraveCommands::comboKeyFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    TForm1 form({});
    QWidget* keyboard = focusPathCombo(form);
    QVERIFY(keyboard);
    QLineEdit* edit = form.controls().ComboPath->lineEdit();
    edit->clear();
    typeText(keyboard, typed);
    QCOMPARE(edit->text(), expected);
    // The editing keys still edit.
    QTest::keyClick(keyboard, Qt::Key_Backspace);
    QTest::keyClick(keyboard, Qt::Key_Home);
    QTest::keyClick(keyboard, Qt::Key_Delete);
    QCOMPARE(edit->text(), expected.mid(1).chopped(1));
    // Keys sent straight to the line edit are filtered alike.
    edit->clear();
    typeText(edit, typed);
    QCOMPARE(edit->text(), expected);
    for (const QChar c : u"\b\r (),/'\u00e9"_s)
        QCOMPARE(WindowCommands::pathCharacterAllowed(c), QStringLiteral("\b\r ").contains(c));
}

void TestKestraveCommands::enterCreatesTheFolder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("finalText");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("logged"); // the log line's mark, empty for none

    QTest::newRow("yes") << u"C:\\Backup"_s << u"Yes"_s << u"C:\\Backup\\"_s << true << u" ---> OK "_s;
    QTest::newRow("no") << u"C:\\Backup"_s << u"No"_s << u"C:\\Backup\\"_s << true << QString();
    QTest::newRow("nested") << u"C:\\Backup\\Daily\\Mon"_s << u"Yes"_s << u"C:\\Backup\\Daily\\Mon\\"_s
                            << true << u" ---> OK "_s;
    QTest::newRow("drive root") << u"A:\\"_s << u"Yes"_s << u"A:\\"_s << false << QString();
    // A read-only medium refuses the folder, as a real one does.
    QTest::newRow("read-only drive") << u"R:\\Backup"_s << u"Yes"_s << u"R:\\Backup\\"_s << true
                                     << u" ---> ERRORS !"_s;
}

void TestKestraveCommands::enterCreatesTheFolder()
{
    QFETCH(QString, text);
    QFETCH(QString, answer);
    QFETCH(QString, finalText);
    QFETCH(bool, asked);
    QFETCH(QString, logged);
    writeDrives(u"[R]\nroot=drive_r\ntype=fixed\nreadonly=1\n"_s);
    QDir(m_drives.filePath(u"drive_r"_s)).removeRecursively();
    QVERIFY(QDir().mkpath(m_drives.filePath(u"drive_r"_s)));
    TForm1 form({});
    QComboBox* combo = form.controls().ComboPath;
    QWidget* keyboard = focusPathCombo(form);
    QVERIFY(keyboard);
    combo->setEditText(text);
    setScript({answer});
    const int logBefore = form.runLog().lineCount();

    QTest::keyClick(keyboard, Qt::Key_Return);

    QCOMPARE(combo->currentText(), finalText);
    QCOMPARE(form.runState().destination, finalText);
    const QString question =
        u"ask|warning|Yes+No|[ "_s + finalText + u" ] Create this directory ?|"_s + answer;
    QCOMPARE(transcript().contains(question), asked);
    const bool created = logged == u" ---> OK "_s;
    const QString driveRoot = m_drives.filePath(u"drive_"_s + finalText.left(1).toLower());
    const QString native = driveRoot + u'/' + finalText.mid(3).replace(u'\\', u'/');
    if (finalText.size() > 3)
        QCOMPARE(QDir(native).exists(), created);
    if (!logged.isEmpty()) {
        QCOMPARE(form.runLog().lineCount(), logBefore + 1);
        QVERIFY(form.runLog().lines().last().contains(u"14:03:05"_s));
        QVERIFY2(form.runLog().lines().last().endsWith(u" Create new dir : "_s + finalText + logged),
                 qPrintable(form.runLog().lines().last()));
    } else {
        QCOMPARE(form.runLog().lineCount(), logBefore);
    }
    if (created)
        QVERIFY2(form.controls().Lb3dExplo->text().startsWith(u"Occupy ("_s),
                 qPrintable(form.controls().Lb3dExplo->text()));
    // The path joins the history once, also when Enter is pressed again (no second question).
    QTest::keyClick(keyboard, Qt::Key_Enter, Qt::KeypadModifier);
    int copies = 0;
    for (int i = 0; i < combo->count(); ++i)
        copies += combo->itemText(i).compare(finalText, Qt::CaseInsensitive) == 0 ? 1 : 0;
    QCOMPARE(copies, 1);
    QCOMPARE(combo->itemText(0), finalText);
    const QStringList questions = transcript().filter(u"Create this directory"_s);
    QCOMPARE(questions.size(), asked ? (QDir(native).exists() ? 1 : 2) : 0);
}

void TestKestraveCommands::historyResetAndExplorerLabel()
{
    writeSettings(
        u"[HistoryNOParmDir]\nn0=C:\\Data\\Pictures\\\nn1=C:\\Other\\\nlast=C:\\Data\\Pictures\\\n"_s);
    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    setScript({u"Yes"_s});

    // A click on the free-space label offers the folder, opens it and logs it.
    QTest::mouseClick(ui.Lb3dExplo, Qt::LeftButton);
    QVERIFY(QDir(cRoot() + u"/Data/Pictures"_s).exists());
    QCOMPARE(actions(), (QStringList{u"act|explore|C:\\Data\\Pictures\\"_s}));
    QCOMPARE(form.runLog().lines().filter(u"-Open explorer"_s),
             (QStringList{u"-Open explorer : C:\\Data\\Pictures\\"_s}));
    QCOMPARE(transcript().filter(u"Create this directory ?"_s).size(), 1);

    // The history button puts the drive roots back; the text stays.
    ui.Bttn3DDelComboPath->click();
    QStringList items;
    for (int i = 0; i < ui.ComboPath->count(); ++i)
        items << ui.ComboPath->itemText(i);
    QCOMPARE(items, (QStringList{u"A:\\"_s, u"C:\\"_s, u"D:\\"_s}));
    QCOMPARE(ui.ComboPath->currentText(), u"C:\\Data\\Pictures\\"_s);
}

void TestKestraveCommands::freeSpaceLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    // C: 30 MiB with 2,048 bytes of files in C:\ab.
    QTest::newRow("root") << u"C:\\"_s << u"Free space on C:\\ ( 30 Mo )"_s;
    QTest::newRow("four characters") << u"C:\\a"_s << u"Free space on C:\\ ( 30 Mo )"_s;
    QTest::newRow("folder") << u"C:\\ab"_s << u"Occupy (2 KB)"_s;
    QTest::newRow("lower-case drive") << u"c:\\"_s << u"Free space on c:\\ ( 30 Mo )"_s;
    QTest::newRow("no medium") << u"B:\\"_s << u"Free space on B:\\ "_s;
    QTest::newRow("unknown drive") << u"Q:\\"_s << u"Free space on Q:\\ "_s;
}

void TestKestraveCommands::freeSpaceLabel()
{
    QFETCH(QString, text);
    QFETCH(QString, caption);
    writeDrives(u"[B]\nroot=drive_b\ntype=removable\npresent=0\n"_s);
    writeText(cRoot() + u"/ab/f.bin"_s, QString(2048, u'x'));
    TForm1 form({});
    form.controls().ComboPath->setEditText(text);
    QCOMPARE(form.controls().Lb3dExplo->text(), caption);
    QCOMPARE(hintOf(form.controls().Lb3dExplo), caption);
}

// With the splitter dragged as far left as it goes, the free-space label still shows its
// caption whole; a longer caption arriving later pushes the splitter right.
void TestKestraveCommands::freeSpaceLabelStaysWhole()
{
    writeText(cRoot() + u"/ab/f.bin"_s, QString(2048, u'x'));
    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto dragFarLeft = [&] {
        QTest::mousePress(ui.SplitIt1, Qt::LeftButton, {}, QPoint(3, 5));
        QTest::mouseMove(ui.SplitIt1, QPoint(-400, 5));
        QTest::mouseRelease(ui.SplitIt1, Qt::LeftButton, {}, QPoint(-400, 5));
    };
    const auto shownWhole = [&] {
        const QStringList clipped = test::clippedTexts(ui.PnExplo);
        const int needed = ui.Lb3dExplo->fontMetrics().horizontalAdvance(ui.Lb3dExplo->text());
        return clipped.isEmpty() && needed <= ui.Lb3dExplo->contentsRect().width()
               && ui.Lb3dExplo->geometry().right() < ui.SplitIt1->x();
    };
    for (const QString& text : {u"C:\\ab"_s, u"D:\\"_s, u"C:\\"_s}) {
        ui.ComboPath->setEditText(text);
        dragFarLeft();
        QVERIFY2(shownWhole(), qPrintable(text + u": "_s + ui.Lb3dExplo->text()));
        QVERIFY(ui.ComboPath->width() >= 40);
    }
    ui.ComboPath->setEditText(u"C:\\ab"_s);
    dragFarLeft();
    const int shortLimit = ui.SplitIt1->x();
    ui.ComboPath->setEditText(u"D:\\"_s);
    QVERIFY2(shownWhole(), qPrintable(ui.Lb3dExplo->text()));
    QVERIFY(ui.SplitIt1->x() > shortLimit);
}

void TestKestraveCommands::splitterGeometry_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("labelWidth");
    QTest::addColumn<int>("buttonLeft");
    QTest::addColumn<int>("comboLeft");
    QTest::addColumn<int>("comboWidth");
    // The panel is 340 pixels wide.
    QTest::newRow("default 197") << 197 << 177 << 202 << 217 << 113;
    QTest::newRow("right 260") << 260 << 240 << 265 << 280 << 50;
}

void TestKestraveCommands::splitterGeometry()
{
    QFETCH(int, position);
    QFETCH(int, labelWidth);
    QFETCH(int, buttonLeft);
    QFETCH(int, comboLeft);
    QFETCH(int, comboWidth);
    writeSettings(u"[general]\nsplit="_s + QString::number(position) + u'\n');
    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    QCOMPARE(ui.PnExplo->width(), 340);
    // The settings loader applies the stored position.
    QCOMPARE(ui.Lb3dExplo->width(), labelWidth);
    QCOMPARE(ui.BvlExplo->width(), labelWidth);
    QCOMPARE(ui.SplitIt1->x(), position);
    QCOMPARE(ui.Bttn3DDelComboPath->x(), buttonLeft);
    QCOMPARE(ui.ComboPath->x(), comboLeft);
    QCOMPARE(ui.ComboPath->width(), comboWidth);

    // Dragging to another place writes it back.
    form.SplitIt1Split(230);
    QCOMPARE(ui.ComboPath->x(), 250);
    QCOMPARE(ui.ComboPath->width(), 340 - 210 - 50);
    QVERIFY(readText(m_home->filePath(u"prog/kestrave.ini"_s)).contains(u"split=230"_s));
    // Left of where the caption fits, the splitter stops where it fits.
    form.SplitIt1Split(120);
    const QMargins margins = ui.Lb3dExplo->contentsMargins();
    const int needed = ui.Lb3dExplo->fontMetrics().horizontalAdvance(ui.Lb3dExplo->text()) + margins.left()
                       + margins.right();
    QVERIFY2(needed > 100, "the caption would fit at 120: the row shows nothing");
    QCOMPARE(ui.Lb3dExplo->width(), needed);
    QCOMPARE(ui.SplitIt1->x(), needed + 20);
    QVERIFY(readText(m_home->filePath(u"prog/kestrave.ini"_s)).contains(u"split="_s + QString::number(needed + 20)));
}

void TestKestraveCommands::menuTogglesWriteTheirKeys_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("initially");
    QTest::newRow("show process") << u"Voirleprocessusdesauvegarde1"_s << u"voirzip"_s << true;
    QTest::newRow("rotating set") << u"DskTurn"_s << u"DskTurnGame"_s << false;
    QTest::newRow("animations") << u"Gif"_s << u"gif"_s << true;
    QTest::newRow("hints") << u"AffichageHint"_s << u"vhint"_s << true;
}

void TestKestraveCommands::menuTogglesWriteTheirKeys()
{
    QFETCH(QString, item);
    QFETCH(QString, key);
    QFETCH(bool, initially);
    TForm1 form({});
    QAction* action = form.findChild<QAction*>(item);
    QVERIFY(action);
    QCOMPARE(action->isChecked(), initially);
    const QString ini = m_home->filePath(u"prog/kestrave.ini"_s);
    for (bool expected : {!initially, initially}) {
        action->trigger();
        QCOMPARE(action->isChecked(), expected);
        QVERIFY2(readText(ini).contains(key + u'=' + (expected ? u'1' : u'0')), qPrintable(readText(ini)));
        if (item == u"Voirleprocessusdesauvegarde1"_s) {
            QCOMPARE(form.controls().VisuZippage->isHidden(), !expected);
            QCOMPARE(form.controls().ListBox3->isHidden(), expected);
        }
    }
}

void TestKestraveCommands::automaticLaunch_data()
{
    QTest::addColumn<bool>("schedulerRunning");
    QTest::newRow("scheduler running: clear") << true;
    QTest::newRow("scheduler stopped: tick") << false;
}

void TestKestraveCommands::automaticLaunch()
{
    QFETCH(bool, schedulerRunning);
    WindowRegistry scheduler;
    if (schedulerRunning)
        QVERIFY(scheduler.registerTitle(u"KSV_RUN"_s));
    QSignalSpy closeSpy(&scheduler, &WindowRegistry::closeRequested);
    TForm1 form({});
    QCheckBox* box = form.controls().CbAutomation;
    // The no-argument start ticks the box when the scheduler runs, without the click's steps.
    QCOMPARE(box->isChecked(), schedulerRunning);
    QVERIFY(actions().filter(u"act|start|"_s).isEmpty());

    box->click();

    const QString ini = readText(m_home->filePath(u"prog/kestrave.ini"_s));
    if (schedulerRunning) {
        QVERIFY(ini.contains(u"automate=0"_s));
        QVERIFY(transcript().contains(u"ask|information|OK|Data saving automation INACTIVATED|OK"_s));
        QVERIFY(closeSpy.wait(2000));
    } else {
        QVERIFY(ini.contains(u"automate=1"_s));
        QVERIFY(transcript().contains(
            u"ask|information|OK|       Data saving automatisation ACTIVATED        \\r\\rFor a data saving "
            u"to be "
            "automatically runned, you must\\rdefine automation parameters in Queries management form.|OK"_s));
        QTest::qWait(50);
        QCOMPARE(closeSpy.count(), 0);
    }
    // In both cases the scheduler is started (again).
    QCOMPARE(actions().filter(u"act|start|"_s), (QStringList{u"act|start|ksv_run"_s}));
}

void TestKestraveCommands::queryEditorCommands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("programArguments");
    QTest::addColumn<QString>("commandLine");
    QTest::newRow("welcome") << QStringList() << u"configksv.exe"_s << QStringList()
                             << u"C:\\K\\configksv.exe "_s;
    QTest::newRow("query number") << QStringList{u"12"_s} << u"configksv.exe"_s << QStringList{u"12"_s}
                                  << u"C:\\K\\configksv.exe 12"_s;
    QTest::newRow("all queries") << QStringList{u"TOUS"_s} << u"configksv.exe"_s << QStringList{u"TOUS"_s}
                                 << u"C:\\K\\configksv.exe TOUS"_s;
    QTest::newRow("query file") << QStringList{u"C:\\My Jobs\\daily.KSV"_s} << u"ksv_pro.exe"_s
                                << QStringList{u"C:\\My Jobs\\daily.KSV"_s}
                                << u"C:\\K\\ksv_pro.exe \"C:\\My Jobs\\daily.KSV\""_s;
    // ".KSV" only inside the name is not a query file for the editor.
    QTest::newRow("ksv in a folder name")
        << QStringList{u"C:\\a.ksv\\b.txt"_s} << u"configksv.exe"_s << QStringList{u"C:\\a.ksv\\b.txt"_s}
        << u"C:\\K\\configksv.exe C:\\a.ksv\\b.txt"_s;
}

void TestKestraveCommands::queryEditorCommands()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, program);
    QFETCH(QStringList, programArguments);
    QFETCH(QString, commandLine);
    const WindowCommands::ProgramCommand command =
        WindowCommands::queryEditorCommand(u"C:\\K\\"_s, arguments);
    QCOMPARE(command.program, program);
    QCOMPARE(command.arguments, programArguments);
    QCOMPARE(command.commandLine, commandLine);
    // Alt+F11 opens the query file when the first argument names one.
    const QString opened = WindowCommands::queryOrSettingsFile(arguments, u"/p/kestrave.ini"_s);
    QCOMPARE(opened,
             arguments.value(0).toUpper().contains(u".KSV"_s) ? arguments.first() : u"/p/kestrave.ini"_s);
}

void TestKestraveCommands::permanentPassword()
{
    TForm1 form({});
    setScript({u"text:Open sesame 2"_s});
    form.controls().PswTime->trigger();
    QVERIFY(transcript().filter(u"ask|password|"_s).size() == 1);
    // Kept enciphered in [div] dateinstall, for the archive password step to read back.
    const QString stored =
        IniFile(m_home->filePath(u"prog/kestrave.ini"_s)).readString(u"div"_s, u"dateinstall"_s);
    QVERIFY(!stored.isEmpty());
    QVERIFY(!stored.contains(u"sesame"_s));
    QCOMPARE(PermanentPassword::decipher(stored), u"Open sesame 2"_s);
}

void TestKestraveCommands::missingCompanionProgram()
{
    m_companionFolder.clear();
    TForm1 form({});
    const int logBefore = form.runLog().lineCount();
    setScript({u"OK"_s, u"OK"_s, u"OK"_s});

    form.controls().Button3DRequete->click();

    QStringList added = form.runLog().lines().mid(logBefore);
    QCOMPARE(added.size(), 3);
    QCOMPARE(added.at(0), u"-Open Add/Modify query : "_s);
    QVERIFY(added.at(1).endsWith(u"configksv.exe "_s));
    QVERIFY(added.at(2).startsWith(u"-Program not found : "_s));
    QVERIFY(added.at(2).endsWith(u" ---> ERRORS !"_s));
    const QStringList errors =
        transcript().filter(u"ask|error|OK|The program \"configksv\" is not installed"_s);
    QCOMPARE(errors.size(), 1);
    QVERIFY(actions().filter(u"act|start|"_s).isEmpty());

    // The automatic-launch box still records its choice; the missing scheduler is named.
    form.controls().CbAutomation->click();
    QCOMPARE(transcript().filter(u"ask|error|OK|The program \"ksv_run\" is not installed"_s).size(), 1);

    // Without the administration program the window does not end.
    form.adminiClick();
    QCOMPARE(transcript().filter(u"ask|error|OK|The program \"ksv_admin\" is not installed"_s).size(), 1);
    QVERIFY(!form.endRequested());
}

void TestKestraveCommands::administrationEndsAtOnce()
{
    writeText(m_home->filePath(u"prog/kestrave.log"_s), u"old line\n"_s);
    TForm1 form({});
    form.controls().ComboPath->setEditText(u"C:\\Changed\\"_s);
    form.controls().admini->trigger();
    QCOMPARE(actions().filter(u"act|start|"_s), (QStringList{u"act|start|ksv_admin"_s}));
    QVERIFY(form.endRequested());
    QCOMPARE(form.exitCode(), 0);
    // The quit steps did not run: the log and the path history were not saved.
    QCOMPARE(readText(m_home->filePath(u"prog/kestrave.log"_s)), u"old line\n"_s);
    QVERIFY(!readText(m_home->filePath(u"prog/kestrave.ini"_s)).contains(u"Changed"_s));
}

void TestKestraveCommands::aboutBoxAndHelp()
{
    TForm1 form({});
    // The about box, modal over the window, from its button and from the menu.
    for (int way = 0; way < 2; ++way) {
        ModalWatcher watcher;
        if (way == 0)
            form.controls().Bttn3dAbout->click();
        else
            form.controls().about->trigger();
        QCOMPARE(watcher.className, u"ksv::TAboutBox"_s);
        QCOMPARE(watcher.owner, static_cast<QWidget*>(&form));
        QVERIFY2(watcher.productName.startsWith(u"KESTRAVE"_s), qPrintable(watcher.productName));
    }
    QVERIFY(form.findChildren<TAboutBox*>().isEmpty()); // freed after closing

    // Help: the keys topic from the "?" button, the whole help from the label.
    form.controls().Button3DNotice->click();
    auto* help = form.findChild<HelpWindow*>();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY2(help->browser()->source().toString().endsWith(u"104.html"_s),
             qPrintable(help->browser()->source().toString()));
    QTest::mouseClick(form.controls().Label3DNotice, Qt::LeftButton);
    QVERIFY2(help->browser()->source().toString().endsWith(u"99.html"_s),
             qPrintable(help->browser()->source().toString()));

    // The queries label starts the editor as its button does.
    QTest::mouseClick(form.controls().Label3Requete, Qt::LeftButton);
    QCOMPARE(actions().filter(u"act|start|"_s), (QStringList{u"act|start|configksv"_s}));
}

QTEST_MAIN(TestKestraveCommands)
#include "test_kestrave_commands.moc"
