// The archive file itself: what the archive path may be (a link, a device, a FIFO, a folder), a
// disk that fills up at any point of an update or a copy, and a writer killed at any moment.

#include "AtomicFile.h"
#include "ZipTestSupport.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace ksv;
using namespace ksv::ziptest;
using namespace Qt::StringLiterals;

namespace {

// libzip's own check of every entry, and unzip's when it is installed.
bool archiveTestsGood(const QString& archive, QString* why)
{
    ZipMaster zip;
    zip.setFileName(archive);
    if (zip.Test() != 0 || zip.SuccessCnt() != zip.Count() || zip.Count() == 0) {
        *why = u"engine test: "_s + zip.ErrMessage();
        return false;
    }
    if (haveTool(u"unzip"_s)) {
        const Run r = run(u"unzip"_s, {u"-tqq"_s, archive});
        if (r.exitCode != 0) {
            *why = u"unzip -t: "_s + QString::fromLocal8Bit(r.out + r.err);
            return false;
        }
    }
    return true;
}

} // namespace

class TestZipArchiveFile : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root; // drive C:

    QString path(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }

    // Some files to store; the first add of C:\Data\*.* gives the "old" archive.
    void makeData(int files, qint64 size)
    {
        for (int i = 0; i < files; ++i)
            QVERIFY(writeFile(path(u"Data/f%1.txt"_s.arg(i)), textData(size + i * 1000, static_cast<quint32>(i + 1))));
    }
    // Changes every other file so that an update rewrites them.
    void touchData(int files, quint32 seed)
    {
        for (int i = 0; i < files; i += 2) {
            const QString file = path(u"Data/f%1.txt"_s.arg(i));
            QVERIFY(writeFile(file, textData(QFileInfo(file).size() + 333, seed + static_cast<quint32>(i))));
            setModified(file, QDateTime::currentDateTime().addSecs(60));
        }
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = m_dir->filePath(u"c"_s);
        QDir().mkpath(m_root);
        installDrives(m_dir->filePath(u"drives.ini"_s), {{QChar(u'C'), m_root, 0, false}});
        AtomicFile::setWriteLimitForTesting(-1);
    }
    void cleanup()
    {
        AtomicFile::setWriteLimitForTesting(-1);
        m_dir.reset();
    }

    // An archive path that is a link updates the archive it names and leaves the link; anything
    // that is neither a regular file nor absent is refused at once and left as it was.
    void archivePathKinds_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("link to an archive") << u"link"_s << true;
        QTest::newRow("link to a link to an archive") << u"link2"_s << true;
        QTest::newRow("dangling link") << u"dangling"_s << true;
        QTest::newRow("FIFO") << u"fifo"_s << false;
        QTest::newRow("folder") << u"folder"_s << false;
        QTest::newRow("device") << u"device"_s << false;
        QTest::newRow("link to a FIFO") << u"fifolink"_s << false;
    }
    void archivePathKinds()
    {
        QFETCH(QString, kind);
        QFETCH(bool, accepted);
        makeData(2, 2000);
        QDir().mkpath(path(u"store"_s));
        const QString real = path(u"store/real.zip"_s);
        const QString named = path(u"named.zip"_s);
        {
            ZipMaster zip;
            zip.setFileName(real);
            zip.setFSpecArgs({path(u"Data/f0.txt"_s)});
            QCOMPARE(zip.Add(), 0);
        }
        const QByteArray before = readFile(real);
        if (kind == u"link") {
            QVERIFY(QFile::link(real, named));
        } else if (kind == u"link2") {
            QVERIFY(QFile::link(real, path(u"middle.zip"_s)));
            QVERIFY(QFile::link(path(u"middle.zip"_s), named));
        } else if (kind == u"dangling") {
            QVERIFY(QFile::remove(real));
            QVERIFY(QFile::link(real, named));
        } else if (kind == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(named).constData(), 0600), 0);
        } else if (kind == u"fifolink") {
            QCOMPARE(::mkfifo(QFile::encodeName(path(u"pipe"_s)).constData(), 0600), 0);
            QVERIFY(QFile::link(path(u"pipe"_s), named));
        } else if (kind == u"folder") {
            QVERIFY(QDir().mkpath(named));
        } else if (kind == u"device") {
            if (::geteuid() != 0)
                QSKIP("making a device node needs root");
            // the same device as /dev/null, made here so that a fault never touches the real one
            QCOMPARE(::mknod(QFile::encodeName(named).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
        }
        struct stat linkBefore;
        QCOMPARE(::lstat(QFile::encodeName(named).constData(), &linkBefore), 0);

        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(named);
        zip.setFSpecArgs({path(u"Data/f1.txt"_s)});
        QElapsedTimer timer;
        timer.start();
        const int result = zip.Add();
        QVERIFY2(timer.elapsed() < 20000, "the add waited on the archive path");

        struct stat linkAfter;
        QCOMPARE(::lstat(QFile::encodeName(named).constData(), &linkAfter), 0);
        QCOMPARE(linkAfter.st_mode & S_IFMT, linkBefore.st_mode & S_IFMT); // the name keeps its kind
        QCOMPARE(linkAfter.st_ino, linkBefore.st_ino);
        if (accepted) {
            QCOMPARE(result, 0);
            ZipMaster reader;
            reader.setFileName(real);
            const QStringList expected = kind == u"dangling" ? QStringList{u"f1.txt"_s} : QStringList{u"f0.txt"_s, u"f1.txt"_s};
            QCOMPARE(entryNames(reader), expected);
            QCOMPARE(QDir(path(u"store"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"real.zip"_s});
        } else {
            QCOMPARE(result, ZipCode::WriteError);
            QCOMPARE(log.codes(), QList<int>{ZipCode::WriteError});
            QVERIFY2(log.messages.last().second.contains(u"not a regular file"_s), qPrintable(log.messages.last().second));
            QCOMPARE(readFile(real), before);
        }
        QVERIFY(temporaryLeftovers(m_root).isEmpty());
    }

    // The disk fills up after 0 bytes, then at 29 more points through the new archive: each
    // time the update fails as a full disk, the old archive is left byte for byte, passes its
    // test, and no temporary file stays behind. Then the update goes through.
    void fullDiskAtEveryStageOfAnUpdate()
    {
        makeData(6, 40000);
        const QString archive = path(u"work.zip"_s);
        ZipMaster zip;
        zip.setFileName(u"C:\\work.zip"_s);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        zip.setAddOptions(ZipMaster::AddUpdate);
        QCOMPARE(zip.Add(), 0);
        const QByteArray old = readFile(archive);
        touchData(6, 100);

        // How much the update writes when nothing stops it, measured on a copy.
        QVERIFY(QFile::copy(archive, path(u"probe.zip"_s)));
        {
            ZipMaster probe;
            probe.setFileName(u"C:\\probe.zip"_s);
            probe.setFSpecArgs({u"C:\\Data\\*.*"_s});
            probe.setAddOptions(ZipMaster::AddUpdate);
            QCOMPARE(probe.Add(), 0);
        }
        const qint64 newSize = QFileInfo(path(u"probe.zip"_s)).size();
        QVERIFY(QFile::remove(path(u"probe.zip"_s)));

        constexpr int Levels = 30;
        for (int level = 0; level < Levels; ++level) {
            const qint64 limit = newSize * level / Levels;
            AtomicFile::setWriteLimitForTesting(limit);
            EventLog log;
            log.attach(zip);
            const int result = zip.Add();
            AtomicFile::setWriteLimitForTesting(-1);
            QVERIFY2(result == ZipCode::DiskFull, qPrintable(u"limit %1: result %2"_s.arg(limit).arg(result)));
            QCOMPARE(log.codes(), QList<int>{ZipCode::DiskFull});
            QVERIFY2(readFile(archive) == old, qPrintable(u"limit %1 changed the archive"_s.arg(limit)));
            QString why;
            QVERIFY2(archiveTestsGood(archive, &why), qPrintable(why));
            QVERIFY2(temporaryLeftovers(m_root).isEmpty(), qPrintable(temporaryLeftovers(m_root).join(u' ')));
            zip.disconnect();
        }
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(QFileInfo(archive).size(), newSize);
        QString why;
        QVERIFY2(archiveTestsGood(archive, &why), qPrintable(why));
    }

    // A real file system that fills up: a small tmpfs outside every drive (so the engine has no
    // free-space figure to check first and meets the full disk in its writes).
    void fullTmpfsKeepsTheOldArchive()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a tmpfs needs root");
        const QString mountPoint = m_dir->filePath(u"small"_s);
        QDir().mkpath(mountPoint);
        if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=256k") != 0)
            QSKIP("cannot mount a tmpfs here");
        struct Unmount
        {
            QString at;
            ~Unmount() { ::umount2(QFile::encodeName(at).constData(), MNT_DETACH); }
        } unmount{mountPoint};

        QVERIFY(writeFile(path(u"Data/small.txt"_s), textData(20000, 3)));
        QVERIFY(writeFile(path(u"Data/noise.bin"_s), randomData(150000, 9)));
        const QString archive = mountPoint + u"/work.zip"_s;
        ZipMaster zip;
        zip.setFileName(archive);
        zip.setFSpecArgs({path(u"Data/small.txt"_s)});
        QCOMPARE(zip.Add(), 0);
        const QByteArray old = readFile(archive);
        // Fill what is left but a little, so the noise cannot fit beside the old archive.
        QFile filler(mountPoint + u"/filler"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        QVERIFY(filler.resize(filler.size() - 60000));

        EventLog log;
        log.attach(zip);
        zip.setFSpecArgs({path(u"Data/*.*"_s)});
        QCOMPARE(zip.Add(), ZipCode::DiskFull);
        QCOMPARE(log.codes(), QList<int>{ZipCode::DiskFull});
        QCOMPARE(readFile(archive), old);
        QVERIFY(temporaryLeftovers(mountPoint).isEmpty());
        QString why;
        QVERIFY2(archiveTestsGood(archive, &why), qPrintable(why));
    }

    // CopyFile under a full disk at several points, through a link and onto things that are not
    // regular files.
    void copyKeepsTheOldTarget()
    {
        makeData(3, 30000);
        ZipMaster zip;
        zip.setFileName(u"C:\\work.zip"_s);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        QCOMPARE(zip.Add(), 0);
        const QByteArray source = readFile(path(u"work.zip"_s));
        QVERIFY(writeFile(path(u"out/old.zip"_s), "the previous copy"));

        for (int level = 0; level < 10; ++level) {
            AtomicFile::setWriteLimitForTesting(source.size() * level / 10);
            QCOMPARE(zip.CopyFile(u"C:\\work.zip"_s, u"C:\\out\\old.zip"_s), CopyResult::ReadWriteError);
            AtomicFile::setWriteLimitForTesting(-1);
            QCOMPARE(readFile(path(u"out/old.zip"_s)), QByteArray("the previous copy"));
            QVERIFY(temporaryLeftovers(path(u"out"_s)).isEmpty());
        }

        // through a link: the file behind it gets the copy, the link stays
        QVERIFY(QFile::link(path(u"out/old.zip"_s), path(u"out/link.zip"_s)));
        QCOMPARE(zip.CopyFile(u"C:\\work.zip"_s, u"C:\\out\\link.zip"_s), CopyResult::Ok);
        QVERIFY(QFileInfo(path(u"out/link.zip"_s)).isSymLink());
        QCOMPARE(readFile(path(u"out/old.zip"_s)), source);

        QCOMPARE(::mkfifo(QFile::encodeName(path(u"out/pipe.zip"_s)).constData(), 0600), 0);
        QCOMPARE(zip.CopyFile(u"C:\\work.zip"_s, u"C:\\out\\pipe.zip"_s), CopyResult::CannotCreate);
        QVERIFY(QFileInfo(path(u"out/pipe.zip"_s)).isFile() == false);
        if (::geteuid() == 0) {
            QCOMPARE(::mknod(QFile::encodeName(path(u"out/null.zip"_s)).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
            QCOMPARE(zip.CopyFile(u"C:\\work.zip"_s, u"C:\\out\\null.zip"_s), CopyResult::CannotCreate);
            struct stat info;
            QCOMPARE(::lstat(QFile::encodeName(path(u"out/null.zip"_s)).constData(), &info), 0);
            QVERIFY(S_ISCHR(info.st_mode));
        }
        QVERIFY(temporaryLeftovers(path(u"out"_s)).isEmpty());
    }

    // The real ksvtool killed with SIGKILL at 20 moments of an update, then of a copy: the archive
    // is always the old one or the new one, whole, and passes both tests.
    void killedWritersLeaveOldOrNew_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::newRow("add --update") << false;
        QTest::newRow("copy") << true;
    }
    void killedWritersLeaveOldOrNew()
    {
        QFETCH(bool, copy);
        const QString tool = qEnvironmentVariable("KSV_BIN_DIR") + u"/ksvtool"_s;
        if (!QFileInfo(tool).isExecutable())
            QSKIP("ksvtool is not built");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KESTRAVE_PLATFORM"_s, u"simulated"_s);
        env.insert(u"KESTRAVE_DRIVES"_s, m_dir->filePath(u"drives.ini"_s));

        makeData(8, 400000);
        const QString archive = path(u"work.zip"_s);
        const QString target = path(u"copy.zip"_s);
        const QStringList addArgs{u"zip"_s, u"add"_s, u"--update"_s, u"--level"_s, u"9"_s, u"C:\\work.zip"_s, u"C:\\Data\\*.*"_s};
        const QStringList copyArgs{u"zip"_s, u"copy"_s, u"C:\\work.zip"_s, u"C:\\copy.zip"_s};
        QCOMPARE(run(tool, addArgs, m_root, env).exitCode, 0);
        const QByteArray old = readFile(archive);
        QByteArray fresh;
        if (copy) {
            QVERIFY(writeFile(target, old.left(old.size() / 2) + "older copy"));
            fresh = old;
        } else {
            touchData(8, 500);
            QVERIFY(QFile::copy(archive, path(u"probe.zip"_s)));
            QCOMPARE(run(tool, {u"zip"_s, u"add"_s, u"--update"_s, u"--level"_s, u"9"_s, u"C:\\probe.zip"_s, u"C:\\Data\\*.*"_s},
                         m_root, env).exitCode, 0);
            fresh = readFile(path(u"probe.zip"_s));
            QVERIFY(QFile::remove(path(u"probe.zip"_s)));
        }
        const QString written = copy ? target : archive;
        const QByteArray before = readFile(written);

        // How long a whole run takes, so that the kills fall all through it.
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(run(tool, copy ? copyArgs : addArgs, m_root, env).exitCode, 0);
        const qint64 whole = std::max<qint64>(timer.elapsed(), 20);
        QCOMPARE(readFile(written), fresh);

        int keptOld = 0;
        int gotNew = 0;
        for (int trial = 0; trial < 20; ++trial) {
            QVERIFY(writeFile(written, before)); // the old one again
            QProcess process;
            process.setProcessEnvironment(env);
            process.setWorkingDirectory(m_root);
            process.start(tool, copy ? copyArgs : addArgs);
            QVERIFY(process.waitForStarted());
            QTest::qSleep(static_cast<int>(whole * trial / 18));
            ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
            process.waitForFinished();

            const QByteArray now = readFile(written);
            QVERIFY2(now == before || now == fresh, qPrintable(u"trial %1: neither old nor new"_s.arg(trial)));
            (now == before ? keptOld : gotNew)++;
            QString why;
            if (!copy || now == fresh)
                QVERIFY2(archiveTestsGood(written, &why), qPrintable(u"trial %1: %2"_s.arg(trial).arg(why)));
            const Run test = run(tool, {u"zip"_s, u"test"_s, written}, m_root, env);
            QVERIFY2(copy || test.exitCode == 0, test.err.constData());
            // a killed writer may leave its hidden temporary file, never anything else
            for (const QString& left : temporaryLeftovers(m_root))
                QFile::remove(path(left));
        }
        qInfo("%d of 20 kills kept the old file, %d found the new one whole", keptOld, gotNew);
    }
};

QTEST_GUILESS_MAIN(TestZipArchiveFile)
#include "tst_ziparchivefile.moc"
