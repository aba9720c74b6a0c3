// Room and write checks where a file is about to be written: measured at the target's folder
// (its file system and permissions), not at the drive's root. Both backends, a small tmpfs
// mounted inside a drive (needs root: skipped otherwise), and ksvtool run as a plain user on the
// real platform (needs root to become uid 65534: skipped otherwise).
#include "DriveServices_linux.h"
#include "DriveServices_simulated.h"
#include "PlatformTestSupport.h"
#include "VolumeStats.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

using namespace ksv;

namespace {

bool runCommand(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A tmpfs of the given size mounted on folder for the object's lifetime.
class SmallMount
{
public:
    SmallMount(const QString& folder, qint64 bytes, bool readOnly = false) : m_folder(folder)
    {
        if (::geteuid() != 0)
            return;
        QDir().mkpath(folder);
        QString options = QStringLiteral("size=%1").arg(bytes);
        if (readOnly)
            options += QStringLiteral(",ro");
        m_mounted = runCommand(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                          options, QStringLiteral("ksvtest"), folder});
    }
    ~SmallMount()
    {
        if (m_mounted)
            runCommand(QStringLiteral("umount"), {m_folder});
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_folder;
    bool m_mounted = false;
};

} // namespace

class TestFolderSpace : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void simulatedKeysRule();
    void separateMountInsideADrive_data();
    void separateMountInsideADrive();
    void plainUserWritesOutsideTheHomeFolder();
};

void TestFolderSpace::cleanup()
{
    test::setEnv("KESTRAVE_DRIVES", {});
    test::setEnv("KESTRAVE_HOME", {});
    installDriveServices(nullptr);
}

void TestFolderSpace::simulatedKeysRule()
{
    QTemporaryDir tmp;
    const QString root = QDir(tmp.path()).canonicalPath();
    QVERIFY(test::writeFile(root + QStringLiteral("/e/Backup/old.zip"), QByteArray(300, 'x')));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/f")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/g")));
    QVERIFY(test::writeFile(root + QStringLiteral("/drives.ini"),
                            "[E]\nroot=e\ncapacity=1000\n[F]\nroot=f\nreadonly=1\n[G]\nroot=g\npresent=0\n"));
    test::setEnv("KESTRAVE_DRIVES", root + QStringLiteral("/drives.ini"));
    auto* services = new SimulatedDriveServices(root + QStringLiteral("/drives.ini"));
    installDriveServices(services);

    // The capacity is the medium's, whichever folder of it is asked about, made or not.
    QCOMPARE(services->folderFreeSpace(root + QStringLiteral("/e")), qint64(700));
    QCOMPARE(services->folderFreeSpace(root + QStringLiteral("/e/Backup/new/deeper/a.zip")), qint64(700));
    QVERIFY(!services->folderReadOnly(root + QStringLiteral("/e/Backup/new")));
    QVERIFY(DosPath::writable(QStringLiteral("E:\\Backup\\new\\a.zip")));
    // readonly=1 refuses writes anywhere on the medium, though the folder behind it is writable.
    QVERIFY(services->folderReadOnly(root + QStringLiteral("/f/sub")));
    QVERIFY(!DosPath::writable(QStringLiteral("F:\\sub\\a.zip")));
    QVERIFY(services->folderFreeSpace(root + QStringLiteral("/f")) > 0);
    // No medium: no room, no writes.
    QCOMPARE(services->folderFreeSpace(root + QStringLiteral("/g/x")), qint64(-1));
    QVERIFY(services->folderReadOnly(root + QStringLiteral("/g/x")));
    QVERIFY(!DosPath::writable(QStringLiteral("G:\\x")));
    // Outside every drive the real folder answers.
    QVERIFY(services->folderFreeSpace(root + QStringLiteral("/elsewhere/a.zip")) > 0);
    QVERIFY(services->folderReadOnly(QStringLiteral("relative/path")));
}

void TestFolderSpace::separateMountInsideADrive_data()
{
    QTest::addColumn<bool>("simulated");
    QTest::newRow("real platform") << false;
    QTest::newRow("simulated platform, no capacity key") << true;
}

