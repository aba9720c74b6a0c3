// Query runs inside the main window (offscreen): what the window shows at the end of a run,
// the zip component's messages, the choice among several application folders, and quitting
// during a compression.
#include "IniFile.h"
#include "PlatformEnvironment.h"
#include "QueryRunner.h"
#include "ScriptedDialogs.h"
#include "TForm1.h"
#include "widgets/BlinkingLabel.h"
#include "widgets/PathLabel.h"

#include "../support/TextsShownWhole.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include <sys/file.h>

using namespace Qt::StringLiterals;
using namespace ksv;

namespace {

QString readText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

void writeText(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

TForm1* runningForm()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TForm1*>(w))
            return form;
    return nullptr;
}

// Calls action once, from the event loop of the run, as soon as ready() holds for the form
// being created (the run happens inside the window's creation).
class DuringRun : public QObject
{
public:
    DuringRun(std::function<bool(TForm1&)> ready, std::function<void(TForm1&)> action)
        : m_ready(std::move(ready)), m_action(std::move(action))
    {
        m_timer.setInterval(2);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            TForm1* form = runningForm();
            if (form && form->runner() && m_ready(*form)) {
                ++m_calls;
                m_action(*form);
                if (m_once)
                    m_timer.stop();
            }
        });
        m_timer.start();
    }
    int calls() const { return m_calls; }
    void repeat() { m_once = false; }

private:
    std::function<bool(TForm1&)> m_ready;
    std::function<void(TForm1&)> m_action;
    QTimer m_timer;
    int m_calls = 0;
    bool m_once = true;
};

} // namespace

class TestKestraveWindowRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void singleQuerySummary();
    void allQueriesWithErrors();
    void fileInUseWarns();
    void removableDestination();
    void zipMessages_data();
    void zipMessages();
    void selfExtractingNothingArchived();
    void applicationInTwoFolders();
    void applicationNotFound();
    void errorLineClickOutsideQueryFile();
    void quitWhileChoosingApplication();
    void quitDuringCompression_data();
    void quitDuringCompression();
    void adminForbidsCutAndRestoreKeys();

private:
    void setScript(const QStringList& answers);
    QString c(const QString& rel) const { return m_drive.filePath(u"c/"_s + rel); }
    QString transcript() const { return readText(m_home->filePath(u"transcript.txt"_s)); }
    QString log() const { return readText(m_home->filePath(u"kestrave.log"_s)); }

    QTemporaryDir m_drive;
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestKestraveWindowRuns::initTestCase()
{
    QVERIFY(m_drive.isValid());
    writeText(m_drive.filePath(u"drives.ini"_s),
              u"[C]\nroot="_s + m_drive.filePath(u"c"_s) + u"\ntype=fixed\n[D]\nroot="_s + m_drive.filePath(u"d"_s)
                  + u"\ntype=fixed\n[F]\nroot="_s + m_drive.filePath(u"c/P1"_s) + u"\ntype=fixed\n[A]\nroot="_s
                  + m_drive.filePath(u"a"_s) + u"\ntype=removable\ncapacity=1457664\n"_s);
    QDir().mkpath(m_drive.filePath(u"a"_s));
    QDir().mkpath(m_drive.filePath(u"d"_s));
    QDir().mkpath(m_drive.filePath(u"c/P1"_s));
    qputenv("KESTRAVE_DRIVES", m_drive.filePath(u"drives.ini"_s).toUtf8());
    qputenv("KESTRAVE_NOW", "2026-03-07T14:03:05");
    writeText(c(u"Data/a.txt"_s), u"alpha alpha alpha alpha alpha"_s);
}

void TestKestraveWindowRuns::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KESTRAVE_HOME", m_home->path().toUtf8());
    qputenv("KESTRAVE_TRANSCRIPT", m_home->filePath(u"transcript.txt"_s).toUtf8());
    setScript({});
    QueryRunner::setApplicationChoiceDriver(QueryRunner::ChoiceDriver::ByEnvironment);
}

void TestKestraveWindowRuns::setScript(const QStringList& answers)
{
    const QString script = m_home->filePath(u"script.txt"_s);
    writeText(script, answers.join(QLatin1Char('\n')));
    qputenv("KESTRAVE_SCRIPT", script.toUtf8());
    PlatformEnvironment::reload();
    ScriptedDialogs::restartScript();
}

