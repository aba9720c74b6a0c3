#include "AtomicFile.h"
#include "CommandLineDispatch.h"
#include "FreeSpaceCaption.h"
#include "PackageFiles.h"
#include "RunLog.h"
#include "RunState.h"
#include "RunnerPaths.h"
#include "RunnerStartup.h"
#include "WorkFolderLocks.h"
#include "WriteFailures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace ksv;

class TestRunnerCore : public QObject
{
    Q_OBJECT

private slots:
    void dispatch_data();
    void dispatch();
    void logAppendSplitsLines_data();
    void logAppendSplitsLines();
    void logLoadAppendSave();
    void logMissingFileIsEmpty();
    void logUnwritableFileFails();
    void logRunsSharingOneFileKeepEachOthersLines();
    void logSaveOnFullDiskKeepsOldFileAndPendingLines();
    void workLeftoversRemoved();
    void autoCloseCountdown();
    void headers();
    void freeSpaceCaption_data();
    void freeSpaceCaption();
};

void TestRunnerCore::dispatch_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("none");
    QTest::addColumn<bool>("restore");
    QTest::addColumn<bool>("all");
    QTest::addColumn<bool>("number");
    QTest::addColumn<bool>("file");
    QTest::addColumn<bool>("nothing");

    QTest::newRow("no argument") << QStringList{} << true << false << false << false << false << false;
    QTest::newRow("_REST_A") << QStringList{u"_REST_A"_s} << false << true << false << false << false << false;
    QTest::newRow("_rest_a lower case") << QStringList{u"_rest_a"_s} << false << false << false << false << false << true;
    QTest::newRow("_Rest_A mixed") << QStringList{u"_Rest_A"_s} << false << false << false << false << false << true;
    QTest::newRow("TOUS") << QStringList{u"TOUS"_s} << false << false << true << false << false << false;
    QTest::newRow("tous") << QStringList{u"tous"_s} << false << false << true << false << false << false;
    QTest::newRow("TOUS with suffix") << QStringList{u"TOUSX"_s} << false << false << false << false << false << true;
    QTest::newRow("12") << QStringList{u"12"_s} << false << false << false << true << false << false;
    QTest::newRow("07 keeps its zero") << QStringList{u"07"_s} << false << false << false << true << false << false;
    QTest::newRow("-3 is no number") << QStringList{u"-3"_s} << false << false << false << false << false << true;
    QTest::newRow("12 a") << QStringList{u"12 a"_s} << false << false << false << false << false << true;
    QTest::newRow("query file") << QStringList{u"C:\\Jobs\\daily.ksv"_s} << false << false << false << false << true << false;
    QTest::newRow(".KSV inside the name") << QStringList{u"C:\\a.KSV.bak"_s} << false << false << false << false << true << false;
    QTest::newRow("no .KSV") << QStringList{u"C:\\Jobs\\daily"_s} << false << false << false << false << false << true;
    QTest::newRow("only the first argument decides")
        << QStringList{u"C:\\Jobs\\daily"_s, u"TOUS"_s} << false << false << false << false << false << true;
    QTest::newRow("second argument ignored") << QStringList{u"12"_s, u"x.ksv"_s} << false << false << false << true << false << false;
}

void TestRunnerCore::dispatch()
{
    QFETCH(QStringList, args);
    const CommandLineDispatch d = CommandLineDispatch::decide(args);
    QTEST(d.noArgument, "none");
    QTEST(d.restore, "restore");
    QTEST(d.allQueries, "all");
    QTEST(d.numberedQuery, "number");
    QTEST(d.queryFile, "file");
    QTEST(d.matchesNothing(), "nothing");
    QCOMPARE(d.argument, args.value(0));
}

void TestRunnerCore::logAppendSplitsLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("added");
    QTest::newRow("plain") << QStringLiteral("-Format a disk ---> OK ") << QStringList{u"-Format a disk ---> OK "_s};
    QTest::newRow("leading CRLF gives an empty line")
        << QStringLiteral("\r\n------------ header") << QStringList{u""_s, u"------------ header"_s};
    QTest::newRow("lone CR breaks the line")
        << QStringLiteral("-Open Add/Modify query : \r  cmd") << QStringList{u"-Open Add/Modify query : "_s, u"  cmd"_s};
    QTest::newRow("LF") << QStringLiteral("a\nb") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("empty text adds an empty line") << QString() << QStringList{u""_s};
}

void TestRunnerCore::logAppendSplitsLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, added);
    RunLog log;
    log.append(QStringLiteral("first"));
    QCOMPARE(log.append(text), added);
    QCOMPARE(log.lines(), QStringList{u"first"_s} + added);
}

