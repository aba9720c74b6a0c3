// End-to-end tests of "ksvtool container": the real executable on the simulated platform.
#include "ContainerBytes.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestContainerTool : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    QString path(const QString& rel) const { return m_dir->path() + QLatin1Char('/') + rel; }

    Run ksvtool(const QStringList& args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KESTRAVE_DRIVES"), path(QStringLiteral("drives.ini")));
        env.insert(QStringLiteral("KESTRAVE_TRANSCRIPT"), path(QStringLiteral("transcript.txt")));
        env.insert(QStringLiteral("KESTRAVE_UNATTENDED"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_dir->path());
        p.start(qEnvironmentVariable("KSV_BIN_DIR") + QLatin1String("/ksvtool"), QStringList{QStringLiteral("container")} + args);
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    QProcessEnvironment toolEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KESTRAVE_DRIVES"), path(QStringLiteral("drives.ini")));
        env.insert(QStringLiteral("KESTRAVE_TRANSCRIPT"), path(QStringLiteral("transcript.txt")));
        env.insert(QStringLiteral("KESTRAVE_UNATTENDED"), QStringLiteral("1"));
        return env;
    }

    // Starts ksvtool container and kills it with SIGKILL after delayMs (unless it ended first).
    // Returns whether it was still running when killed.
    bool runAndKill(const QStringList& args, int delayMs) const
    {
        QProcess p;
        p.setProcessEnvironment(toolEnvironment());
        p.setWorkingDirectory(m_dir->path());
        p.start(qEnvironmentVariable("KSV_BIN_DIR") + QLatin1String("/ksvtool"), QStringList{QStringLiteral("container")} + args);
        if (!p.waitForStarted(10000))
            return false;
        const bool ended = p.waitForFinished(delayMs);
        if (!ended)
            p.kill();
        p.waitForFinished(10000);
        return !ended;
    }
    // How long a run takes in ms.
    qint64 timedRun(const QStringList& args) const
    {
        QElapsedTimer timer;
        timer.start();
        const Run run = ksvtool(args);
        if (run.exitCode != 0)
            qWarning() << run.err;
        return run.exitCode == 0 ? timer.elapsed() : -1;
    }
    // The regular files below a folder (relative name -> content), hidden temporary files apart.
    static QMap<QString, QByteArray> filesIn(const QString& folder)
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            files.insert(QDir(folder).relativeFilePath(file), readFile(file));
        }
        return files;
    }
    static QByteArray randomData(qsizetype n, quint32 seed)
    {
        QByteArray b(n, Qt::Uninitialized);
        QRandomGenerator gen(seed);
        for (qsizetype i = 0; i < n; ++i)
            b[i] = char(gen.bounded(256));
        return b;
    }

    static void writeFile(const QString& file, const QByteArray& data)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    static QByteArray readFile(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir(m_dir->path()).mkpath(QStringLiteral("c"));
        QDir(m_dir->path()).mkpath(QStringLiteral("e"));
        writeFile(path(QStringLiteral("drives.ini")),
                  QStringLiteral("[C]\nroot=%1\n[E]\nroot=%2\n").arg(path(QStringLiteral("c")), path(QStringLiteral("e"))).toUtf8());
    }

    void backupListRestoreWithNativePaths()
    {
        QByteArray big(70000, '\0');
        for (int i = 0; i < big.size(); ++i)
            big[i] = char((i * 7919) % 251);
        writeFile(path(QStringLiteral("c/data/sub/big.bin")), big);
        writeFile(path(QStringLiteral("c/data/a.txt")), "alpha");
        const Run backup = ksvtool({QStringLiteral("backup"), QStringLiteral("--max-size"), QStringLiteral("30000"),
                                    QStringLiteral("--level"), QStringLiteral("none"), QStringLiteral("--title"),
                                    QStringLiteral("Nightly"), QStringLiteral("--yes"), path(QStringLiteral("e/set.001")),
                                    path(QStringLiteral("c/data/*.*")) + QLatin1String(" /s")});
        QCOMPARE(backup.exitCode, 0);
        QVERIFY(QFileInfo::exists(path(QStringLiteral("e/set.003"))));

        const Run list = ksvtool({QStringLiteral("list"), QStringLiteral("E:\\set.001")});
        QCOMPARE(list.exitCode, 0);
        const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QStringLiteral("title: Nightly"));
        QCOMPARE(lines.at(1), QStringLiteral("total size: 70005"));
        QCOMPARE(lines.at(2), QStringLiteral("file count: 2"));
        QVERIFY(lines.at(3).startsWith(QLatin1String("c:\\data\\sub\\big.bin\t")));
        QVERIFY(lines.at(3).endsWith(QLatin1String("\t70000")));
        QVERIFY(lines.at(4).endsWith(QLatin1String("\t5")));

        const Run restore = ksvtool({QStringLiteral("restore"), QStringLiteral("--yes"), path(QStringLiteral("e/set.001")),
                                     path(QStringLiteral("out"))});
        QCOMPARE(restore.exitCode, 0);
        QCOMPARE(readFile(path(QStringLiteral("out/big.bin"))), big);
        QCOMPARE(readFile(path(QStringLiteral("out/a.txt"))), QByteArray("alpha"));

        // Without --yes the dialogs service asks; unattended, the answer is Cancel.
        QFile::remove(path(QStringLiteral("out/big.bin")));
        const Run asked = ksvtool({QStringLiteral("restore"), QStringLiteral("E:\\set.001"), QStringLiteral("E:\\out2")});
        QCOMPARE(asked.exitCode, 1);
        QVERIFY(readFile(path(QStringLiteral("transcript.txt"))).contains("Please insert disk 2 and click OK to continue."));

        // A missing volume with --yes stops instead of asking forever.
        QFile::remove(path(QStringLiteral("e/set.002")));
        const Run missing = ksvtool({QStringLiteral("restore"), QStringLiteral("--yes"), QStringLiteral("E:\\set.001"),
                                     QStringLiteral("E:\\out3")});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY2(missing.err.contains(QLatin1String("volume 2 is missing")), qPrintable(missing.err));
    }

    // kill -9 at any moment of a backup over an older container of the same name: afterwards
    // the container restores to the old files or to the new ones, whole.
    void killDuringBackup()
    {
        const QString setA = path(QStringLiteral("c/a")), setB = path(QStringLiteral("c/b"));
        for (int i = 0; i < 6; ++i) {
            writeFile(setA + QStringLiteral("/f%1.bin").arg(i), randomData(300000, quint32(100 + i)));
            writeFile(setB + QStringLiteral("/f%1.bin").arg(i), randomData(350000, quint32(200 + i)));
        }
        const auto backupOf = [&](const QString& folder) {
            return QStringList{QStringLiteral("backup"), QStringLiteral("--yes"), QStringLiteral("--level"),
                               QStringLiteral("fastest"), QStringLiteral("--max-size"), QStringLiteral("400000"),
                               path(QStringLiteral("e/k.001")), folder + QLatin1String("/*.*")};
        };
        const qint64 duration = timedRun(backupOf(setA));
        QVERIFY(duration >= 0);
        QMap<QString, QByteArray> held = filesIn(setA);
        QRandomGenerator gen(7);
        int killed = 0, keptOld = 0, becameNew = 0;
        for (int trial = 0; trial < 20; ++trial) {
            const QString next = held == filesIn(setA) ? setB : setA;
            if (runAndKill(backupOf(next), int(gen.bounded(qint64(duration) * 6 / 5 + 1))))
                ++killed;
            const QString out = path(QStringLiteral("check%1").arg(trial));
            const Run restore = ksvtool({QStringLiteral("restore"), QStringLiteral("--yes"), path(QStringLiteral("e/k.001")), out});
            QVERIFY2(restore.exitCode == 0, qPrintable(QStringLiteral("trial %1: %2").arg(trial).arg(restore.err)));
            const QMap<QString, QByteArray> now = filesIn(out);
            QVERIFY2(now == held || now == filesIn(next), qPrintable(QStringLiteral("trial %1: a mixed container").arg(trial)));
            if (now == held) {
                ++keptOld;
            } else {
                ++becameNew;
                held = now;
            }
            QDir(out).removeRecursively();
        }
        qInfo("kill -9 during backup: %d of 20 runs killed; afterwards %d kept the old container, %d held the new one, "
              "every one restored whole",
              killed, keptOld, becameNew);
        QVERIFY(killed >= 5); // under load a run may end before its kill
    }

    // kill -9 at any moment of a restore over existing files: each file is the old one or the
    // restored one, whole.
    void killDuringRestore()
    {
        QMap<QString, QByteArray> fresh;
        for (int i = 0; i < 6; ++i) {
            const QString name = QStringLiteral("f%1.bin").arg(i);
            fresh.insert(name, randomData(350000, quint32(300 + i)));
            writeFile(path(QStringLiteral("c/src/") + name), fresh.value(name));
        }
        const Run backup = ksvtool({QStringLiteral("backup"), QStringLiteral("--yes"), QStringLiteral("--max-size"),
                                    QStringLiteral("500000"), path(QStringLiteral("e/r.001")), path(QStringLiteral("c/src/*.*"))});
        QCOMPARE(backup.exitCode, 0);
        const QStringList restoreArgs{QStringLiteral("restore"), QStringLiteral("--yes"), path(QStringLiteral("e/r.001")),
                                      path(QStringLiteral("e/out"))};
        const auto putOldFiles = [&] {
            for (auto it = fresh.cbegin(); it != fresh.cend(); ++it)
                writeFile(path(QStringLiteral("e/out/")) + it.key(), "old " + it.key().toUtf8());
        };
        putOldFiles();
        const qint64 duration = timedRun(restoreArgs);
        QVERIFY(duration >= 0);
        QRandomGenerator gen(11);
        int killed = 0, oldFiles = 0, newFiles = 0;
        for (int trial = 0; trial < 20; ++trial) {
            putOldFiles();
            if (runAndKill(restoreArgs, int(gen.bounded(qint64(duration) * 6 / 5 + 1))))
                ++killed;
            const QMap<QString, QByteArray> now = filesIn(path(QStringLiteral("e/out")));
            QCOMPARE(now.keys(), fresh.keys());
            for (auto it = now.cbegin(); it != now.cend(); ++it) {
                if (it.value() == fresh.value(it.key())) {
                    ++newFiles;
                } else {
                    QCOMPARE(it.value(), "old " + it.key().toUtf8());
                    ++oldFiles;
                }
            }
        }
        qInfo("kill -9 during restore: %d of 20 runs killed; %d files found old, %d restored whole, none partial",
              killed, oldFiles, newFiles);
        QVERIFY(killed >= 5);
    }

    // A continuation marker that leads back to an earlier volume ends list and restore with an
    // error instead of going round for ever.
    void continuationLeadingBackEnds()
    {
        writeFile(path(QStringLiteral("e/loop.001")),
                  ContainerBytes().header("", 9, 1).entry("c:\\a.txt", 1).storedSegment("abc").nextDisk("002").bytes());
        writeFile(path(QStringLiteral("e/loop.002")), ContainerBytes().storedSegment("def").nextDisk("003").bytes());
        writeFile(path(QStringLiteral("e/loop.003")), ContainerBytes().storedSegment("ghi").nextDisk("002").bytes());
        const Run list = ksvtool({QStringLiteral("list"), QStringLiteral("E:\\loop.001")});
        QCOMPARE(list.exitCode, 1);
        QVERIFY2(list.err.contains(QLatin1String("Invalid archive type")), qPrintable(list.err));
        writeFile(path(QStringLiteral("e/out/a.txt")), "kept");
        const Run restore = ksvtool({QStringLiteral("restore"), QStringLiteral("--yes"), QStringLiteral("E:\\loop.001"),
                                     QStringLiteral("E:\\out")});
        QCOMPARE(restore.exitCode, 1);
        QVERIFY2(restore.err.contains(QLatin1String("Invalid archive type")), qPrintable(restore.err));
        QVERIFY2(restore.err.contains(QLatin1String("not restored (incomplete")), qPrintable(restore.err));
        QCOMPARE(readFile(path(QStringLiteral("e/out/a.txt"))), QByteArray("kept"));
    }

    void failuresAndUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no sub-command") << QStringList{} << 2 << "missing sub-command";
        QTest::newRow("unknown sub-command") << QStringList{QStringLiteral("split")} << 2 << "unknown sub-command";
        QTest::newRow("bad level") << QStringList{QStringLiteral("backup"), QStringLiteral("--level"), QStringLiteral("turbo"),
                                                  QStringLiteral("E:\\x.001"), QStringLiteral("C:\\*.*")}
                                   << 2 << "--level";
        QTest::newRow("bad size") << QStringList{QStringLiteral("backup"), QStringLiteral("--max-size"), QStringLiteral("1e3"),
                                                 QStringLiteral("E:\\x.001"), QStringLiteral("C:\\*.*")}
                                  << 2 << "--max-size";
        QTest::newRow("backup without spec") << QStringList{QStringLiteral("backup"), QStringLiteral("E:\\x.001")} << 2 << "SPEC";
        QTest::newRow("spec outside the drives")
            << QStringList{QStringLiteral("backup"), QStringLiteral("E:\\x.001"), QStringLiteral("/proc/nowhere/*.*")} << 2 << "/proc/nowhere";
        QTest::newRow("size refused by the engine")
            << QStringList{QStringLiteral("backup"), QStringLiteral("--max-size"), QStringLiteral("16484"),
                           QStringLiteral("E:\\x.001"), QStringLiteral("C:\\*.*")}
            << 1 << "16484";
        QTest::newRow("bad restore mode") << QStringList{QStringLiteral("restore"), QStringLiteral("--restore-mode"),
                                                         QStringLiteral("some"), QStringLiteral("E:\\x.001")}
                                          << 2 << "--restore-mode";
        QTest::newRow("missing source") << QStringList{QStringLiteral("restore"), QStringLiteral("E:\\none.001")} << 1 << "does not exist";
        QTest::newRow("damaged container") << QStringList{QStringLiteral("restore"), QStringLiteral("E:\\bad.001"), QStringLiteral("E:\\r")}
                                           << 1 << "Invalid archive type";
        QTest::newRow("damaged container listed") << QStringList{QStringLiteral("list"), QStringLiteral("E:\\bad.001")} << 1
                                                  << "Invalid archive type";
    }
    void failuresAndUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        writeFile(path(QStringLiteral("e/bad.001")), ContainerBytes().header("", 1, 1).i32(-9).bytes());
        const Run run = ksvtool(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    void help()
    {
        const Run run = ksvtool({QStringLiteral("--help")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains(QLatin1String("ksvtool container backup")));
        QVERIFY(run.out.contains(QLatin1String("ksvtool container list SOURCE")));
    }
};

QTEST_GUILESS_MAIN(TestContainerTool)
#include "test_container_tool.moc"