void TestKestraveWindowRuns::singleQuerySummary()
{
    writeText(m_home->filePath(u"kestrave.ini"_s),
              u"[general]\ntimeoutsec=20\n[3]\ndata=C:\\Data\narch=Docs\ndest=C:\\Out\nupdate=0\nsfx=0\neject=1\n"
              u"autoclose=1\nqw95=0\nnote=The comment\niboxmsg=3\n"_s);
    TForm1 form({u"3"_s});
    const TForm1Controls& ui = form.controls();
    QCOMPARE(ui.LabelInfo->text(), u"Data saving finished."_s);
    QCOMPARE(form.windowTitle(), u"Data saving : End."_s);
    QVERIFY2(ui.LbFileDest->text().startsWith(u"C:\\OUT\\0703Docs.zip  [ "_s), qPrintable(ui.LbFileDest->text()));
    QVERIFY(ui.LbFileDest->text().endsWith(u" ]"_s));
    QCOMPARE(ui.Lb3dFinalInfos->text(), u"- End of process.    You may quit."_s);
    QCOMPARE(ui.ListBox1->count(), 0);
    QCOMPARE(ui.ComboPath->currentText(), u"C:\\OUT"_s);
    // The options are mirrored into the hidden check boxes.
    QVERIFY(ui.CbEject->isChecked());
    QVERIFY(ui.CbAutoClose->isChecked());
    QVERIFY(!ui.CBExe->isChecked());
    QVERIFY(ui.CbYesNo->isChecked() && !ui.CbOk->isChecked());
    // The process list ends with the end line and the separator.
    QStringList process;
    for (int i = 0; i < ui.ListBox3->count(); ++i)
        process.append(ui.ListBox3->item(i)->text());
    QVERIFY(process.contains(u"C:\\Data\\*.* --> Data saving in process..."_s));
    QCOMPARE(process.last(), QString(122, u'-'));
    QCOMPARE(process.at(process.size() - 2), u"C:\\Data\\*.* --> Data Saving : End."_s);
    // Statistics: hint of the data-path caption.
    const QString hint = ui.Lb3dRep->property("hint").toString();
    QVERIFY2(hint.startsWith(u"|Date : "_s) && hint.contains(u" / 1 Processed files / Reduction : "_s),
             qPrintable(hint));
    QVERIFY(ui.CloseTimer->isActive());
}

void TestKestraveWindowRuns::allQueriesWithErrors()
{
    writeText(c(u"Two/t.txt"_s), u"two"_s);
    writeText(m_home->filePath(u"kestrave.ini"_s),
              u"[general]\ntimeoutsec=20\n[1]\ndata=C:\\Data\narch=One\ndest=C:\\Out\n"
              u"[2]\ndata=C:\\Two\nfilter=gone.txt\narch=Two\ndest=C:\\Out\n"_s);
    const QString displayName = QApplication::applicationDisplayName();
    TForm1 form({u"TOUS"_s});
    const TForm1Controls& ui = form.controls();
    QCOMPARE(ui.LbFileRep2Sav->text(), u"All Queries "_s);
    QCOMPARE(ui.LbFileDest->text(), u"Respective Archives"_s);
    QCOMPARE(ui.Lb3dFinalInfos->text(), u"Press [ CTRL+S ] to identify corrupt data archive."_s);
    QCOMPARE(ui.LabelInfo->text(), u"Incomplete backup."_s);
    QCOMPARE(form.windowTitle(), u"ALL Data saving : Error(s)..."_s);
    QVERIFY(!ui.CbAutoClose->isChecked());
    QCOMPARE(form.width(), form.largeWidth());
    QCOMPARE(ui.LbFileNbProcess->text(), QString());
    QVERIFY(ui.ListBox1->count() >= 1);
    QCOMPARE(ui.ListBox1->item(0)->text(), u"C:\\Two\\gone.txt nonexistent"_s);
    QVERIFY(QFile::exists(c(u"OUT/0703One.zip"_s)));

    // Every text of the window is shown whole, the final label's too.
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(ui.Lb3dFinalInfos->isVisible());
    const QStringList clipped = test::clippedTexts(&form, {u"LbFileRep2Sav"_s, u"LbFileDest"_s, u"LbFileBgZipd"_s});
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u'\n')));
    // The file counter is the main window's task-bar text; every other window and message box
    // keeps the program's name.
    QVERIFY2(QRegularExpression(u"^\\d+/\\d+$"_s).match(form.windowIconText()).hasMatch(),
             qPrintable(form.windowIconText()));
    QCOMPARE(QApplication::applicationDisplayName(), displayName);
}

