// Runs real backups with the kestrave executable on the simulated platform: a fixed clock,
// scripted answers, the transcript. Each case reads the archive's entries, the target path, the
// log and the transcript.
#include "PermanentPassword.h"
#include "IniFile.h"
#include "ZipMaster.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace ksv;

namespace {

QString readText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

void writeText(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

struct ArchiveView
{
    QStringList names;
    bool encrypted = false;
    QString comment;
};

// Entry names (sorted) and whether any entry is encrypted, read by the zip engine.
ArchiveView readArchive(const QString& path)
{
    ZipMaster zip;
    zip.setFileName(path);
    ArchiveView view;
    for (const ZipEntry& e : zip.ZipContents()) {
        view.names.append(e.FileName);
        view.encrypted = view.encrypted || e.Encrypted;
    }
    view.names.sort();
    view.comment = zip.ZipComment();
    return view;
}

} // namespace

class TestKestraveRuns : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void numberedQuery_data();
    void numberedQuery();
    void allQueries();
    void queryFile();
    void selfExtractingWithoutUpdate();
    void updateKeepsEntries();
    void password_data();
    void password();
    void purgeAtDestination_data();
    void purgeAtDestination();
    void missingDataFolder_data();
    void missingDataFolder();
    void scriptedApplicationChoice();

private:
    int run(const QStringList& args, const QStringList& script = {}, const QStringList& extraEnv = {});
    QString c(const QString& rel) const { return m_dir->filePath(u"c/"_s + rel); }
    QString e(const QString& rel) const { return m_dir->filePath(u"e/"_s + rel); }
    QString log() const { return readText(m_home + u"/kestrave.log"_s); }
    QString transcript() const { return readText(m_dir->filePath(u"transcript.txt"_s)); }
    void makeData();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_home;
};

void TestKestraveRuns::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_home = m_dir->filePath(u"home"_s);
    QDir().mkpath(m_home);
    QDir().mkpath(c(u""_s));
    QDir().mkpath(e(u""_s));
    writeText(m_dir->filePath(u"drives.ini"_s), u"[C]\nroot="_s + c(u""_s) + u"\ntype=fixed\n[E]\nroot="_s + e(u""_s)
                                                    + u"\ntype=fixed\n"_s);
    makeData();
}

void TestKestraveRuns::makeData()
{
    writeText(c(u"Data/a.txt"_s), u"alpha alpha alpha alpha"_s);
    writeText(c(u"Data/b.tmp"_s), u"scratch"_s);
    writeText(c(u"Data/Sub/c.txt"_s), u"gamma"_s);
}

