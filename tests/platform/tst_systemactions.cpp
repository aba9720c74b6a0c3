// Simulated system actions and the Windows-style command lines the launcher understands.
#include "CommandLauncher.h"
#include "PlatformTestSupport.h"
#include "SystemActions.h"
#include "SystemActions_simulated.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

class TestSystemActions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void recordedActions();
    void screenSaverAndCtrlFromTheEnvironment();
    void runAndWaitReallyRuns();
    void splitCommandLine_data();
    void splitCommandLine();
    void launcher_data();
    void launcher();

private:
    QString path(const QString& name) const { return m_root + QLatin1Char('/') + name; }
    QStringList transcript() const { return test::transcriptLines(path(QStringLiteral("transcript.txt"))); }

    QTemporaryDir m_tmp;
    QString m_root;
};

void TestSystemActions::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_root = QDir(m_tmp.path()).canonicalPath();
    QVERIFY(test::writeFile(path(QStringLiteral("c/Kestrave/kestrave.log")), "log"));
    QVERIFY(test::writeFile(path(QStringLiteral("c/Kestrave/Ksv/My Query.ksv")), "[divers]\n"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("c/My Data"))));
    QVERIFY(test::writeFile(path(QStringLiteral("drives.ini")), "[C]\nroot=c\n"));
    test::setEnv("KESTRAVE_DRIVES", path(QStringLiteral("drives.ini")));
    installDriveServices(nullptr);
}

void TestSystemActions::init()
{
    QFile::remove(path(QStringLiteral("transcript.txt")));
    test::setEnv("KESTRAVE_TRANSCRIPT", path(QStringLiteral("transcript.txt")));
    installSystemActions(nullptr); // the simulated backend, chosen by the environment
}

void TestSystemActions::recordedActions()
{
    SystemActions& actions = systemActions();
    QVERIFY(dynamic_cast<SimulatedSystemActions*>(&actions));
    QVERIFY(actions.setScreenSaverActive(false));
    QVERIFY(actions.setScreenSaverActive(true));
    actions.playSound(path(QStringLiteral("c/Kestrave/sonar.wav")));
    QVERIFY(actions.openDocument(path(QStringLiteral("c/Kestrave/kestrave.log"))));
    QVERIFY(actions.openFolder(path(QStringLiteral("c/My Data"))));
    QVERIFY(actions.openTextFile(QStringLiteral("/outside/drives.txt")));
    QVERIFY(actions.startProgram(QStringLiteral("/opt/kestrave/ksv_pro"), {QStringLiteral("C:\\Ksv\\a.ksv")}));
    QVERIFY(actions.shutdown());
    QCOMPARE(transcript(), QStringList({
                               QStringLiteral("act|screensaver|off"),
                               QStringLiteral("act|screensaver|on"),
                               QStringLiteral("act|sound|sonar.wav"),
                               QStringLiteral("act|open|C:\\Kestrave\\kestrave.log"),
                               QStringLiteral("act|explore|C:\\My Data"),
                               QStringLiteral("act|edit|/outside/drives.txt"),
                               QStringLiteral("act|start|ksv_pro C:\\Ksv\\a.ksv"),
                               QStringLiteral("act|shutdown|poweroff"),
                           }));
}

void TestSystemActions::screenSaverAndCtrlFromTheEnvironment()
{
    QVERIFY(systemActions().screenSaverActive());
    QVERIFY(!systemActions().ctrlHeld());
    test::setEnv("KESTRAVE_SCREENSAVER", QStringLiteral("0"));
    test::setEnv("KESTRAVE_CTRL", QStringLiteral("1"));
    installSystemActions(nullptr);
    QVERIFY(!systemActions().screenSaverActive());
    QVERIFY(systemActions().ctrlHeld());
    systemActions().setScreenSaverActive(true);
    QVERIFY(systemActions().screenSaverActive());
    test::setEnv("KESTRAVE_SCREENSAVER", {});
    test::setEnv("KESTRAVE_CTRL", {});
}

