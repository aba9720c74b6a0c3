#include "IniFile.h"
#include "PackageConstants.h"
#include "PackagePaths.h"
#include "PlatformEnvironment.h"
#include "Settings.h"
#include "SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

class TestSettingsModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void noFileGivesEveryDefault();
    void valuesAreRead();
    void wordInBooleanReadsAsDefault();
    void adminPasswordPresence_data();
    void adminPasswordPresence();
    void administratorLiftsAllButDAndN();
    void exploSettingsRoundTrip();
    void explorerFileChoice();
    void listsAndEditorHelpers();

private:
    QString writeSettings(const QByteArray& text);
    QTemporaryDir m_dir;
    QString m_program;
};

void TestSettingsModel::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_program = m_dir.filePath(QStringLiteral("prog"));
    QVERIFY(QDir().mkpath(m_program));
    qputenv("KESTRAVE_HOME", QFile::encodeName(m_program));
    PlatformEnvironment::reload();
}

QString TestSettingsModel::writeSettings(const QByteArray& text)
{
    const QString path = m_dir.filePath(QStringLiteral("settings.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    f.write(text);
    return path;
}

void TestSettingsModel::noFileGivesEveryDefault()
{
    const IniFile none(m_dir.filePath(QStringLiteral("absent.ini")));
    const GeneralSettings g = GeneralSettings::load(none);
    QCOMPARE(g.lnkstart, NameRepSauvegarde);
    QCOMPARE(g.lnkother, DossierBureau() + QStringLiteral("BackupMyFiles\\"));
    QVERIFY(g.bstartsav && !g.botherlnk && g.wav && g.automate && g.gif && g.dm && g.vhint);
    QVERIFY(!g.DskTurnGame && g.voirzip && g.log);
    QCOMPARE(g.timeoutsec, 20);
    QCOMPARE(g.split, 197);
    QCOMPARE(g.maxwrite, 10);
    QCOMPARE(g.logline, 1500);
    QVERIFY(!g.top && !g.left);

    const AdminFlags a = AdminFlags::load(none);
    QVERIFY(a.passw.isEmpty() && !a.hasPassword());
    QVERIFY(a.s && a.e && a.f && a.c && a.a && a.d && a.n && a.z && a.r && a.l);

    const ExploSettings x = ExploSettings::load(none);
    QVERIFY(x.top == 0 && x.left == 0 && x.width == 0 && !x.ma && !x.mb && !x.mt && !x.md);
    QVERIFY(x.ftop && !x.exploextr && x.msgextr && x.level == 1);
    QVERIFY(!x.sfx && x.subdir && x.storepath && !x.pass && !x.update && x.date && !x.eject && !x.close);
    QCOMPARE(Settings::storedPermanentPassword(none), QString());
}

void TestSettingsModel::valuesAreRead()
{
    const IniFile ini(writeSettings("[GENERAL]\r\nTimeOutSec=45\r\nsplit=250\r\nlog=0\r\nDSKTURNGAME=1\r\n"
                                    "lnkstart=My Jobs\r\ntop=-5\r\n"
                                    "[admini]\r\nf=0\r\nd=0\r\npassw=ABC\r\n[div]\r\ndateinstall=01AB\r\n"));
    const GeneralSettings g = GeneralSettings::load(ini);
    QCOMPARE(g.timeoutsec, 45);
    QCOMPARE(g.split, 250);
    QCOMPARE(g.log, false);
    QCOMPARE(g.DskTurnGame, true);
    QCOMPARE(g.lnkstart, QStringLiteral("My Jobs"));
    QCOMPARE(g.top, std::optional<int>(-5));
    const AdminFlags a = AdminFlags::load(ini);
    QVERIFY(!a.f && !a.d && a.e);
    QCOMPARE(a.passw, QStringLiteral("ABC"));
    QCOMPARE(Settings::storedPermanentPassword(ini), QStringLiteral("01AB"));
}

void TestSettingsModel::wordInBooleanReadsAsDefault()
{
    const IniFile ini(writeSettings("[general]\r\nwav=yes\r\nbotherlnk=true\r\ntimeoutsec=soon\r\n"
                                    "[admini]\r\ne=no\r\n"));
    const GeneralSettings g = GeneralSettings::load(ini);
    QCOMPARE(g.wav, true);        // default 1
    QCOMPARE(g.botherlnk, false); // default 0, not "true"
    QCOMPARE(g.timeoutsec, 20);
    QCOMPARE(AdminFlags::load(ini).e, true);
}

void TestSettingsModel::adminPasswordPresence_data()
{
    QTest::addColumn<QString>("passw");
    QTest::addColumn<bool>("hasPassword");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("built-in value") << "6B0E4F27 A5C8D913 7F2E0B64 C1D95A38 E40B7C12" << false;
    QTest::newRow("a digest") << "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D" << true;
}

void TestSettingsModel::adminPasswordPresence()
{
    QFETCH(QString, passw);
    QFETCH(bool, hasPassword);
    const IniFile ini(writeSettings("[admini]\r\npassw=" + passw.toLatin1() + "\r\n"));
    QCOMPARE(AdminFlags::load(ini).hasPassword(), hasPassword);
}

void TestSettingsModel::administratorLiftsAllButDAndN()
{
    const IniFile ini(
        writeSettings("[admini]\r\ns=0\r\ne=0\r\nf=0\r\nc=0\r\na=0\r\nd=0\r\nn=0\r\nz=0\r\nr=0\r\nl=0\r\n"));
    AdminFlags a = AdminFlags::load(ini);
    QVERIFY(!a.e && !a.f && !a.c && !a.a && !a.d && !a.n && !a.z && !a.r && !a.l && !a.s);
    a.liftForAdministrator();
    QVERIFY(a.e && a.f && a.c && a.a && a.z && a.r && a.l);
    QVERIFY(!a.d && !a.n && !a.s);
}

void TestSettingsModel::exploSettingsRoundTrip()
{
    IniFile ini(writeSettings("[explo]\r\nlevel=3\r\n[general]\r\nwav=0\r\n"));
    ExploSettings x = ExploSettings::load(ini);
    QCOMPARE(x.level, 3);
    x.width = 640;
    x.ma = true;
    x.close = true;
    QVERIFY(x.save(ini));
    const ExploSettings back = ExploSettings::load(ini);
    QCOMPARE(back.width, 640);
    QVERIFY(back.ma && back.close && back.level == 3);
    QCOMPARE(ini.readString(SettingsKeys::General, SettingsKeys::general::wav), QStringLiteral("0"));
}

void TestSettingsModel::explorerFileChoice()
{
    QCOMPARE(Settings::settingsFilePath(), m_program + QStringLiteral("/kestrave.ini"));
    QCOMPARE(Settings::explorerSettingsFilePath(), m_program + QStringLiteral("/KSV_EXPL.INI"));
    QFile own(m_program + QStringLiteral("/KSV_EXPL.INI"));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.close();
    QCOMPARE(Settings::explorerSettingsFilePath(), own.fileName());
    // Once the shared file exists (any case), it wins and the old one is ignored.
    QFile shared(m_program + QStringLiteral("/KESTRAVE.INI"));
    QVERIFY(shared.open(QIODevice::WriteOnly));
    shared.close();
    QCOMPARE(Settings::explorerSettingsFilePath(), shared.fileName());
}

void TestSettingsModel::listsAndEditorHelpers()
{
    IniFile ini(
        writeSettings("[KsvFile]\r\nn0=C:\\a.ksv\r\nn1=C:\\b.ksv\r\nn2=C:\\c.ksv\r\nn4=C:\\gap.ksv\r\n"
                      "last=C:\\b.ksv\r\n[divers]\r\nicoIndex=7\r\n"));
    QCOMPARE(
        Settings::readNumberedList(ini.snapshot(), QStringLiteral("ksvfile")),
        QStringList({QStringLiteral("C:\\a.ksv"), QStringLiteral("C:\\b.ksv"), QStringLiteral("C:\\c.ksv")}));
    // The editor's rewrite leaves keys beyond the new count in place.
    QVERIFY(Settings::writeNumberedList(ini, QStringLiteral("KsvFile"), {QStringLiteral("C:\\z.ksv")}));
    QCOMPARE(Settings::readNumberedList(ini.snapshot(), QStringLiteral("KsvFile")).size(), 3);
    QCOMPARE(ini.readString(QStringLiteral("KsvFile"), QStringLiteral("n0")), QStringLiteral("C:\\z.ksv"));
    QVERIFY(Settings::writeNumberedList(ini, QStringLiteral("RunServiceKsv"), {QStringLiteral("x")}, true));
    QVERIFY(Settings::writeNumberedList(ini, QStringLiteral("KsvFile"), {QStringLiteral("C:\\y.ksv")}, true));
    QCOMPARE(ini.keys(QStringLiteral("KsvFile")),
             QStringList({QStringLiteral("n0"), QStringLiteral("n4"), QStringLiteral("last")}));

    QCOMPARE(Settings::proposedIconIndex(ini, true), 7);
    const IniFile none(m_dir.filePath(QStringLiteral("absent.ini")));
    QCOMPARE(Settings::proposedIconIndex(none, true), 1);
    QCOMPARE(Settings::proposedIconIndex(none, false), 0);
    QCOMPARE(Settings::historyCfgDir(none), QStringLiteral("C:\\"));

    QCOMPARE(Settings::iniFileName(), Settings::settingsFilePath());
    Settings::setIniFileName(QStringLiteral("/elsewhere/kestrave.ini"));
    QCOMPARE(Settings::iniFileName(), QStringLiteral("/elsewhere/kestrave.ini"));
    Settings::setIniFileName(QString());
}

QTEST_GUILESS_MAIN(TestSettingsModel)
#include "test_settings_model.moc"
