// Runs of the real kestrave executable that go wrong: a full work folder, an archive too large
// for its medium, an update whose build fails, a password nobody gives, left-out files, several
// runs sharing one work folder, runs killed midway. Whatever happens, the dated archives already
// on the destination survive until a new complete archive is there, and the log says why a run
// failed.
#include "WorkFolderLocks.h"
#include "PermanentPassword.h"
#include "ZipMaster.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ksv;

namespace {

// Temporary files of the runner and its engine: "ZipTmp…" and the hidden ".NAME.PID.XXXXXX".
QStringList writerLeftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("ZipTmp*"), QStringLiteral(".*.*.??????")}, QDir::Files | QDir::Hidden);
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

void writeText(const QString& path, const QString& text)
{
    writeBytes(path, text.toUtf8());
}

// Bytes that do not compress: the archive is about as large as the data.
QByteArray noise(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// Entry names (sorted); empty when the file is missing or no readable archive. With `test`, every
// entry is also read back and checked, and a damaged archive gives an empty list.
QStringList archiveNames(const QString& path, bool test = false)
{
    if (!QFileInfo(path).isFile())
        return {};
    ZipMaster zip;
    zip.setFileName(path);
    if (test && zip.Test() != 0)
        return {};
    QStringList names;
    for (const ZipEntry& e : zip.ZipContents())
        names.append(e.FileName);
    names.sort();
    return names;
}

bool isRoot()
{
    return ::geteuid() == 0;
}

enum class Fault {
    WorkFolderFull,
    TooLargeAbort,
    PurgeMakesRoom,
    UpdateBuildFails,
    UpdateArchiveDamaged,
    PasswordNobodyGives,
    PasswordKeyMissing,
    FileLeftOut,
    WorkFolderNotWritable,
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestKestraveFailedRuns : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void faults_data();
    void faults();
    void runsAtOnce();
    void sameArchiveWaits();
    void workFolderFillLevels();
    void killedRuns();

private:
    QProcess* start(const QStringList& args, const QString& now = u"2026-03-07T14:03:05"_s,
                    const QStringList& script = {}, const QStringList& extraEnv = {});
    int run(const QStringList& args, const QString& now = u"2026-03-07T14:03:05"_s, const QStringList& script = {},
            const QStringList& extraEnv = {});
    static int finish(QProcess* p, int timeoutMs = 120000);
    QString c(const QString& rel) const { return m_dir->filePath(u"c/"_s + rel); }
    QString e(const QString& rel) const { return m_dir->filePath(u"e/"_s + rel); }
    QString work() const { return m_home + u"/Sas_Zip"_s; }
    QString log() const { return QString::fromUtf8(readBytes(m_home + u"/kestrave.log"_s)); }
    // The drive table, with a capacity for E (0: none).
    void writeDrives(qint64 capacityE);
    // Two dated archives on E, 0503 older than 0603; returns their contents by name.
    QHash<QString, QByteArray> placeOldArchives(qsizetype olderSize = 40);
    // A small tmpfs over the work folder; false (and a skip) when it cannot be mounted.
    bool mountWorkFolder(const QString& size);

    // Runs the program as the plain user 65534 (root only): folders it must reach are opened.
    void runAsPlainUser();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_home;
    bool m_plainUser = false;
    QString m_mounted;
    QList<QProcess*> m_processes;
};

void TestKestraveFailedRuns::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_home = m_dir->filePath(u"home"_s);
    QDir().mkpath(m_home);
    QDir().mkpath(c(u""_s));
    QDir().mkpath(e(u""_s));
    writeDrives(0);
    writeText(c(u"Data/a.txt"_s), u"alpha alpha alpha alpha"_s);
    writeText(c(u"Data/Sub/c.txt"_s), u"gamma"_s);
}

void TestKestraveFailedRuns::cleanup()
{
    for (QProcess* p : std::as_const(m_processes)) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished();
        }
        delete p;
    }
    m_processes.clear();
    m_plainUser = false;
    if (!m_mounted.isEmpty()) {
        QProcess::execute(u"umount"_s, {u"-l"_s, m_mounted});
        m_mounted.clear();
    }
    m_dir.reset();
}