void TestSystemActions::runAndWaitReallyRuns()
{
    const QString marker = path(QStringLiteral("c/ran.txt"));
    const int code = systemActions().runAndWait(QStringLiteral("/bin/sh"),
                                                {QStringLiteral("-c"), QStringLiteral("echo done > \"$0\"; exit 3"), marker});
    QCOMPARE(code, 3);
    QCOMPARE(test::readFile(marker), QByteArray("done\n"));
    QCOMPARE(systemActions().runAndWait(path(QStringLiteral("no-such-program")), {}), -1);
    // A program named in DOS form runs from its native place.
    QVERIFY(test::writeFile(path(QStringLiteral("c/prep.sh")), "#!/bin/sh\nexit 5\n"));
    QVERIFY(QFile::setPermissions(path(QStringLiteral("c/prep.sh")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(CommandLauncher::run(QStringLiteral("C:\\PREP.SH"), true), 5);
    const QStringList lines = transcript();
    QCOMPARE(lines.first(), QStringLiteral("act|run|sh -c echo done > \"$0\"; exit 3 ") + marker);
    QCOMPARE(lines.last(), QStringLiteral("act|run|prep.sh"));
}

void TestSystemActions::splitCommandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("parts");

    QTest::newRow("plain") << "prog a b" << QStringList{QStringLiteral("prog"), QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("quoted blanks") << "\"C:\\My Prog\\p.exe\" \"an arg\" x"
                                   << QStringList{QStringLiteral("C:\\My Prog\\p.exe"), QStringLiteral("an arg"), QStringLiteral("x")};
    QTest::newRow("extra blanks") << "  a   b  " << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("empty quoted argument") << "a \"\"" << QStringList{QStringLiteral("a"), QString()};
    QTest::newRow("nothing") << "" << QStringList{};
}

void TestSystemActions::splitCommandLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, parts);
    QCOMPARE(CommandLauncher::splitCommandLine(line), parts);
}

void TestSystemActions::launcher_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("recorded");

    QTest::newRow("explorer with switches and blanks in the folder")
        << "explorer.exe /e,/idlist,/root,C:\\my data" << "act|explore|C:\\My Data";
    QTest::newRow("explorer in upper case, quoted folder") << "EXPLORER.EXE /e,\"C:\\My Data\"" << "act|explore|C:\\My Data";
    QTest::newRow("notepad with a query file") << "notepad C:\\Kestrave\\Ksv\\My Query.ksv"
                                               << "act|edit|C:\\Kestrave\\Ksv\\My Query.ksv";
    QTest::newRow("notepad.exe quoted") << "notepad.exe \"C:\\kestrave\\ksv\\my query.KSV\""
                                        << "act|edit|C:\\Kestrave\\Ksv\\My Query.ksv";
    QTest::newRow("a document opens in its program") << "C:\\Kestrave\\KESTRAVE.LOG" << "act|open|C:\\Kestrave\\kestrave.log";
    QTest::newRow("a folder opens in the file manager") << "C:\\My Data\\" << "act|explore|C:\\My Data\\";
    QTest::newRow("explorer with a native folder") << QStringLiteral("explorer.exe /e,/idlist,/root,") + m_root + QStringLiteral("/c/My Data")
                                                   << "act|explore|C:\\My Data";
    QTest::newRow("any other program starts") << "Ksv_Run.exe -auto" << "act|start|Ksv_Run.exe -auto";
}

void TestSystemActions::launcher()
{
    QFETCH(QString, line);
    QFETCH(QString, recorded);
    QCOMPARE(CommandLauncher::run(line, false), 0);
    QCOMPARE(transcript(), QStringList{recorded});
}

QTEST_GUILESS_MAIN(TestSystemActions)
#include "tst_systemactions.moc"
