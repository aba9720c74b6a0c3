// The settings file and the log of the real kestrave executable under a full disk, kill -9 and
// runs at the same time: each file is always either the old one or a complete new one, a file
// that could not be saved is reported, and runs sharing the log keep each other's lines.
#include "IniDocument.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>
#include <vector>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ksv;

namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

bool runCommand(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

const QByteArray kDigest("4F1A0C77 9B2D3E10 55AA01FF 12345678 9ABCDEF0");

// The settings a user has built up: numbered queries and the administrator digest.
QByteArray oldSettings()
{
    QByteArray ini = "[general]\r\ntimeoutsec=1\r\nlogline=100000\r\nwav=0\r\n[admini]\r\npassw=" + kDigest + "\r\nl=0\r\n";
    int n = 0;
    for (const char* name : {"One", "Two", "Three"}) {
        ++n;
        ini += "[" + QByteArray::number(n) + "]\r\ndata=C:\\" + name + "\r\nfilter=*.*\r\narch=" + name +
               "\r\ndest=E:\\\r\nnote=Donn\xC3\xA9" "es " + name + "\r\n";
    }
    return ini;
}

QByteArray oldLog()
{
    QByteArray log;
    for (int i = 1; i <= 400; ++i)
        log += "old line " + QByteArray::number(i) + " of the runs before\n";
    return log;
}

// Every line of old appears in current, in the same order (edits only add and change keys the
// runner writes, never ones the fixture holds).
bool keepsEveryLine(const QByteArray& old, const QByteArray& current)
{
    const QList<QByteArray> oldLines = old.split('\n');
    const QList<QByteArray> lines = current.split('\n');
    qsizetype at = 0;
    for (const QByteArray& line : oldLines) {
        while (at < lines.size() && lines.at(at) != line)
            ++at;
        if (at == lines.size())
            return false;
        ++at;
    }
    return true;
}

// The settings file is the old one or a complete new one holding all the old content.
QString settingsVerdict(const QByteArray& old, const QByteArray& now)
{
    if (now == old)
        return u"old"_s;
    if (!now.endsWith("\r\n") || !keepsEveryLine(old, now))
        return u"DAMAGED"_s;
    const IniDocument doc = IniDocument::fromBytes(now);
    if (doc.readString(u"admini"_s, u"passw"_s).toUtf8() != kDigest || doc.readString(u"1"_s, u"note"_s) != u"Données One"_s)
        return u"DAMAGED"_s;
    return u"new"_s;
}

// The log is the old one or the old one followed by one whole run, which ends with the closing
// header.
QString logVerdict(const QByteArray& old, const QByteArray& now)
{
    if (now == old)
        return u"old"_s;
    if (!now.startsWith(old) || !now.endsWith("\n"))
        return u"DAMAGED"_s;
    const QList<QByteArray> lines = now.trimmed().split('\n');
    return lines.last().contains("CLose KESTRAVE") ? u"new"_s : u"DAMAGED"_s;
}

qint64 availableBytes(const QString& folder)
{
    struct statvfs st {};
    if (::statvfs(QFile::encodeName(folder).constData(), &st) != 0)
        return -1;
    return qint64(st.f_bavail) * qint64(st.f_frsize);
}

} // namespace

class TestKestraveDurability : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fullDiskAtThirtyLevels();
    void killedDuringRuns();
    void threeRunsAppendToOneLog();

private:
    QProcessEnvironment environment() const;
    void resetProgramFolder();
    QString leftovers() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_home;
    bool m_mounted = false;
};

void TestKestraveDurability::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_home = m_dir->filePath(u"home"_s);
    QVERIFY(QDir().mkpath(m_home));
    for (const QString& name : {u"One"_s, u"Two"_s, u"Three"_s}) {
        for (int i = 0; i < 20; ++i)
            QVERIFY(writeBytes(m_dir->filePath(u"c/"_s + name + u"/f%1.txt"_s.arg(i)), QByteArray(2000 + i, char('a' + i))));
    }
    QVERIFY(QDir().mkpath(m_dir->filePath(u"e"_s)));
    QVERIFY(writeBytes(m_dir->filePath(u"drives.ini"_s),
                       "[C]\nroot=c\n[E]\nroot=e\n"));
}

