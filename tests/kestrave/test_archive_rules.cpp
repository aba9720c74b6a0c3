// The rules of one archive that need no window: the self-extractor's command line and
// settings, the statistics, and the purge of old dated archives at the destination.
#include "ArchiveStatistics.h"
#include "OldArchivePurge.h"
#include "SelfExtractorSettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace ksv;

namespace {

void writeFile(const QString& path, const QDateTime& modified)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    // Stamped after the write, which would otherwise change the time again.
    QVERIFY(f.open(QIODevice::Append));
    QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
}

} // namespace

class TestArchiveRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLine_data();
    void commandLine();
    void sfxSettings_data();
    void sfxSettings();
    void reduction_data();
    void reduction();
    void sumsWrapAt32Bits();
    void purge_data();
    void purge();
    void purgeSubFolder();
    void purgeOnlyDatedArchives_data();
    void purgeOnlyDatedArchives();

private:
    QTemporaryDir m_drive;
};

void TestArchiveRules::initTestCase()
{
    QVERIFY(m_drive.isValid());
    QFile drives(m_drive.filePath(u"drives.ini"_s));
    QVERIFY(drives.open(QIODevice::WriteOnly));
    drives.write((u"[E]\nroot="_s + m_drive.filePath(u"e"_s) + u"\ntype=fixed\n"_s).toUtf8());
    drives.close();
    QDir().mkpath(m_drive.filePath(u"e"_s));
    qputenv("KESTRAVE_DRIVES", drives.fileName().toUtf8());
}

void TestArchiveRules::commandLine_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("dataFolder");
    QTest::addColumn<bool>("storePaths");
    QTest::addColumn<QString>("expected");
    QTest::newRow("in data folder, paths stored") << u"c:\\data\\setup.exe"_s << u"C:\\DATA\\"_s << true
                                                  << u"><DATA\\SETUP.EXE"_s;
    QTest::newRow("in data folder, no paths") << u"c:\\data\\setup.exe"_s << u"C:\\DATA\\"_s << false
                                              << u"><SETUP.EXE"_s;
    QTest::newRow("outside the data folder") << u"c:\\tools\\run.exe /q"_s << u"C:\\DATA\\"_s << true
                                             << u"C:\\TOOLS\\RUN.EXE /Q"_s;
    QTest::newRow("query file: no data folder") << u"c:\\data\\setup.exe"_s << QString() << false
                                                << u"C:\\DATA\\SETUP.EXE"_s;
}

void TestArchiveRules::commandLine()
{
    QFETCH(QString, command);
    QFETCH(QString, dataFolder);
    QFETCH(bool, storePaths);
    QFETCH(QString, expected);
    QCOMPARE(SelfExtractorSettings::BuildSfxCommandLine(command, dataFolder, storePaths), expected);
}

void TestArchiveRules::sfxSettings_data()
{
    QTest::addColumn<QString>("stitre");
    QTest::addColumn<QString>("scmd");
    QTest::addColumn<bool>("msgsfx");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("flags"); // chglst, autorun, sow, endmsg all on
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("message");
    QTest::addColumn<unsigned>("options");
    QTest::newRow("blank caption, short command, kind 3")
        << u"   "_s << u"ab"_s << true << 3 << false << u"KESTRAVE : archives restoration ."_s << QString()
        << QString(QChar(2)) + u"Hello"_s << unsigned(SfxOption::AllowChanges | SfxOption::NoSuccessMessage);
    QTest::newRow("command, kind 1, every flag")
        << u"My backup  "_s << u"c:\\data\\go.bat"_s << true << 1 << true << u"My backup"_s << u"><DATA\\GO.BAT"_s
        << u"Hello"_s
        << unsigned(SfxOption::ConfirmCommandLine | SfxOption::AutoRunWithBang | SfxOption::NeverAskOverwrite);
    QTest::newRow("kind 2, message off") << u"T"_s << QString() << false << 2 << false << u"T"_s << QString()
                                         << QString() << unsigned(SfxOption::AllowChanges | SfxOption::NoSuccessMessage);
}

void TestArchiveRules::sfxSettings()
{
    QFETCH(QString, stitre);
    QFETCH(QString, scmd);
    QFETCH(bool, msgsfx);
    QFETCH(int, kind);
    QFETCH(bool, flags);
    Query q;
    q.stitre = stitre;
    q.scmd = scmd;
    q.msgsfx = msgsfx;
    q.iboxmsg = kind;
    q.smsg = u"Hello"_s;
    q.chglst = q.autorun = q.sow = q.endmsg = flags;
    q.storepath = true;
    q.spath = u"><"_s;
    const SfxSettings s = SelfExtractorSettings::forQuery(q, u"C:\\DATA\\"_s);
    QTEST(s.caption, "caption");
    QTEST(s.commandLine, "commandLine");
    QTEST(s.message, "message");
    QTEST(s.options, "options");
    QCOMPARE(s.defaultFolder, u"><"_s);
    QCOMPARE(s.overwriteMode, flags ? SfxOverwriteMode::Always : SfxOverwriteMode::Confirm);
}

