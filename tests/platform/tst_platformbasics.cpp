// The platform's environment variables, the fixed clock and the program folder rules.
#include "Clock.h"
#include "PlatformEnvironment.h"
#include "PlatformTestSupport.h"
#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

class TestPlatformBasics : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void parseNow_data();
    void parseNow();
    void environmentTable();
    void fixedClock();
    void realClockAndTicks();
    void programFolderFromKestraveHome();
    void programFolderIsTheExecutableFolderWhenWritable();
    void assetsLookup();
    void companionPrograms_data();
    void companionPrograms();
};

void TestPlatformBasics::cleanup()
{
    test::setEnv("KESTRAVE_NOW", {});
    test::setEnv("KESTRAVE_HOME", {});
    test::setEnv("KESTRAVE_DRIVES", {});
    installDriveServices(nullptr);
}

void TestPlatformBasics::parseNow_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // ISO text, empty: not fixed

    QTest::newRow("documented form") << "2024-03-07T14:05:09" << "2024-03-07T14:05:09";
    QTest::newRow("blanks around") << "  2025-12-31T23:59:59 " << "2025-12-31T23:59:59";
    QTest::newRow("month 13") << "2024-13-01T00:00:00" << "";
    QTest::newRow("date only") << "2024-03-07" << "";
    QTest::newRow("space instead of T") << "2024-03-07 14:05:09" << "";
    QTest::newRow("word") << "yesterday" << "";
    QTest::newRow("empty") << "" << "";
}

void TestPlatformBasics::parseNow()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const auto when = PlatformEnvironment::parseNow(text);
    if (expected.isEmpty()) {
        QVERIFY(!when);
    } else {
        QVERIFY(when);
        QCOMPARE(when->toString(Qt::ISODate), expected);
        QCOMPARE(when->timeSpec(), Qt::LocalTime);
    }
}

void TestPlatformBasics::environmentTable()
{
    QHash<QString, QString> vars{
        {QStringLiteral("KESTRAVE_PLATFORM"), QStringLiteral("Simulated")},
        {QStringLiteral("KESTRAVE_DRIVES"), QStringLiteral("/d.ini")},
        {QStringLiteral("KESTRAVE_SCRIPT"), QStringLiteral("/s.txt")},
        {QStringLiteral("KESTRAVE_TRANSCRIPT"), QStringLiteral("/t.txt")},
        {QStringLiteral("KESTRAVE_UNATTENDED"), QStringLiteral("1")},
        {QStringLiteral("KESTRAVE_NOW"), QStringLiteral("2024-01-02T03:04:05")},
        {QStringLiteral("KESTRAVE_HOME"), QStringLiteral("/h")},
        {QStringLiteral("KESTRAVE_CTRL"), QStringLiteral("1")},
        {QStringLiteral("KESTRAVE_SCREENSAVER"), QStringLiteral("0")},
    };
    const auto lookup = [&vars](const QString& name) { return vars.value(name); };
    PlatformEnvironment env = PlatformEnvironment::fromLookup(lookup);
    QVERIFY(env.simulated);
    QCOMPARE(env.drivesFile, QStringLiteral("/d.ini"));
    QCOMPARE(env.scriptFile, QStringLiteral("/s.txt"));
    QCOMPARE(env.transcriptFile, QStringLiteral("/t.txt"));
    QVERIFY(env.unattended);
    QCOMPARE(env.fixedNow->toString(Qt::ISODate), QStringLiteral("2024-01-02T03:04:05"));
    QCOMPARE(env.homeOverride, QStringLiteral("/h"));
    QVERIFY(env.ctrlHeld);
    QVERIFY(!env.screenSaverActive);

    // Anything but the documented values leaves the defaults.
    vars = {{QStringLiteral("KESTRAVE_PLATFORM"), QStringLiteral("real")},
            {QStringLiteral("KESTRAVE_UNATTENDED"), QStringLiteral("yes")},
            {QStringLiteral("KESTRAVE_CTRL"), QStringLiteral("0")}};
    env = PlatformEnvironment::fromLookup(lookup);
    QVERIFY(!env.simulated);
    QVERIFY(!env.unattended);
    QVERIFY(!env.ctrlHeld);
    QVERIFY(env.screenSaverActive);
    QVERIFY(!env.fixedNow);

    // The test runner itself runs on the simulated platform.
    QVERIFY(PlatformEnvironment::current().simulated);
}

