// ksvtool zip: exit codes, list format, DOS and native paths, the self-extracting round trip.

#include "ZipTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace ksv;
using namespace ksv::ziptest;
using namespace Qt::StringLiterals;

class TestKsvtoolZip : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_tool;
    QProcessEnvironment m_env;

    Run tool(const QStringList& args, const QByteArray& input = {})
    {
        return run(m_tool, QStringList{u"zip"_s} + args, m_dir.path(), m_env, input);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_tool = qEnvironmentVariable("KSV_BIN_DIR") + u"/ksvtool"_s;
        QVERIFY(QFileInfo(m_tool).isExecutable());
        const QString root = m_dir.filePath(u"c"_s);
        QVERIFY(writeFile(root + u"/Data/a.txt"_s, textData(5000, 1)));
        QVERIFY(writeFile(root + u"/Data/sub/b.txt"_s, textData(3000, 2)));
        QVERIFY(writeFile(root + u"/Data/skip.tmp"_s, "x"));
        QVERIFY(writeFile(m_dir.filePath(u"drives.ini"_s), "[C]\r\nroot=" + root.toUtf8() + "\r\n"));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(u"KESTRAVE_PLATFORM"_s, u"simulated"_s);
        m_env.insert(u"KESTRAVE_DRIVES"_s, m_dir.filePath(u"drives.ini"_s));
        m_env.insert(u"KESTRAVE_HOME"_s, qEnvironmentVariable("KSV_BIN_DIR"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no sub-command") << QStringList{};
        QTest::newRow("unknown sub-command") << QStringList{u"frobnicate"_s};
        QTest::newRow("add without specification") << QStringList{u"add"_s, u"x.zip"_s};
        QTest::newRow("unknown option") << QStringList{u"add"_s, u"--fast"_s, u"x.zip"_s, u"*.*"_s};
        QTest::newRow("level out of range") << QStringList{u"add"_s, u"--level"_s, u"12"_s, u"x.zip"_s, u"*.*"_s};
        QTest::newRow("value missing") << QStringList{u"extract"_s, u"x.zip"_s, u"out"_s, u"--password"_s};
    }

    void usageErrors()
    {
        QFETCH(QStringList, args);
        const Run r = tool(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("ksvtool zip add"));
    }

    void helpAndRoundTrip()
    {
        const Run help = tool({u"--help"_s});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("ksvtool zip unsfx"));

        // DOS paths through the drive table
        Run r = tool({u"add"_s, u"--recurse"_s, u"--dir-names"_s, u"--password"_s, u"pw"_s, u"--exclude"_s, u"*.tmp"_s,
                      u"C:\\t.zip"_s, u"C:\\Data\\*.*"_s});
        QCOMPARE(r.exitCode, 0);
        r = tool({u"list"_s, u"C:\\t.zip"_s});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = QString::fromUtf8(r.out).trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        const QStringList fields = lines.first().split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields[0], u"Data/a.txt"_s);
        QCOMPARE(fields[1], u"5000"_s);
        QVERIFY(fields[2].toLongLong() > 0);
        QVERIFY(QDateTime::fromString(fields[3], u"yyyy-MM-dd hh:mm:ss"_s).isValid());
        QCOMPARE(fields[4], u"*"_s);

        QCOMPARE(tool({u"test"_s, u"--password"_s, u"pw"_s, u"C:\\t.zip"_s}).exitCode, 0);
        QCOMPARE(tool({u"test"_s, u"--password"_s, u"nope"_s, u"C:\\t.zip"_s}).exitCode, 1);

        // native paths work as well
        const QString native = m_dir.filePath(u"c/t.zip"_s);
        r = tool({u"extract"_s, u"--dir-names"_s, u"--password"_s, u"pw"_s, native, m_dir.filePath(u"out"_s)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(readFile(m_dir.filePath(u"out/Data/sub/b.txt"_s)), textData(3000, 2));

        const QByteArray zipBytes = readFile(native);
        QCOMPARE(tool({u"sfx"_s, u"--caption"_s, u"Setup"_s, u"--options"_s, u"34"_s, u"C:\\t.zip"_s}).exitCode, 0);
        QVERIFY(!QFileInfo::exists(native));
        QCOMPARE(tool({u"unsfx"_s, u"C:\\t.exe"_s}).exitCode, 0);
        QCOMPARE(readFile(native), zipBytes);

        QCOMPARE(tool({u"delete"_s, u"C:\\t.zip"_s, u"*/sub/*"_s}).exitCode, 0);
        QCOMPARE(tool({u"list"_s, u"C:\\t.zip"_s}).out.count('\n'), 1);
        QCOMPARE(tool({u"copy"_s, u"C:\\t.zip"_s, u"C:\\missing\\t.zip"_s}).exitCode, 1);
        QCOMPARE(tool({u"test"_s, u"C:\\Data\\a.txt"_s}).exitCode, 1);
    }

    // A pipe in the data folder is passed over without waiting for a writer; a link whose target
    // is gone is named on the error output; the add still writes the other files.
    void addPassesOverPipesAndBrokenLinks()
    {
        const QString folder = m_dir.filePath(u"c/Pipes"_s);
        QVERIFY(writeFile(folder + u"/keep.txt"_s, textData(2000, 3)));
        QVERIFY(::mkfifo(QFile::encodeName(folder + u"/pipe"_s).constData(), 0600) == 0);
        QVERIFY(QFile::link(folder + u"/nothing.txt"_s, folder + u"/broken.txt"_s));
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.setWorkingDirectory(m_dir.path());
        process.start(m_tool, {u"zip"_s, u"add"_s, u"C:\\p.zip"_s, u"C:\\Pipes\\*.*"_s});
        process.closeWriteChannel();
        const bool finished = process.waitForFinished(30000);
        if (!finished) {
            process.kill();
            process.waitForFinished();
        }
        QVERIFY2(finished, "the add waited on the pipe");
        QCOMPARE(process.exitCode(), 1); // a file was left out, though the others were stored
        QVERIFY(process.readAllStandardError().contains("C:\\Pipes\\broken.txt"));
        const QStringList lines = QString::fromUtf8(tool({u"list"_s, u"C:\\p.zip"_s}).out).trimmed().split(u'\n');
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().startsWith(u"keep.txt\t"_s));
    }

    // A password comes from a file or standard input as well as from the command line (where
    // every user can read it); an empty one is refused instead of writing a plain archive.
    void passwordSources_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("message"); // on the error output when refused
        QTest::newRow("file") << QStringList{u"--password-file"_s, u"pw.txt"_s} << QByteArray() << 0 << QByteArray();
        QTest::newRow("standard input") << QStringList{u"--password-file"_s, u"-"_s} << QByteArray("s3cret pass\r\nignored\n")
                                        << 0 << QByteArray();
        QTest::newRow("command line") << QStringList{u"--password"_s, u"s3cret pass"_s} << QByteArray() << 0 << QByteArray();
        QTest::newRow("empty on the command line") << QStringList{u"--password"_s, QString()} << QByteArray() << 2
                                                   << QByteArray("the password is empty");
        QTest::newRow("empty file") << QStringList{u"--password-file"_s, u"empty.txt"_s} << QByteArray() << 2
                                    << QByteArray("holds no password");
        QTest::newRow("empty standard input") << QStringList{u"--password-file"_s, u"-"_s} << QByteArray("\n") << 2
                                              << QByteArray("holds no password");
        QTest::newRow("missing file") << QStringList{u"--password-file"_s, u"none.txt"_s} << QByteArray() << 2
                                      << QByteArray("cannot read the password file none.txt");
        QTest::newRow("both") << QStringList{u"--password"_s, u"a"_s, u"--password-file"_s, u"pw.txt"_s} << QByteArray() << 2
                              << QByteArray("not both");
    }
    void passwordSources()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, message);
        QVERIFY(writeFile(m_dir.filePath(u"pw.txt"_s), "s3cret pass\n"));
        QVERIFY(writeFile(m_dir.filePath(u"empty.txt"_s), ""));
        const QString archive = m_dir.filePath(u"c/pw.zip"_s);
        QFile::remove(archive);
        const Run r = tool(QStringList{u"add"_s} + options + QStringList{u"C:\\pw.zip"_s, u"C:\\Data\\a.txt"_s}, input);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode != 0) {
            QVERIFY2(r.err.contains(message), r.err.constData());
            QVERIFY(!QFileInfo::exists(archive));
            return;
        }
        QCOMPARE(tool({u"list"_s, u"C:\\pw.zip"_s}).out.trimmed().split('\t').value(4), QByteArray("*"));
        QCOMPARE(tool({u"test"_s, u"--password-file"_s, u"pw.txt"_s, u"C:\\pw.zip"_s}).exitCode, 0);
        QCOMPARE(tool({u"test"_s, u"--password"_s, u"s3cret"_s, u"C:\\pw.zip"_s}).exitCode, 1);
        const Run help = tool({u"--help"_s});
        QVERIFY(help.out.contains("--password-file FILE"));
        QVERIFY(help.out.contains("visible to every user"));
    }

    // Converting never replaces an unrelated file at the target unless asked to.
    void conversionsKeepExistingTargets()
    {
        QCOMPARE(tool({u"add"_s, u"C:\\u.zip"_s, u"C:\\Data\\a.txt"_s}).exitCode, 0);
        const QString zipPath = m_dir.filePath(u"c/u.zip"_s);
        const QString exePath = m_dir.filePath(u"c/u.exe"_s);
        const QByteArray zipBytes = readFile(zipPath);

        QVERIFY(writeFile(exePath, "someone else's program"));
        Run r = tool({u"sfx"_s, u"C:\\u.zip"_s});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("C:\\u.exe already exists"));
        QCOMPARE(readFile(exePath), QByteArray("someone else's program"));
        QCOMPARE(readFile(zipPath), zipBytes);
        QCOMPARE(tool({u"sfx"_s, u"--force"_s, u"C:\\u.zip"_s}).exitCode, 0);
        QVERIFY(!QFileInfo::exists(zipPath));
        const QByteArray exeBytes = readFile(exePath);
        QVERIFY(exeBytes.size() > zipBytes.size());

        QVERIFY(writeFile(zipPath, "someone else's archive"));
        r = tool({u"unsfx"_s, u"C:\\u.exe"_s});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("C:\\u.zip already exists"));
        QCOMPARE(readFile(zipPath), QByteArray("someone else's archive"));
        QCOMPARE(readFile(exePath), exeBytes);
        QCOMPARE(tool({u"unsfx"_s, u"--force"_s, u"C:\\u.exe"_s}).exitCode, 0);
        QCOMPARE(readFile(zipPath), zipBytes);
        QVERIFY(!QFileInfo::exists(exePath));

        const Run help = tool({u"--help"_s});
        QVERIFY(help.out.contains("[--force] ARCHIVE"));
    }
};

QTEST_GUILESS_MAIN(TestKsvtoolZip)
#include "tst_ksvtoolzip.moc"