void TestArchiveRules::reduction_data()
{
    QTest::addColumn<quint32>("compressed");
    QTest::addColumn<quint32>("uncompressed");
    QTest::addColumn<int>("expected");
    QTest::newRow("40 of 100") << 40u << 100u << 60;
    QTest::newRow("empty archive") << 0u << 0u << 0;
    QTest::newRow("nothing compressed") << 0u << 100u << 0;
    QTest::newRow("half up to even 88") << 1u << 8u << 88;   // 87.5
    QTest::newRow("half down to even 62") << 3u << 8u << 62; // 62.5
    QTest::newRow("below half") << 1u << 3u << 67;           // 66.67
    QTest::newRow("grew") << 150u << 100u << -50;
    QTest::newRow("grew, half to even") << 9u << 8u << -12;  // -12.5
}

void TestArchiveRules::reduction()
{
    QFETCH(quint32, compressed);
    QFETCH(quint32, uncompressed);
    QTEST(ArchiveStatistics::reductionPercent(compressed, uncompressed), "expected");
}

void TestArchiveRules::sumsWrapAt32Bits()
{
    ZipEntry big;
    big.CompressedSize = (qint64(1) << 32) + 40;
    big.UncompressedSize = (qint64(1) << 32) + 100;
    const ArchiveStatistics s = ArchiveStatistics::of({big});
    QCOMPARE(s.compressed, 40u);
    QCOMPARE(s.uncompressed, 100u);
    QCOMPARE(s.reduction(), 60);
}

void TestArchiveRules::purge_data()
{
    QTest::addColumn<int>("maxfile");
    QTest::addColumn<bool>("todayExists");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<QString>("erased");
    const QStringList all{u"0103Docs.zip"_s, u"0203Docs.zip"_s, u"0303Docs.zip"_s, u"Other.zip"_s};
    QTest::newRow("maxfile reached, no target today")
        << 3 << false << QStringList{u"0203Docs.zip"_s, u"0303Docs.zip"_s, u"Other.zip"_s} << u"E:\\0103Docs.zip"_s;
    QTest::newRow("maxfile reached, today's target exists")
        << 4 << true << all << QString();
    QTest::newRow("below maxfile") << 5 << false << all << QString();
    QTest::newRow("maxfile 1") << 1 << false << QStringList{u"0203Docs.zip"_s, u"0303Docs.zip"_s, u"Other.zip"_s}
                               << u"E:\\0103Docs.zip"_s;
}

void TestArchiveRules::purge()
{
    QFETCH(int, maxfile);
    QFETCH(bool, todayExists);
    QFETCH(QStringList, remaining);
    QFETCH(QString, erased);
    const QString e = m_drive.filePath(u"e"_s);
    QDir(e).removeRecursively();
    const QDateTime base(QDate(2026, 3, 1), QTime(10, 0));
    // Written out of order: the purge goes by date, not by name.
    writeFile(e + u"/0303Docs.zip"_s, base.addDays(2));
    writeFile(e + u"/0103Docs.zip"_s, base);
    writeFile(e + u"/0203Docs.zip"_s, base.addDays(1));
    writeFile(e + u"/Other.zip"_s, base.addDays(-5));
    if (todayExists) {
        writeFile(e + u"/0703Docs.zip"_s, base.addDays(6));
        remaining.append(u"0703Docs.zip"_s);
    }

    QStringList log;
    QStringList process;
    OldArchivePurge purge;
    purge.appendLog = [&log](const QString& line) { log.append(line); };
    purge.addProcessLine = [&process](const QString& line) { process.append(line); };
    purge.PurgeOldArchives(u"E:\\"_s, u"Docs"_s, maxfile, u"E:\\0703Docs.zip"_s);

    QStringList left = QDir(e).entryList(QDir::Files, QDir::Name);
    if (todayExists)
        remaining.removeAll(u"0703Docs.zip"_s); // today's target goes: the copy of the day replaces it
    QCOMPARE(left, remaining);
    QCOMPARE(log.first(), u"-Search old archive file :  [ %1 , E:\\ , ????Docs* ] "_s.arg(maxfile));
    // The list, oldest first, stamped with the packed date and time.
    const QString firstEntry = QString::number(OldArchivePurge::packedDateTime(base)) + u"=0103Docs.zip"_s;
    QCOMPARE(log.at(1), firstEntry);
    if (erased.isEmpty()) {
        QVERIFY(process.isEmpty());
        QVERIFY(log.filter(u"Erasure"_s).isEmpty());
    } else {
        QCOMPARE(process, QStringList{u"Erase old archive : "_s + erased + u" ---> OK "_s});
        QCOMPARE(log.last(), u" Erasure of : "_s + erased + u" ---> OK "_s);
    }
}

