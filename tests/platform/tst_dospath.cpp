// DOS paths <-> native paths through a simulated drive table.
#include "Drives.h"
#include "PlatformTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

class TestDosPath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void toNative_data();
    void toNative();
    void fromNative_data();
    void fromNative();
    void normalise_data();
    void normalise();
    void outsideMessageNamesThePath();
    void letterHelpers();
    void writable();

private:
    QString m_root; // the temporary folder, native
    QTemporaryDir m_tmp;
};

void TestDosPath::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_root = QDir(m_tmp.path()).canonicalPath();
    QVERIFY(test::writeFile(m_root + QStringLiteral("/c/Backup/Sub/File.TXT"), "x"));
    QVERIFY(test::writeFile(m_root + QStringLiteral("/c/data/a.txt"), "x"));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/c/Dup")));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/c/DUP")));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/c/nested")));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/cc")));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/e")));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/a")));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/r")));
    // Relative roots are taken from the drive file's folder.
    const QByteArray drives = "[C]\nroot=c\ntype=fixed\n"
                              "[e:]\nroot=" + m_root.toUtf8() + "/e\ntype=removable\n"
                              "[F]\nroot=c/nested\n"
                              "[A]\nroot=a\ntype=removable\npresent=0\n"
                              "[R]\nroot=r\ntype=removable\nreadonly=1\n";
    const QString drivesFile = m_root + QStringLiteral("/drives.ini");
    QVERIFY(test::writeFile(drivesFile, drives));
    test::setEnv("KESTRAVE_DRIVES", drivesFile);
    installDriveServices(nullptr); // rebuilt from the environment on first use
}

void TestDosPath::toNative_data()
{
    QTest::addColumn<QString>("dos");
    QTest::addColumn<QString>("native"); // "$" stands for the temporary folder

    QTest::newRow("existing folder reached in another case") << "C:\\BACKUP\\" << "$/c/Backup/";
    QTest::newRow("every component resolved, forward slashes") << "c:/backup/sub/file.txt" << "$/c/Backup/Sub/File.TXT";
    QTest::newRow("missing tail keeps its case") << "C:\\Backup\\New\\X.zip" << "$/c/Backup/New/X.zip";
    QTest::newRow("missing folder keeps its case") << "C:\\NEWDIR\\Sub" << "$/c/NEWDIR/Sub";
    QTest::newRow("mask kept as given") << "C:\\Data\\*.*" << "$/c/data/*.*";
    QTest::newRow("exact match wins over case-insensitive 1") << "C:\\Dup" << "$/c/Dup";
    QTest::newRow("exact match wins over case-insensitive 2") << "C:\\DUP" << "$/c/DUP";
    QTest::newRow("dot and dot-dot resolved") << "C:\\Backup\\.\\Sub\\..\\Sub" << "$/c/Backup/Sub";
    QTest::newRow("dot-dot never climbs above the root") << "C:\\..\\..\\etc" << "$/c/etc";
    QTest::newRow("drive alone") << "C:" << "$/c";
    QTest::newRow("drive root") << "C:\\" << "$/c/";
    QTest::newRow("doubled separators") << "C:\\\\Backup//Sub\\" << "$/c/Backup/Sub/";
    QTest::newRow("letter in lower case, section with colon") << "e:\\x" << "$/e/x";
    QTest::newRow("unknown drive") << "Q:\\x" << "";
    QTest::newRow("drive without medium") << "A:\\x" << "";
    QTest::newRow("no drive letter: separators only") << "sub\\dir\\f.txt" << "sub/dir/f.txt";
}

void TestDosPath::toNative()
{
    QFETCH(QString, dos);
    QFETCH(QString, native);
    native.replace(QLatin1Char('$'), m_root);
    QCOMPARE(DosPath::toNative(dos), native);
}

void TestDosPath::fromNative_data()
{
    QTest::addColumn<QString>("native");
    QTest::addColumn<QString>("dos"); // empty: refused

    QTest::newRow("file under a root") << "$/c/Backup/x.zip" << "C:\\Backup\\x.zip";
    QTest::newRow("longest root wins") << "$/c/nested/y" << "F:\\y";
    QTest::newRow("the root itself") << "$/c" << "C:\\";
    QTest::newRow("trailing separator kept") << "$/c/Backup/" << "C:\\Backup\\";
    QTest::newRow("cleaned before matching") << "$/c/Backup/../data/./z" << "C:\\data\\z";
    QTest::newRow("root is a name prefix only") << "$/cc/x" << "";
    QTest::newRow("outside every root") << "/nowhere/at/all" << "";
    QTest::newRow("drive without medium still maps") << "$/a/f" << "A:\\f";
}

void TestDosPath::fromNative()
{
    QFETCH(QString, native);
    QFETCH(QString, dos);
    native.replace(QLatin1Char('$'), m_root);
    const auto converted = DosPath::fromNative(native);
    if (dos.isEmpty())
        QVERIFY2(!converted, qPrintable(converted.value_or(QString())));
    else
        QCOMPARE(converted.value_or(QStringLiteral("<refused>")), dos);
}

void TestDosPath::normalise_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected"); // empty: refused

    QTest::newRow("dos with slashes") << "c:/Data/x" << "C:\\Data\\x";
    QTest::newRow("dos unchanged") << "E:\\a\\b" << "E:\\a\\b";
    QTest::newRow("native converted") << "$/e/f" << "E:\\f";
    QTest::newRow("native outside refused") << "/nowhere/f" << "";
    QTest::newRow("relative keeps relative") << "sub/f.txt" << "sub\\f.txt";
}

void TestDosPath::normalise()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    input.replace(QLatin1Char('$'), m_root);
    const auto result = DosPath::normalise(input);
    if (expected.isEmpty())
        QVERIFY(!result);
    else
        QCOMPARE(result.value_or(QStringLiteral("<refused>")), expected);
}

void TestDosPath::outsideMessageNamesThePath()
{
    const QString message = DosPath::outsideDrivesMessage(QStringLiteral("/nowhere/f"));
    QVERIFY(message.contains(QStringLiteral("/nowhere/f")));
}

void TestDosPath::letterHelpers()
{
    QVERIFY(DosPath::isDosAbsolute(QStringLiteral("C:\\x")));
    QVERIFY(DosPath::isDosAbsolute(QStringLiteral("c:/")));
    QVERIFY(!DosPath::isDosAbsolute(QStringLiteral("C:")));
    QVERIFY(!DosPath::isDosAbsolute(QStringLiteral("C:x")));
    QVERIFY(!DosPath::isDosAbsolute(QStringLiteral("/tmp")));
    QVERIFY(!DosPath::isDosAbsolute(QStringLiteral("1:\\x")));
    QCOMPARE(DosPath::driveLetter(QStringLiteral("e:\\x")), QLatin1Char('E'));
    QVERIFY(DosPath::driveLetter(QStringLiteral("\\\\server\\share")).isNull());
}

void TestDosPath::writable()
{
    QVERIFY(DosPath::writable(QStringLiteral("C:\\Backup\\x.zip")));
    QVERIFY(DosPath::writable(QStringLiteral("e:\\")));
    QVERIFY(!DosPath::writable(QStringLiteral("R:\\x.zip")));  // read-only medium
    QVERIFY(!DosPath::writable(QStringLiteral("A:\\x.zip")));  // no medium
    QVERIFY(!DosPath::writable(QStringLiteral("Q:\\x.zip")));  // unknown drive
    QVERIFY(!DosPath::writable(QStringLiteral("relative.zip")));
}

QTEST_GUILESS_MAIN(TestDosPath)
#include "tst_dospath.moc"