void TestKestraveFailedRuns::writeDrives(qint64 capacityE)
{
    QString text = u"[C]\nroot="_s + c(u""_s) + u"\ntype=fixed\n[E]\nroot="_s + e(u""_s) + u"\ntype=fixed\n"_s;
    if (capacityE > 0)
        text += u"capacity="_s + QString::number(capacityE) + u'\n';
    text += u"[F]\nroot="_s + m_dir->filePath(u"f"_s) + u"\ntype=fixed\n"_s;
    writeText(m_dir->filePath(u"drives.ini"_s), text);
}

QHash<QString, QByteArray> TestKestraveFailedRuns::placeOldArchives(qsizetype olderSize)
{
    const QDateTime base(QDate(2026, 3, 5), QTime(9, 0));
    QHash<QString, QByteArray> old;
    old.insert(u"0503Docs.zip"_s, noise(olderSize, 5));
    old.insert(u"0603Docs.zip"_s, QByteArray("the archive of the sixth"));
    int day = 0;
    for (const QString& name : {u"0503Docs.zip"_s, u"0603Docs.zip"_s}) {
        writeBytes(e(name), old.value(name));
        QFile f(e(name));
        if (f.open(QIODevice::Append))
            f.setFileTime(base.addDays(day), QFileDevice::FileModificationTime);
        ++day;
    }
    return old;
}

bool TestKestraveFailedRuns::mountWorkFolder(const QString& size)
{
    if (!isRoot())
        return false;
    QDir().mkpath(work());
    if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size="_s + size, u"tmpfs"_s, work()}) != 0)
        return false;
    m_mounted = work();
    return true;
}

void TestKestraveFailedRuns::runAsPlainUser()
{
    m_plainUser = true;
    const QString own = m_dir->filePath(u"plain"_s);
    for (const QString& folder : QStringList{own, own + u"/run"_s, own + u"/.config"_s, own + u"/.local/share"_s}) {
        QDir().mkpath(folder);
        QVERIFY(::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0);
    }
    QVERIFY(::chmod(QFile::encodeName(own + u"/run"_s).constData(), 0700) == 0);
    for (const QString& open : QStringList{m_dir->path(), m_home, e(u""_s)})
        QVERIFY(::chmod(QFile::encodeName(open).constData(), 0777) == 0);
}

