// CopyFile: its result codes, the kept modification time, and no partial target.

#include "ZipPaths.h"
#include "ZipTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ksv;
using namespace ksv::ziptest;
using namespace Qt::StringLiterals;

class TestZipCopy : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_c; // drive C: work folder
    QString m_a; // drive A: a small removable medium

    void drives(qint64 capacityA, bool readOnlyA)
    {
        installDrives(m_dir->filePath(u"drives.ini"_s),
                      {{QChar(u'C'), m_c, 0, false}, {QChar(u'A'), m_a, capacityA, readOnlyA}});
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_c = m_dir->filePath(u"c"_s);
        m_a = m_dir->filePath(u"a"_s);
        QDir().mkpath(m_c + u"/Sas_Zip"_s);
        QDir().mkpath(m_a + u"/Backup"_s);
        drives(0, false);
        QVERIFY(writeFile(m_c + u"/Data/big.bin"_s, randomData(300000)));
        ZipMaster zip;
        zip.setFileName(u"C:\\Sas_Zip\\work.zip"_s);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        QCOMPARE(zip.Add(), 0);
        setModified(m_c + u"/Sas_Zip/work.zip"_s, QDateTime(QDate(2020, 3, 5), QTime(10, 20, 30)));
        QVERIFY(writeFile(m_c + u"/Sas_Zip/notes.txt"_s, "not an archive"));
    }
    void cleanup() { m_dir.reset(); }

    void results_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<qint64>("capacityA"); // 0: the real free space
        QTest::addColumn<bool>("readOnlyA");
        QTest::addColumn<int>("expected");
        const QString work = u"C:\\Sas_Zip\\work.zip"_s;
        QTest::newRow("copy") << work << u"A:\\Backup\\0503work.zip"_s << qint64(0) << false << 0;
        QTest::newRow("native paths") << u"<c>/Sas_Zip/work.zip"_s << u"<a>/Backup/x.zip"_s << qint64(0) << false << 0;
        QTest::newRow("missing source") << u"C:\\Sas_Zip\\none.zip"_s << u"A:\\Backup\\x.zip"_s << qint64(0) << false << -3;
        QTest::newRow("source not an archive") << u"C:\\Sas_Zip\\notes.txt"_s << u"A:\\Backup\\x.zip"_s << qint64(0) << false << -3;
        QTest::newRow("target folder missing") << work << u"A:\\Nowhere\\x.zip"_s << qint64(0) << false << -1;
        QTest::newRow("unknown drive") << work << u"Q:\\x.zip"_s << qint64(0) << false << -1;
        QTest::newRow("read-only medium") << work << u"A:\\Backup\\x.zip"_s << qint64(0) << true << -1;
        QTest::newRow("full medium") << work << u"A:\\Backup\\x.zip"_s << qint64(100000) << false << -2;
    }

    void results()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(qint64, capacityA);
        QFETCH(bool, readOnlyA);
        QFETCH(int, expected);
        source.replace(u"<c>"_s, m_c);
        target.replace(u"<a>"_s, m_a);
        drives(capacityA, readOnlyA);
        const QStringList before = QDir(m_a + u"/Backup"_s).entryList(QDir::Files);
        ZipMaster zip;
        QCOMPARE(zip.CopyFile(source, target), expected);
        const QString native = ZipPaths::toNative(target);
        if (expected == 0) {
            QCOMPARE(readFile(native), readFile(m_c + u"/Sas_Zip/work.zip"_s));
            QCOMPARE(QFileInfo(native).lastModified(), QDateTime(QDate(2020, 3, 5), QTime(10, 20, 30)));
        } else {
            // never a partial file under the target's name, nor a temporary one left behind
            QCOMPARE(QDir(m_a + u"/Backup"_s).entryList(QDir::Files), before);
        }
    }

    void replacesAnExistingTarget()
    {
        QVERIFY(writeFile(m_a + u"/Backup/old.zip"_s, "older content"));
        ZipMaster zip;
        QCOMPARE(zip.CopyFile(u"C:\\Sas_Zip\\work.zip"_s, u"A:\\Backup\\old.zip"_s), 0);
        QCOMPARE(readFile(m_a + u"/Backup/old.zip"_s), readFile(m_c + u"/Sas_Zip/work.zip"_s));
        QCOMPARE(QDir(m_a + u"/Backup"_s).entryList(QDir::Files), QStringList{u"old.zip"_s});
    }
};

QTEST_GUILESS_MAIN(TestZipCopy)
#include "tst_zipcopy.moc"