void TestKestraveWindowRuns::fileInUseWarns()
{
    // Another program holds a file: it is still saved, listed as in use, and the run ends
    // with the warning summary.
    writeText(c(u"Busy/held.db"_s), u"records"_s);
    writeText(c(u"Busy/free.txt"_s), u"free"_s);
    QFile held(c(u"Busy/held.db"_s));
    QVERIFY(held.open(QIODevice::ReadOnly));
    QCOMPARE(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
    writeText(m_home->filePath(u"kestrave.ini"_s),
              u"[general]\ntimeoutsec=20\n[6]\ndata=C:\\Busy\narch=Busy\ndest=C:\\Out\nupdate=0\n"_s);
    TForm1 form({u"6"_s});
    const TForm1Controls& ui = form.controls();
    QCOMPARE(ui.ListBox2->count(), 1);
    QCOMPARE(ui.ListBox2->item(0)->text(), u"C:\\Busy\\held.db"_s);
    QCOMPARE(ui.ListBox1->count(), 0);
    QCOMPARE(ui.Lb3dFinalInfos->text(), u" WARNING...File(s) used by an other software."_s);
    QCOMPARE(form.windowTitle(), u"Data saving : Failure or Warning message(s)"_s);
    QVERIFY(!ui.CbAutoClose->isChecked());
    QVERIFY(transcript().contains(u"act|sound|error.wav"_s));
    QVERIFY(QFile::exists(c(u"OUT/0703Busy.zip"_s)));
}

void TestKestraveWindowRuns::removableDestination()
{
    // A fresh floppy: no prompt, the archive is copied, the medium gets its first history
    // label, and the summary asks for a new backup on removable medium.
    writeText(m_home->filePath(u"kestrave.ini"_s),
              u"[general]\ntimeoutsec=20\n[9]\ndata=C:\\Data\narch=Flop\ndest=A:\\\nupdate=0\neject=1\n"_s);
    TForm1 form({u"9"_s});
    const TForm1Controls& ui = form.controls();
    QVERIFY(QFile::exists(m_drive.filePath(u"a/0703Flop.zip"_s)));
    QVERIFY(!transcript().contains(u"ask|"_s));
    QVERIFY(transcript().contains(u"act|label|A: KSV-1-7"_s)); // 7 March 2026 is a Saturday
    QCOMPARE(ui.Lb3dFinalInfos->text(), u"WARNING...Make a new data saving on REMOVABLE medium."_s);
    bool listed = false;
    for (int i = 0; i < ui.ListBox3->count(); ++i)
        listed = listed || ui.ListBox3->item(i)->text() == u"WARNING...Make a new data saving on REMOVABLE medium."_s;
    QVERIFY(listed);
    // The target label shows the work archive's size for drives A and B.
    QVERIFY2(ui.LbFileDest->text().startsWith(u"A:\\0703Flop.zip  [ "_s), qPrintable(ui.LbFileDest->text()));
    // Quitting ejects the removable medium of the query.
    form.BtQuitter3DClick();
    QVERIFY(transcript().contains(u"act|eject|A:"_s));
}

void TestKestraveWindowRuns::zipMessages_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("errorLine");
    QTest::addColumn<bool>("logged");
    QTest::newRow("767 with a file name") << 767 << u"File not found C:\\X\\a.txt"_s << u"C:\\X\\a.txt nonexistent"_s
                                          << true;
    QTest::newRow("767, short message") << 767 << u"File not found"_s << u" nonexistent"_s << true;
    QTest::newRow("852237") << 852237 << u"whatever"_s << u"Archive NOT created."_s << true;
    // The cause of a failed write, or a file left out, is kept in the log too.
    QTest::newRow("other code") << 1002 << u"Cannot write"_s << u"Cannot write 1002"_s << true;
    QTest::newRow("information") << 0 << u"Added 3 files"_s << QString() << false;
}

