#include "DiskEject.h"
#include "DiskSpaceKludge.h"
#include "FormatDialog.h"

#include "PlatformEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;
using namespace Qt::StringLiterals;

// Free space, eject, format and the ZIP-drive search over the simulated drive table.
class TestDiskServices : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

    // Lays out drives from "letter:type:capacity[:present]" items and makes them current.
    void useDrives(const QStringList& drives)
    {
        QByteArray ini;
        for (const QString& item : drives) {
            const QStringList f = item.split(QLatin1Char(':'));
            const QString root = m_root.filePath(QStringLiteral("drive-") + f[0]);
            QDir().mkpath(root);
            ini += "[" + f[0].toUtf8() + "]\nroot=" + root.toUtf8() + "\ntype=" + f[1].toUtf8() + "\ncapacity="
                + f[2].toUtf8() + "\n";
            if (f.size() > 3)
                ini += "present=" + f[3].toUtf8() + "\n";
        }
        QFile file(m_root.filePath(QStringLiteral("drives.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(ini);
        file.close();
        qputenv("KESTRAVE_DRIVES", file.fileName().toUtf8());
        PlatformEnvironment::reload();
    }

    QString drivesFileText()
    {
        QFile file(m_root.filePath(QStringLiteral("drives.ini")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void initTestCase() { QVERIFY(m_root.isValid()); }

    void findZipDrive_data()
    {
        QTest::addColumn<QStringList>("drives");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zip after a fixed disk") << QStringList{u"C:fixed:80000000000"_s, u"D:removable:100000000"_s} << u"D"_s;
        QTest::newRow("96 million is zip size") << QStringList{u"C:fixed:80000000000"_s, u"D:removable:96000000"_s} << u"D"_s;
        QTest::newRow("104.9 million is zip size") << QStringList{u"C:fixed:80000000000"_s, u"D:removable:104999999"_s} << u"D"_s;
        QTest::newRow("95,999,999 is not") << QStringList{u"C:fixed:80000000000"_s, u"D:removable:95999999"_s} << u" "_s;
        QTest::newRow("105,000,000 is not") << QStringList{u"C:fixed:80000000000"_s, u"D:removable:105000000"_s} << u" "_s;
        QTest::newRow("fixed disk of zip size ends the search")
            << QStringList{u"C:fixed:100000000"_s, u"D:removable:100000000"_s} << u" "_s;
        QTest::newRow("a gap in the letters ends the search")
            << QStringList{u"C:fixed:80000000000"_s, u"E:removable:100000000"_s} << u" "_s;
        QTest::newRow("no medium ends the search")
            << QStringList{u"C:fixed:80000000000"_s, u"D:removable:100000000:0"_s, u"E:removable:100000000"_s} << u" "_s;
        QTest::newRow("floppy on A is not looked at") << QStringList{u"A:removable:100000000"_s, u"C:fixed:1"_s} << u" "_s;
    }
    void findZipDrive()
    {
        QFETCH(QStringList, drives);
        QFETCH(QString, expected);
        useDrives(drives);
        QCOMPARE(QString(FindZipDrive()), expected);
    }

    void freeSpaceByDriveNumber()
    {
        useDrives({QStringLiteral("A:removable:1457664"), QStringLiteral("C:fixed:5000000"),
                   QStringLiteral("E:removable:1000:0")});
        QFile f(m_root.filePath(QStringLiteral("drive-C/data.bin")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1000000, 'x'));
        f.close();
        QCOMPARE(DriveFreeSpace('C' - 64), qint64(4000000));
        QCOMPARE(DriveFreeSpace('c' - 64), qint64(4000000)); // a lower-case letter names the same drive
        QCOMPARE(DriveFreeSpace('A' - 64), qint64(1457664));
        QCOMPARE(DriveFreeSpace('E' - 64), qint64(-1)); // no medium
        QCOMPARE(DriveFreeSpace('Q' - 64), qint64(-1)); // no such drive
        QDir::setCurrent(m_root.filePath(QStringLiteral("drive-C")));
        QCOMPARE(DriveFreeSpace(0), qint64(4000000));
        QFile::remove(f.fileName());
    }

    void ejectRaisesItsTexts()
    {
        useDrives({QStringLiteral("A:removable:1457664"), QStringLiteral("C:fixed:5000000")});
        TDiskEject eject;
        eject.Drive = QLatin1Char('A');
        QVERIFY(!eject.Ejected());
        eject.setEjected(true);
        QVERIFY(eject.Ejected());
        QVERIFY(drivesFileText().contains(QStringLiteral("present=0")));
        try {
            eject.setEjected(true);
            QFAIL("ejecting an empty drive must raise");
        } catch (const EDiskEject& e) {
            QCOMPARE(e.message(), QStringLiteral("No disk in drive!"));
        }
        eject.setEjected(false); // writing false does nothing, and raises nothing
        eject.Drive = QLatin1Char('Q');
        try {
            eject.Eject();
            QFAIL("ejecting an unknown drive must raise");
        } catch (const EDiskEject& e) {
            QCOMPARE(e.message(), QStringLiteral("Could not eject disk!"));
        }
    }

    void formatNeverTouchesAFixedDisk()
    {
        useDrives({QStringLiteral("A:removable:1457664"), QStringLiteral("C:fixed:5000000"),
                   QStringLiteral("F:removable:100000000")});
        const QString keepC = m_root.filePath(QStringLiteral("drive-C/keep.txt"));
        const QString onA = m_root.filePath(QStringLiteral("drive-A/old.txt"));
        const QString onF = m_root.filePath(QStringLiteral("drive-F/old.txt"));
        for (const QString& path : {keepC, onA, onF}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("data");
        }
        QCOMPARE(FormatDrive(QStringLiteral("kestrave.exe"), QLatin1Char('C')), 0u);
        QVERIFY(QFile::exists(keepC)); // a fixed disk is never formatted: drive A is
        QVERIFY(!QFile::exists(onA));
        QCOMPARE(FormatDrive(QStringLiteral("kestrave.exe"), QLatin1Char('f')), 0u);
        QVERIFY(!QFile::exists(onF));
    }
};

QTEST_GUILESS_MAIN(TestDiskServices)
#include "test_diskservices.moc"
