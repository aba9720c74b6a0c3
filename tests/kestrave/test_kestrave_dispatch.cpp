// Runs the real kestrave executable with each form of its command line on the simulated
// platform, and reads its exit code, standard error, log file and transcript.
#include "RunnerStartup.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 3, 7), QTime(14, 3, 5));

struct RunResult
{
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString standardError;
    qint64 elapsedMs = 0;
};

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

} // namespace

class TestKestraveDispatch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void runs_data();
    void runs();
    void unknownArgumentEnds_data();
    void unknownArgumentEnds();
    void restoreWindowThenEnd();
    void restoreWindowRestoresACutFile();
    void logSettingOffKeepsLogFile();
    void screenSaver_data();
    void screenSaver();

private:
    RunResult run(const QStringList& args, const QStringList& extraEnv = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_home;
    QString m_drive;
};

void TestKestraveDispatch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_home = m_dir->filePath(QStringLiteral("home"));
    m_drive = m_dir->filePath(QStringLiteral("c"));
    QDir().mkpath(m_home);
    QDir().mkpath(m_drive + QStringLiteral("/Jobs"));
    writeText(m_dir->filePath(QStringLiteral("drives.ini")),
              u"[C]\nroot="_s + m_drive + u"\ntype=fixed\n"_s);
    writeText(m_home + QStringLiteral("/kestrave.ini"), u"[general]\ntimeoutsec=1\n"_s);
}

RunResult TestKestraveDispatch::run(const QStringList& args, const QStringList& extraEnv)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KESTRAVE_PLATFORM"), QStringLiteral("simulated"));
    env.insert(QStringLiteral("KESTRAVE_HOME"), m_home);
    env.insert(QStringLiteral("KESTRAVE_DRIVES"), m_dir->filePath(QStringLiteral("drives.ini")));
    env.insert(QStringLiteral("KESTRAVE_NOW"), kNow.toString(Qt::ISODate));
    env.insert(QStringLiteral("KESTRAVE_UNATTENDED"), QStringLiteral("1"));
    env.insert(QStringLiteral("KESTRAVE_TRANSCRIPT"), m_dir->filePath(QStringLiteral("transcript.txt")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString& kv : extraEnv)
        env.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    p.start(qEnvironmentVariable("KSV_BIN_DIR") + QStringLiteral("/kestrave"), args);
    RunResult r;
    if (!p.waitForStarted(10000) || !p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.status = p.exitStatus();
    r.standardError = QString::fromUtf8(p.readAllStandardError());
    r.elapsedMs = timer.elapsed();
    return r;
}

void TestKestraveDispatch::runs_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("header");
    const QString stamp = ksv::RunnerStartup::dateTimeText(kNow);
    const QString dashes = QStringLiteral("------------");
    const QString gap = QStringLiteral("         ");
    QTest::newRow("TOUS") << u"TOUS"_s << dashes + gap + stamp + u" Run ALL Queries. "_s + gap + dashes;
    QTest::newRow("tous") << u"tous"_s << dashes + gap + stamp + u" Run ALL Queries. "_s + gap + dashes;
    QTest::newRow("12") << u"12"_s << dashes + gap + stamp + u" Run query n° : 12"_s + gap + dashes;
    QTest::newRow("07") << u"07"_s << dashes + gap + stamp + u" Run query n° : 07"_s + gap + dashes;
    QTest::newRow("query file") << u"C:\\Jobs\\daily.ksv"_s
                                << dashes + u" "_s + stamp + u" Run KSV file : C:\\Jobs\\daily.ksv "_s + dashes;
    QTest::newRow("query file, long form") << u"c:\\jobs\\Daily.ksv"_s
                                           << dashes + u" "_s + stamp + u" Run KSV file : C:\\Jobs\\Daily.ksv "_s + dashes;
}

