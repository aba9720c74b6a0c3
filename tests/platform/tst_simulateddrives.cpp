// The simulated drive table: free space, missing media, read-only media, label write-back,
// eject and format, and what each records in the transcript.
#include "DriveServices_simulated.h"
#include "IniFile.h"
#include "PlatformTestSupport.h"
#include "VolumeStats.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

class TestSimulatedDrives : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void tableReadFromTheFile();
    void freeSpaceFromCapacity();
    void freeSpaceWithoutCapacityIsTheRealOne();
    void missingMedium();
    void readOnlyMedium();
    void labelWrittenBack();
    void ejectWritesPresent();
    void formatEmptiesTheRoot();
    void formatResultFromTheFile();
    void formatRefusesOtherDrives();

private:
    QString path(const QString& relative) const { return m_tmp->path() + QLatin1Char('/') + relative; }
    QStringList transcript() const { return test::transcriptLines(path(QStringLiteral("transcript.txt"))); }
    SimulatedDriveServices& drives() { return *m_drives; }

    std::unique_ptr<QTemporaryDir> m_tmp;
    SimulatedDriveServices* m_drives = nullptr;
};

void TestSimulatedDrives::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    for (const char* folder : {"a", "c", "e", "r", "x"})
        QVERIFY(QDir().mkpath(path(QLatin1String(folder))));
    const QByteArray ini = "[A]\nroot=a\ntype=removable\nlabel=FLOPPY\ncapacity=10000\n"
                           "[c:]\nroot=c\ntype=FIXED\nlabel=SYSTEM\n"
                           "[E]\nroot=e\ntype=removable\npresent=0\nlabel=GONE\ncapacity=5000\n"
                           "[R]\nroot=r\ntype=removable\nreadonly=1\nlabel=LOCKED\ncapacity=1000\n"
                           "[X]\nroot=x\ntype=removable\nformatresult=-2\n"
                           "[N]\ntype=removable\n"             // no root: no drive
                           "[settings]\nroot=c\n"               // not a letter
                           "[Z]\nroot=c\ntype=floppy\n";        // unknown type: fixed
    QVERIFY(test::writeFile(path(QStringLiteral("drives.ini")), ini));
    test::setEnv("KESTRAVE_TRANSCRIPT", path(QStringLiteral("transcript.txt")));
    m_drives = new SimulatedDriveServices(path(QStringLiteral("drives.ini")));
    installDriveServices(m_drives);
}

void TestSimulatedDrives::tableReadFromTheFile()
{
    const QList<DriveInfo> list = drives().drives();
    QStringList seen;
    for (const DriveInfo& d : list)
        seen << QString(d.letter) + QLatin1Char('=') + driveTypeName(d.type) + QLatin1Char('@') + QFileInfo(d.root).fileName();
    QCOMPARE(seen, QStringList({QStringLiteral("A=removable@a"), QStringLiteral("C=fixed@c"), QStringLiteral("E=removable@e"),
                                QStringLiteral("R=removable@r"), QStringLiteral("X=removable@x"), QStringLiteral("Z=fixed@c")}));
    QCOMPARE(drives().driveType(QLatin1Char('c')), DriveType::Fixed);
    QCOMPARE(drives().driveType(QLatin1Char('N')), DriveType::NoRootDir);
    QCOMPARE(drives().drive(QLatin1Char('a'))->root, QDir::cleanPath(path(QStringLiteral("a"))));
}

void TestSimulatedDrives::freeSpaceFromCapacity()
{
    QVERIFY(test::writeFile(path(QStringLiteral("a/one.bin")), QByteArray(1000, 'x')));
    QVERIFY(test::writeFile(path(QStringLiteral("a/sub/deeper/two.bin")), QByteArray(500, 'y')));
    QCOMPARE(drives().capacity(QLatin1Char('A')), qint64(10000));
    QCOMPARE(drives().freeSpace(QLatin1Char('A')), qint64(8500));
    // Files beyond the capacity leave no room, never a negative amount.
    QVERIFY(test::writeFile(path(QStringLiteral("a/big.bin")), QByteArray(20000, 'z')));
    QCOMPARE(drives().freeSpace(QLatin1Char('A')), qint64(0));
}

void TestSimulatedDrives::freeSpaceWithoutCapacityIsTheRealOne()
{
    const auto stats = VolumeStats::of(path(QStringLiteral("c")));
    QVERIFY(stats);
    const qint64 free = drives().freeSpace(QLatin1Char('C'));
    QVERIFY(free > 0);
    // The real file system's figure, give or take what other programs write meanwhile.
    QVERIFY(qAbs(free - stats->available) < 64 * 1024 * 1024);
    QCOMPARE(drives().capacity(QLatin1Char('C')), stats->total);
}

