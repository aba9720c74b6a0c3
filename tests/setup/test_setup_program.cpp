// End-to-end tests of the restore program shipped as "SETUP.EXE": the real executable is copied
// into a folder holding the pieces of a cut file and run there, alone, with scripted answers.
#include "TBackupFile.h"

#include "DriveServices_simulated.h"
#include "Drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace ksv;

namespace {

bool writeBytes(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestSetupProgram : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_data;

    QString path(const QString& rel) const { return m_dir->path() + QLatin1Char('/') + rel; }

    // Cuts a file stored as "c:\src\Archive.exe" into three pieces in the folder "disk".
    void cutIntoPieces()
    {
        m_data = QByteArray(250000, Qt::Uninitialized);
        QRandomGenerator gen(5);
        for (char& c : m_data)
            c = char(gen.bounded(256));
        QVERIFY(writeBytes(path(QStringLiteral("c/src/Archive.exe")), m_data));
        const QString drives = path(QStringLiteral("drives.ini"));
        QVERIFY(writeBytes(drives, QStringLiteral("[C]\nroot=%1\ntype=fixed\n").arg(path(QStringLiteral("c"))).toUtf8()));
        installDriveServices(new SimulatedDriveServices(drives));
        TBackupFile engine;
        engine.setCompressionLevel(TCompressionLevel::clNone);
        engine.setMaxSize(100000);
        engine.setOnNeedDisk([](TBackupFile*, quint16, bool& Continue) { Continue = true; });
        QVERIFY(QDir().mkpath(path(QStringLiteral("disk"))));
        QVERIFY(engine.Backup({QStringLiteral("C:\\src\\Archive.exe")}, path(QStringLiteral("disk/archive.001"))));
        QVERIFY(QFileInfo::exists(path(QStringLiteral("disk/archive.003"))));
    }

    // Runs the copy of SETUP.EXE in folder "disk"; returns the exit code.
    int runSetup(const QStringList& arguments, const QString& workingFolder, const QStringList& script,
                 bool unattended, QString* transcript)
    {
        const QString program = path(QStringLiteral("disk/SETUP.EXE"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("KESTRAVE_DRIVES"));
        env.remove(QStringLiteral("KESTRAVE_HOME"));
        const QString scriptFile = path(QStringLiteral("script.txt"));
        const QString transcriptFile = path(QStringLiteral("transcript.txt"));
        QFile::remove(transcriptFile);
        if (!script.isEmpty()) {
            writeBytes(scriptFile, script.join(QLatin1Char('\n')).toUtf8());
            env.insert(QStringLiteral("KESTRAVE_SCRIPT"), scriptFile);
        } else {
            env.remove(QStringLiteral("KESTRAVE_SCRIPT"));
        }
        if (unattended)
            env.insert(QStringLiteral("KESTRAVE_UNATTENDED"), QStringLiteral("1"));
        else
            env.remove(QStringLiteral("KESTRAVE_UNATTENDED"));
        env.insert(QStringLiteral("KESTRAVE_TRANSCRIPT"), transcriptFile);
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(workingFolder);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            return -100;
        }
        *transcript = QString::fromUtf8(readBytes(transcriptFile));
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -200;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        const QString shipped = qEnvironmentVariable("KSV_BIN_DIR") + QStringLiteral("/SETUP.EXE");
        QVERIFY2(QFileInfo(shipped).isFile(), qPrintable(shipped));
        cutIntoPieces();
        QVERIFY(QFile::copy(shipped, path(QStringLiteral("disk/SETUP.EXE"))));
        QFile::setPermissions(path(QStringLiteral("disk/SETUP.EXE")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void restores_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("workingFolder"); // relative to the temporary folder
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<bool>("unattended");
        QTest::addColumn<QString>("restoredIn");
        QTest::newRow("its own folder, proposed and confirmed")
            << QStringList() << "disk" << QStringList{QStringLiteral("OK"), QStringLiteral("OK")} << false << "disk";
        QTest::newRow("the current folder when started elsewhere")
            << QStringList{QStringLiteral("--console")} << "elsewhere" << QStringList{QStringLiteral("OK")} << false
            << "elsewhere";
        QTest::newRow("a typed folder, created")
            << QStringList() << "disk" << QStringList{QStringLiteral("text:%1")} << false << "typed/deeper";
        QTest::newRow("--dest without any question, unattended")
            << QStringList{QStringLiteral("--dest"), QStringLiteral("%1")} << "disk" << QStringList() << true << "given";
    }
    void restores()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, workingFolder);
        QFETCH(QStringList, script);
        QFETCH(bool, unattended);
        QFETCH(QString, restoredIn);
        const QString target = path(restoredIn);
        for (QString& a : arguments)
            a.replace(QStringLiteral("%1"), target);
        for (QString& s : script)
            s.replace(QStringLiteral("%1"), target);
        QVERIFY(QDir().mkpath(path(workingFolder)));
        QString transcript;
        QCOMPARE(runSetup(arguments, path(workingFolder), script, unattended, &transcript), 0);
        QCOMPARE(readBytes(target + QStringLiteral("/Archive.exe")), m_data); // the stored name keeps its case
        QVERIFY2(transcript.contains(QStringLiteral("is restored.")), qPrintable(transcript));
        QVERIFY2(!transcript.contains(QStringLiteral("insert disk")), qPrintable(transcript)); // all pieces beside it
        if (!arguments.contains(QStringLiteral("--dest")))
            QVERIFY(transcript.contains(QStringLiteral("Restore \"archive.001\" into the folder:")));
    }

    // A piece missing beside the first one is asked for; nobody brings it, so the program stops
    // with a failure; the file it could not finish is not left behind.
    void missingPieceIsAskedForAndStops()
    {
        QVERIFY(QFile::remove(path(QStringLiteral("disk/archive.002"))));
        QString transcript;
        QCOMPARE(runSetup({QStringLiteral("--dest"), path(QStringLiteral("out"))}, path(QStringLiteral("disk")), {}, true,
                          &transcript),
                 1);
        QVERIFY2(transcript.contains(QStringLiteral("ask|information|OK+Cancel|Please insert disk 2 and click OK to continue.|Cancel")),
                 qPrintable(transcript));
        QVERIFY(transcript.contains(QStringLiteral("The restoration was stopped")));
        QCOMPARE(QDir(path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }

    void nothingToRestore_data()
    {
        QTest::addColumn<bool>("removePieces");
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no first piece") << true << QStringList() << "No first part (*.001)";
        QTest::newRow("destination question cancelled") << false << QStringList{QStringLiteral("cancel")}
                                                        << "Restore \"archive.001\" into the folder:";
    }
    void nothingToRestore()
    {
        QFETCH(bool, removePieces);
        QFETCH(QStringList, script);
        QFETCH(QString, expected);
        if (removePieces) {
            for (const char* name : {"archive.001", "archive.002", "archive.003"})
                QVERIFY(QFile::remove(path(QStringLiteral("disk/") + QLatin1String(name))));
        }
        QString transcript;
        QCOMPARE(runSetup({}, path(QStringLiteral("disk")), script, true, &transcript), 2);
        QVERIFY2(transcript.contains(expected), qPrintable(transcript));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("disk/Archive.exe"))));
    }

    void damagedFirstPieceFails()
    {
        QVERIFY(writeBytes(path(QStringLiteral("disk/archive.001")), QByteArray("not a container")));
        QString transcript;
        QCOMPARE(runSetup({QStringLiteral("--dest"), path(QStringLiteral("out"))}, path(QStringLiteral("disk")), {}, true,
                          &transcript),
                 1);
        QVERIFY2(transcript.contains(QStringLiteral("ask|error|OK|The restoration failed: ")), qPrintable(transcript));
    }
};

QTEST_GUILESS_MAIN(TestSetupProgram)
#include "test_setup_program.moc"
