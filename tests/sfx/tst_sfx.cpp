// Self-extracting archives: conversion both ways, and the produced program run in a console
// with scripted answers.

#include "ZipTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ksv;
using namespace ksv::ziptest;
using namespace Qt::StringLiterals;

class TestSfx : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    // src/Data/a.txt, src/Data/b.txt, src/Data/run.sh -> work/arch.zip
    QString makeZip()
    {
        writeFile(path(u"src/Data/a.txt"_s), textData(30000, 1));
        writeFile(path(u"src/Data/b.txt"_s), textData(500, 2));
        writeFile(path(u"src/Data/run.sh"_s), "#!/bin/sh\n");
        QDir().mkpath(path(u"work"_s));
        ZipMaster zip;
        zip.setFileName(path(u"work/arch.zip"_s));
        zip.setAddOptions(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs);
        const QString current = QDir::currentPath();
        QDir::setCurrent(path(u"src"_s));
        zip.setFSpecArgs({u"Data\\*.*"_s});
        const int result = zip.Add();
        QDir::setCurrent(current);
        return result == 0 ? path(u"work/arch.zip"_s) : QString();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { m_dir.reset(); }

    void convertBothWaysIsByteIdentical()
    {
        const QString zipPath = makeZip();
        QVERIFY(!zipPath.isEmpty());
        const QByteArray original = readFile(zipPath);
        ZipMaster zip;
        zip.setFileName(zipPath);
        zip.setSFXCaption(u"Setup"_s);
        zip.setSFXMessage(QChar(2) + u"Go ?"_s);
        zip.setSFXDefaultDir(u"><"_s);
        QCOMPARE(zip.ConvertSFX(), 0);
        const QString exePath = path(u"work/arch.exe"_s);
        QVERIFY(QFileInfo(exePath).isExecutable());
        QVERIFY(!QFileInfo::exists(zipPath));
        QVERIFY(readFile(exePath).startsWith("\x7f" "ELF"));
        if (haveTool(u"unzip"_s)) {
            const Run test = run(u"unzip"_s, {u"-t"_s, exePath});
            QVERIFY2(test.exitCode == 0, test.out.constData());
        }
        // the engine reads the program as an archive, but never rewrites it
        ZipMaster reader;
        reader.setFileName(exePath);
        QCOMPARE(reader.Count(), 3);
        QCOMPARE(reader.Test(), 0);
        QCOMPARE(reader.SuccessCnt(), 3);
        reader.setFSpecArgs({path(u"src/Data/a.txt"_s)});
        QCOMPARE(reader.Add(), ZipCode::WriteError);
        const auto settings = SfxFormat::readSettings(exePath);
        QVERIFY(settings.isOk());
        QCOMPARE(settings->caption, u"Setup"_s);
        QCOMPARE(settings->message, QChar(2) + u"Go ?"_s);

        zip.setFileName(exePath);
        QCOMPARE(zip.ConvertZIP(), 0);
        QCOMPARE(readFile(zipPath), original);
        QVERIFY(!QFileInfo::exists(exePath));
        QVERIFY(temporaryLeftovers(path(u"work"_s)).isEmpty());
    }

    void zip64EndRecordsAreMovedToo()
    {
        if (!haveTool(u"python3"_s) || !haveTool(u"unzip"_s))
            QSKIP("python3 or unzip missing");
        // More than 65535 entries: the archive needs the ZIP64 end records.
        const QString zipPath = path(u"many.zip"_s);
        const Run made = run(u"python3"_s, {u"-c"_s,
                                            u"import sys,zipfile\nz=zipfile.ZipFile(sys.argv[1],'w')\n"
                                            "for i in range(66000): z.writestr('f%d.txt'%i, 'x')\nz.close()"_s,
                                            zipPath});
        QCOMPARE(made.exitCode, 0);
        const QByteArray original = readFile(zipPath);
        ZipMaster zip;
        zip.setFileName(zipPath);
        QCOMPARE(zip.ConvertSFX(), 0);
        const QString exePath = path(u"many.exe"_s);
        QCOMPARE(run(u"unzip"_s, {u"-tqq"_s, exePath}).exitCode, 0);
        zip.setFileName(exePath);
        QCOMPARE(zip.Count(), 66000);
        QCOMPARE(zip.ConvertZIP(), 0);
        QCOMPARE(readFile(zipPath), original);
    }

    void missingStubKeepsTheZip()
    {
        const QString zipPath = makeZip();
        const QByteArray original = readFile(zipPath);
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(zipPath);
        zip.setSFXPath(u"NoSuchStub.bin"_s);
        QCOMPARE(zip.ConvertSFX(), ZipCode::StubMissing);
        QCOMPARE(log.codes(), QList<int>{ZipCode::StubMissing});
        QCOMPARE(readFile(zipPath), original);
        QVERIFY(!QFileInfo::exists(path(u"work/arch.exe"_s)));
        // a plain ZIP is not a self-extracting program
        QCOMPARE(zip.ConvertZIP(), ZipCode::BadArchive); // no arch.exe
    }

    void runInConsole_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<unsigned>("options");
        QTest::addColumn<int>("overwrite");
        QTest::addColumn<QString>("defaultDir"); // "<out>" or "><"
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("extractedInto"); // "", "out" or "tmp"
        QTest::addColumn<QStringList>("transcript"); // lines expected, in order ("~x": no line contains x)

        const QString success = u"ask|information|OK|3 file(s) extracted to "_s;
        QTest::newRow("default folder") << QString() << 0u << 0 << u"<out>"_s << QString() << u"setup.exe"_s << QString()
                                        << 0 << u"out"_s << QStringList{success};
        QTest::newRow("temporary folder") << QString() << 0u << 0 << u"><"_s << QString() << u"setup.exe"_s << QString()
                                          << 0 << u"tmp"_s << QStringList{success};
        QTest::newRow("OK and Cancel, cancelled")
            << QChar(1) + u"Hello"_s << 0u << 0 << u"<out>"_s << QString() << u"setup.exe"_s << u"Cancel"_s << 2 << QString()
            << QStringList{u"ask|confirmation|OK+Cancel|Hello|Cancel"_s, u"~extracted"_s};
        QTest::newRow("Yes and No, accepted")
            << QChar(2) + u"Install ?"_s << 0u << 0 << u"<out>"_s << QString() << u"setup.exe"_s << u"Yes"_s << 0 << u"out"_s
            << QStringList{u"ask|confirmation|Yes+No|Install ?|Yes"_s, success};
        QTest::newRow("plain message")
            << u"Read me"_s << 0u << 0 << u"<out>"_s << QString() << u"setup.exe"_s << u"OK"_s << 0 << u"out"_s
            << QStringList{u"ask|information|OK|Read me|OK"_s, success};
        QTest::newRow("no success message")
            << QString() << unsigned(SfxOption::NoSuccessMessage) << 0 << u"<out>"_s << QString() << u"setup.exe"_s
            << QString() << 0 << u"out"_s << QStringList{u"~extracted"_s};
        QTest::newRow("immediate when named with !")
            << QChar(1) + u"Hello"_s << unsigned(SfxOption::AutoRunWithBang) << 0 << u"<out>"_s << QString()
            << u"!setup.exe"_s << QString() << 0 << u"out"_s << QStringList{u"~Hello"_s, success};
        QTest::newRow("! without the option still asks")
            << QChar(1) + u"Hello"_s << 0u << 0 << u"<out>"_s << QString() << u"!setup.exe"_s << u"OK"_s << 0 << u"out"_s
            << QStringList{u"ask|confirmation|OK+Cancel|Hello|OK"_s, success};
        QTest::newRow("option 2 needs the ! name")
            << QChar(1) + u"Hello"_s << unsigned(SfxOption::AutoRunWithBang) << 0 << u"<out>"_s << QString()
            << u"setup.exe"_s << u"Cancel"_s << 2 << QString() << QStringList{u"ask|confirmation|OK+Cancel|Hello|Cancel"_s};
        QTest::newRow("command confirmed")
            << QString() << unsigned(SfxOption::ConfirmCommandLine) << 0 << u"<out>"_s << u"><DATA\\RUN.SH"_s
            << u"setup.exe"_s << u"OK\nYes"_s << 0 << u"out"_s
            << QStringList{success, u"ask|confirmation|Yes+No|Run "_s, u"act|start|"_s};
        QTest::newRow("command refused")
            << QString() << unsigned(SfxOption::ConfirmCommandLine) << 0 << u"<out>"_s << u"><Data\\run.sh"_s
            << u"setup.exe"_s << u"OK\nNo"_s << 0 << u"out"_s << QStringList{u"ask|confirmation|Yes+No|Run "_s, u"~act|start"_s};
        QTest::newRow("command without confirmation")
            << QString() << unsigned(SfxOption::NoSuccessMessage) << 0 << u"<out>"_s << u"><Data\\run.sh"_s
            << u"setup.exe"_s << QString() << 0 << u"out"_s << QStringList{u"act|start|"_s};
        QTest::newRow("overwrite question answered No")
            << QString() << 0u << int(SfxOverwriteMode::Confirm) << u"<out>"_s << QString() << u"setup.exe"_s
            << u"No\nOK"_s << 0 << u"out-kept"_s
            << QStringList{u"ask|confirmation|Yes+No+Cancel|The file "_s, u"ask|information|OK|2 file(s) extracted to "_s};
        QTest::newRow("overwrite without asking")
            << QString() << unsigned(SfxOption::NeverAskOverwrite) << int(SfxOverwriteMode::Always) << u"<out>"_s
            << QString() << u"setup.exe"_s << QString() << 0 << u"out"_s << QStringList{u"~already exists"_s, success};
    }

    void runInConsole()
    {
        QFETCH(QString, message);
        QFETCH(unsigned, options);
        QFETCH(int, overwrite);
        QFETCH(QString, defaultDir);
        QFETCH(QString, command);
        QFETCH(QString, program);
        QFETCH(QString, script);
        QFETCH(int, exitCode);
        QFETCH(QString, extractedInto);
        QFETCH(QStringList, transcript);

        const QString zipPath = makeZip();
        QVERIFY(!zipPath.isEmpty());
        const QString out = path(u"out"_s);
        const QString tmp = path(u"tmp"_s);
        QDir().mkpath(tmp);
        const bool keptCase = extractedInto == u"out-kept"_s;
        if (keptCase || overwrite == int(SfxOverwriteMode::Always))
            QVERIFY(writeFile(out + u"/Data/a.txt"_s, "mine"));
        ZipMaster zip;
        zip.setFileName(zipPath);
        zip.setSFXCaption(u"Restore"_s);
        zip.setSFXMessage(message);
        zip.setSFXOptions(options);
        zip.setSFXOverWriteMode(static_cast<SfxOverwriteMode>(overwrite));
        zip.setSFXDefaultDir(defaultDir == u"<out>"_s ? out : defaultDir);
        zip.setSFXCommandLine(command);
        QCOMPARE(zip.ConvertSFX(), 0);
        const QString exe = path(u"work/"_s) + program;
        QVERIFY(QFile::rename(path(u"work/arch.exe"_s), exe));

        QVERIFY(writeFile(path(u"script.txt"_s), script.toUtf8() + "\n"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KESTRAVE_PLATFORM"_s, u"simulated"_s);
        env.insert(u"KESTRAVE_SCRIPT"_s, path(u"script.txt"_s));
        env.insert(u"KESTRAVE_TRANSCRIPT"_s, path(u"transcript.txt"_s));
        env.insert(u"TMPDIR"_s, tmp);
        env.remove(u"KESTRAVE_DRIVES"_s);
        const Run r = run(exe, {u"--console"_s}, path(u"work"_s), env);
        const QString lines = QString::fromUtf8(readFile(path(u"transcript.txt"_s)));
        QVERIFY2(r.exitCode == exitCode, qPrintable(lines + QString::fromUtf8(r.err)));

        qsizetype from = 0;
        for (const QString& expected : transcript) {
            if (expected.startsWith(QLatin1Char('~'))) {
                QVERIFY2(!lines.contains(expected.mid(1)), qPrintable(lines));
                continue;
            }
            const qsizetype at = lines.indexOf(expected, from);
            QVERIFY2(at >= 0, qPrintable(u"missing: "_s + expected + u"\n"_s + lines));
            from = at + expected.size();
        }
        if (lines.contains(u"act|start|"_s)) // the stored name, found whatever the command's case
            QVERIFY2(lines.contains(u"act|start|run.sh"_s), qPrintable(lines));

        const QString into = extractedInto == u"tmp"_s ? tmp : out;
        if (extractedInto.isEmpty()) {
            QVERIFY(!QFileInfo::exists(out + u"/Data/b.txt"_s));
            QVERIFY(!QFileInfo::exists(tmp + u"/Data/b.txt"_s));
        } else {
            QCOMPARE(readFile(into + u"/Data/b.txt"_s), textData(500, 2));
            QCOMPARE(readFile(into + u"/Data/a.txt"_s), keptCase ? QByteArray("mine") : textData(30000, 1));
        }
    }

    void encryptedArchiveAsksForThePassword_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("right password") << u"text:pw1"_s << 0;
        QTest::newRow("wrong password") << u"text:nope"_s << 1;
        QTest::newRow("prompt cancelled") << u"cancel"_s << 2;
    }

    void encryptedArchiveAsksForThePassword()
    {
        QFETCH(QString, answer);
        QFETCH(int, exitCode);
        writeFile(path(u"src/secret.txt"_s), textData(4000, 5));
        ZipMaster zip;
        zip.setFileName(path(u"lock.zip"_s));
        zip.setPassword(u"pw1"_s);
        zip.setAddOptions(ZipMaster::AddEncrypt);
        zip.setFSpecArgs({path(u"src/secret.txt"_s)});
        QCOMPARE(zip.Add(), 0);
        zip.setSFXDefaultDir(path(u"out"_s));
        zip.setSFXOptions(SfxOption::NoSuccessMessage);
        QCOMPARE(zip.ConvertSFX(), 0);

        QVERIFY(writeFile(path(u"script.txt"_s), answer.toUtf8() + "\nOK\n"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KESTRAVE_PLATFORM"_s, u"simulated"_s);
        env.insert(u"KESTRAVE_SCRIPT"_s, path(u"script.txt"_s));
        env.insert(u"KESTRAVE_TRANSCRIPT"_s, path(u"transcript.txt"_s));
        const Run r = run(path(u"lock.exe"_s), {u"--console"_s}, m_dir->path(), env);
        const QByteArray transcript = readFile(path(u"transcript.txt"_s));
        QVERIFY2(r.exitCode == exitCode, transcript.constData());
        QVERIFY(transcript.startsWith("ask|password|"));
        if (exitCode == 0)
            QCOMPARE(readFile(path(u"out/secret.txt"_s)), textData(4000, 5));
        else
            QVERIFY(!QFileInfo::exists(path(u"out/secret.txt"_s)));
        if (exitCode == 1)
            QVERIFY2(transcript.contains("ask|error|OK|0 of 1 file(s) extracted"), transcript.constData());
    }

    void programWithoutArchiveFails()
    {
        const QString stub = qEnvironmentVariable("KSV_BIN_DIR") + u"/ZipSFX.bin"_s;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KESTRAVE_TRANSCRIPT"_s, path(u"t.txt"_s));
        const Run r = run(stub, {u"--console"_s}, m_dir->path(), env);
        QCOMPARE(r.exitCode, 1);
        QVERIFY(readFile(path(u"t.txt"_s)).contains("holds no archive"));
    }
};

QTEST_GUILESS_MAIN(TestSfx)
#include "tst_sfx.moc"