QProcess* TestKestraveFailedRuns::start(const QStringList& args, const QString& now, const QStringList& script,
                                        const QStringList& extraEnv)
{
    auto* p = new QProcess;
    m_processes.append(p);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KESTRAVE_PLATFORM"_s, u"simulated"_s);
    env.insert(u"KESTRAVE_HOME"_s, m_home);
    env.insert(u"KESTRAVE_DRIVES"_s, m_dir->filePath(u"drives.ini"_s));
    env.insert(u"KESTRAVE_NOW"_s, now);
    env.insert(u"KESTRAVE_UNATTENDED"_s, u"1"_s);
    env.insert(u"KESTRAVE_TRANSCRIPT"_s, m_dir->filePath(u"transcript.txt"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    if (!script.isEmpty()) {
        const QString file = m_dir->filePath(u"script-%1.txt"_s.arg(m_processes.size()));
        writeText(file, script.join(u'\n') + u'\n');
        env.insert(u"KESTRAVE_SCRIPT"_s, file);
    }
    for (const QString& kv : extraEnv)
        env.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    const QString program = qEnvironmentVariable("KSV_BIN_DIR") + u"/kestrave"_s;
    if (m_plainUser) {
        const QString own = m_dir->filePath(u"plain"_s);
        env.insert(u"HOME"_s, own);
        env.insert(u"XDG_CONFIG_HOME"_s, own + u"/.config"_s);
        env.insert(u"XDG_DATA_HOME"_s, own + u"/.local/share"_s);
        env.insert(u"XDG_RUNTIME_DIR"_s, own + u"/run"_s);
    }
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(m_dir->path());
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (m_plainUser)
        p->start(u"setpriv"_s, QStringList{u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, program} + args);
    else
        p->start(program, args);
    return p;
}

int TestKestraveFailedRuns::finish(QProcess* p, int timeoutMs)
{
    if (!p->waitForStarted(10000) || !p->waitForFinished(timeoutMs)) {
        p->kill();
        p->waitForFinished();
        return -1;
    }
    return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
}

int TestKestraveFailedRuns::run(const QStringList& args, const QString& now, const QStringList& script,
                                const QStringList& extraEnv)
{
    return finish(start(args, now, script, extraEnv));
}

// ------------------------------------------------------------------------------------------

void TestKestraveFailedRuns::faults_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("maxfile");
    QTest::addColumn<QStringList>("script");
    // What the destination holds afterwards; the old archives keep their bytes.
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<QStringList>("logLines");

    const QStringList both{u"0503Docs.zip"_s, u"0603Docs.zip"_s};
    const QString notBuilt = u"-Archive Docs.zip NOT built: nothing is copied and the old archives are kept."_s;
    const QString noPassword = u"-This query asks for a password and none was given"_s;

    QTest::newRow("work folder full") << Fault::WorkFolderFull << 2 << QStringList{} << both
                                      << QStringList{u"Disk full: not enough free space to write"_s, notBuilt};
    QTest::newRow("too large for the medium, maxfile 1, Abort")
        << Fault::TooLargeAbort << 1 << QStringList{u"Abort"_s} << both
        << QStringList{u"-Erasing old archives would not make room for the new archive: they are kept."_s};
    QTest::newRow("room of the oldest archive needed")
        << Fault::PurgeMakesRoom << 2 << QStringList{} << QStringList{u"0603Docs.zip"_s, u"0703Docs.zip"_s}
        << QStringList{u"-Not enough room for the new archive at the destination: old archive(s) erased first."_s,
                       u" Erasure of : E:\\0503Docs.zip ---> OK "_s, u"-DATA saving finished : Ok"_s};
    QTest::newRow("update, build fails on a full work folder")
        << Fault::UpdateBuildFails << 2 << QStringList{} << both
        << QStringList{u"Disk full: not enough free space to write"_s, notBuilt};
    QTest::newRow("update, work archive damaged") << Fault::UpdateArchiveDamaged << 2 << QStringList{} << both
                                                  << QStringList{notBuilt};
    QTest::newRow("password nobody gives") << Fault::PasswordNobodyGives << 2 << QStringList{} << both
                                           << QStringList{noPassword};
    QTest::newRow("permanent password without its key")
        << Fault::PasswordKeyMissing << 2 << QStringList{} << both
        << QStringList{u" The permanent password cannot be deciphered on this computer."_s, noPassword};
    QTest::newRow("file left out") << Fault::FileLeftOut << 2 << QStringList{}
                                   << QStringList{u"0603Docs.zip"_s, u"0703Docs.zip"_s}
                                   << QStringList{u"Cannot read the file C:\\Data\\gone.txt"_s};
    QTest::newRow("work folder not writable (plain user)")
        << Fault::WorkFolderNotWritable << 2 << QStringList{} << both << QStringList{u"(Permission denied)"_s};
}

void TestKestraveFailedRuns::faults()
{
    QFETCH(Fault, fault);
    QFETCH(int, maxfile);
    QFETCH(QStringList, script);
    QFETCH(QStringList, remaining);
    QFETCH(QStringList, logLines);

    const bool update = fault == Fault::UpdateBuildFails || fault == Fault::UpdateArchiveDamaged;
    const bool password = fault == Fault::PasswordNobodyGives || fault == Fault::PasswordKeyMissing;
    QString settings = u"[general]\ntimeoutsec=1\n[4]\ndata=C:\\Data\narch=Docs\ndest=E:\\\nstorepath=0\nsubdir=1\n"
                       u"maxfile=%1\nupdate=%2\npass=%3\n"_s.arg(maxfile)
                           .arg(update ? 1 : 0)
                           .arg(password ? 1 : 0);
    QHash<QString, QByteArray> old = placeOldArchives(fault == Fault::PurgeMakesRoom ? 30000 : 40);
    QStringList entries{u"Sub/c.txt"_s, u"a.txt"_s};
    writeText(m_home + u"/kestrave.ini"_s, settings);

    switch (fault) {
    case Fault::WorkFolderFull:
        if (!mountWorkFolder(u"128k"_s))
            QSKIP("needs root to mount a small tmpfs over the work folder");
        writeBytes(c(u"Data/big.bin"_s), noise(512 * 1024, 1));
        break;
    case Fault::TooLargeAbort:
        // 1000 bytes free; erasing the oldest archive would give 40 more.
        writeBytes(c(u"Data/big.bin"_s), noise(20000, 2));
        writeDrives(40 + old.value(u"0603Docs.zip"_s).size() + 1000);
        break;
    case Fault::PurgeMakesRoom:
        // 5000 bytes free; erasing the oldest archive gives 30000 more, enough for the new one.
        writeBytes(c(u"Data/big.bin"_s), noise(20000, 3));
        writeDrives(30000 + old.value(u"0603Docs.zip"_s).size() + 5000);
        entries.append(u"big.bin"_s);
        entries.sort();
        break;
    case Fault::UpdateBuildFails:
        if (!mountWorkFolder(u"128k"_s))
            QSKIP("needs root to mount a small tmpfs over the work folder");
        // Yesterday's run built the work archive and copied it; today's data no longer fits.
        QCOMPARE(run({u"4"_s}, u"2026-03-06T14:00:00"_s), 0);
        QVERIFY(QFile::exists(work() + u"/Docs.zip"_s));
        old.insert(u"0603Docs.zip"_s, readBytes(e(u"0603Docs.zip"_s)));
        writeBytes(c(u"Data/big.bin"_s), noise(512 * 1024, 4));
        break;
    case Fault::UpdateArchiveDamaged:
        writeBytes(work() + u"/Docs.zip"_s, QByteArray("PK\3\4 not an archive after all"));
        break;
    case Fault::PasswordNobodyGives:
        break;
    case Fault::PasswordKeyMissing: {
        // Stored with a key this run cannot see (another user's, or deleted since).
        const QString stored = PermanentPassword::encipher(u"perm-pass"_s, m_dir->filePath(u"elsewhere.key"_s));
        QVERIFY(!stored.isEmpty());
        settings += u"[div]\ndateinstall="_s + stored + u'\n';
        break;
    }
    case Fault::WorkFolderNotWritable:
        if (!isRoot())
            QSKIP("drops to the plain user 65534, which needs root");
        // The work folder belongs to root; the run is the plain user's.
        QDir().mkpath(work());
        runAsPlainUser();
        break;
    case Fault::FileLeftOut:
        // A link whose file is gone: listed, then unreadable.
        QVERIFY(QFile::link(c(u"Data/nowhere.txt"_s), c(u"Data/gone.txt"_s)));
        break;
    }
    writeText(m_home + u"/kestrave.ini"_s, settings);
    QFile::remove(m_home + u"/kestrave.log"_s);

    QCOMPARE(run({u"4"_s}, u"2026-03-07T14:03:05"_s, script), 0);

    QCOMPARE(QDir(e(u""_s)).entryList(QDir::Files, QDir::Name), remaining);
    for (const QString& name : remaining) {
        if (old.contains(name))
            QCOMPARE(readBytes(e(name)), old.value(name));
    }
    if (remaining.contains(u"0703Docs.zip"_s))
        QCOMPARE(archiveNames(e(u"0703Docs.zip"_s), true), entries);
    const QString text = log();
    for (const QString& line : logLines)
        QVERIFY2(text.contains(line), qPrintable(line + u"\n--- log:\n"_s + text));
    const bool ok = text.contains(u"-DATA saving finished : Ok"_s);
    QCOMPARE(ok, fault == Fault::PurgeMakesRoom);
    if (fault == Fault::UpdateBuildFails)
        QVERIFY(!archiveNames(work() + u"/Docs.zip"_s, true).isEmpty()); // yesterday's work archive intact
}

// ------------------------------------------------------------------------------------------

void TestKestraveFailedRuns::runsAtOnce()
{
    // Three queries, three archives, one program folder. The second and third start while the
    // first is writing its temporary file in the work folder.
    writeBytes(c(u"One/big.bin"_s), noise(48 * 1024 * 1024, 21));
    writeBytes(c(u"Two/two.txt"_s), noise(300000, 22));
    writeBytes(c(u"Three/three.txt"_s), QByteArray("third line of text\n").repeated(400000));
    writeText(m_home + u"/kestrave.ini"_s,
              u"[general]\ntimeoutsec=1\n"
              u"[1]\ndata=C:\\One\narch=One\ndest=E:\\\nupdate=0\n"
              u"[2]\ndata=C:\\Two\narch=Two\ndest=E:\\\nupdate=0\n"
              u"[3]\ndata=C:\\Three\narch=Three\ndest=E:\\\nupdate=0\n"_s);
    QDir().mkpath(work());

    QProcess* first = start({u"1"_s});
    QVERIFY(first->waitForStarted(10000));
    QElapsedTimer clock;
    clock.start();
    bool ended = false;
    // The work archive is written to a hidden temporary file beside it (".One.zip.PID.XXXXXX").
    while (QDir(work()).entryList({u".One.zip.*"_s}, QDir::Files | QDir::Hidden).isEmpty() && clock.elapsed() < 60000
           && !ended)
        ended = first->waitForFinished(1);
    QVERIFY2(!ended, qPrintable(u"the first run ended before the others could start\n"_s + log()));
    QProcess* second = start({u"2"_s});
    QProcess* third = start({u"3"_s});
    QCOMPARE(finish(first), 0);
    QCOMPARE(finish(second), 0);
    QCOMPARE(finish(third), 0);

    QCOMPARE(archiveNames(e(u"0703One.zip"_s), true), QStringList{u"One/big.bin"_s});
    QCOMPARE(archiveNames(e(u"0703Two.zip"_s), true), QStringList{u"Two/two.txt"_s});
    QCOMPARE(archiveNames(e(u"0703Three.zip"_s), true), QStringList{u"Three/three.txt"_s});
}

void TestKestraveFailedRuns::sameArchiveWaits()
{
    // Another run holds the work archive "Docs": this run may not touch it until it is free.
    writeText(m_home + u"/kestrave.ini"_s,
              u"[general]\ntimeoutsec=1\n[4]\ndata=C:\\Data\narch=Docs\ndest=E:\\\nupdate=0\n"_s);
    QDir().mkpath(work());
    writeBytes(work() + u"/Docs.zip"_s, QByteArray("the other run's archive in the making"));
    auto other = std::make_unique<WorkArchiveLock>();
    QVERIFY(other->acquire(work(), u"Docs"_s, {}, {}, {}));

    QProcess* p = start({u"4"_s});
    QVERIFY(p->waitForStarted(10000));
    QVERIFY2(!p->waitForFinished(4000), "the run did not wait for the work archive");
    QCOMPARE(readBytes(work() + u"/Docs.zip"_s), QByteArray("the other run's archive in the making"));
    QVERIFY(!QFile::exists(e(u"0703Docs.zip"_s)));

    other.reset();
    QCOMPARE(finish(p), 0);
    QCOMPARE(archiveNames(e(u"0703Docs.zip"_s), true), (QStringList{u"Data/Sub/c.txt"_s, u"Data/a.txt"_s}));
    QVERIFY(log().contains(u"-Another run is building Docs in the work folder: waiting for it to end..."_s));
}

// ------------------------------------------------------------------------------------------

void TestKestraveFailedRuns::workFolderFillLevels()
{
    // A 1 MiB work folder filled to 30 levels; the new archive needs about 600 KiB. Whatever the
    // level, the old archives stay unless today's complete archive is on the destination.
    if (!mountWorkFolder(u"1m"_s))
        QSKIP("needs root to mount a small tmpfs over the work folder");
    writeBytes(c(u"Data/big.bin"_s), noise(600 * 1024, 7));
    writeText(m_home + u"/kestrave.ini"_s, u"[general]\ntimeoutsec=1\n[4]\ndata=C:\\Data\narch=Docs\ndest=E:\\\n"
                                          u"storepath=0\nsubdir=1\nmaxfile=2\nupdate=0\n"_s);
    const QStringList entries{u"Sub/c.txt"_s, u"a.txt"_s, u"big.bin"_s};
    int failed = 0;
    int built = 0;
    for (int level = 0; level < 30; ++level) {
        QDir(e(u""_s)).removeRecursively();
        QDir().mkpath(e(u""_s));
        const QHash<QString, QByteArray> old = placeOldArchives();
        QFile::remove(work() + u"/filler"_s);
        QFile::remove(work() + u"/Docs.zip"_s); // the last level's work archive
        QFile::remove(m_home + u"/kestrave.log"_s);
        writeBytes(work() + u"/filler"_s, QByteArray(level * 1024 * 1024 / 30, 'f'));
        QCOMPARE(run({u"4"_s}), 0);

        const QString text = log();
        const QString where = u"level %1/30\n"_s.arg(level) + text;
        if (QFile::exists(e(u"0703Docs.zip"_s))) {
            ++built;
            QVERIFY2(archiveNames(e(u"0703Docs.zip"_s), true) == entries, qPrintable(where));
            QVERIFY2(text.contains(u"-DATA saving finished : Ok"_s), qPrintable(where));
            QCOMPARE(readBytes(e(u"0603Docs.zip"_s)), old.value(u"0603Docs.zip"_s));
        } else {
            ++failed;
            for (auto it = old.cbegin(); it != old.cend(); ++it)
                QVERIFY2(readBytes(e(it.key())) == it.value(), qPrintable(it.key() + u" lost at "_s + where));
            QVERIFY2(text.contains(u"Disk full: not enough free space to write"_s), qPrintable(where));
            QVERIFY2(text.contains(u"NOT built: nothing is copied and the old archives are kept."_s),
                     qPrintable(where));
            QVERIFY2(!text.contains(u"-DATA saving finished : Ok"_s), qPrintable(where));
        }
        QVERIFY2(writerLeftovers(work()).isEmpty(), qPrintable(where));
    }
    qInfo("fill levels: %d built, %d failed with the old archives intact", built, failed);
    QVERIFY(built > 0);
    QVERIFY(failed > 0);
}

void TestKestraveFailedRuns::killedRuns()
{
    // Runs killed at 20 moments spread over a whole run: the destination never holds a partial
    // archive, the old archives survive unless today's complete one is there, and the next run
    // succeeds.
    writeBytes(c(u"Data/big.txt"_s), QByteArray("a line of text that compresses well enough\n").repeated(400000));
    writeBytes(c(u"Data/noise.bin"_s), noise(4 * 1024 * 1024, 9));
    writeText(m_home + u"/kestrave.ini"_s, u"[general]\ntimeoutsec=1\n[4]\ndata=C:\\Data\narch=Docs\ndest=E:\\\n"
                                          u"storepath=0\nsubdir=1\nmaxfile=2\nupdate=1\n"_s);
    const QStringList entries{u"Sub/c.txt"_s, u"a.txt"_s, u"big.txt"_s, u"noise.bin"_s};

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run({u"4"_s}, u"2026-03-06T14:00:00"_s), 0);
    const qint64 whole = clock.elapsed();
    QCOMPARE(archiveNames(e(u"0603Docs.zip"_s), true), entries);

    int intact = 0;
    for (int trial = 0; trial < 20; ++trial) {
        QDir(e(u""_s)).removeRecursively();
        QDir().mkpath(e(u""_s));
        const QHash<QString, QByteArray> old = placeOldArchives();
        // The data changes, so that the update has work to do.
        writeText(c(u"Data/a.txt"_s), u"alpha, trial %1"_s.arg(trial));

        QProcess* p = start({u"4"_s});
        QVERIFY(p->waitForStarted(10000));
        QThread::msleep(quint64(20 + whole * trial / 20));
        ::kill(pid_t(p->processId()), SIGKILL);
        p->waitForFinished();

        const QString where = u"trial %1, killed after %2 ms"_s.arg(trial).arg(20 + whole * trial / 20);
        const bool today = QFile::exists(e(u"0703Docs.zip"_s));
        if (today)
            QVERIFY2(archiveNames(e(u"0703Docs.zip"_s), true) == entries, qPrintable(where));
        QVERIFY2(readBytes(e(u"0603Docs.zip"_s)) == old.value(u"0603Docs.zip"_s), qPrintable(where));
        if (!today)
            QVERIFY2(readBytes(e(u"0503Docs.zip"_s)) == old.value(u"0503Docs.zip"_s), qPrintable(where));
        else
            QVERIFY2(!QFile::exists(e(u"0503Docs.zip"_s)) || readBytes(e(u"0503Docs.zip"_s)) == old.value(u"0503Docs.zip"_s),
                     qPrintable(where));
        for (const QString& name : QDir(e(u""_s)).entryList(QDir::Files))
            QVERIFY2(name.endsWith(u"Docs.zip"_s) || name.startsWith(u"ZipTmp"_s), qPrintable(where + u' ' + name));

        QFile::remove(m_home + u"/kestrave.log"_s);
        QCOMPARE(run({u"4"_s}), 0);
        QVERIFY2(archiveNames(e(u"0703Docs.zip"_s), true) == entries, qPrintable(where));
        QVERIFY2(log().contains(u"-DATA saving finished : Ok"_s), qPrintable(where + u'\n' + log()));
        // The next run's start and copy removed what the killed one left behind.
        QVERIFY2(writerLeftovers(work()).isEmpty(), qPrintable(where));
        QVERIFY2(writerLeftovers(e(u""_s)).isEmpty(), qPrintable(where));
        ++intact;
    }
    qInfo("kill -9 trials: %d of 20 with the old archives intact and the next run good", intact);
}

QTEST_GUILESS_MAIN(TestKestraveFailedRuns)
#include "test_kestrave_failed_runs.moc"