void TestKestraveDispatch::runs()
{
    QFETCH(QString, argument);
    QFETCH(QString, header);
    // An earlier log is kept and added to; an interrupted compression's leftovers go.
    writeText(m_home + QStringLiteral("/kestrave.log"), u"earlier run\n"_s);
    writeText(m_home + QStringLiteral("/Sas_Zip/ZipTmp0042.tmp"), u"x"_s);
    writeText(m_home + QStringLiteral("/Sas_Zip/daily.zip"), u"x"_s);

    const RunResult r = run({argument});
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.standardError.trimmed().isEmpty() || !r.standardError.contains(QLatin1String("kestrave:")),
             qPrintable(r.standardError));
    // timeoutsec=1: the run ends by itself through the auto-close timer.
    QVERIFY2(r.elapsedMs >= 900, qPrintable(QString::number(r.elapsedMs)));

    const QStringList lines = readText(m_home + QStringLiteral("/kestrave.log")).split(QLatin1Char('\n'));
    const qsizetype at = lines.indexOf(header);
    QVERIFY2(at > 0, qPrintable(lines.join(QLatin1Char('\n'))));
    QCOMPARE(lines.first(), QStringLiteral("earlier run"));
    QCOMPARE(lines.at(at - 1), QString()); // the header begins with a line break
    const QStringList closing = lines.mid(at + 1).filter(QLatin1String("CLose KESTRAVE"));
    QCOMPARE(closing.size(), 1);
    QVERIFY(closing.first().contains(QLatin1String("14:03:05")));
    QVERIFY(!QFile::exists(m_home + QStringLiteral("/Sas_Zip/ZipTmp0042.tmp")));
    QVERIFY(QFile::exists(m_home + QStringLiteral("/Sas_Zip/daily.zip")));
}

void TestKestraveDispatch::unknownArgumentEnds_data()
{
    QTest::addColumn<QString>("argument");
    QTest::newRow("_rest_a lower case") << u"_rest_a"_s;
    QTest::newRow("path without .KSV") << u"C:\\Jobs\\daily"_s;
    QTest::newRow("word") << u"hello"_s;
}

void TestKestraveDispatch::unknownArgumentEnds()
{
    QFETCH(QString, argument);
    writeText(m_home + QStringLiteral("/kestrave.log"), u"earlier run\n"_s);
    const RunResult r = run({argument});
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.standardError.contains(argument) && r.standardError.contains(QLatin1String("not a valid argument")),
             qPrintable(r.standardError));
    // Nothing ran: no header and no window; it does not wait for the auto-close delay.
    QCOMPARE(readText(m_home + QStringLiteral("/kestrave.log")), QStringLiteral("earlier run\n"));
    QVERIFY2(r.elapsedMs < 900 * 5, qPrintable(QString::number(r.elapsedMs)));
}

void TestKestraveDispatch::restoreWindowThenEnd()
{
    // _REST_A opens the restore window; unattended, with no pieces to restore, it closes and
    // the program ends the normal way.
    writeText(m_home + QStringLiteral("/kestrave.log"), u"earlier run\n"_s);
    const RunResult r = run({QStringLiteral("_REST_A")});
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 0);
    const QString log = readText(m_home + QStringLiteral("/kestrave.log"));
    QVERIFY2(log.startsWith(u"earlier run\n"_s) && log.contains(u"CLose KESTRAVE"_s), qPrintable(log));
    QVERIFY(!log.contains(u"Open KESTRAVE"_s));
}