void TestKestraveWindowRuns::zipMessages()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QString, errorLine);
    QFETCH(bool, logged);
    TForm1 form({});
    const TForm1Controls& ui = form.controls();
    const int processBefore = ui.ListBox3->count();
    form.runner()->query().label = u"C:\\Data\\*.*"_s;
    form.runner()->ZipMaster1Message(code, message);
    QCOMPARE(form.runner()->lastZipError(), code);
    if (errorLine.isEmpty()) {
        QCOMPARE(ui.ListBox1->count(), 0);
        QCOMPARE(ui.ListBox3->count(), processBefore);
        return;
    }
    QCOMPARE(ui.ListBox1->count(), 1);
    QCOMPARE(ui.ListBox1->item(0)->text(), errorLine);
    QCOMPARE(ui.ListBox3->item(ui.ListBox3->count() - 1)->text(), u" ERROR ! with C:\\Data\\*.*"_s);
    QCOMPARE(form.runLog().lines().contains(errorLine), logged);
}

void TestKestraveWindowRuns::selfExtractingNothingArchived()
{
    // Nothing matches the filter: no work archive, so nothing to convert. The summary says so,
    // and the conversion adds nothing to the error list.
    writeText(m_home->filePath(u"kestrave.ini"_s),
              u"[general]\ntimeoutsec=20\n[5]\ndata=C:\\Data\nfilter=*.none\narch=Sfx\ndest=C:\\Out\nupdate=0\n"
              u"sfx=1\n"_s);
    TForm1 form({u"5"_s});
    const TForm1Controls& ui = form.controls();
    QStringList errors;
    for (int i = 0; i < ui.ListBox1->count(); ++i)
        errors.append(ui.ListBox1->item(i)->text());
    // The zip component's line, then the runner's: a failed build is not copied.
    QCOMPARE(errors, (QStringList{u"Archive NOT created."_s,
                                  u"-Archive Sfx.exe NOT built: nothing is copied and the old archives are kept."_s}));
    QCOMPARE(ui.LbFileDest->text(), u"The abysmal depths of nothingness..."_s);
    QCOMPARE(ui.Lb3dFinalInfos->text(), u"- Error(s) detected ! nonexistent archive ! "_s);
    QCOMPARE(form.windowTitle(), u"Data saving : Failure or Warning message(s)"_s);
    QVERIFY(!QFile::exists(c(u"OUT/0703Sfx.exe"_s)));
    QVERIFY(!QFile::exists(m_home->filePath(u"Sas_Zip/Sfx.exe"_s)));
    QVERIFY(form.runLog().lines().contains(u"-DATA Saving uncomplet : Error(s) detected"_s));
}

