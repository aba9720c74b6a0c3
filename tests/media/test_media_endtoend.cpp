// End-to-end runs of the real kestrave executable with a removable destination on the
// simulated platform: the label written back to the drive file, the weekday disk set, and an
// archive too large for its medium copied to drive C, abandoned, or cut over two disks (the
// test swaps the disk while the program waits at the disk prompt), whose pieces restore with
// "ksvtool container restore" to the archive's bytes.
#include "IniFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace ksv;

namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeBytes(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QByteArray noise(qsizetype n, quint32 seed)
{
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char(gen.bounded(256));
    return b;
}

} // namespace

class TestMediaEndToEnd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& rel) const { return m_dir->path() + QLatin1Char('/') + rel; }
    QString home() const { return path(QStringLiteral("c/prog")); }
    QStringList transcript() const
    {
        return QString::fromUtf8(readBytes(path(QStringLiteral("transcript.txt")))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString logText() const { return QString::fromUtf8(readBytes(home() + QStringLiteral("/kestrave.log"))); }

    // Runs kestrave with the query file; whileWaiting runs every few milliseconds while the
    // program is running. True when it ended by itself.
    bool runKestrave(const QStringList& script, const std::function<void()>& whileWaiting = {},
                     const QString& now = QStringLiteral("2026-12-07T10:00:00") /* a Monday */)
    {
        writeBytes(path(QStringLiteral("script.txt")), script.join(QLatin1Char('\n')).toUtf8());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KESTRAVE_PLATFORM"), QStringLiteral("simulated"));
        env.insert(QStringLiteral("KESTRAVE_HOME"), home());
        env.insert(QStringLiteral("KESTRAVE_DRIVES"), path(QStringLiteral("drives.ini")));
        env.insert(QStringLiteral("KESTRAVE_NOW"), now);
        env.insert(QStringLiteral("KESTRAVE_SCRIPT"), path(QStringLiteral("script.txt")));
        env.insert(QStringLiteral("KESTRAVE_UNATTENDED"), QStringLiteral("1"));
        env.insert(QStringLiteral("KESTRAVE_TRANSCRIPT"), path(QStringLiteral("transcript.txt")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("KSV_BIN_DIR") + QStringLiteral("/kestrave"), {QStringLiteral("C:\\Jobs\\daily.ksv")});
        if (!p.waitForStarted(10000))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (!p.waitForFinished(5)) {
            if (whileWaiting)
                whileWaiting();
            if (timer.elapsed() > 120000) {
                p.kill();
                p.waitForFinished();
                return false;
            }
        }
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        for (const char* d : {"c/prog", "c/Jobs", "c/Data", "a"})
            QVERIFY(QDir().mkpath(path(QLatin1String(d))));
        QVERIFY(writeBytes(path(QStringLiteral("drives.ini")),
                           "[C]\nroot=c\ntype=fixed\n[A]\nroot=a\ntype=removable\ncapacity=1500000\n"));
        QVERIFY(writeBytes(home() + QStringLiteral("/kestrave.ini"), "[general]\ntimeoutsec=1\n"));
        // A stand-in for the restore program the cutting window puts on the first disk.
        QVERIFY(writeBytes(home() + QStringLiteral("/SETUP.EXE"), "restore program"));
        QVERIFY(writeBytes(path(QStringLiteral("c/Jobs/daily.ksv")),
                           "[divers]\narch=data\ndest=A:\\\ndate=0\nupdate=0\nlevel=1\neject=0\nautoclose=1\n"
                           "[add]\n1=C:\\Data\\*.*<>01\n"));
    }
    void cleanup() { m_dir.reset(); }

    // A fresh medium that has room: no question, the label KSV-1-2 (a Monday) is written before
    // the copy, the archive lands on the medium.
    void freshMediumGetsItsLabel()
    {
        QVERIFY(writeBytes(path(QStringLiteral("c/Data/notes.txt")), "some notes to keep\n"));
        QVERIFY(runKestrave({}));
        QCOMPARE(IniFile(path(QStringLiteral("drives.ini"))).readString(QStringLiteral("A"), QStringLiteral("label")),
                 QStringLiteral("KSV-1-2"));
        const QStringList lines = transcript();
        QVERIFY2(lines.filter(QStringLiteral("ask|")).isEmpty(), qPrintable(lines.join(QLatin1Char('\n'))));
        QCOMPARE(lines.filter(QStringLiteral("act|label|")), QStringList{QStringLiteral("act|label|A: KSV-1-2")});
        QVERIFY(QFileInfo(path(QStringLiteral("a/data.zip"))).isFile());
        QVERIFY2(logText().contains(QStringLiteral("-End copy on medium : A:\\")), qPrintable(logText()));
        QVERIFY(logText().contains(QStringLiteral("   Creation of : data.zip [")));
    }

    // The Monday disk on a Tuesday: with the weekday disk set on, the prompt asks for Tuesday's
    // disk and Cancel sends the archive to drive C, the disk untouched; with the set off the
    // disk is used and its count goes up, its weekday kept.
    void mondayDiskOnATuesday_data()
    {
        QTest::addColumn<bool>("rotating");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("copyAt");
        QTest::newRow("set on") << true << "KSV-4-2" << "c/data.zip";
        QTest::newRow("set off") << false << "KSV-5-2" << "a/data.zip";
    }
    void mondayDiskOnATuesday()
    {
        QFETCH(bool, rotating);
        QFETCH(QString, copyAt);
        QVERIFY(writeBytes(home() + QStringLiteral("/kestrave.ini"),
                           QByteArray("[general]\ntimeoutsec=1\nDskTurnGame=") + (rotating ? "1" : "0") + "\n"));
        IniFile(path(QStringLiteral("drives.ini"))).writeString(QStringLiteral("A"), QStringLiteral("label"), QStringLiteral("KSV-4-2"));
        QVERIFY(writeBytes(path(QStringLiteral("c/Data/notes.txt")), "some notes to keep\n"));
        QVERIFY(runKestrave({QStringLiteral("Cancel")}, {}, QStringLiteral("2026-12-08T10:00:00")));

        QTEST(IniFile(path(QStringLiteral("drives.ini"))).readString(QStringLiteral("A"), QStringLiteral("label")), "label");
        const QStringList asked = transcript().filter(QStringLiteral("ask|"));
        if (rotating) {
            QCOMPARE(asked, QStringList{QStringLiteral(
                                "ask|information|OK+Cancel|Put disk of Tuesday or a new medium in the unit : A:\\\\r\\r"
                                "Check for a not read only Floppy disk.\\r\\rIf you cancel (ESC Key),your archive will be "
                                "copied on hard disk C:\\.|Cancel")});
            QVERIFY2(logText().contains(QStringLiteral("NO floppy disk insertion. Backup copy on C:\\")), qPrintable(logText()));
        } else {
            QCOMPARE(asked, QStringList());
        }
        QCOMPARE(readBytes(path(copyAt)), readBytes(home() + QStringLiteral("/Sas_Zip/data.zip")));
    }

    // The archive does not fit a medium: Cancel copies it to drive C with the rest of the
    // target path kept; Abort gives up with the rejection line and a failed run.
    void tooLargeArchiveCancelOrAbort_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("copyAt");   // where the archive ends up, empty: nowhere
        QTest::addColumn<QString>("logLine");
        QTest::newRow("Cancel") << "Cancel" << "c/BACKUP/data.zip" << "-DATA saving finished : Ok";
        QTest::newRow("Abort") << "Abort" << "" << " Cancel : no medium insertion";
    }
    void tooLargeArchiveCancelOrAbort()
    {
        QFETCH(QString, answer);
        QFETCH(QString, copyAt);
        QFETCH(QString, logLine);
        QVERIFY(QDir().mkpath(path(QStringLiteral("a/BACKUP"))));
        QVERIFY(writeBytes(path(QStringLiteral("c/Jobs/daily.ksv")),
                           "[divers]\narch=data\ndest=A:\\BACKUP\\\ndate=0\nupdate=0\nlevel=1\neject=0\nautoclose=1\n"
                           "[add]\n1=C:\\Data\\*.*<>01\n"));
        QVERIFY(writeBytes(path(QStringLiteral("c/Data/big.bin")), noise(1600000, 23)));
        QVERIFY(runKestrave({answer}));

        const QStringList asked = transcript().filter(QStringLiteral("ask|"));
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.at(0).startsWith(QStringLiteral("ask|warning|Yes+Cancel+Abort+Retry|The size of your file [ ")));
        QVERIFY(asked.at(0).endsWith(QLatin1Char('|') + answer));
        const QString log = logText();
        QVERIFY2(log.contains(QStringLiteral("   Free space on disk :  --> insufficient.")), qPrintable(log));
        QVERIFY2(log.contains(logLine), qPrintable(log));
        QVERIFY(QDir(path(QStringLiteral("a/BACKUP"))).entryList(QDir::Files).isEmpty());
        // The medium kept no label: nothing was copied to it.
        QVERIFY(transcript().filter(QStringLiteral("act|label|")).isEmpty());
        if (copyAt.isEmpty()) {
            QVERIFY(log.contains(QStringLiteral("-DATA Saving uncomplet : Error(s) detected")));
            QVERIFY(!QFileInfo::exists(path(QStringLiteral("c/BACKUP/data.zip"))));
        } else {
            QVERIFY(log.contains(QStringLiteral("   Creation of : data.zip [")));
            QCOMPARE(readBytes(path(copyAt)), readBytes(home() + QStringLiteral("/Sas_Zip/data.zip")));
        }
    }

    // The archive does not fit: Yes cuts it. The first disk gets the first piece and the restore
    // program; at the prompt for disk 2 the test takes the full disk out and puts an empty one in.
    void tooLargeArchiveIsCutOverTwoDisks()
    {
        QVERIFY(writeBytes(path(QStringLiteral("c/Data/big.bin")), noise(2000000, 17)));
        int disks = 0;
        int promptsSeen = 0;
        const auto swapDisks = [&] {
            const int prompts = transcript().filter(QStringLiteral("|Insert a formatted disk.")).size();
            while (promptsSeen < prompts) {
                ++promptsSeen;
                ++disks;
                QDir().rename(path(QStringLiteral("a")), path(QStringLiteral("disk%1").arg(disks)));
                QDir().mkpath(path(QStringLiteral("a")));
            }
        };
        QVERIFY(runKestrave({QStringLiteral("Yes"), QStringLiteral("OK"), QStringLiteral("OK"), QStringLiteral("OK")}, swapDisks));

        const QStringList asked = transcript().filter(QStringLiteral("ask|"));
        QVERIFY2(asked.size() >= 2, qPrintable(asked.join(QLatin1Char('\n'))));
        QVERIFY(asked.at(0).startsWith(QStringLiteral("ask|warning|Yes+Cancel+Abort+Retry|The size of your file [ ")));
        QVERIFY(asked.at(0).endsWith(QStringLiteral("|Yes")));
        QVERIFY(asked.at(1).startsWith(QStringLiteral("ask|information|OK+Cancel|Insert a formatted disk.( N°: 2 )")));
        QVERIFY2(logText().contains(QStringLiteral("-Segmentation on several disk ---> OK  File number : ")), qPrintable(logText()));
        QVERIFY(QFileInfo(path(QStringLiteral("disk1/SETUP.EXE"))).isFile());
        QVERIFY(QFileInfo(path(QStringLiteral("disk1/data.001"))).size() <= 1300000);
        // The copy made on C:\ for the cut is gone.
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("c/data.zip"))));

        // Every piece, from whichever disk, in one folder; the container tool restores them.
        const QString together = path(QStringLiteral("together"));
        QVERIFY(QDir().mkpath(together));
        QStringList folders{path(QStringLiteral("a"))};
        for (int i = 1; i <= disks; ++i)
            folders << path(QStringLiteral("disk%1").arg(i));
        int pieces = 0;
        for (const QString& folder : folders) {
            for (const QFileInfo& piece : QDir(folder).entryInfoList({QStringLiteral("data.0*")}, QDir::Files)) {
                QVERIFY(QFile::copy(piece.filePath(), together + QLatin1Char('/') + piece.fileName()));
                ++pieces;
            }
        }
        QCOMPARE(pieces, 2);
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KESTRAVE_DRIVES"), path(QStringLiteral("drives.ini")));
        env.insert(QStringLiteral("KESTRAVE_UNATTENDED"), QStringLiteral("1"));
        tool.setProcessEnvironment(env);
        tool.start(qEnvironmentVariable("KSV_BIN_DIR") + QStringLiteral("/ksvtool"),
                   {QStringLiteral("container"), QStringLiteral("restore"), QStringLiteral("--yes"),
                    together + QStringLiteral("/data.001"), path(QStringLiteral("restored"))});
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
        QCOMPARE(readBytes(path(QStringLiteral("restored/data.zip"))), readBytes(home() + QStringLiteral("/Sas_Zip/data.zip")));
    }
};

QTEST_GUILESS_MAIN(TestMediaEndToEnd)
#include "test_media_endtoend.moc"