void TestKestraveDispatch::restoreWindowRestoresACutFile()
{
    // A file cut into pieces the way the cutting window cuts (the container engine without
    // compression, 20,000-byte pieces) lies in C:\Pieces\; the restore window's histories point
    // at that folder and at C:\Restored\. Unattended, "kestrave _REST_A" restores it by itself.
    QByteArray data;
    for (int i = 0; i < 50000; ++i)
        data.append(char((i * 7919) % 251));
    QDir().mkpath(m_drive + QStringLiteral("/Data"));
    QDir().mkpath(m_drive + QStringLiteral("/Pieces"));
    QFile source(m_drive + QStringLiteral("/Data/big.zip"));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write(data);
    source.close();
    QProcess cut;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KESTRAVE_PLATFORM"), QStringLiteral("simulated"));
    env.insert(QStringLiteral("KESTRAVE_DRIVES"), m_dir->filePath(QStringLiteral("drives.ini")));
    cut.setProcessEnvironment(env);
    cut.start(qEnvironmentVariable("KSV_BIN_DIR") + QStringLiteral("/ksvtool"),
              {QStringLiteral("container"), QStringLiteral("backup"), QStringLiteral("--level"), QStringLiteral("none"),
               QStringLiteral("--max-size"), QStringLiteral("20000"), QStringLiteral("--yes"),
               QStringLiteral("C:\\Pieces\\big.001"), QStringLiteral("C:\\Data\\big.zip")});
    QVERIFY(cut.waitForFinished(30000));
    QCOMPARE(cut.exitCode(), 0);
    QVERIFY(QFile::exists(m_drive + QStringLiteral("/Pieces/big.003")));
    QFile::remove(source.fileName());

    writeText(m_home + QStringLiteral("/kestrave.ini"),
              u"[general]\ntimeoutsec=1\n[001dir]\nn0=C:\\Pieces\\\nlast=C:\\Pieces\\\n"
              u"[restoredir]\nn0=C:\\Restored\\\nlast=C:\\Restored\\\n"_s);
    const RunResult r = run({QStringLiteral("_REST_A")});
    QCOMPARE(r.exitCode, 0);
    QFile restored(m_drive + QStringLiteral("/Restored/big.zip"));
    QVERIFY(restored.open(QIODevice::ReadOnly));
    QCOMPARE(restored.readAll(), data);
}

void TestKestraveDispatch::logSettingOffKeepsLogFile()
{
    writeText(m_home + QStringLiteral("/kestrave.ini"), u"[general]\ntimeoutsec=1\nlog=0\n"_s);
    writeText(m_home + QStringLiteral("/kestrave.log"), u"earlier run\n"_s);
    const RunResult r = run({QStringLiteral("12")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(readText(m_home + QStringLiteral("/kestrave.log")), QStringLiteral("earlier run\n"));
}

void TestKestraveDispatch::screenSaver_data()
{
    QTest::addColumn<QString>("allowed");
    QTest::addColumn<QString>("activeAtStart");
    QTest::addColumn<QStringList>("actions");
    QTest::newRow("forbidden, active: off at start, on at quit")
        << u"0"_s << u"1"_s << QStringList{u"act|screensaver|off"_s, u"act|screensaver|on"_s};
    QTest::newRow("forbidden, inactive: nothing switched") << u"0"_s << u"0"_s << QStringList{};
    QTest::newRow("allowed: nothing switched") << u"1"_s << u"1"_s << QStringList{};
}

void TestKestraveDispatch::screenSaver()
{
    QFETCH(QString, allowed);
    QFETCH(QString, activeAtStart);
    QFETCH(QStringList, actions);
    writeText(m_home + QStringLiteral("/kestrave.ini"), u"[general]\ntimeoutsec=1\n[admini]\ns="_s + allowed + u"\n"_s);
    const RunResult r = run({QStringLiteral("TOUS")}, {QStringLiteral("KESTRAVE_SCREENSAVER=") + activeAtStart});
    QCOMPARE(r.exitCode, 0);
    QStringList seen;
    for (const QString& line : readText(m_dir->filePath(QStringLiteral("transcript.txt"))).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("act|screensaver|")))
            seen << line;
    }
    QCOMPARE(seen, actions);
}

QTEST_GUILESS_MAIN(TestKestraveDispatch)
#include "test_kestrave_dispatch.moc"
