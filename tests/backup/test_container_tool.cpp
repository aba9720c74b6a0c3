// End-to-end tests of "ksvtool container": the real executable on the simulated platform.
#include "ContainerBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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
