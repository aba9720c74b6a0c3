// The real drive table's rules, fed with a mount table fixture: which mounts are media, their
// types, and the letters they take.
#include "MountTable.h"

#include <QTest>

using namespace ksv;

namespace {

// id parent major:minor root mount-point options optional... - fstype source super-options
const char kMountinfo[] =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "30 22 0:26 / /tmp rw,nosuid shared:5 - tmpfs tmpfs rw\n"
    "41 22 8:17 / /media/ann/MY\\040STICK rw,nosuid,nodev shared:30 - vfat /dev/sdb1 rw\n"
    "42 22 2:0 / /media/ann/FLOPPY rw,nosuid - vfat /dev/fd0 rw\n"
    "43 22 11:0 / /media/ann/CDROM ro,nosuid - iso9660 /dev/sr0 ro\n"
    "44 22 8:33 / /run/media/ann/BACKUP rw - exfat /dev/sdc1 rw\n"
    "45 22 0:50 / /mnt/nas rw - nfs4 server:/export rw\n"
    "46 22 8:49 / /mnt/data rw - ext4 /dev/sdd1 rw\n"
    "47 22 8:65 / /mnt/usb rw - vfat /dev/sde1 rw\n"
    "48 22 8:81 / /media/bob/OTHER rw - vfat /dev/sdf1 rw\n"
    "49 22 8:97 / /mediafake/ann/X rw - vfat /dev/sdg1 rw\n"
    "bad line\n";

QList<MountedMedium> fixtureMedia()
{
    const auto entries = MountTable::parse(QString::fromLatin1(kMountinfo));
    const auto removable = [](const QString& device) { return device == QLatin1String("/dev/sde1"); };
    const auto sizes = [](const QString& root) -> qint64 {
        return root.endsWith(QLatin1String("FLOPPY")) ? 1457664 : 8LL * 1024 * 1024 * 1024;
    };
    return MountTable::removableMedia(entries, QStringLiteral("ann"), removable, sizes);
}

} // namespace

class TestMountTable : public QObject
{
    Q_OBJECT

private slots:
    void parse();
    void classify_data();
    void classify();
    void mediaOfTheUser();
    void letters_data();
    void letters();
    void mountOfPath();
};

void TestMountTable::parse()
{
    const auto entries = MountTable::parse(QString::fromLatin1(kMountinfo));
    QCOMPARE(entries.size(), 11); // the malformed line is skipped
    QCOMPARE(entries.at(2).mountPoint, QStringLiteral("/media/ann/MY STICK"));
    QCOMPARE(entries.at(2).fsType, QStringLiteral("vfat"));
    QCOMPARE(entries.at(2).source, QStringLiteral("/dev/sdb1"));
    QVERIFY(!entries.at(2).readOnly);
    QVERIFY(entries.at(4).readOnly);
    QCOMPARE(entries.at(6).source, QStringLiteral("server:/export"));
}

void TestMountTable::classify_data()
{
    QTest::addColumn<QString>("fsType");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("removable");
    QTest::addColumn<int>("type");

    QTest::newRow("optical device") << "udf" << "/dev/sr1" << true << int(DriveType::CdRom);
    QTest::newRow("iso image anywhere") << "iso9660" << "/dev/loop3" << false << int(DriveType::CdRom);
    QTest::newRow("network share") << "cifs" << "//server/share" << false << int(DriveType::Remote);
    QTest::newRow("ssh file system") << "fuse.sshfs" << "me@host:" << false << int(DriveType::Remote);
    QTest::newRow("memory") << "tmpfs" << "tmpfs" << false << int(DriveType::RamDisk);
    QTest::newRow("removable device") << "vfat" << "/dev/sdb1" << true << int(DriveType::Removable);
    QTest::newRow("fixed disk") << "ext4" << "/dev/nvme0n1p2" << false << int(DriveType::Fixed);
}

void TestMountTable::classify()
{
    QFETCH(QString, fsType);
    QFETCH(QString, source);
    QFETCH(bool, removable);
    QFETCH(int, type);
    QCOMPARE(int(MountTable::classify(MountEntry{QStringLiteral("/x"), fsType, source, false}, removable)), type);
}

void TestMountTable::mediaOfTheUser()
{
    QStringList roots;
    for (const MountedMedium& m : fixtureMedia())
        roots << m.root + QLatin1Char('=') + driveTypeName(m.type);
    // /mnt/nas is remote and /mnt/data a fixed disk: reachable through D:, no letter of their own.
    // Another user's media and look-alike folders are not ours.
    QCOMPARE(roots, QStringList({QStringLiteral("/media/ann/MY STICK=removable"), QStringLiteral("/media/ann/FLOPPY=removable"),
                                 QStringLiteral("/media/ann/CDROM=cdrom"), QStringLiteral("/run/media/ann/BACKUP=removable"),
                                 QStringLiteral("/mnt/usb=removable")}));
}

void TestMountTable::letters_data()
{
    QTest::addColumn<QString>("taken");
    QTest::addColumn<QString>("expected"); // letter=root, joined by "|"

    QTest::newRow("floppy takes A, others B then E on in mount order")
        << "CD" << "A=/media/ann/FLOPPY|B=/media/ann/MY STICK|E=/media/ann/CDROM|F=/run/media/ann/BACKUP|G=/mnt/usb";
    QTest::newRow("letters of the settings file are skipped")
        << "CDBF" << "A=/media/ann/FLOPPY|E=/media/ann/MY STICK|G=/media/ann/CDROM|H=/run/media/ann/BACKUP|I=/mnt/usb";
    QTest::newRow("A taken: the floppy queues like the rest")
        << "ACD" << "B=/media/ann/MY STICK|E=/media/ann/FLOPPY|F=/media/ann/CDROM|G=/run/media/ann/BACKUP|H=/mnt/usb";
}

void TestMountTable::letters()
{
    QFETCH(QString, taken);
    QFETCH(QString, expected);
    QSet<QChar> takenSet;
    for (const QChar c : taken)
        takenSet.insert(c);
    QStringList result;
    for (const DriveInfo& d : MountTable::assignLetters(fixtureMedia(), takenSet))
        result << QString(d.letter) + QLatin1Char('=') + d.root;
    QCOMPARE(result.join(QLatin1Char('|')), expected);
}

void TestMountTable::mountOfPath()
{
    const auto entries = MountTable::parse(QString::fromLatin1(kMountinfo));
    QCOMPARE(MountTable::mountOf(entries, QStringLiteral("/mnt/nas/dir/file"))->fsType, QStringLiteral("nfs4"));
    QCOMPARE(MountTable::mountOf(entries, QStringLiteral("/mnt/nasty"))->mountPoint, QStringLiteral("/"));
    QCOMPARE(MountTable::mountOf(entries, QStringLiteral("/media/ann/MY STICK"))->source, QStringLiteral("/dev/sdb1"));
    // No floppy-size medium: A: stays free, the first medium takes B:.
    QList<MountedMedium> media{{QStringLiteral("/media/ann/BIG"), DriveType::Removable, {}, 1LL << 33},
                               {QStringLiteral("/media/ann/UNKNOWN"), DriveType::Removable, {}, -1}};
    const auto drives = MountTable::assignLetters(media, {QLatin1Char('C'), QLatin1Char('D')});
    QCOMPARE(drives.size(), 2);
    QCOMPARE(drives.at(0).letter, QLatin1Char('B'));
    QCOMPARE(drives.at(1).letter, QLatin1Char('E'));
}

QTEST_GUILESS_MAIN(TestMountTable)
#include "tst_mounttable.moc"