int TestKestraveRuns::run(const QStringList& args, const QStringList& script, const QStringList& extraEnv)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KESTRAVE_PLATFORM"_s, u"simulated"_s);
    env.insert(u"KESTRAVE_HOME"_s, m_home);
    env.insert(u"KESTRAVE_DRIVES"_s, m_dir->filePath(u"drives.ini"_s));
    env.insert(u"KESTRAVE_NOW"_s, u"2026-03-07T14:03:05"_s);
    env.insert(u"KESTRAVE_UNATTENDED"_s, u"1"_s);
    env.insert(u"KESTRAVE_TRANSCRIPT"_s, m_dir->filePath(u"transcript.txt"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    if (!script.isEmpty()) {
        writeText(m_dir->filePath(u"script.txt"_s), script.join(u'\n') + u'\n');
        env.insert(u"KESTRAVE_SCRIPT"_s, m_dir->filePath(u"script.txt"_s));
    }
    for (const QString& kv : extraEnv)
        env.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(m_dir->path());
    p.start(qEnvironmentVariable("KSV_BIN_DIR") + u"/kestrave"_s, args);
    if (!p.waitForStarted(10000) || !p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void TestKestraveRuns::numberedQuery_data()
{
    QTest::addColumn<QString>("storepath");
    QTest::addColumn<QString>("dm");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("exclusionLine");
    QTest::newRow("paths stored, day first") << u"1"_s << u"1"_s << u"0703Docs.zip"_s
                                             << QStringList{u"Data/a.txt"_s}
                                             << u"  Exclusion filter : *.tmp|Sub\\c.txt"_s;
    QTest::newRow("no paths, month first") << u"0"_s << u"0"_s << u"0307Docs.zip"_s
                                           << QStringList{u"a.txt"_s}
                                           << u"  Exclusion filter : *.tmp|Sub\\c.txt"_s;
}

void TestKestraveRuns::numberedQuery()
{
    QFETCH(QString, storepath);
    QFETCH(QString, dm);
    QFETCH(QString, target);
    QFETCH(QStringList, entries);
    QFETCH(QString, exclusionLine);
    // Sub\c.txt is excluded either way: behind the data folder with paths stored, in the
    // data folder (the current folder) without.
    writeText(m_home + u"/kestrave.ini"_s,
              u"[general]\ntimeoutsec=1\ndm="_s + dm + u"\n[12]\ndata=C:\\Data\nfilter=*.*\narch=Docs\ndest=e:\\\n"
                  u"storepath="_s + storepath + u"\nsubdir=1\nupdate=0\nexclu=*.tmp|Sub\\c.txt\nnote=Daily docs\n"_s);
    QCOMPARE(run({u"12"_s}), 0);

    QVERIFY2(QFile::exists(e(target)), qPrintable(QDir(e(u""_s)).entryList().join(u',')));
    QCOMPARE(readArchive(e(target)).names, entries);
    QCOMPARE(readArchive(e(target)).comment, u"Daily docs"_s); // the query's note
    const QString text = log();
    QVERIFY(text.contains(u"  Inclusion filter : C:\\Data\\*.*\n"_s));
    QVERIFY(text.contains(exclusionLine + u'\n'));
    QVERIFY(text.contains(u"-Archive(s) Creation(s) in Sas_zip dir : "_s));
    QVERIFY(text.contains(u"   Creation of : "_s + target));
    QVERIFY(text.contains(u"-DATA saving finished : Ok\n"_s));
    QVERIFY(transcript().contains(u"act|sound|sonar.wav"_s));
}

void TestKestraveRuns::allQueries()
{
    writeText(c(u"One/x.txt"_s), u"one"_s);
    writeText(c(u"Two/y.txt"_s), u"two"_s);
    writeText(c(u"Five/z.txt"_s), u"five"_s);
    writeText(c(u"Big/w.txt"_s), u"151"_s);
    writeText(m_home + u"/kestrave.ini"_s,
              u"[general]\ntimeoutsec=1\n"
              u"[1]\ndata=C:\\One\narch=One\ndest=E:\\\n"
              u"[2]\ndata=C:\\Two\nfilter=missing.txt\narch=Two\ndest=E:\\\n"
              u"[3]\ndata=C:\\Nowhere\narch=Three\ndest=E:\\\n"
              u"[5]\ndata=C:\\Five\narch=Five\ndest=E:\\\n"
              u"[151]\ndata=C:\\Big\narch=Big\ndest=E:\\\n"_s);
    QCOMPARE(run({u"TOUS"_s}), 0);

    QCOMPARE(readArchive(e(u"0703One.zip"_s)).names, QStringList{u"One/x.txt"_s});
    QCOMPARE(readArchive(e(u"0703Five.zip"_s)).names, QStringList{u"Five/z.txt"_s});
    QVERIFY(!QFile::exists(e(u"0703Two.zip"_s)));   // query 2 failed: nothing to save
    QVERIFY(!QFile::exists(e(u"0703Three.zip"_s))); // no data folder: skipped
    QVERIFY(!QFile::exists(e(u"0703Big.zip"_s)));   // beyond 150
    const QString text = log();
    const qsizetype one = text.indexOf(u"Creation of : 0703One.zip"_s);
    const qsizetype two = text.indexOf(u"C:\\Two\\missing.txt nonexistent"_s);
    const qsizetype five = text.indexOf(u"Creation of : 0703Five.zip"_s);
    QVERIFY2(one > 0 && two > one && five > two, qPrintable(text));
    QVERIFY(text.contains(u"Archive NOT created.\n"_s));
    // The all-queries run has no per-archive summary.
    QVERIFY(!text.contains(u"-DATA saving finished : Ok"_s));
    QVERIFY(!text.contains(u"-DATA Saving uncomplet"_s));
}

void TestKestraveRuns::queryFile()
{
    // Entries with flags, a relative entry resolved in the application folder, and a
    // preparation program that writes a file the backup then saves.
    writeText(c(u"A/one.txt"_s), u"1"_s);
    writeText(c(u"A/Deep/two.txt"_s), u"2"_s);
    writeText(c(u"B/three.txt"_s), u"3"_s);
    writeText(c(u"B/Deep/four.txt"_s), u"4"_s);
    writeText(c(u"App/conf.ini"_s), u"[x]"_s);
    const QString prepare = c(u"Jobs/prepare.sh"_s);
    writeText(prepare, u"#!/bin/sh\necho made > \""_s + c(u"App/dump.sql"_s) + u"\"\n"_s);
    QFile::setPermissions(prepare, QFile::permissions(prepare) | QFileDevice::ExeOwner);
    writeText(c(u"Jobs/daily.ksv"_s),
              u"[divers]\narch=Daily\ndest=E:\\Saved\nupdate=0\ndate=1\nstorepath=1\nsubdir=1\n"
              u"[add]\n1=C:\\A\\*.*<>10\n2=C:\\B\\*.*<>01\n3=conf.ini\n4=dump.sql\n"
              u"[application]\nNameExeKsv=tool\nPatchExeKsv=C:\\App\n"
              u"[RunBeforeAdd]\nToRun=C:\\Jobs\\prepare.sh\n"_s);
    QCOMPARE(run({u"C:\\Jobs\\daily"_s + u".ksv"_s}), 0);

    const QString target = e(u"SAVED/0703Daily.zip"_s); // destinations are upper-cased
    QVERIFY(QFile::exists(target));
    // A: paths stored, no sub-folders. B: no paths, sub-folders. The flags stay for the
    // relative entries that follow.
    QCOMPARE(readArchive(target).comment, QString()); // a query file's archive has no comment
    QCOMPARE(readArchive(target).names,
             (QStringList{u"A/one.txt"_s, u"Deep/four.txt"_s, u"conf.ini"_s, u"dump.sql"_s, u"three.txt"_s}));
    const QString text = log();
    QVERIFY(text.contains(u" Create new dir : E:\\SAVED\\ ---> OK "_s));
    QVERIFY(text.contains(u"-DATA saving finished : Ok"_s));
    QVERIFY(transcript().contains(u"act|run|"_s));
}

void TestKestraveRuns::selfExtractingWithoutUpdate()
{
    // Left by an earlier run: both go before the new archive is built.
    writeText(m_home + u"/Sas_Zip/Docs.zip"_s, u"old"_s);
    writeText(m_home + u"/Sas_Zip/Docs.exe"_s, u"old"_s);
    writeText(m_home + u"/kestrave.ini"_s,
              u"[general]\ntimeoutsec=1\n[4]\ndata=C:\\Data\narch=Docs\ndest=E:\\\nupdate=0\nsfx=1\n"
              u"stitre=Restore me\n"_s);
    QCOMPARE(run({u"4"_s}), 0);
    QVERIFY(QFile::exists(e(u"0703Docs.exe"_s)));
    QVERIFY(!QFile::exists(m_home + u"/Sas_Zip/Docs.zip"_s));
    QCOMPARE(readArchive(e(u"0703Docs.exe"_s)).names,
             (QStringList{u"Data/Sub/c.txt"_s, u"Data/a.txt"_s, u"Data/b.tmp"_s}));
    const QString text = log();
    QVERIFY(text.contains(u"SFX Conversion : Docs.exe ["_s));
    QVERIFY(text.contains(u"   Creation of : 0703Docs.exe"_s));
}

void TestKestraveRuns::updateKeepsEntries()
{
    writeText(m_home + u"/kestrave.ini"_s,
              u"[general]\ntimeoutsec=1\n[4]\ndata=C:\\Data\narch=Docs\ndest=E:\\\nupdate=1\nsfx=1\n"_s);
    QCOMPARE(run({u"4"_s}), 0);
    // Update on: the work archive is kept (converted back to ZIP) and only updated next time,
    // so a file removed from the data folder stays in the archive.
    QVERIFY(QFile::exists(m_home + u"/Sas_Zip/Docs.zip"_s));
    QVERIFY(!QFile::exists(m_home + u"/Sas_Zip/Docs.exe"_s));
    QVERIFY(QFile::remove(c(u"Data/b.tmp"_s)));
    writeText(c(u"Data/new.txt"_s), u"new"_s);
    QFile::remove(e(u"0703Docs.exe"_s));
    QCOMPARE(run({u"4"_s}), 0);
    QCOMPARE(readArchive(e(u"0703Docs.exe"_s)).names,
             (QStringList{u"Data/Sub/c.txt"_s, u"Data/a.txt"_s, u"Data/b.tmp"_s, u"Data/new.txt"_s}));

    // Update off: built anew, the removed file is gone.
    writeText(m_home + u"/kestrave.ini"_s,
              u"[general]\ntimeoutsec=1\n[4]\ndata=C:\\Data\narch=Docs\ndest=E:\\\nupdate=0\nsfx=1\n"_s);
    QFile::remove(e(u"0703Docs.exe"_s));
    QCOMPARE(run({u"4"_s}), 0);
    QCOMPARE(readArchive(e(u"0703Docs.exe"_s)).names,
             (QStringList{u"Data/Sub/c.txt"_s, u"Data/a.txt"_s, u"Data/new.txt"_s}));
}

void TestKestraveRuns::password_data()
{
    QTest::addColumn<bool>("permanent");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("logLines");
    QTest::newRow("permanent password") << true << false << QStringList{} << true << false << QString();
    QTest::newRow("Ctrl held: asked anyway")
        << true << true << QStringList{u"Yes"_s, u"text:secret"_s, u"text:secret"_s} << true << true
        << u" Type of a password by user\n"_s;
    QTest::newRow("entries differ") << false << false
                                    << QStringList{u"Yes"_s, u"text:secret"_s, u"text:other"_s, u"OK"_s} << false
                                    << true << u" Type of a password by user\n Wrong password. Abandon...\n"_s;
    QTest::newRow("no password wanted") << false << false << QStringList{u"No"_s} << false << true << QString();
}

void TestKestraveRuns::password()
{
    QFETCH(bool, permanent);
    QFETCH(bool, ctrl);
    QFETCH(QStringList, script);
    QFETCH(bool, encrypted);
    QFETCH(bool, asked);
    QFETCH(QString, logLines);
    writeText(m_home + u"/kestrave.ini"_s,
              u"[general]\ntimeoutsec=1\n[4]\ndata=C:\\Data\narch=Docs\ndest=E:\\\nupdate=0\npass=1\n"_s);
    if (permanent) {
        IniFile settings(m_home + u"/kestrave.ini"_s);
        QVERIFY(PermanentPassword::store(settings, u"perm-pass"_s));
    }
    // A person answers at the window: an unattended run without a password builds nothing.
    QStringList env{u"KESTRAVE_UNATTENDED=0"_s};
    if (ctrl)
        env.append(u"KESTRAVE_CTRL=1"_s);
    QCOMPARE(run({u"4"_s}, script, env), 0);
    const ArchiveView archive = readArchive(e(u"0703Docs.zip"_s));
    QCOMPARE(archive.names.size(), 3);
    QCOMPARE(archive.encrypted, encrypted);
    QCOMPARE(transcript().contains(u"ask|confirmation|Yes+No|Do you want a password for this archive ?|"_s), asked);
    // The password boxes carry their text in the caption only.
    QCOMPARE(transcript().count(u"ask|password|OK+Cancel||"_s), script.value(0) == u"Yes"_s ? 2 : 0);
    if (!logLines.isEmpty())
        QVERIFY2(log().contains(logLines), qPrintable(log()));
    else
        QVERIFY(!log().contains(u"Type of a password"_s));
    if (logLines.contains(u"Abandon"_s))
        QVERIFY(transcript().contains(u"Input different !! Password securisation canceled..."_s));
}

void TestKestraveRuns::purgeAtDestination_data()
{
    QTest::addColumn<int>("maxfile");
    QTest::addColumn<bool>("todayExists");
    QTest::addColumn<QStringList>("remaining");
    QTest::newRow("maxfile reached") << 3 << false
                                     << QStringList{u"0203Docs.zip"_s, u"0303Docs.zip"_s, u"0703Docs.zip"_s};
    QTest::newRow("maxfile reached with today's target")
        << 4 << true << QStringList{u"0103Docs.zip"_s, u"0203Docs.zip"_s, u"0303Docs.zip"_s, u"0703Docs.zip"_s};
    QTest::newRow("maxfile 1") << 1 << false << QStringList{u"0203Docs.zip"_s, u"0303Docs.zip"_s, u"0703Docs.zip"_s};
}

void TestKestraveRuns::purgeAtDestination()
{
    QFETCH(int, maxfile);
    QFETCH(bool, todayExists);
    QFETCH(QStringList, remaining);
    const QDateTime base(QDate(2026, 3, 1), QTime(9, 0));
    const QStringList old{u"0103Docs.zip"_s, u"0203Docs.zip"_s, u"0303Docs.zip"_s};
    for (int i = 0; i < old.size(); ++i) {
        writeText(e(old.at(i)), u"old"_s);
        QFile f(e(old.at(i)));
        QVERIFY(f.open(QIODevice::Append));
        QVERIFY(f.setFileTime(base.addDays(i), QFileDevice::FileModificationTime));
    }
    if (todayExists)
        writeText(e(u"0703Docs.zip"_s), u"this morning"_s);
    writeText(m_home + u"/kestrave.ini"_s, u"[general]\ntimeoutsec=1\n[4]\ndata=C:\\Data\narch=Docs\ndest=E:\\\n"
                                          u"update=0\nmaxfile="_s + QString::number(maxfile) + u"\n"_s);
    QCOMPARE(run({u"4"_s}), 0);
    QCOMPARE(QDir(e(u""_s)).entryList(QDir::Files, QDir::Name), remaining);
    // Today's archive is the new one.
    QCOMPARE(readArchive(e(u"0703Docs.zip"_s)).names.size(), 3);
    const QString text = log();
    QVERIFY(text.contains(u"-Search old archive file :  [ %1 , E:\\ , ????Docs* ] "_s.arg(maxfile)));
    if (todayExists)
        QVERIFY(!text.contains(u"Erasure of"_s));
    else
        QVERIFY2(text.contains(u" Erasure of : E:\\0103Docs.zip ---> OK \n"_s), qPrintable(text));
}

void TestKestraveRuns::missingDataFolder_data()
{
    // The run starts in a folder full of other files (the test's folder): none of them may be
    // taken for the missing data.
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("queryFile");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("archive");
    QTest::newRow("numbered query, paths not stored")
        << u"[general]\ntimeoutsec=1\n[12]\ndata=C:\\Gone\nfilter=*.*\narch=Docs\ndest=E:\\\n"
           u"storepath=0\nsubdir=1\nupdate=0\n"_s
        << QString() << u"12"_s << u"0703Docs.zip"_s;
    QTest::newRow("query file entry, paths not stored")
        << u"[general]\ntimeoutsec=1\n"_s
        << u"[divers]\narch=Gone\ndest=E:\\\nupdate=0\nstorepath=1\nsubdir=1\n[add]\n1=C:\\Gone\\*.*<>01\n"_s
        << u"C:\\Jobs\\gone.ksv"_s << u"0703Gone.zip"_s;
}

void TestKestraveRuns::missingDataFolder()
{
    QFETCH(QString, settings);
    QFETCH(QString, queryFile);
    QFETCH(QString, argument);
    QFETCH(QString, archive);
    writeText(m_home + u"/kestrave.ini"_s, settings);
    if (!queryFile.isEmpty())
        writeText(c(u"Jobs/gone.ksv"_s), queryFile);
    QVERIFY(run({argument}) >= 0);

    QVERIFY2(readArchive(e(archive)).names.isEmpty(), qPrintable(readArchive(e(archive)).names.join(u',')));
    const QString text = log();
    QVERIFY2(text.contains(u"-DATA Saving uncomplet : Error(s) detected"_s), qPrintable(text));
    QVERIFY(!text.contains(u"-DATA saving finished : Ok"_s));
}

void TestKestraveRuns::scriptedApplicationChoice()
{
    // Answers come from a script and the run is not unattended: nobody clicks a folder in the
    // list, so the last folder found is kept and the run goes on.
    writeText(c(u"P1/tool"_s), u"1"_s);
    writeText(c(u"P2/tool"_s), u"2"_s);
    writeText(c(u"P1/conf.ini"_s), u"one"_s);
    writeText(c(u"P2/conf.ini"_s), u"two"_s);
    const QString ksv = c(u"Jobs/app.ksv"_s);
    writeText(ksv, u"[divers]\narch=App\ndest=E:\\\nupdate=0\nstorepath=0\n[add]\n1=conf.ini\n"
                   u"[application]\nNameExeKsv=tool\n"_s);
    writeText(m_home + u"/kestrave.ini"_s, u"[general]\ntimeoutsec=1\n"_s);
    QCOMPARE(run({u"C:\\Jobs\\app.ksv"_s}, {u"OK"_s}, {u"KESTRAVE_UNATTENDED=0"_s}), 0);
    QVERIFY(transcript().contains(u"KESTRAVE find several paths for this application."_s));
    const QString chosen = IniFile(ksv).readString(u"application"_s, u"PatchExeKsv"_s);
    QVERIFY2(chosen == u"C:\\P1"_s || chosen == u"C:\\P2"_s, qPrintable(chosen));
    QCOMPARE(readArchive(e(u"0703App.zip"_s)).names, QStringList{u"conf.ini"_s});
}

QTEST_GUILESS_MAIN(TestKestraveRuns)
#include "test_kestrave_runs.moc"