void TestSimulatedDrives::missingMedium()
{
    QVERIFY(!drives().mediumPresent(QLatin1Char('E')));
    QCOMPARE(drives().freeSpace(QLatin1Char('E')), qint64(-1));
    QCOMPARE(drives().capacity(QLatin1Char('E')), qint64(-1));
    QCOMPARE(drives().volumeLabel(QLatin1Char('E')), QString());
    QVERIFY(!drives().setVolumeLabel(QLatin1Char('E'), QStringLiteral("NEW")));
    QVERIFY(!drives().eject(QLatin1Char('E')));
    QCOMPARE(drives().format(QLatin1Char('E')), int(FormatNotPossible));
    QCOMPARE(DosPath::toNative(QStringLiteral("E:\\file.txt")), QString());
    // Unknown letters behave the same way.
    QVERIFY(!drives().mediumPresent(QLatin1Char('Q')));
    QCOMPARE(drives().freeSpace(QLatin1Char('Q')), qint64(-1));
}

void TestSimulatedDrives::readOnlyMedium()
{
    QVERIFY(test::writeFile(path(QStringLiteral("r/keep.txt")), "keep"));
    QVERIFY(drives().mediumPresent(QLatin1Char('R')));
    QVERIFY(drives().readOnly(QLatin1Char('R')));
    QVERIFY(!drives().readOnly(QLatin1Char('A')));
    QVERIFY(!DosPath::writable(QStringLiteral("R:\\x.zip")));
    QVERIFY(!drives().setVolumeLabel(QLatin1Char('R'), QStringLiteral("NEW")));
    QCOMPARE(drives().volumeLabel(QLatin1Char('R')), QStringLiteral("LOCKED"));
    QCOMPARE(drives().format(QLatin1Char('R')), int(FormatError));
    QVERIFY(QFile::exists(path(QStringLiteral("r/keep.txt"))));
}

void TestSimulatedDrives::labelWrittenBack()
{
    QCOMPARE(drives().volumeLabel(QLatin1Char('a')), QStringLiteral("FLOPPY"));
    QVERIFY(drives().setVolumeLabel(QLatin1Char('a'), QStringLiteral("KSV-3-5")));
    QCOMPARE(IniFile(path(QStringLiteral("drives.ini"))).readString(QStringLiteral("A"), QStringLiteral("label")),
             QStringLiteral("KSV-3-5"));
    // A second service on the same file (another program) sees the new label.
    QCOMPARE(SimulatedDriveServices(path(QStringLiteral("drives.ini"))).volumeLabel(QLatin1Char('A')), QStringLiteral("KSV-3-5"));
    QCOMPARE(transcript(), QStringList{QStringLiteral("act|label|A: KSV-3-5")});
}

void TestSimulatedDrives::ejectWritesPresent()
{
    QVERIFY(!drives().eject(QLatin1Char('C'))); // a fixed disk has nothing to eject
    QVERIFY(drives().eject(QLatin1Char('A')));
    QCOMPARE(IniFile(path(QStringLiteral("drives.ini"))).readString(QStringLiteral("A"), QStringLiteral("present")),
             QStringLiteral("0"));
    QVERIFY(!drives().mediumPresent(QLatin1Char('A')));
    QCOMPARE(drives().freeSpace(QLatin1Char('A')), qint64(-1));
    QVERIFY(!drives().eject(QLatin1Char('A')));
    QCOMPARE(transcript(), QStringList{QStringLiteral("act|eject|A:")});
}

void TestSimulatedDrives::formatEmptiesTheRoot()
{
    QVERIFY(test::writeFile(path(QStringLiteral("a/old.zip")), "zip"));
    QVERIFY(test::writeFile(path(QStringLiteral("a/.hidden")), "h"));
    QVERIFY(test::writeFile(path(QStringLiteral("a/folder/inner.txt")), "t"));
    QCOMPARE(drives().format(QLatin1Char('A')), int(FormatOk));
    QVERIFY(QFileInfo(path(QStringLiteral("a"))).isDir());
    QVERIFY(QDir(path(QStringLiteral("a"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    QCOMPARE(drives().volumeLabel(QLatin1Char('A')), QString());
    QCOMPARE(drives().freeSpace(QLatin1Char('A')), qint64(10000));
    QCOMPARE(transcript(), QStringList{QStringLiteral("act|format|A: 0")});
}

void TestSimulatedDrives::formatResultFromTheFile()
{
    QVERIFY(test::writeFile(path(QStringLiteral("x/keep.txt")), "keep"));
    QCOMPARE(drives().format(QLatin1Char('X')), -2);
    QVERIFY(QFile::exists(path(QStringLiteral("x/keep.txt"))));
    QCOMPARE(transcript(), QStringList{QStringLiteral("act|format|X: -2")});
}

void TestSimulatedDrives::formatRefusesOtherDrives()
{
    QVERIFY(test::writeFile(path(QStringLiteral("c/precious.txt")), "data"));
    QCOMPARE(drives().format(QLatin1Char('C')), int(FormatNotPossible));
    QCOMPARE(drives().format(QLatin1Char('Q')), int(FormatNotPossible));
    QVERIFY(QFile::exists(path(QStringLiteral("c/precious.txt"))));
}

QTEST_GUILESS_MAIN(TestSimulatedDrives)
#include "tst_simulateddrives.moc"