void TestFolderSpace::separateMountInsideADrive()
{
    QFETCH(bool, simulated);
    if (::geteuid() != 0)
        QSKIP("mounting a tmpfs needs root");
    QTemporaryDir tmp;
    const QString root = QDir(tmp.path()).canonicalPath();
    const QString small = root + QStringLiteral("/drive/small");
    const QString frozen = root + QStringLiteral("/drive/frozen");
    const SmallMount smallMount(small, 256 * 1024);
    const SmallMount frozenMount(frozen, 256 * 1024, true);
    if (!smallMount.mounted() || !frozenMount.mounted())
        QSKIP("tmpfs could not be mounted here");

    std::unique_ptr<DriveServices> services;
    if (simulated) {
        QVERIFY(test::writeFile(root + QStringLiteral("/drives.ini"), "[E]\nroot=drive\n"));
        services = std::make_unique<SimulatedDriveServices>(root + QStringLiteral("/drives.ini"));
    } else {
        QVERIFY(test::writeFile(root + QStringLiteral("/prog/kestrave.ini"), "[drives]\nE=" + root.toUtf8() + "/drive\n"));
        test::setEnv("KESTRAVE_HOME", root + QStringLiteral("/prog"));
        services = std::make_unique<LinuxDriveServices>();
    }
    const QChar e = QLatin1Char('E');
    QVERIFY(services->drive(e));
    // The drive's root is on the big file system; the folder below it on the small mount.
    const qint64 rootFree = services->freeSpace(e);
    const qint64 smallFree = services->folderFreeSpace(small + QStringLiteral("/Backup/a.zip"));
    QVERIFY2(smallFree > 0 && smallFree <= 256 * 1024, qPrintable(QString::number(smallFree)));
    QVERIFY(rootFree > 256 * 1024);
    // Beside the mount the drive's own file system answers (other programs may be writing to it).
    QVERIFY(services->folderFreeSpace(root + QStringLiteral("/drive/a.zip")) > 256 * 1024);
    // A read-only mount refuses writes below it, not beside it.
    QVERIFY(!services->readOnly(e));
    QVERIFY(services->folderReadOnly(frozen + QStringLiteral("/a.zip")));
    QVERIFY(services->folderReadOnly(frozen + QStringLiteral("/new/folder")));
    QVERIFY(!services->folderReadOnly(small + QStringLiteral("/new/folder")));
    QVERIFY(!services->folderReadOnly(root + QStringLiteral("/drive")));
}

void TestFolderSpace::plainUserWritesOutsideTheHomeFolder()
{
    if (::geteuid() != 0)
        QSKIP("becoming the plain user 65534 needs root");
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv is not installed");
    // A folder of the plain user's own under /tmp, far from the drive root "/" it cannot write.
    QTemporaryDir tmp(QStringLiteral("/tmp/ksv-plain-XXXXXX"));
    QVERIFY(tmp.isValid());
    QVERIFY(QFile::setPermissions(tmp.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                  QFileDevice::ReadOther | QFileDevice::ExeOther));
    const QString mine = tmp.path() + QStringLiteral("/mine");
    QVERIFY(test::writeFile(mine + QStringLiteral("/file.txt"), QByteArray(5000, 'k')));
    QVERIFY(QDir().mkpath(mine + QStringLiteral("/home")));
    QVERIFY(QDir().mkpath(mine + QStringLiteral("/prog")));
    QVERIFY(runCommand(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("65534:65534"), mine}));

    const auto runAsPlainUser = [&](const QStringList& args, QString* output) {
        QProcess p;
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.insert(QStringLiteral("HOME"), mine + QStringLiteral("/home"));
        env.insert(QStringLiteral("KESTRAVE_HOME"), mine + QStringLiteral("/prog"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), mine + QStringLiteral("/home"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        p.setProcessEnvironment(env); // no KESTRAVE_PLATFORM: the real platform
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(setpriv, QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                     QStringLiteral("--clear-groups"),
                                     qEnvironmentVariable("KSV_BIN_DIR") + QStringLiteral("/ksvtool")} + args);
        const bool finished = p.waitForFinished(60000);
        *output = QString::fromLocal8Bit(p.readAll());
        return finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QString output;
    QCOMPARE(runAsPlainUser({QStringLiteral("zip"), QStringLiteral("add"), mine + QStringLiteral("/a.zip"),
                             mine + QStringLiteral("/file.txt")},
                            &output),
             0);
    QVERIFY2(QFileInfo(mine + QStringLiteral("/a.zip")).size() > 0, qPrintable(output));
    QCOMPARE(runAsPlainUser({QStringLiteral("zip"), QStringLiteral("copy"), mine + QStringLiteral("/a.zip"),
                             mine + QStringLiteral("/b.zip")},
                            &output),
             0);
    QCOMPARE(output.trimmed(), QStringLiteral("0"));
    QCOMPARE(test::readFile(mine + QStringLiteral("/b.zip")), test::readFile(mine + QStringLiteral("/a.zip")));
    // The plain user really is refused where it may not write: the drive root itself.
    QVERIFY(runAsPlainUser({QStringLiteral("zip"), QStringLiteral("copy"), mine + QStringLiteral("/a.zip"),
                            QStringLiteral("/ksv-plain-user-test.zip")},
                           &output) != 0);
    QVERIFY(!QFile::exists(QStringLiteral("/ksv-plain-user-test.zip")));
}

QTEST_GUILESS_MAIN(TestFolderSpace)
#include "tst_folderspace.moc"
