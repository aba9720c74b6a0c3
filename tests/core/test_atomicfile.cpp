#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using ksv::AtomicFile;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Only the named files are left in the folder (no temporary leftovers).
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestAtomicFile : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { AtomicFile::setWriteLimitForTesting(-1); }

    void replacesWholeAndKeepsMode()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.ini"));
        put(path, "old");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QVERIFY(AtomicFile::writeFile(path, "new content").isOk());
        QCOMPARE(readAll(path), QByteArray("new content"));
        struct stat info;
        QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0640));
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("a.ini")});
    }

    // A disk that fills up at any point of the write leaves the old file and no temporary one.
    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::newRow("nothing written") << qint64(0);
        QTest::newRow("part written") << qint64(5);
        QTest::newRow("one byte short") << qint64(15);
    }
    void failedWriteKeepsOldFile()
    {
        QFETCH(qint64, limit);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kestrave.ini"));
        put(path, "[1]\r\ndata=C:\\x\r\n");
        AtomicFile::setWriteLimitForTesting(limit);
        AtomicFile file(path);
        QVERIFY(file.open().isOk());
        QVERIFY(!file.write(QByteArray(16, 'x')));
        const ksv::Status status = file.commit();
        QVERIFY(!status.isOk());
        QVERIFY(file.diskFull());
        QVERIFY(status.message().contains(path));
        QCOMPARE(readAll(path), QByteArray("[1]\r\ndata=C:\\x\r\n"));
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("kestrave.ini")});
    }

    void abandonedWriterLeavesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new.zip"));
        {
            AtomicFile file(path);
            QVERIFY(file.open().isOk());
            QVERIFY(file.write("partial", 7));
        }
        QVERIFY(entries(dir.path()).isEmpty());
    }

    // A link is followed to the file it names, which is updated; the link stays a link.
    void followsLinkToRegularFile()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("real")));
        const QString real = dir.filePath(QStringLiteral("real/archive.zip"));
        put(real, "old");
        const QString link = dir.filePath(QStringLiteral("link.zip"));
        QVERIFY(QFile::link(QStringLiteral("real/archive.zip"), link));
        QVERIFY(AtomicFile::writeFile(link, "new").isOk());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readAll(real), QByteArray("new"));
    }

    void refusesWhatIsNotARegularFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("fifo") << QStringLiteral("fifo");
        QTest::newRow("device") << QStringLiteral("device");
        QTest::newRow("link to device") << QStringLiteral("link");
    }
    void refusesWhatIsNotARegularFile()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("target"));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("target")));
        else if (kind == QLatin1String("fifo"))
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        else if (kind == QLatin1String("device"))
            path = QStringLiteral("/dev/null");
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), path));
        AtomicFile file(path);
        QVERIFY(!file.open().isOk());
        QVERIFY(!file.commit().isOk());
        if (kind == QLatin1String("device") || kind == QLatin1String("link")) {
            struct stat info;
            QVERIFY(::stat("/dev/null", &info) == 0);
            QVERIFY(S_ISCHR(info.st_mode));
        }
    }

    // Leftovers of a writer that is gone are removed; those of a running one and other hidden
    // files stay.
    void staleTemporariesOfDeadWritersOnly()
    {
        QTemporaryDir dir;
        QProcess gone;
        gone.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(gone.waitForStarted());
        const QString deadPid = QString::number(gone.processId());
        gone.kill();
        QVERIFY(gone.waitForFinished());
        const QString dead = QStringLiteral(".kestrave.ini.") + deadPid + QStringLiteral(".a1B2c3");
        const QString alive = QStringLiteral(".kestrave.log.") + QString::number(::getpid()) + QStringLiteral(".Zz9yY8");
        const QString other = QStringLiteral(".kestrave.ini.lock");
        for (const QString& name : {dead, alive, other})
            put(dir.filePath(name), "x");
        AtomicFile running(dir.filePath(QStringLiteral("a.zip")));
        QVERIFY(running.open().isOk());
        QCOMPARE(AtomicFile::removeStaleTemporaries(dir.path()), 1);
        QVERIFY(!QFile::exists(dir.filePath(dead)));
        QVERIFY(QFile::exists(dir.filePath(alive)));
        QVERIFY(QFile::exists(dir.filePath(other)));
        QVERIFY(QFile::exists(running.temporaryPath()));
        QVERIFY(running.write("z", 1));
        QVERIFY(running.commit().isOk());

        // Interrupted renames of a batch: its temporary files are its new content and stay.
        put(dir.filePath(dead), "new volume");
        put(dir.filePath(QStringLiteral(".backup.001.replacing")), "1=" + dead.toUtf8() + "\n");
        QCOMPARE(AtomicFile::removeStaleTemporaries(dir.path()), 0);
        QVERIFY(QFile::exists(dir.filePath(dead)));
    }

    // The real thing: a small tmpfs filled to the brim. Needs root to mount; skipped otherwise.
    void fullFileSystemKeepsOldFile()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a tmpfs needs root");
        QTemporaryDir dir;
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a tmpfs here");
        const QString path = dir.filePath(QStringLiteral("kestrave.log"));
        put(path, QByteArray(4096, 'o'));
        {
            QFile filler(dir.filePath(QStringLiteral("filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
        const ksv::Status status = AtomicFile::writeFile(path, QByteArray(16384, 'n'));
        const QByteArray after = readAll(path);
        const QStringList left = entries(dir.path());
        ::umount(mountPoint.constData());
        QVERIFY(!status.isOk());
        QCOMPARE(status.code(), ENOSPC);
        QCOMPARE(after, QByteArray(4096, 'o'));
        QCOMPARE(left, (QStringList{QStringLiteral("filler"), QStringLiteral("kestrave.log")}));
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "test_atomicfile.moc"
