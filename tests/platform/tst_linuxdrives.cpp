// The real backends where they need no desktop: the drive table's defaults and the [drives]
// section of kestrave.ini, and a clean failure of the screen saver without a session bus.
// Nothing here calls a D-Bus service.
#include "DriveServices_linux.h"
#include "PlatformTestSupport.h"
#include "SystemActions_linux.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

class TestLinuxDrives : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void defaults();
    void settingsOverrideAddAndRemoveLetters();
    void screenSaverWithoutSessionBus();
};

void TestLinuxDrives::cleanup()
{
    test::setEnv("KESTRAVE_HOME", {});
    installDriveServices(nullptr);
}

void TestLinuxDrives::defaults()
{
    QTemporaryDir programFolder;
    test::setEnv("KESTRAVE_HOME", programFolder.path()); // no kestrave.ini: defaults only
    LinuxDriveServices services;
    QCOMPARE(services.drive(QLatin1Char('C'))->root, QDir::cleanPath(QDir::homePath()));
    QCOMPARE(services.drive(QLatin1Char('D'))->root, QStringLiteral("/"));
    QVERIFY(services.mediumPresent(QLatin1Char('C')));
    QVERIFY(services.freeSpace(QLatin1Char('D')) > 0);
    QVERIFY(services.capacity(QLatin1Char('D')) >= services.freeSpace(QLatin1Char('D')));
    QCOMPARE(services.freeSpace(QLatin1Char('Q')), qint64(-1));
    QCOMPARE(services.driveType(QLatin1Char('Q')), DriveType::NoRootDir);
    // Fixed drives are neither ejected nor formatted.
    QVERIFY(!services.eject(QLatin1Char('C')));
    QCOMPARE(services.format(QLatin1Char('C')), int(FormatNotPossible));

    installDriveServices(new LinuxDriveServices);
    QCOMPARE(DosPath::fromNative(QDir::homePath() + QStringLiteral("/Backup/a.zip")).value_or(QString()),
             QStringLiteral("C:\\Backup\\a.zip"));
    QCOMPARE(DosPath::fromNative(QStringLiteral("/etc/hosts")).value_or(QString()), QStringLiteral("D:\\etc\\hosts"));
}

void TestLinuxDrives::settingsOverrideAddAndRemoveLetters()
{
    QTemporaryDir tmp;
    const QString root = QDir(tmp.path()).canonicalPath();
    QVERIFY(QDir().mkpath(root + QStringLiteral("/data")));
    QVERIFY(QDir().mkpath(QDir::homePath() + QStringLiteral("/sub")));
    QVERIFY(test::writeFile(root + QStringLiteral("/prog/kestrave.ini"),
                            "[general]\ndm=1\n[drives]\nc=" + root.toUtf8() + "/data\nX:=~/sub\nD=\nbad=/tmp\nY=/no/such/folder\n"));
    test::setEnv("KESTRAVE_HOME", root + QStringLiteral("/prog"));
    auto* services = new LinuxDriveServices;
    installDriveServices(services);

    QCOMPARE(services->drive(QLatin1Char('C'))->root, root + QStringLiteral("/data"));
    QCOMPARE(services->drive(QLatin1Char('X'))->root, QDir::homePath() + QStringLiteral("/sub"));
    QVERIFY(!services->drive(QLatin1Char('D')));   // an empty value removes the letter
    for (const DriveInfo& d : services->drives())
        QVERIFY2(d.root != QStringLiteral("/tmp"), "a key that is no letter gives no drive");
    QVERIFY(services->drive(QLatin1Char('Y')));    // a letter whose folder is missing...
    QVERIFY(!services->mediumPresent(QLatin1Char('Y'))); // ...holds no medium
    QCOMPARE(DosPath::toNative(QStringLiteral("Y:\\f")), QString());

    QVERIFY(test::writeFile(root + QStringLiteral("/data/Report.TXT"), "r"));
    QCOMPARE(DosPath::toNative(QStringLiteral("c:\\REPORT.txt")), root + QStringLiteral("/data/Report.TXT"));
    QCOMPARE(DosPath::fromNative(root + QStringLiteral("/data/x")).value_or(QString()), QStringLiteral("C:\\x"));
    // Without D: the rest of the file system is outside every drive.
    QVERIFY(!DosPath::fromNative(QStringLiteral("/etc/hosts")));
}

void TestLinuxDrives::screenSaverWithoutSessionBus()
{
    if (qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS") != QLatin1String("disabled:"))
        QSKIP("Runs only with the session bus disabled, as the test runner sets it");
    LinuxSystemActions actions;
    QVERIFY(!actions.screenSaverActive());
    QVERIFY(!actions.setScreenSaverActive(false));
    QVERIFY(actions.setScreenSaverActive(true)); // nothing was switched off: nothing to undo
    QVERIFY(!actions.ctrlHeld());
}

QTEST_GUILESS_MAIN(TestLinuxDrives)
#include "tst_linuxdrives.moc"