void TestKestraveWindowRuns::applicationInTwoFolders()
{
    writeText(c(u"P1/tool"_s), u"1"_s);
    writeText(m_drive.filePath(u"d/P2/tool"_s), u"2"_s);
    writeText(c(u"P1/conf.ini"_s), u"one"_s);
    writeText(m_drive.filePath(u"d/P2/conf.ini"_s), u"two"_s);
    const QString ksv = c(u"Jobs/app.ksv"_s);
    writeText(ksv, u"[divers]\narch=App\ndest=C:\\Out\nupdate=0\nstorepath=0\n[add]\n1=conf.ini\n"
                   u"[application]\nNameExeKsv=tool\n"_s);
    writeText(m_home->filePath(u"kestrave.ini"_s), u"[general]\ntimeoutsec=20\n"_s);
    // The notice about several folders; then the first pick is turned down, the second kept.
    setScript({u"OK"_s, u"Cancel"_s, u"OK"_s});
    // The questions come from a script, but the choice is clicked here, as a person would.
    QueryRunner::setApplicationChoiceDriver(QueryRunner::ChoiceDriver::Person);
    QStringList seen;
    DuringRun click([](TForm1& f) { return f.runner()->awaitingApplicationChoice(); },
                    [&seen](TForm1& f) {
                        const QListWidget* list = f.controls().ListBox1;
                        for (int i = 0; i < list->count(); ++i)
                            seen.append(list->item(i)->text());
                        // First D:\P2 (refused), then C:\P1 (confirmed).
                        f.ListBox1Click(seen.size() <= 2 ? list->item(1)->text() : list->item(0)->text());
                    });
    click.repeat();
    TForm1 form({u"C:\\Jobs\\app.ksv"_s});
    QCOMPARE(click.calls(), 2);
    // C:\P1 is also the root of drive F: it is offered once.
    QCOMPARE(seen, (QStringList{u"C:\\P1"_s, u"D:\\P2"_s, u"C:\\P1"_s, u"D:\\P2"_s}));
    const QString t = transcript();
    QVERIFY(t.contains(u"KESTRAVE find several paths for this application.\\r\\rChoose in the right box the valid path."_s));
    QVERIFY(t.contains(u"D:\\P2\\rAbove path selected. \\r\\rOk to continue, Esc to change.|Cancel"_s));
    QVERIFY(t.contains(u"C:\\P1\\rAbove path selected. \\r\\rOk to continue, Esc to change.|OK"_s));
    // Stored in the query file: the next run does not search.
    QCOMPARE(IniFile(ksv).readString(u"application"_s, u"PatchExeKsv"_s), u"C:\\P1"_s);
    QCOMPARE(form.controls().ListBox1->count(), 0);
    QVERIFY(QFile::exists(c(u"OUT/0703App.zip"_s)));
}

void TestKestraveWindowRuns::applicationNotFound()
{
    const QString ksv = c(u"Jobs/none.ksv"_s);
    writeText(ksv, u"[divers]\narch=None\ndest=C:\\Out\n[add]\n1=C:\\Data\\a.txt\n[application]\nNameExeKsv=nosuch\n"_s);
    writeText(m_home->filePath(u"kestrave.ini"_s), u"[general]\ntimeoutsec=20\n"_s);
    TForm1 form({u"C:\\Jobs\\none.ksv"_s});
    QVERIFY(transcript().contains(u"ask|information|OK|KESTRAVE do not find a path for this application."_s));
    QCOMPARE(IniFile(ksv).readString(u"application"_s, u"PatchExeKsv"_s, u"unset"_s), u"unset"_s);
    QVERIFY(QFile::exists(c(u"OUT/0703None.zip"_s)));
}

void TestKestraveWindowRuns::errorLineClickOutsideQueryFile()
{
    // Outside a query-file run a clicked error line is only shown.
    TForm1 form({});
    form.ListBox1Click(u"anything"_s); // empty list: nothing
    QVERIFY(!transcript().contains(u"ask|"_s));
    const_cast<QListWidget*>(form.controls().ListBox1)->addItem(u"C:\\Data\\x.txt nonexistent"_s);
    form.ListBox1Click(u"C:\\Data\\x.txt nonexistent"_s);
    QVERIFY(transcript().contains(u"ask|information|OK|C:\\Data\\x.txt nonexistent|OK"_s));
    QVERIFY(!transcript().contains(u"Above path selected"_s));
}

void TestKestraveWindowRuns::quitWhileChoosingApplication()
{
    writeText(c(u"P1/tool"_s), u"1"_s);
    writeText(m_drive.filePath(u"d/P2/tool"_s), u"2"_s);
    const QString ksv = c(u"Jobs/quit.ksv"_s);
    writeText(ksv, u"[divers]\narch=Quit\ndest=C:\\Out\n[add]\n1=conf.ini\n[application]\nNameExeKsv=tool\n"_s);
    writeText(m_home->filePath(u"kestrave.ini"_s), u"[general]\ntimeoutsec=20\n"_s);
    QueryRunner::setApplicationChoiceDriver(QueryRunner::ChoiceDriver::Person);
    DuringRun esc([](TForm1& f) { return f.runner()->awaitingApplicationChoice(); },
                  [](TForm1& f) { f.FormKeyDown(Qt::Key_Escape, Qt::NoModifier); });
    TForm1 form({u"C:\\Jobs\\quit.ksv"_s});
    QCOMPARE(esc.calls(), 1);
    QVERIFY(form.endRequested());
    // Nothing was built or stored, and the log ends with the closing header.
    QVERIFY(!QFile::exists(c(u"OUT/0703Quit.zip"_s)));
    QVERIFY(!QFile::exists(m_home->filePath(u"Sas_Zip/Quit.zip"_s)));
    QCOMPARE(IniFile(ksv).readString(u"application"_s, u"PatchExeKsv"_s, u"unset"_s), u"unset"_s);
    QVERIFY(form.runLog().lines().last().contains(u"CLose KESTRAVE"_s));
    QVERIFY(!form.controls().CloseTimer->isActive());
}