void TestArchiveRules::purgeSubFolder()
{
    const QString e = m_drive.filePath(u"e"_s);
    QDir(e).removeRecursively();
    const QDateTime base(QDate(2026, 3, 1), QTime(10, 0));
    writeFile(e + u"/0101Docs.old/0101Docs.zip"_s, base);
    writeFile(e + u"/0101Docs.old/0201Docs.zip"_s, base.addDays(1));
    QStringList log;
    OldArchivePurge purge;
    purge.appendLog = [&log](const QString& line) { log.append(line); };
    purge.PurgeOldArchives(u"E:\\"_s, u"Docs"_s, 2, u"E:\\0703Docs.zip"_s);
    // The matching folder is purged like the destination; the destination itself listed no file.
    QVERIFY(!QFile::exists(e + u"/0101Docs.old/0101Docs.zip"_s));
    QVERIFY(QFile::exists(e + u"/0101Docs.old/0201Docs.zip"_s));
    QVERIFY(log.contains(u" Erasure of : E:\\0101Docs.old\\0101Docs.zip ---> OK "_s));
    QVERIFY(log.contains(u"   No"_s));
}

void TestArchiveRules::purgeOnlyDatedArchives_data()
{
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<int>("maxfile");
    // Written oldest first, one day apart; paths relative to the destination.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("erased");

    const QStringList userFiles{u"tax-2019.pdf"_s, u"Photos2019/holiday1.jpg"_s, u"Photos2019/holiday2.jpg"_s,
                                u"0101Docs.zip"_s};
    QTest::newRow("empty name") << QString() << 1 << userFiles << QStringList{};
    QTest::newRow("blank name") << u"  "_s << 1 << userFiles << QStringList{};

    // "DOC" must leave alone the archives of "DOCS" and any file that only starts the same way.
    const QStringList mixed{u"abcdDOC-notes.txt"_s, u"1112DOCS.zip"_s, u"wxyzDOC.zip.bak"_s, u"0203DOC.zip"_s,
                            u"0303doc.EXE"_s, u"abcdDOC-old/efghDOC-draft.txt"_s, u"abcdDOC-old/0101DOC.zip"_s,
                            u"abcdDOC-old/0201DOC.zip"_s};
    QTest::newRow("short name among longer ones")
        << u"DOC"_s << 2 << mixed << QStringList{u"0203DOC.zip"_s, u"abcdDOC-old/0101DOC.zip"_s};
    QTest::newRow("only other files counted: below maxfile") << u"DOC"_s << 3 << mixed << QStringList{};
    QTest::newRow("no archive of its own") << u"DOC"_s << 1
                                           << QStringList{u"abcdDOC-notes.txt"_s, u"1112DOCS.zip"_s} << QStringList{};
}

void TestArchiveRules::purgeOnlyDatedArchives()
{
    QFETCH(QString, archiveName);
    QFETCH(int, maxfile);
    QFETCH(QStringList, files);
    QFETCH(QStringList, erased);
    const QString e = m_drive.filePath(u"e"_s);
    QDir(e).removeRecursively();
    const QDateTime base(QDate(2026, 3, 1), QTime(10, 0));
    for (int i = 0; i < files.size(); ++i)
        writeFile(e + u'/' + files.at(i), base.addDays(i));

    QStringList log;
    QStringList process;
    OldArchivePurge purge;
    purge.appendLog = [&log](const QString& line) { log.append(line); };
    purge.addProcessLine = [&process](const QString& line) { process.append(line); };
    purge.PurgeOldArchives(u"E:\\"_s, archiveName, maxfile, u"E:\\0703"_s + archiveName + u".zip"_s);

    QStringList left;
    QDirIterator it(e, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        left.append(QDir(e).relativeFilePath(it.next()));
    left.sort();
    QStringList expected = files;
    for (const QString& gone : std::as_const(erased))
        expected.removeAll(gone);
    expected.sort();
    QCOMPARE(left, expected);
    QCOMPARE(process.size(), erased.size());
    if (archiveName.trimmed().isEmpty())
        QVERIFY2(log.isEmpty(), qPrintable(log.join(u'\n'))); // not even a search is announced
}

QTEST_GUILESS_MAIN(TestArchiveRules)
#include "test_archive_rules.moc"
