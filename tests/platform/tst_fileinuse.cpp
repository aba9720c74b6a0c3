// The "file in use" probe against locks held by this process and by another one.
#include "PlatformTestSupport.h"
#include "SystemActions.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace ksv;

class TestFileInUse : public QObject
{
    Q_OBJECT

private slots:
    void freeAndMissingFiles();
    void lockOnAnotherOpenFile();
    void lockHeldByAnotherProcess_data();
    void lockHeldByAnotherProcess();
};

void TestFileInUse::freeAndMissingFiles()
{
    QTemporaryDir tmp;
    const QString file = tmp.path() + QStringLiteral("/free.txt");
    QVERIFY(test::writeFile(file, "data"));
    QVERIFY(!fileInUse(file));
    QVERIFY(!fileInUse(file)); // the probe leaves no lock behind
    QVERIFY(!fileInUse(tmp.path() + QStringLiteral("/missing.txt")));
}

void TestFileInUse::lockOnAnotherOpenFile()
{
    QTemporaryDir tmp;
    const QString file = tmp.path() + QStringLiteral("/held.txt");
    QVERIFY(test::writeFile(file, "data"));
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_SH), 0); // even a shared lock refuses the exclusive probe
    QVERIFY(fileInUse(file));
    QCOMPARE(::flock(fd, LOCK_UN), 0);
    QVERIFY(!fileInUse(file));
    ::close(fd);
}

void TestFileInUse::lockHeldByAnotherProcess_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("flock") << "flock";
    QTest::newRow("posix record lock") << "posix";
    QTest::newRow("open file description lock") << "ofd";
}

void TestFileInUse::lockHeldByAnotherProcess()
{
    QFETCH(QString, kind);
    QTemporaryDir tmp;
    const QString file = tmp.path() + QStringLiteral("/locked.bin");
    QVERIFY(test::writeFile(file, "data"));

    QProcess holder;
    holder.start(qEnvironmentVariable("KSV_BIN_DIR") + QStringLiteral("/ksv_test_lockholder"), {kind, file});
    QVERIFY(holder.waitForStarted());
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
    QVERIFY(fileInUse(file));

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    QCOMPARE(holder.exitCode(), 0);
    QVERIFY(!fileInUse(file));
}

QTEST_GUILESS_MAIN(TestFileInUse)
#include "tst_fileinuse.moc"