void TestKestraveWindowRuns::quitDuringCompression_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("No: the compression goes on") << u"No"_s;
    QTest::newRow("Yes: the compression stops") << u"Yes"_s;
}

void TestKestraveWindowRuns::quitDuringCompression()
{
    QFETCH(QString, answer);
    // Enough data for the compression to take a while at the highest level.
    const QString big = c(u"Big/big.txt"_s);
    if (!QFile::exists(big)) {
        QDir().mkpath(QFileInfo(big).path());
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QRandomGenerator random(7);
        QByteArray chunk;
        for (int i = 0; i < 1 << 16; ++i)
            chunk.append(char('a' + random.bounded(20)));
        for (int i = 0; i < 600; ++i)
            f.write(chunk);
    }
    writeText(m_home->filePath(u"kestrave.ini"_s),
              u"[general]\ntimeoutsec=20\n[8]\ndata=C:\\Big\narch=Big\ndest=C:\\Out\nupdate=0\nlevel=9\n"_s);
    QFile::remove(c(u"OUT/0703Big.zip"_s));
    setScript({answer});
    DuringRun esc([](TForm1& f) { return f.runner()->zip().Busy(); },
                  [](TForm1& f) { QVERIFY(f.FormKeyDown(Qt::Key_Escape, Qt::NoModifier)); });
    TForm1 form({u"8"_s});
    QCOMPARE(esc.calls(), 1);
    QVERIFY(!form.endRequested()); // Esc during a compression never quits
    QVERIFY(transcript().contains(u"ask|warning|Yes+No|Cancel this compression process ?|"_s + answer));
    const TForm1Controls& ui = form.controls();
    if (answer == u"No"_s) {
        QVERIFY(QFile::exists(c(u"OUT/0703Big.zip"_s)));
        QCOMPARE(form.windowTitle(), u"Data saving : End."_s);
        QVERIFY(!log().contains(u"Premature cancel by user."_s));
        QVERIFY(!form.runLog().lines().contains(u"Premature cancel by user."_s));
    } else {
        QVERIFY(!QFile::exists(c(u"OUT/0703Big.zip"_s)));
        QVERIFY(!QFile::exists(m_home->filePath(u"Sas_Zip/Big.zip"_s)));
        QCOMPARE(form.windowTitle(), u"Data saving : Failure or Warning message(s)"_s);
        QVERIFY(!ui.CbAutoClose->isChecked());
        const QStringList lines = form.runLog().lines();
        QCOMPARE(lines.last(), u"Premature cancel by user."_s);
        QCOMPARE(lines.at(lines.size() - 2), u"-DATA Saving uncomplet : Error(s) detected"_s);
    }
}

void TestKestraveWindowRuns::adminForbidsCutAndRestoreKeys()
{
    // F7 and F8 do nothing when the administrator forbids them: no window opens, no message.
    writeText(m_home->filePath(u"kestrave.ini"_s), u"[general]\ntimeoutsec=20\n[admini]\nr=0\n"_s);
    TForm1 form({});
    int dialogsSeen = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&dialogsSeen] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++dialogsSeen;
            modal->close();
        }
    });
    watch.start(5);
    QVERIFY(form.FormKeyDown(Qt::Key_F7, Qt::NoModifier));
    QVERIFY(form.FormKeyDown(Qt::Key_F8, Qt::NoModifier));
    QTest::qWait(30);
    QCOMPARE(dialogsSeen, 0);
    QVERIFY(!transcript().contains(u"ask|"_s));
}

QTEST_MAIN(TestKestraveWindowRuns)
#include "test_kestrave_window_runs.moc"