void TestKestraveDurability::cleanup()
{
    if (m_mounted)
        runCommand(u"umount"_s, {m_home});
    m_mounted = false;
    m_dir.reset();
}

QProcessEnvironment TestKestraveDurability::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KESTRAVE_PLATFORM"_s, u"simulated"_s);
    env.insert(u"KESTRAVE_HOME"_s, m_home);
    env.insert(u"KESTRAVE_DRIVES"_s, m_dir->filePath(u"drives.ini"_s));
    env.insert(u"KESTRAVE_NOW"_s, u"2026-03-07T14:03:05"_s);
    env.insert(u"KESTRAVE_UNATTENDED"_s, u"1"_s);
    env.insert(u"KESTRAVE_TRANSCRIPT"_s, m_dir->filePath(u"transcript.txt"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    return env;
}

void TestKestraveDurability::resetProgramFolder()
{
    QDir home(m_home);
    for (const QFileInfo& entry : home.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (entry.isDir())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
    QFile::remove(m_dir->filePath(u"transcript.txt"_s));
    QVERIFY(writeBytes(m_home + u"/kestrave.ini"_s, oldSettings()));
    QVERIFY(writeBytes(m_home + u"/kestrave.log"_s, oldLog()));
    ::sync();
}

// Temporary files of the settings or log writers left in the program folder.
QString TestKestraveDurability::leftovers() const
{
    QStringList found;
    for (const QString& name : QDir(m_home).entryList(QDir::Files | QDir::Hidden)) {
        if ((name.startsWith(u".kestrave.ini."_s) || name.startsWith(u".kestrave.log."_s)) && !name.endsWith(u".lock"_s))
            found << name;
    }
    return found.join(u',');
}

void TestKestraveDurability::fullDiskAtThirtyLevels()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small tmpfs needs root");
    if (!runCommand(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=1m"_s, u"ksvtest"_s, m_home}))
        QSKIP("tmpfs could not be mounted here");
    m_mounted = true;

    const QByteArray settings = oldSettings();
    const QByteArray log = oldLog();
    int logKept = 0, logSaved = 0, settingsKept = 0, settingsSaved = 0;
    for (int level = 0; level < 30; ++level) {
        resetProgramFolder();
        // Free room after filling: 0, 3 KiB, ... 87 KiB (the log alone is about 13 KiB).
        const qint64 wanted = qint64(level) * 3 * 1024;
        const qint64 filler = availableBytes(m_home) - wanted;
        if (filler > 0) {
            QFile f(m_home + u"/filler"_s);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(filler, 'f'));
            f.close(); // a short write is fine: the disk is full either way
        }
        const qint64 freeBefore = availableBytes(m_home);

        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(m_dir->path());
        p.start(qEnvironmentVariable("KSV_BIN_DIR") + u"/kestrave"_s, {u"1"_s});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        const QString errors = QString::fromLocal8Bit(p.readAllStandardError());
        const QString transcript = QString::fromUtf8(readBytes(m_dir->filePath(u"transcript.txt"_s)));

        const QString where = u"level %1 (%2 bytes free)"_s.arg(level).arg(freeBefore);
        const QByteArray logNow = readBytes(m_home + u"/kestrave.log"_s);
        const QString logState = logVerdict(log, logNow);
        QVERIFY2(logState != u"DAMAGED"_s, qPrintable(where + u": log of "_s + QString::number(logNow.size()) + u" bytes"_s));
        if (logState == u"old"_s) {
            ++logKept;
            // The failure is said on standard error and through the dialogs service.
            QVERIFY2(errors.contains(u"Cannot save "_s + m_home + u"/kestrave.log: "_s), qPrintable(where + u": "_s + errors));
            QVERIFY2(transcript.contains(u"ask|error|OK|Cannot save "_s) && transcript.contains(u"kestrave.log: "_s),
                     qPrintable(where + u": "_s + transcript));
        } else {
            ++logSaved;
        }
        const QByteArray settingsNow = readBytes(m_home + u"/kestrave.ini"_s);
        const QString settingsState = settingsVerdict(settings, settingsNow);
        QVERIFY2(settingsState != u"DAMAGED"_s, qPrintable(where + u": settings of "_s + QString::number(settingsNow.size()) + u" bytes"_s));
        if (settingsState == u"old"_s) {
            ++settingsKept;
            QVERIFY2(errors.contains(u"Cannot save "_s + m_home + u"/kestrave.ini: "_s), qPrintable(where + u": "_s + errors));
        } else {
            ++settingsSaved;
        }
        QVERIFY2(leftovers().isEmpty(), qPrintable(where + u": "_s + leftovers()));
    }
    qInfo("30 fill levels: log kept old %d / saved new %d, settings kept old %d / saved new %d, none damaged",
          logKept, logSaved, settingsKept, settingsSaved);
    // The levels span both outcomes, so both paths were really taken.
    QVERIFY(logKept > 0 && logSaved > 0);
    QVERIFY(settingsKept > 0 && settingsSaved > 0);
}

void TestKestraveDurability::killedDuringRuns()
{
    const QByteArray settings = oldSettings();
    const QByteArray log = oldLog();
    // How long a whole run takes, so that the kills spread over all of it.
    resetProgramFolder();
    QElapsedTimer clock;
    clock.start();
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(m_dir->path());
        p.start(qEnvironmentVariable("KSV_BIN_DIR") + u"/kestrave"_s, {u"1"_s});
        QVERIFY(p.waitForFinished(60000));
    }
    const qint64 runMs = clock.elapsed();
    QCOMPARE(settingsVerdict(settings, readBytes(m_home + u"/kestrave.ini"_s)), u"new"_s);
    QCOMPARE(logVerdict(log, readBytes(m_home + u"/kestrave.log"_s)), u"new"_s);

    int intact = 0, killedBeforeEnd = 0;
    QStringList outcomes;
    for (int trial = 0; trial < 20; ++trial) {
        resetProgramFolder();
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(m_dir->path());
        p.start(qEnvironmentVariable("KSV_BIN_DIR") + u"/kestrave"_s, {u"1"_s});
        QVERIFY(p.waitForStarted(10000));
        // Half spread over the whole run, half close to its end, where the files are written.
        const qint64 delay = trial < 10 ? runMs * (trial + 1) / 11 : runMs * (85 + 2 * (trial - 10)) / 100;
        QThread::msleep(static_cast<unsigned long>(delay));
        if (p.state() == QProcess::Running)
            ++killedBeforeEnd;
        p.kill(); // SIGKILL
        QVERIFY(p.waitForFinished(10000));
        const QString s = settingsVerdict(settings, readBytes(m_home + u"/kestrave.ini"_s));
        const QString l = logVerdict(log, readBytes(m_home + u"/kestrave.log"_s));
        outcomes << u"ini %1/log %2"_s.arg(s, l);
        QVERIFY2(s != u"DAMAGED"_s && l != u"DAMAGED"_s, qPrintable(u"trial %1: "_s.arg(trial) + outcomes.last()));
        ++intact;
    }
    qInfo("kill -9: %d of 20 trials left both files old or new (%d killed while running; run %lld ms): %s", intact,
          killedBeforeEnd, runMs, qPrintable(outcomes.join(u", "_s)));
    QVERIFY(killedBeforeEnd >= 10);
}

void TestKestraveDurability::threeRunsAppendToOneLog()
{
    resetProgramFolder();
    const QByteArray log = oldLog();
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const QString& query : {u"1"_s, u"2"_s, u"3"_s}) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(environment());
        p->setWorkingDirectory(m_dir->path());
        p->start(qEnvironmentVariable("KSV_BIN_DIR") + u"/kestrave"_s, {query});
        runs.push_back(std::move(p));
    }
    for (auto& p : runs) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    }
    const QByteArray now = readBytes(m_home + u"/kestrave.log"_s);
    QVERIFY(now.startsWith(log));
    const QString added = QString::fromUtf8(now.mid(log.size()));
    for (const QString& query : {u"1"_s, u"2"_s, u"3"_s})
        QVERIFY2(added.contains(u"Run query n° : "_s + query), qPrintable(added));
    for (const QString& folder : {u"One"_s, u"Two"_s, u"Three"_s})
        QVERIFY2(added.contains(u"Inclusion filter : C:\\"_s + folder + u"\\*.*"_s), qPrintable(added));
    QCOMPARE(added.count(u"CLose KESTRAVE"_s), 3);
}

QTEST_GUILESS_MAIN(TestKestraveDurability)
#include "test_kestrave_durability.moc"