void TestRunnerCore::logLoadAppendSave()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrave.log"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old line 1\r\nold line 2\r\n\r\nold line 4\r\n");
    }
    RunLog log;
    log.load(path);
    QCOMPARE(log.lines(), (QStringList{u"old line 1"_s, u"old line 2"_s, u""_s, u"old line 4"_s}));
    log.append(QStringLiteral("\r\nnew"));
    QVERIFY(log.save(path));

    RunLog again;
    again.load(path);
    QCOMPARE(again.lines(), (QStringList{u"old line 1"_s, u"old line 2"_s, u""_s, u"old line 4"_s, u""_s, u"new"_s}));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("old line 1\nold line 2\n\nold line 4\n\nnew\n"));
}

void TestRunnerCore::logMissingFileIsEmpty()
{
    QTemporaryDir dir;
    RunLog log;
    log.append(QStringLiteral("stale"));
    log.load(dir.filePath(QStringLiteral("missing.log")));
    QCOMPARE(log.lineCount(), 0);
}

void TestRunnerCore::logUnwritableFileFails()
{
    QTemporaryDir dir;
    RunLog log;
    log.append(QStringLiteral("x"));
    QVERIFY(!log.save(dir.filePath(QStringLiteral("no/such/folder/kestrave.log"))));
}

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

void TestRunnerCore::logRunsSharingOneFileKeepEachOthersLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrave.log"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old\n");
    }
    RunLog first;
    RunLog second;
    first.load(path);
    second.load(path);
    first.append(QStringLiteral("a1"));
    second.append(QStringLiteral("b1"));
    QVERIFY(first.save(path));
    QVERIFY(second.save(path)); // does not write back its stale view without a1
    QCOMPARE(fileBytes(path), QByteArray("old\na1\nb1\n"));

    // Saving again adds only what is new since the last save.
    first.append(QStringLiteral("a2"));
    QVERIFY(first.save(path));
    QVERIFY(second.save(path));
    QCOMPARE(fileBytes(path), QByteArray("old\na1\nb1\na2\n"));

    // A run that trims its log drops its own view of the file, not what others wrote since.
    first.append(QStringLiteral("a3"));
    QVERIFY(first.save(path));
    second.clear();
    second.append(QStringLiteral("b after reset"));
    QVERIFY(second.save(path));
    QCOMPARE(fileBytes(path), QByteArray("a3\nb after reset\n"));
    QCOMPARE(second.lines(), QStringList{u"b after reset"_s});
}

void TestRunnerCore::logSaveOnFullDiskKeepsOldFileAndPendingLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrave.log"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("digest line\nold\n");
    }
    QStringList reports;
    WriteFailures::resetForTesting();
    WriteFailures::setReporter([&](const QString& file, const QString& reason) { reports << file << reason; });
    RunLog log;
    log.load(path);
    log.append(QStringLiteral("this run"));
    for (const qint64 room : {qint64(0), qint64(5), qint64(24)}) {
        AtomicFile::setWriteLimitForTesting(room);
        const Status saved = log.save(path);
        AtomicFile::setWriteLimitForTesting(-1);
        QVERIFY(!saved);
        QCOMPARE(fileBytes(path), QByteArray("digest line\nold\n"));
    }
    WriteFailures::setReporter({});
    QCOMPARE(reports.size(), 2); // once per file
    QCOMPARE(reports.at(0), path);
    QVERIFY2(reports.at(1).contains(u"space"_s), qPrintable(reports.at(1)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{u".kestrave.log.lock"_s, u"kestrave.log"_s}));
    // The run's lines were kept: the next save that has room writes them.
    QVERIFY(log.save(path));
    QCOMPARE(fileBytes(path), QByteArray("digest line\nold\nthis run\n"));
}