void TestPlatformBasics::fixedClock()
{
    test::setEnv("KESTRAVE_NOW", QStringLiteral("2024-02-29T23:59:58"));
    const QDateTime first = Clock::now();
    QCOMPARE(first, QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));
    QTest::qWait(20);
    QCOMPARE(Clock::now(), first); // fixed, not merely started there
    QCOMPARE(Clock::today(), QDate(2024, 2, 29));
    QCOMPARE(Clock::today().dayOfWeek(), 4); // a Thursday
}

void TestPlatformBasics::realClockAndTicks()
{
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime now = Clock::now();
    QVERIFY(qAbs(before.secsTo(now)) <= 2);
    const qint64 t0 = Clock::ticks();
    QTest::qWait(30);
    QVERIFY(Clock::ticks() - t0 >= 25);
    // The fixed clock never fixes the ticks: elapsed times stay real.
    test::setEnv("KESTRAVE_NOW", QStringLiteral("2024-01-01T00:00:00"));
    const qint64 t1 = Clock::ticks();
    QTest::qWait(30);
    QVERIFY(Clock::ticks() - t1 >= 25);
}

void TestPlatformBasics::programFolderFromKestraveHome()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString home = tmp.path() + QStringLiteral("/prog/Kestrave");
    test::setEnv("KESTRAVE_HOME", home);
    QCOMPARE(ProgramFolder::native(), home + QLatin1Char('/'));
    QVERIFY(QFileInfo(home).isDir()); // made when missing

    // Its DOS form through the drive table, with one trailing backslash.
    QVERIFY(test::writeFile(tmp.path() + QStringLiteral("/drives.ini"), "[C]\nroot=" + tmp.path().toUtf8() + "\n"));
    test::setEnv("KESTRAVE_DRIVES", tmp.path() + QStringLiteral("/drives.ini"));
    installDriveServices(nullptr);
    QCOMPARE(ProgramFolder::dos(), QStringLiteral("C:\\prog\\Kestrave\\"));
}

void TestPlatformBasics::programFolderIsTheExecutableFolderWhenWritable()
{
    // The build folder is writable: a development build is a portable install.
    QCOMPARE(ProgramFolder::native(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
}

void TestPlatformBasics::assetsLookup()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    test::setEnv("KESTRAVE_HOME", tmp.path());
    QVERIFY(test::writeFile(tmp.path() + QStringLiteral("/Sonar.WAV"), "riff"));
    QVERIFY(test::writeFile(tmp.path() + QStringLiteral("/Help/Index.html"), "<p>"));
    QVERIFY(QDir().mkpath(tmp.path() + QStringLiteral("/folder.ico")));
    QCOMPARE(ProgramFolder::findAsset(QStringLiteral("sonar.wav")), tmp.path() + QStringLiteral("/Sonar.WAV"));
    QCOMPARE(ProgramFolder::findAsset(QStringLiteral("help\\index.html")), tmp.path() + QStringLiteral("/Help/Index.html"));
    QCOMPARE(ProgramFolder::findAsset(QStringLiteral("missing.gif")), QString());
    QCOMPARE(ProgramFolder::findAsset(QStringLiteral("folder.ico")), QString()); // a folder is no asset
    // Beside the executable, when the program folder lacks it: the test executable itself.
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QCOMPARE(ProgramFolder::findAsset(self.toUpper()), QCoreApplication::applicationFilePath());
}

void TestPlatformBasics::companionPrograms_data()
{
    QTest::addColumn<QString>("windowsName");
    QTest::addColumn<bool>("found");

    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QTest::newRow("upper case with .EXE") << self.toUpper() + QStringLiteral(".EXE") << true;
    QTest::newRow("mixed case, no extension") << self.left(1).toUpper() + self.mid(1) << true;
    QTest::newRow("with a Windows folder") << QStringLiteral("C:\\Program Files\\Kestrave\\") + self + QStringLiteral(".exe") << true;
    QTest::newRow("not built") << "Ksv_NoSuchCompanion.exe" << false;
    QTest::newRow("empty") << "" << false;
}

void TestPlatformBasics::companionPrograms()
{
    QFETCH(QString, windowsName);
    QFETCH(bool, found);
    QCOMPARE(ProgramFolder::companionProgram(windowsName), found ? QCoreApplication::applicationFilePath() : QString());
}

QTEST_GUILESS_MAIN(TestPlatformBasics)
#include "tst_platformbasics.moc"