void TestRunnerCore::workLeftoversRemoved()
{
    QTemporaryDir dir;
    const RunnerPaths paths = RunnerPaths::forFolder(dir.path());
    QCOMPARE(paths.workFolder, dir.path() + QStringLiteral("/Sas_Zip/"));
    QVERIFY(RunnerStartup::prepareWorkFolder(paths));
    QVERIFY(QDir(paths.workFolder).exists());
    const QStringList leftovers{u"ZipTmp1.tmp"_s, u"ziptmp2.zip"_s, u"ZipTmp3"_s};
    const QStringList kept{u"daily.zip"_s, u"daily.exe"_s, u"MyZipTmp.tmp"_s};
    for (const QString& name : leftovers + kept) {
        QFile f(paths.workFolder + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    // Hidden temporary files of a killed writer (its process is gone) go in any case; those of
    // a live one stay.
    QProcess gone;
    gone.start(u"sleep"_s, {u"30"_s});
    QVERIFY(gone.waitForStarted());
    const QString deadPid = QString::number(gone.processId());
    gone.kill();
    QVERIFY(gone.waitForFinished());
    const QStringList killedWriters{paths.workFolder + u".daily.zip."_s + deadPid + u".Ab12Cd"_s,
                                    paths.programFolder + u".kestrave.ini."_s + deadPid + u".xY34zW"_s};
    const QString liveWriter = paths.programFolder + u".kestrave.log."_s + QString::number(::getpid()) + u".q1w2e3"_s;
    for (const QString& path : killedWriters + QStringList{liveWriter}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    // Another runner alive in the folder: its temporary file may be among them, so all stay.
    const QByteArray presence = QFile::encodeName(paths.workFolder + WorkFolderPresence::presenceFileName());
    const int other = ::open(presence.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_SH), 0);
    QCOMPARE(RunnerStartup::removeWorkLeftovers(paths), 2);
    QCOMPARE(QDir(paths.workFolder).entryList(QDir::Files).size(), leftovers.size() + kept.size());
    for (const QString& path : killedWriters)
        QVERIFY(!QFile::exists(path));
    QVERIFY(QFile::exists(liveWriter));
    // It ended (its lock went with it): what it left is removed.
    ::close(other);
    QCOMPARE(RunnerStartup::removeWorkLeftovers(paths), 3);
    QStringList remaining = QDir(paths.workFolder).entryList(QDir::Files);
    remaining.sort();
    QStringList expected = kept;
    expected.sort();
    QCOMPARE(remaining, expected);
}

void TestRunnerCore::autoCloseCountdown()
{
    AutoCloseCountdown c;
    QCOMPARE(c.tick(20), 19);
    QCOMPARE(c.tick(20), 18);
    c.reset();
    QCOMPARE(c.tick(20), 19);
    AutoCloseCountdown zero;
    QVERIFY(zero.tick(0) <= 0);
}

void TestRunnerCore::headers()
{
    const QDateTime when(QDate(2026, 3, 7), QTime(14, 3, 5));
    const QString stamp = RunnerStartup::dateTimeText(when);
    QVERIFY(stamp.endsWith(QLatin1String(" 14:03:05")));
    QCOMPARE(RunnerStartup::openHeader(when),
             QStringLiteral("\r\n------------         ") + stamp + QStringLiteral("         Open KESTRAVE         ------------"));
    QCOMPARE(RunnerStartup::closeHeader(when),
             QStringLiteral("------------         ") + stamp + QStringLiteral("         CLose KESTRAVE         ------------"));
    QCOMPARE(RunnerStartup::runKsvHeader(when, QStringLiteral("C:\\Jobs\\daily.ksv")),
             QStringLiteral("\r\n------------ ") + stamp + QStringLiteral(" Run KSV file : C:\\Jobs\\daily.ksv ------------"));
}

void TestRunnerCore::freeSpaceCaption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("freeBytes");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("folderAsked");
    const qint64 mib = 1048576;
    QTest::newRow("drive root") << u"C:\\"_s << 10 * mib << u"Free space on C:\\ ( 10 Mo )"_s << false;
    QTest::newRow("rounded down") << u"C:\\"_s << mib * 14 / 10 << u"Free space on C:\\ ( 1 Mo )"_s << false;
    QTest::newRow("rounded up") << u"C:\\"_s << mib * 15 / 10 << u"Free space on C:\\ ( 2 Mo )"_s << false;
    QTest::newRow("no medium ends with the blank") << u"A:\\"_s << qint64(-1) << u"Free space on A:\\ "_s << false;
    QTest::newRow("4 characters: still free space") << u"C:\\a"_s << 0LL << u"Free space on C:\\ ( 0 Mo )"_s << false;
    QTest::newRow("5 characters: the folder's size")
        << u"C:\\ab"_s << 10 * mib << u"Occupy ("_s + getkb(3000) + u")"_s << true;
    QTest::newRow("2 characters") << u"C:"_s << 2 * mib << u"Free space on C: ( 2 Mo )"_s << false;
    QTest::newRow("1 character: caption stays") << u"C"_s << 2 * mib << u"previous"_s << false;
}

void TestRunnerCore::freeSpaceCaption()
{
    QFETCH(QString, text);
    QFETCH(qint64, freeBytes);
    QFETCH(bool, folderAsked);
    bool asked = false;
    const QString caption = FreeSpaceCaption::caption(text, u"previous"_s, freeBytes, [&asked] {
        asked = true;
        return qint64(3000);
    });
    QTEST(caption, "expected");
    QCOMPARE(asked, folderAsked);
}

QTEST_GUILESS_MAIN(TestRunnerCore)
#include "test_runner_core.moc"
