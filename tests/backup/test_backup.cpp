// Tests of the split container engine TBackupFile: the byte layout against hand-assembled
// bytes, the edge cases of backup and restore, and a table of damaged containers.
#include "TBackupFile.h"

#include "AtomicFile.h"
#include "ContainerBytes.h"
#include "Dialogs.h"
#include "DosDateTime.h"
#include "DriveServices_simulated.h"
#include "Drives.h"
#include "ArchiveFlag.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace ksv;

namespace {

// Answers message boxes from a queue (then with the safe answer) and records every question.
class RecordingDialogs : public Dialogs
{
public:
    struct Question
    {
        MessageKind kind;
        QString text;
        Buttons buttons;
    };
    QList<Question> asked;
    QList<Button> answers;

protected:
    Button askMessage(MessageKind kind, const QString& text, const Buttons& buttons, const QString&) override
    {
        asked.append({kind, text, buttons});
        return answers.isEmpty() ? safeAnswer(buttons) : answers.takeFirst();
    }
    std::optional<QString> askText(TextKind, const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> askPath(PathKind, const QString&, const QString&, const QString&) override { return {}; }
};

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char(gen.bounded(256));
    return b;
}

QByteArray textBytes(qsizetype n)
{
    QByteArray b;
    while (b.size() < n)
        b += "The quick brown fox jumps over the lazy dog. ";
    return b.left(n);
}

// A fixed local time with even seconds, as DOS dates keep them.
const QDateTime FixedTime(QDate(2021, 3, 14), QTime(15, 9, 26), Qt::LocalTime);
const QDateTime OlderTime(QDate(2019, 1, 2), QTime(8, 0, 0), Qt::LocalTime);
const QDateTime NewerTime(QDate(2023, 7, 8), QTime(20, 30, 10), Qt::LocalTime);

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingDialogs* m_dialogs = nullptr;

    // Native path under the folder that plays drive C: (c) or E: (e).
    QString c(const QString& rel = {}) const { return m_dir->path() + QLatin1String("/c/") + rel; }
    QString e(const QString& rel = {}) const { return m_dir->path() + QLatin1String("/e/") + rel; }

    static void writeFile(const QString& path, const QByteArray& data, const QDateTime& mtime = FixedTime)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(data), data.size());
        QVERIFY(f.flush());
        QVERIFY(f.setFileTime(mtime, QFileDevice::FileModificationTime));
    }
    static QByteArray readFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static qint32 dos(const QDateTime& t) { return DosDateTime::pack(t); }

    // An engine whose errors are collected instead of shown.
    struct Engine
    {
        TBackupFile file;
        QList<int> errors;
        QList<quint16> disks;
        Engine()
        {
            file.setOnError([this](TBackupFile*, qint32 code, const QString&) { errors << code; });
            file.setOnNeedDisk([this](TBackupFile*, quint16 id, bool& Continue) {
                disks << id;
                Continue = true;
            });
        }
    };

    // The drive table with E: of the given type and capacity (0: the real free space).
    void setDriveE(const QString& type, qint64 capacity = 0, const QString& eRoot = {}) const
    {
        QFile f(m_dir->path() + QLatin1String("/drives.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QString text = QStringLiteral("[C]\nroot=%1\ntype=fixed\n[E]\nroot=%2\ntype=%3\n")
                           .arg(c().chopped(1), eRoot.isEmpty() ? e().chopped(1) : eRoot, type);
        if (capacity > 0)
            text += QStringLiteral("capacity=%1\n").arg(capacity);
        f.write(text.toUtf8());
    }

    // What a container restores to, read back through a fresh engine into a fresh folder:
    // file name -> content, or {"<fails>"} when the restore fails.
    QMap<QString, QByteArray> restoredFrom(const QString& firstVolumeNative)
    {
        const QString dest = m_dir->path() + QLatin1String("/check") + QString::number(++m_checks);
        TBackupFile engine;
        engine.setOnError([](TBackupFile*, qint32, const QString&) {});
        engine.setOnNeedDisk([firstVolumeNative](TBackupFile*, quint16 id, bool& Continue) {
            Continue = QFileInfo(TBackupFile::VolumeName(firstVolumeNative, id)).isFile();
        });
        if (!engine.Restore(firstVolumeNative, dest))
            return {{QStringLiteral("<fails>"), {}}};
        QMap<QString, QByteArray> files;
        const QDir dir(dest);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            files.insert(name, readFile(dir.filePath(name)));
        return files;
    }
    // Bytes of all volumes of a container.
    static qint64 containerSize(const QString& firstVolumeNative)
    {
        qint64 total = 0;
        for (int n = 1; QFileInfo(TBackupFile::VolumeName(firstVolumeNative, n)).isFile(); ++n)
            total += QFileInfo(TBackupFile::VolumeName(firstVolumeNative, n)).size();
        return total;
    }
    // Hidden temporary files left in a folder.
    static QStringList leftovers(const QString& folder)
    {
        return QDir(folder).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    }
    int m_checks = 0;

private slots:
    void cleanup() { AtomicFile::setWriteLimitForTesting(-1); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir(m_dir->path()).mkpath(QStringLiteral("c"));
        QDir(m_dir->path()).mkpath(QStringLiteral("e"));
        const QString ini = m_dir->path() + QLatin1String("/drives.ini");
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[C]\nroot=%1\ntype=fixed\n[E]\nroot=%2\ntype=fixed\n")
                    .arg(m_dir->path() + QLatin1String("/c"), m_dir->path() + QLatin1String("/e"))
                    .toUtf8());
        f.close();
        installDriveServices(new SimulatedDriveServices(ini));
        m_dialogs = new RecordingDialogs;
        installDialogs(m_dialogs);
    }

    void defaultsAndLevelTable()
    {
        TBackupFile b;
        QCOMPARE(b.Version(), QStringLiteral("5.10"));
        b.setVersion(QStringLiteral("3.00"));
        QCOMPARE(b.Version(), QStringLiteral("5.10"));
        QVERIFY(b.BackupTitle().isEmpty());
        QCOMPARE(b.BackupMode(), TBackupMode::bmAll);
        QCOMPARE(b.CompressionLevel(), TCompressionLevel::clFastest);
        QCOMPARE(b.RestoreMode(), TRestoreMode::rmAll);
        QCOMPARE(b.MaxSize(), 0);
        QVERIFY(!b.SetArchiveFlag() && !b.RestoreFullPath() && !b.SaveFileID() && !b.Busy());
        b.setBackupMode(TBackupMode::bmIncremental);
        QVERIFY(b.SetArchiveFlag());
        b.setSetArchiveFlag(false);
        b.setBackupMode(TBackupMode::bmIncremental); // already the mode: the flag stays as it is
        QVERIFY(!b.SetArchiveFlag());
        QCOMPARE(TBackupFile::zlibLevel(TCompressionLevel::clFastest), 1);
        QCOMPARE(TBackupFile::zlibLevel(TCompressionLevel::clNone), 0);
        QCOMPARE(TBackupFile::zlibLevel(TCompressionLevel::clDefault), -1);
        QCOMPARE(TBackupFile::zlibLevel(TCompressionLevel::clMax), 9);
        QCOMPARE(TBackupFile::ErrorText(5), QStringLiteral("Invalid archive type"));
        QCOMPARE(TBackupFile::ErrorText(2), QStringLiteral("Overwriting file failed"));
        QVERIFY(TBackupFile::ErrorText(42).isEmpty());
    }

    void volumeNames_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("second") << "A:\\big.001" << 2 << "A:\\big.002";
        QTest::newRow("999th") << "A:\\big.001" << 999 << "A:\\big.999";
        QTest::newRow("1000th wraps to .000") << "A:\\big.001" << 1000 << "A:\\big.000";
        QTest::newRow("first keeps its name") << "A:\\big.zip" << 1 << "A:\\big.zip";
        QTest::newRow("other extension") << "A:\\big.zip" << 12 << "A:\\big.012";
        QTest::newRow("no extension") << "A:\\big" << 3 << "A:\\big.003";
        QTest::newRow("dotted folder") << "/tmp/a.b/big" << 2 << "/tmp/a.b/big.002";
    }
    void volumeNames()
    {
        QFETCH(QString, first);
        QFETCH(int, number);
        QFETCH(QString, expected);
        QCOMPARE(TBackupFile::VolumeName(first, number), expected);
    }

    void dosDates_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("plain") << FixedTime << FixedTime;
        QTest::newRow("odd second rounds down")
            << QDateTime(QDate(2000, 2, 29), QTime(23, 59, 59), Qt::LocalTime)
            << QDateTime(QDate(2000, 2, 29), QTime(23, 59, 58), Qt::LocalTime);
        QTest::newRow("before 1980 clamps")
            << QDateTime(QDate(1970, 1, 1), QTime(12, 0), Qt::LocalTime)
            << QDateTime(QDate(1980, 1, 1), QTime(0, 0), Qt::LocalTime);
        QTest::newRow("after 2107 clamps")
            << QDateTime(QDate(2200, 1, 1), QTime(12, 0), Qt::LocalTime)
            << QDateTime(QDate(2107, 12, 31), QTime(23, 59, 58), Qt::LocalTime);
    }
    void dosDates()
    {
        QFETCH(QDateTime, time);
        QFETCH(QDateTime, expected);
        const auto back = DosDateTime::unpack(DosDateTime::pack(time));
        QVERIFY(back);
        QCOMPARE(*back, expected);
        QVERIFY(!DosDateTime::unpack(0)); // month 0 is no date
    }

    // An engine backup of a small fixed input, compared byte for byte with the layout.
    void backupIsByteExact_data()
    {
        QTest::addColumn<bool>("saveFileId");
        QTest::newRow("plain") << false;
        QTest::newRow("with file-ID list") << true;
    }
    void backupIsByteExact()
    {
        QFETCH(bool, saveFileId);
        const QByteArray small("hello");
        const QByteArray big = randomBytes(16384 + 10, 7);
        writeFile(c(QStringLiteral("In/A.txt")), small);
        writeFile(c(QStringLiteral("In/b.bin")), big);
        Engine engine;
        engine.file.setCompressionLevel(TCompressionLevel::clNone);
        engine.file.setBackupTitle(QStringLiteral("Fixed"));
        engine.file.setSaveFileID(saveFileId);
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\In\\a.txt"), QStringLiteral("C:\\IN\\B.BIN")},
                                   QStringLiteral("E:\\out.001")));

        const qint32 date = dos(FixedTime);
        // Names are stored as the file system spells them, whatever case the specification used.
        const QByteArray ids = "c:\\In\\A.txt\t" + QByteArray::number(date) + "=5\r\n" + "c:\\In\\b.bin\t"
                               + QByteArray::number(date) + "=16394\r\n";
        ContainerBytes expected;
        expected.header("Fixed", 5 + 16394 + (saveFileId ? qint32(ids.size()) : 0), 2);
        if (saveFileId) {
            // The file-ID list is a temporary file: its date is the time of the backup.
            QFile out(e(QStringLiteral("out.001")));
            QVERIFY(out.open(QIODevice::ReadOnly));
            const QByteArray written = out.readAll();
            const qsizetype at = expected.bytes().size() + 4 + 9;
            const qint32 idDate = qFromLittleEndian<qint32>(written.constData() + at);
            expected.entry("FILE:LIST", idDate).signature().zlibBlock(ContainerBytes::zlibStored(ids)).terminator();
        }
        expected.entry("c:\\In\\A.txt", date).signature().zlibBlock(ContainerBytes::zlibStored(small)).terminator();
        expected.entry("c:\\In\\b.bin", date)
            .signature()
            .storedBlock(big.left(16384))
            .zlibBlock(ContainerBytes::zlibStored(big.mid(16384)))
            .terminator();
        expected.endMarker();
        QCOMPARE(readFile(e(QStringLiteral("out.001"))).toHex(), expected.bytes().toHex());
        QVERIFY(engine.errors.isEmpty());
        QVERIFY(engine.disks.isEmpty());
    }

    // A file cut across volumes, each volume compared byte for byte.
    void cutAcrossVolumes_data()
    {
        QTest::addColumn<bool>("secondFile");
        QTest::newRow("one file over three volumes") << false;
        QTest::newRow("next entry follows the continuation") << true;
    }
    void cutAcrossVolumes()
    {
        QFETCH(bool, secondFile);
        const QByteArray big = randomBytes(40000, 3);
        writeFile(c(QStringLiteral("in/big.bin")), big);
        QStringList list{QStringLiteral("C:\\in\\big.bin")};
        if (secondFile) {
            writeFile(c(QStringLiteral("in/z.txt")), "zz");
            list << QStringLiteral("C:\\in\\z.txt");
        }
        Engine engine;
        engine.file.setCompressionLevel(TCompressionLevel::clNone);
        engine.file.setMaxSize(16484 + 200); // room for one block per volume
        QVERIFY(engine.file.Backup(list, QStringLiteral("E:\\cut.001")));
        // The second entry starts in the full third volume: its name goes there, its data to the fourth.
        const QList<quint16> disks = secondFile ? QList<quint16>{2, 3, 4} : QList<quint16>{2, 3};
        QCOMPARE(engine.disks, disks);
        QCOMPARE(engine.file.VolumeNumber(), disks.last());

        const qint32 date = dos(FixedTime);
        ContainerBytes v1, v2, v3, v4;
        v1.header("", 40000 + (secondFile ? 2 : 0), secondFile ? 2 : 1)
            .entry("c:\\in\\big.bin", date)
            .signature()
            .storedBlock(big.left(16384))
            .terminator()
            .nextDisk("002");
        v2.signature().storedBlock(big.mid(16384, 16384)).terminator().nextDisk("003");
        v3.signature().zlibBlock(ContainerBytes::zlibStored(big.mid(32768))).terminator();
        if (secondFile) {
            v3.entry("c:\\in\\z.txt", date).signature().terminator().nextDisk("004");
            v4.signature().zlibBlock(ContainerBytes::zlibStored("zz")).terminator().endMarker();
        } else {
            v3.endMarker();
        }
        QCOMPARE(readFile(e(QStringLiteral("cut.001"))).toHex(), v1.bytes().toHex());
        QCOMPARE(readFile(e(QStringLiteral("cut.002"))).toHex(), v2.bytes().toHex());
        QCOMPARE(readFile(e(QStringLiteral("cut.003"))).toHex(), v3.bytes().toHex());
        if (secondFile)
            QCOMPARE(readFile(e(QStringLiteral("cut.004"))).toHex(), v4.bytes().toHex());
        QVERIFY(QFileInfo(e(QStringLiteral("cut.001"))).size() < 16484 + 200 + 100);

        // And it comes back whole, its date set, with one OnFileRestored per volume part.
        Engine restorer;
        int restoredParts = 0;
        restorer.file.setOnFileRestored([&](TBackupFile*, QString& name, QFile& stream) {
            QVERIFY(stream.isOpen());
            if (name.endsWith(QLatin1String("big.bin")))
                ++restoredParts;
        });
        QVERIFY(restorer.file.Restore(QStringLiteral("E:\\cut.001"), QStringLiteral("E:\\back")));
        QCOMPARE(restorer.disks, disks);
        QCOMPARE(restoredParts, 3);
        QCOMPARE(readFile(e(QStringLiteral("back/big.bin"))), big);
        QCOMPARE(QFileInfo(e(QStringLiteral("back/big.bin"))).lastModified(), FixedTime);
        if (secondFile)
            QCOMPARE(readFile(e(QStringLiteral("back/z.txt"))), QByteArray("zz"));

        // Skipping the files (they exist now) moves through every volume as well.
        Engine skipper;
        skipper.file.setRestoreMode(TRestoreMode::rmNoOverwrite);
        skipper.file.setOnFileRestored([](TBackupFile*, QString&, QFile&) { QFAIL("nothing is written"); });
        QVERIFY(skipper.file.Restore(QStringLiteral("E:\\cut.001"), QStringLiteral("E:\\back")));
        QCOMPARE(skipper.disks, disks);
        QCOMPARE(readFile(e(QStringLiteral("back/big.bin"))), big);
    }

    // A hand-built container of two volumes, restored by the engine.
    void handBuiltFixtureRestores()
    {
        const QByteArray report = textBytes(30000);
        const QByteArray big = randomBytes(16384 + 1000, 11);
        const qint32 d1 = dos(FixedTime), d2 = dos(OlderTime), d3 = dos(NewerTime);
        ContainerBytes v1, v2;
        v1.header("Fixture", qint32(report.size() + big.size()), 3)
            .entry("FILE:LIST", d1)
            .storedSegment("c:\\docs\\report.txt\t1=30000\r\n")
            .entry("c:\\docs\\report.txt", d1)
            .signature()
            .zlibBlock(ContainerBytes::zlibCompressed(report.left(16384), 6))
            .zlibBlock(ContainerBytes::zlibCompressed(report.mid(16384, 13000), 1))
            .storedBlock(report.mid(29384))
            .terminator()
            .entry("c:\\docs\\empty.dat", d2)
            .signature()
            .terminator()
            .entry("c:\\docs\\big.bin", d3)
            .signature()
            .storedBlock(big.left(16384))
            .terminator()
            .nextDisk("002");
        v2.signature().zlibBlock(ContainerBytes::zlibStored(big.mid(16384))).terminator().endMarker();
        writeFile(e(QStringLiteral("set.001")), v1.bytes());
        writeFile(e(QStringLiteral("set.002")), v2.bytes());

        Engine engine;
        QStringList announced;
        QList<qint32> dates;
        QList<int> percents;
        engine.file.setOnRestoreFile([&](TBackupFile*, QString& name, qint32 fa, bool& doRestore) {
            announced << name;
            dates << fa;
            QVERIFY(doRestore);
        });
        engine.file.setOnProgress([&](TBackupFile*, const QString&, TPercentage p, bool&) { percents << p; });
        QVERIFY(engine.file.Restore(QStringLiteral("E:\\set.001"), QStringLiteral("E:\\Out")));
        QCOMPARE(announced, (QStringList{QStringLiteral("E:\\Out\\report.txt"), QStringLiteral("E:\\Out\\empty.dat"),
                                         QStringLiteral("E:\\Out\\big.bin")}));
        QCOMPARE(dates, (QList<qint32>{d1, d2, d3}));
        QCOMPARE(engine.disks, QList<quint16>{2});
        QCOMPARE(readFile(e(QStringLiteral("Out/report.txt"))), report);
        QCOMPARE(readFile(e(QStringLiteral("Out/empty.dat"))), QByteArray());
        QCOMPARE(readFile(e(QStringLiteral("Out/big.bin"))), big);
        QCOMPARE(QDir(e(QStringLiteral("Out"))).entryList(QDir::Files).size(), 3); // no FILE:LIST
        QCOMPARE(QFileInfo(e(QStringLiteral("Out/empty.dat"))).lastModified(), OlderTime);
        QCOMPARE(QFileInfo(e(QStringLiteral("Out/big.bin"))).lastModified(), NewerTime);
        QVERIFY(!percents.isEmpty());
        QCOMPARE(percents.last(), 100);
        QVERIFY(std::is_sorted(percents.cbegin(), percents.cend()));

        TBackupFile lister;
        lister.setOnNeedDisk([](TBackupFile*, quint16, bool& Continue) { Continue = true; });
        const auto catalog = lister.ReadCatalog(QStringLiteral("E:\\set.001"));
        QVERIFY(catalog);
        QCOMPARE(catalog->title, QStringLiteral("Fixture"));
        QCOMPARE(catalog->fileCount, 3);
        QCOMPARE(catalog->entries.size(), 4);
        QCOMPARE(catalog->entries.at(1).size, qint64(report.size()));
        QCOMPARE(catalog->entries.at(3).size, qint64(big.size()));
        QCOMPARE(catalog->volumeCount, 2);
    }

    void roundTripPerLevel_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("compressible");
        QTest::addColumn<bool>("firstBlockStored");
        QTest::newRow("fastest text") << int(TCompressionLevel::clFastest) << true << false;
        QTest::newRow("fastest random") << int(TCompressionLevel::clFastest) << false << true;
        QTest::newRow("none text") << int(TCompressionLevel::clNone) << true << true;
        QTest::newRow("default text") << int(TCompressionLevel::clDefault) << true << false;
        QTest::newRow("max random") << int(TCompressionLevel::clMax) << false << true;
    }
    void roundTripPerLevel()
    {
        QFETCH(int, level);
        QFETCH(bool, compressible);
        QFETCH(bool, firstBlockStored);
        // Three megabytes: more than the 1 MB buffers of the reader and the writer.
        const QByteArray data = compressible ? textBytes(3000000) : randomBytes(3000000, 5);
        writeFile(c(QStringLiteral("d/f.dat")), data);
        Engine engine;
        engine.file.setCompressionLevel(TCompressionLevel(level));
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\d\\*.*")}, QStringLiteral("E:\\rt.001")));
        const QByteArray container = readFile(e(QStringLiteral("rt.001")));
        // header 12 + name (4 + 10) + date 4 + signature 4 = the first block length
        const qint32 firstLength = qFromLittleEndian<qint32>(container.constData() + 12 + 14 + 4 + 4);
        QCOMPARE(firstLength < 0, firstBlockStored);
        if (firstBlockStored)
            QCOMPARE(firstLength, -16384);
        QVERIFY(engine.file.Restore(QStringLiteral("E:\\rt.001"), QStringLiteral("E:\\r")));
        QCOMPARE(readFile(e(QStringLiteral("r/f.dat"))), data);
    }

    void emptyListGivesHeaderAndEndMarker()
    {
        Engine engine;
        QVERIFY(engine.file.Backup({}, QStringLiteral("E:\\empty.001")));
        QCOMPARE(readFile(e(QStringLiteral("empty.001"))), ContainerBytes().header("", 0, 0).endMarker().bytes());
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\nothing\\*.*")}, QStringLiteral("E:\\empty.001")));
        QCOMPARE(readFile(e(QStringLiteral("empty.001"))), ContainerBytes().header("", 0, 0).endMarker().bytes());
        QVERIFY(engine.file.Restore(QStringLiteral("E:\\empty.001"), QStringLiteral("E:\\x")));
    }

    void emptyFileHasSegmentWithoutBlocks()
    {
        writeFile(c(QStringLiteral("e/zero.txt")), QByteArray(), OlderTime);
        Engine engine;
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\e\\zero.txt")}, QStringLiteral("E:\\z.001")));
        QCOMPARE(readFile(e(QStringLiteral("z.001"))),
                 ContainerBytes().header("", 0, 1).entry("c:\\e\\zero.txt", dos(OlderTime)).signature().terminator().endMarker().bytes());
        QVERIFY(engine.file.Restore(QStringLiteral("E:\\z.001"), QStringLiteral("E:\\r")));
        QVERIFY(QFileInfo::exists(e(QStringLiteral("r/zero.txt"))));
        QCOMPARE(QFileInfo(e(QStringLiteral("r/zero.txt"))).size(), 0);
        QCOMPARE(QFileInfo(e(QStringLiteral("r/zero.txt"))).lastModified(), OlderTime);
    }

    // Expansion: " /s" recursion first, hidden folders skipped, duplicates and the destination left out.
    void fileListExpansion()
    {
        writeFile(c(QStringLiteral("Data/top.txt")), "t");
        writeFile(c(QStringLiteral("Data/.hidden.txt")), "h");
        writeFile(c(QStringLiteral("Data/skip.doc")), "d");
        writeFile(c(QStringLiteral("Data/Sub/Deep/deep.txt")), "dd");
        writeFile(c(QStringLiteral("Data/.secret/x.txt")), "x");
        writeFile(c(QStringLiteral("Data/out.txt")), "old destination");
        Engine engine;
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\DATA\\*.TXT /S"), QStringLiteral("c:\\data\\top.txt"),
                                    QStringLiteral("C:\\Data\\Sub\\..\\top.txt")},
                                   QStringLiteral("C:\\Data\\OUT.TXT")));
        TBackupFile lister;
        const auto catalog = lister.ReadCatalog(QStringLiteral("C:\\Data\\out.txt"));
        QVERIFY(catalog);
        QStringList names;
        for (const auto& entry : catalog->entries)
            names << entry.name;
        QCOMPARE(names.size(), 3);
        // Deeper folders first; names spelled as on disk, whatever case the specification used.
        QCOMPARE(names.first(), QStringLiteral("c:\\Data\\Sub\\Deep\\deep.txt"));
        QVERIFY(names.contains(QStringLiteral("c:\\Data\\top.txt")));
        QVERIFY(names.contains(QStringLiteral("c:\\Data\\.hidden.txt")));
        QCOMPARE(catalog->fileCount, 3);
    }

    void fileDeletedBetweenPassesGetsNoEntry()
    {
        writeFile(c(QStringLiteral("p/1.bin")), randomBytes(40000, 1));
        writeFile(c(QStringLiteral("p/2.txt")), "second");
        Engine engine;
        engine.file.setOnProgress([&](TBackupFile*, const QString& name, TPercentage, bool&) {
            if (name.endsWith(QLatin1String("1.bin")))
                QFile::remove(c(QStringLiteral("p/2.txt")));
        });
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\p\\1.bin"), QStringLiteral("C:\\p\\2.txt")},
                                   QStringLiteral("E:\\del.001")));
        TBackupFile lister;
        const auto catalog = lister.ReadCatalog(QStringLiteral("E:\\del.001"));
        QVERIFY(catalog);
        QCOMPARE(catalog->fileCount, 2);        // counted when the list was made
        QCOMPARE(catalog->totalSize, 40006);    // sized before it went
        QCOMPARE(catalog->entries.size(), 1);   // but not stored
    }

    void maxSizeZeroIsOneVolume()
    {
        writeFile(c(QStringLiteral("m/big.bin")), randomBytes(200000, 2));
        Engine engine;
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\m\\*.*")}, QStringLiteral("E:\\one.001")));
        QVERIFY(engine.disks.isEmpty());
        QVERIFY(!QFileInfo::exists(e(QStringLiteral("one.002"))));
        QVERIFY(QFileInfo(e(QStringLiteral("one.001"))).size() > 200000);
    }

    void tooSmallMaxSizeIsRefused_data()
    {
        QTest::addColumn<int>("maxSize");
        QTest::newRow("1") << 1;
        QTest::newRow("16484") << 16484;
        QTest::newRow("negative") << -5;
    }
    void tooSmallMaxSizeIsRefused()
    {
        QFETCH(int, maxSize);
        writeFile(c(QStringLiteral("m/a.txt")), "a");
        Engine engine;
        engine.file.setMaxSize(maxSize);
        QVERIFY(!engine.file.Backup({QStringLiteral("C:\\m\\*.*")}, QStringLiteral("E:\\small.001")));
        QCOMPARE(engine.errors, QList<int>{8});
        QVERIFY(!QFileInfo::exists(e(QStringLiteral("small.001"))));
        QVERIFY(!engine.file.Busy());
    }

    // MaxSize set from OnNeedDisk to a value that leaves no room stops instead of cutting forever.
    void maxSizeShrunkDuringCutStops()
    {
        writeFile(c(QStringLiteral("m/big.bin")), randomBytes(60000, 2));
        Engine engine;
        engine.file.setCompressionLevel(TCompressionLevel::clNone);
        engine.file.setMaxSize(40000);
        engine.file.setOnNeedDisk([&](TBackupFile* sender, quint16, bool& Continue) {
            sender->setMaxSize(16484 + 3); // valid, but a fresh volume cannot take one block
            Continue = true;
        });
        QVERIFY(!engine.file.Backup({QStringLiteral("C:\\m\\big.bin")}, QStringLiteral("E:\\shrink.001")));
        QCOMPARE(engine.errors, QList<int>{8});
        QVERIFY(!QFileInfo::exists(e(QStringLiteral("shrink.003"))));
    }

    void restoreTargets_data()
    {
        QTest::addColumn<QString>("destDir");
        QTest::addColumn<bool>("fullPath");
        QTest::addColumn<QString>("expected"); // native, relative to the test folder
        QTest::newRow("empty DestDir: stored path") << QString() << false << "c/src/deep/f.txt";
        QTest::newRow("empty DestDir ignores full path") << QString() << true << "c/src/deep/f.txt";
        QTest::newRow("DestDir: side by side") << "E:\\flat" << false << "e/flat/f.txt";
        QTest::newRow("DestDir with full path") << "E:\\tree\\" << true << "e/tree/src/deep/f.txt";
    }
    void restoreTargets()
    {
        QFETCH(QString, destDir);
        QFETCH(bool, fullPath);
        QFETCH(QString, expected);
        writeFile(c(QStringLiteral("src/deep/f.txt")), "content");
        Engine engine;
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\src\\*.* /s")}, QStringLiteral("E:\\t.001")));
        QFile::remove(c(QStringLiteral("src/deep/f.txt")));
        engine.file.setRestoreFullPath(fullPath);
        QVERIFY(engine.file.Restore(QStringLiteral("E:\\t.001"), destDir));
        QCOMPARE(readFile(m_dir->path() + QLatin1Char('/') + expected), QByteArray("content"));
    }

    void restoreModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("target"); // 0 missing, 1 older than stored, 2 newer than stored
        QTest::addColumn<bool>("restored");
        const char* names[] = {"all", "no-overwrite", "newer", "existing", "existing-newer"};
        const char* targets[] = {"missing", "older", "newer"};
        const bool table[5][3] = {
            {true, true, true},    // rmAll
            {true, false, false},  // rmNoOverwrite
            {true, true, false},   // rmNewer
            {false, true, true},   // rmExisting
            {false, true, false},  // rmExistingNewer
        };
        for (int m = 0; m < 5; ++m)
            for (int t = 0; t < 3; ++t)
                QTest::addRow("%s, target %s", names[m], targets[t]) << m << t << table[m][t];
    }
    void restoreModes()
    {
        QFETCH(int, mode);
        QFETCH(int, target);
        QFETCH(bool, restored);
        writeFile(c(QStringLiteral("r/f.txt")), "stored");
        Engine engine;
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\r\\f.txt")}, QStringLiteral("E:\\m.001")));
        if (target > 0)
            writeFile(e(QStringLiteral("out/f.txt")), "existing", target == 1 ? OlderTime : NewerTime);
        engine.file.setRestoreMode(TRestoreMode(mode));
        bool announcedDecision = !restored;
        engine.file.setOnRestoreFile([&](TBackupFile*, QString&, qint32, bool& doRestore) { announcedDecision = doRestore; });
        QVERIFY(engine.file.Restore(QStringLiteral("E:\\m.001"), QStringLiteral("E:\\out")));
        QCOMPARE(announcedDecision, restored);
        const QByteArray now = readFile(e(QStringLiteral("out/f.txt")));
        QCOMPARE(now, restored ? QByteArray("stored") : (target == 0 ? QByteArray("<missing>") : QByteArray("existing")));
    }

    // OnRestoreFile may rename the target or refuse it.
    void restoreHandlerChangesTarget()
    {
        writeFile(c(QStringLiteral("h/a.txt")), "A");
        writeFile(c(QStringLiteral("h/b.txt")), "B");
        Engine engine;
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\h\\a.txt"), QStringLiteral("C:\\h\\b.txt")}, QStringLiteral("E:\\h.001")));
        engine.file.setOnRestoreFile([](TBackupFile*, QString& name, qint32, bool& doRestore) {
            if (name.endsWith(QLatin1String("a.txt")))
                name = QStringLiteral("E:\\renamed\\new.txt");
            else
                doRestore = false;
        });
        QVERIFY(engine.file.Restore(QStringLiteral("E:\\h.001"), QStringLiteral("E:\\out")));
        QCOMPARE(readFile(e(QStringLiteral("renamed/new.txt"))), QByteArray("A"));
        QVERIFY(!QFileInfo::exists(e(QStringLiteral("out/b.txt"))));
    }

    void stopFromProgressHandler()
    {
        writeFile(c(QStringLiteral("s/big.bin")), randomBytes(100000, 4));
        writeFile(c(QStringLiteral("s/later.txt")), "later");
        Engine engine;
        QList<int> percents;
        bool secondRefused = false;
        engine.file.setOnProgress([&](TBackupFile* sender, const QString& name, TPercentage p, bool&) {
            percents << p;
            QVERIFY(sender->Busy());
            if (!name.isEmpty()) {
                // One operation at a time: another one started from a handler is refused.
                secondRefused = !sender->Restore(QStringLiteral("E:\\stop.001"), QStringLiteral("E:\\r"));
                sender->StopProcess();
            }
        });
        QVERIFY(!engine.file.Backup({QStringLiteral("C:\\s\\big.bin"), QStringLiteral("C:\\s\\later.txt")},
                                    QStringLiteral("E:\\stop.001")));
        QVERIFY(secondRefused);
        QVERIFY(engine.errors.isEmpty()); // a stop is no error
        QCOMPARE(engine.file.LastStatus().code(), 0);
        QCOMPARE(percents.first(), 0);
        QCOMPARE(percents.last(), 100);
        QCOMPARE(percents.size(), 3); // start, one block, end
        QVERIFY(!engine.file.Busy());
        // A stopped backup leaves no volume behind (and no temporary file).
        QCOMPARE(QDir(e()).entryList(QDir::Files | QDir::Hidden), QStringList{});

        // Restore stopped the same way, through the Continue flag.
        engine.file.setOnProgress({});
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\s\\big.bin")}, QStringLiteral("E:\\full.001")));
        int blocks = 0;
        engine.file.setOnProgress([&](TBackupFile*, const QString& name, TPercentage, bool& Continue) {
            if (!name.isEmpty() && ++blocks == 2)
                Continue = false;
        });
        QVERIFY(!engine.file.Restore(QStringLiteral("E:\\full.001"), QStringLiteral("E:\\r")));
        QCOMPARE(blocks, 2);
        // The half-restored file is not left behind as if it were the file.
        QCOMPARE(QDir(e(QStringLiteral("r"))).entryList(QDir::Files | QDir::Hidden), QStringList{});
        QCOMPARE(engine.file.IncompleteNames(), QStringList{QStringLiteral("E:\\r\\big.bin")});
        QVERIFY(engine.errors.isEmpty());
    }

    // Without OnNeedDisk the engine asks through the dialogs service.
    void defaultDiskPrompt()
    {
        writeFile(c(QStringLiteral("p/big.bin")), randomBytes(50000, 6));
        TBackupFile engine;
        engine.setCompressionLevel(TCompressionLevel::clNone);
        engine.setMaxSize(30000);
        engine.setOnError([](TBackupFile*, qint32, const QString&) { QFAIL("cancel is no error"); });
        m_dialogs->answers = {Button::Ok, Button::Cancel};
        QVERIFY(!engine.Backup({QStringLiteral("C:\\p\\big.bin")}, QStringLiteral("E:\\p.001")));
        QCOMPARE(m_dialogs->asked.size(), 2);
        QCOMPARE(m_dialogs->asked.at(0).kind, MessageKind::Information);
        QCOMPARE(m_dialogs->asked.at(0).text, QStringLiteral("Please insert disk 2 and click OK to continue."));
        QCOMPARE(m_dialogs->asked.at(0).buttons, (Buttons{Button::Ok, Button::Cancel}));
        QCOMPARE(m_dialogs->asked.at(1).text, QStringLiteral("Please insert disk 3 and click OK to continue."));
        QCOMPARE(QDir(e()).entryList(QDir::Files | QDir::Hidden), QStringList{}); // cancelled: nothing written

        // Restore: a missing volume is asked for again until it is there or the answer is Cancel.
        m_dialogs->answers = {Button::Ok, Button::Ok, Button::Ok};
        QVERIFY(engine.Backup({QStringLiteral("C:\\p\\big.bin")}, QStringLiteral("E:\\p.001")));
        QFile::rename(e(QStringLiteral("p.002")), e(QStringLiteral("p.002.away")));
        m_dialogs->asked.clear();
        m_dialogs->answers = {Button::Ok, Button::Ok, Button::Cancel};
        QVERIFY(!engine.Restore(QStringLiteral("E:\\p.001"), QStringLiteral("E:\\r")));
        QCOMPARE(m_dialogs->asked.size(), 3);
        QCOMPARE(m_dialogs->asked.at(2).text, QStringLiteral("Please insert disk 2 and click OK to continue."));
        QCOMPARE(engine.LastStatus().code(), 0);
    }

    // The error codes a backup or restore can end with, and the default error box.
    void errorCodes()
    {
        writeFile(c(QStringLiteral("x/a.txt")), textBytes(1000));
        {
            Engine engine; // 4: volume 1 cannot be created
            QVERIFY(!engine.file.Backup({QStringLiteral("C:\\x\\a.txt")}, QStringLiteral("E:\\no\\such\\folder\\a.001")));
            QCOMPARE(engine.errors, QList<int>{4});
            QCOMPARE(engine.file.LastStatus().message(), QStringLiteral("Cannot write to archive"));
        }
        {
            Engine engine; // 7: the file-ID list cannot be written
            const QByteArray oldTmp = qgetenv("TMPDIR");
            qputenv("TMPDIR", (m_dir->path() + QLatin1String("/missing-tmp")).toUtf8());
            engine.file.setSaveFileID(true);
            const bool ok = engine.file.Backup({QStringLiteral("C:\\x\\a.txt")}, QStringLiteral("E:\\ids.001"));
            qputenv("TMPDIR", oldTmp);
            QVERIFY(!ok);
            QCOMPARE(engine.errors, QList<int>{7});
        }
        Engine maker;
        QVERIFY(maker.file.Backup({QStringLiteral("C:\\x\\a.txt")}, QStringLiteral("E:\\ok.001")));
        {
            Engine engine; // 1: the target cannot be created (a folder has its name)
            QDir().mkpath(e(QStringLiteral("r/a.txt")));
            QVERIFY(!engine.file.Restore(QStringLiteral("E:\\ok.001"), QStringLiteral("E:\\r")));
            QCOMPARE(engine.errors, QList<int>{1});
        }
        {
            // Without OnError the text goes to an error box.
            TBackupFile engine;
            QVERIFY(!engine.Restore(QStringLiteral("E:\\ok.001"), QStringLiteral("E:\\r")));
            QCOMPARE(m_dialogs->asked.size(), 1);
            QCOMPARE(m_dialogs->asked.first().kind, MessageKind::Error);
            QCOMPARE(m_dialogs->asked.first().text, QStringLiteral("Cannot read file"));
        }
        {
            // A missing source: false at once, nothing reported.
            Engine engine;
            QVERIFY(!engine.file.Restore(QStringLiteral("E:\\none.001"), QStringLiteral("E:\\r")));
            QVERIFY(engine.errors.isEmpty());
        }
    }

    // Damaged containers fail cleanly with a defined code.
    void damagedContainers_data()
    {
        QTest::addColumn<QByteArray>("volume1");
        QTest::addColumn<QByteArray>("volume2");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("raised");
        QTest::addColumn<int>("mode");

        const QByteArray data = textBytes(3000);
        const QByteArray good = ContainerBytes()
                                    .header("t", 3000, 1)
                                    .entry("c:\\a.txt", dos(FixedTime))
                                    .signature()
                                    .zlibBlock(ContainerBytes::zlibCompressed(data, 6))
                                    .terminator()
                                    .endMarker()
                                    .bytes();
        const int all = int(TRestoreMode::rmAll);
        const int skip = int(TRestoreMode::rmExisting); // the target does not exist: the data is skipped
        auto head = [] { return ContainerBytes().header("t", 10, 1); };
        auto bigBlock = [](qint32 length) {
            return ContainerBytes().header("t", 10, 1).entry("c:\\a.txt", 1).signature().i32(length).raw(QByteArray(20, 'x')).bytes();
        };
        QTest::newRow("empty file") << QByteArray() << QByteArray() << 3 << true << all;
        QTest::newRow("header cut short") << good.left(6) << QByteArray() << 3 << true << all;
        QTest::newRow("negative title length") << ContainerBytes().i32(-1).i32(0).i32(0).bytes() << QByteArray() << 3 << true << all;
        QTest::newRow("name cut short") << good.left(16) << QByteArray() << 3 << true << all;
        QTest::newRow("date missing") << good.left(13 + 4 + 8) << QByteArray() << 3 << true << all;
        QTest::newRow("negative name length") << head().i32(-5).bytes() << QByteArray() << 5 << true << all;
        QTest::newRow("huge name length") << head().i32(0x7fffffff).bytes() << QByteArray() << 5 << true << all;
        QTest::newRow("block data cut short") << good.left(good.size() - 30) << QByteArray() << 3 << true << all;
        QTest::newRow("end marker missing") << good.chopped(4) << QByteArray() << 3 << true << all;
        QTest::newRow("block longer than 16384") << bigBlock(16385) << QByteArray() << 5 << true << all;
        QTest::newRow("stored block longer than 16384") << bigBlock(-16385) << QByteArray() << 5 << true << all;
        QTest::newRow("lowest block length") << bigBlock(qint32(0x80000000)) << QByteArray() << 5 << true << all;
        QTest::newRow("skipped block passes the end") << bigBlock(16000) << QByteArray() << 3 << true << skip;
        QTest::newRow("wrong signature at a target")
            << head().entry("c:\\a.txt", 1).raw(QByteArray("EC3\0", 4)).terminator().endMarker().bytes() << QByteArray() << 1 << false << all;
        QTest::newRow("wrong signature while skipping")
            << head().entry("c:\\a.txt", 1).raw("XYZW").terminator().endMarker().bytes() << QByteArray() << 5 << true << skip;
        QTest::newRow("inflates beyond 16384")
            << head().entry("c:\\a.txt", 1).signature().zlibBlock(ContainerBytes::zlibCompressed(textBytes(20000), 9)).terminator().endMarker().bytes()
            << QByteArray() << 5 << true << all;
        QByteArray corrupt = ContainerBytes::zlibCompressed(data, 6);
        corrupt[corrupt.size() / 2] = char(corrupt[corrupt.size() / 2] ^ 0x55);
        corrupt[corrupt.size() - 1] = char(corrupt[corrupt.size() - 1] ^ 0x55);
        QTest::newRow("corrupt compressed block")
            << head().entry("c:\\a.txt", 1).signature().zlibBlock(corrupt).terminator().endMarker().bytes() << QByteArray() << 6 << false << all;
        QTest::newRow("incomplete compressed block")
            << head().entry("c:\\a.txt", 1).signature().zlibBlock(ContainerBytes::zlibCompressed(data, 6).left(40)).terminator().endMarker().bytes()
            << QByteArray() << 6 << false << all;
        QTest::newRow("continuation digits not digits")
            << head().entry("c:\\a.txt", 1).signature().terminator().text("NEXT:DISKab2").bytes() << QByteArray() << 5 << true << all;
        QTest::newRow("continuation name too short")
            << head().entry("c:\\a.txt", 1).signature().terminator().text("NEXT:DISK2").bytes() << QByteArray() << 5 << true << all;
        QTest::newRow("continuation volume with wrong signature")
            << head().entry("c:\\a.txt", 1).signature().storedBlock("abc").terminator().nextDisk("002").bytes()
            << QByteArray("EC4\0\0\0\0\0\0\0\0\0", 12) << 5 << true << all;
        // A marker that does not move forward would lead round the same volumes for ever.
        QTest::newRow("continuation names its own volume")
            << head().entry("c:\\a.txt", 1).signature().storedBlock("abc").terminator().nextDisk("002").bytes()
            << ContainerBytes().signature().storedBlock("def").terminator().nextDisk("002").bytes() << 5 << true << all;
        QTest::newRow("continuation goes back")
            << head().entry("c:\\a.txt", 1).signature().storedBlock("abc").terminator().nextDisk("002").bytes()
            << ContainerBytes().signature().storedBlock("def").terminator().nextDisk("001").bytes() << 5 << true << all;
        QTest::newRow("continuation back while skipping")
            << head().entry("c:\\a.txt", 1).signature().storedBlock("abc").terminator().nextDisk("002").bytes()
            << ContainerBytes().signature().storedBlock("def").terminator().nextDisk("001").bytes() << 5 << true << skip;
        QTest::newRow("continuation volume empty")
            << head().entry("c:\\a.txt", 1).signature().storedBlock("abc").terminator().nextDisk("002").bytes()
            << QByteArray("") << 3 << true << all;
    }
    void damagedContainers()
    {
        QFETCH(QByteArray, volume1);
        QFETCH(QByteArray, volume2);
        QFETCH(int, code);
        QFETCH(bool, raised);
        QFETCH(int, mode);
        writeFile(e(QStringLiteral("bad.001")), volume1);
        if (!volume2.isNull())
            writeFile(e(QStringLiteral("bad.002")), volume2);
        Engine engine;
        engine.file.setRestoreMode(TRestoreMode(mode));
        QVERIFY(!engine.file.Restore(QStringLiteral("E:\\bad.001"), QStringLiteral("E:\\r")));
        QCOMPARE(engine.file.LastStatus().code(), code);
        QCOMPARE(engine.file.LastFailureRaised(), raised);
        QCOMPARE(engine.errors, raised ? QList<int>{} : QList<int>{code});
        QVERIFY(!engine.file.Busy());
        // The listing reader, which reads every block, rejects it as well.
        TBackupFile lister;
        lister.setOnNeedDisk([](TBackupFile*, quint16, bool& Continue) { Continue = true; });
        const auto catalog = lister.ReadCatalog(QStringLiteral("E:\\bad.001"));
        QVERIFY(!catalog);
    }

    // A backup that fails or stops leaves the previous container of the same name as it was,
    // and the archive flags of the files it took as they were.
    void failedBackupKeepsPreviousContainer_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<qint64>("writeLimit");
        QTest::newRow("disk full at once") << "full" << qint64(0);
        QTest::newRow("disk full in volume 1") << "full" << qint64(10000);
        QTest::newRow("disk full in a later volume") << "full" << qint64(40000);
        QTest::newRow("disk full at the end marker") << "full" << qint64(-2);
        QTest::newRow("disk prompt cancelled") << "cancel" << qint64(-1);
        QTest::newRow("stopped") << "stop" << qint64(-1);
    }
    void failedBackupKeepsPreviousContainer()
    {
        QFETCH(QString, how);
        QFETCH(qint64, writeLimit);
        // The old container: seven volumes (one block each).
        const QByteArray oldData = randomBytes(100000, 21);
        writeFile(c(QStringLiteral("old/data.bin")), oldData);
        Engine maker;
        maker.file.setCompressionLevel(TCompressionLevel::clNone);
        maker.file.setMaxSize(30000);
        QVERIFY(maker.file.Backup({QStringLiteral("C:\\old\\data.bin")}, QStringLiteral("E:\\set.001")));
        const int oldCount = maker.file.VolumeNumber();
        const QString oldLast = e(QStringLiteral("set.00%1").arg(oldCount));
        const QMap<QString, QByteArray> before = restoredFrom(e(QStringLiteral("set.001")));
        QCOMPARE(before.value(QStringLiteral("data.bin")), oldData);

        // The new one would take five volumes; its sources have their archive flags set.
        writeFile(c(QStringLiteral("new/a.bin")), randomBytes(60000, 22));
        writeFile(c(QStringLiteral("new/b.txt")), textBytes(9000));
        writeFile(c(QStringLiteral("probe.txt")), "p");
        if (!ArchiveFlag::clear(c(QStringLiteral("probe.txt"))))
            QSKIP("extended attributes are not supported here");
        QVERIFY(ArchiveFlag::isSet(c(QStringLiteral("new/a.bin"))) && ArchiveFlag::isSet(c(QStringLiteral("new/b.txt"))));
        Engine engine;
        engine.file.setCompressionLevel(TCompressionLevel::clNone);
        engine.file.setMaxSize(30000);
        engine.file.setBackupMode(TBackupMode::bmIncremental);
        if (how == QLatin1String("cancel")) {
            engine.file.setOnNeedDisk([](TBackupFile*, quint16 id, bool& Continue) { Continue = id < 3; });
        } else if (how == QLatin1String("stop")) {
            int blocks = 0;
            engine.file.setOnProgress([blocks](TBackupFile*, const QString& name, TPercentage, bool& Continue) mutable {
                if (!name.isEmpty() && ++blocks == 4)
                    Continue = false;
            });
        }
        if (writeLimit == -2) {
            // Everything but the last bytes of the last volume.
            Engine probe;
            probe.file.setCompressionLevel(TCompressionLevel::clNone);
            probe.file.setMaxSize(30000);
            QVERIFY(probe.file.Backup({QStringLiteral("C:\\new\\*.*")}, QStringLiteral("C:\\probe.001")));
            writeLimit = containerSize(c(QStringLiteral("probe.001"))) - 2;
        }
        AtomicFile::setWriteLimitForTesting(writeLimit);
        QVERIFY(!engine.file.Backup({QStringLiteral("C:\\new\\*.*")}, QStringLiteral("E:\\set.001")));
        AtomicFile::setWriteLimitForTesting(-1);
        if (how == QLatin1String("full"))
            QCOMPARE(engine.errors, QList<int>{BackupTexts::CannotWriteArchive});

        QCOMPARE(restoredFrom(e(QStringLiteral("set.001"))), before);
        QVERIFY(QFileInfo::exists(oldLast));
        QCOMPARE(leftovers(e()), QStringList{});
        QVERIFY(ArchiveFlag::isSet(c(QStringLiteral("new/a.bin"))));
        QVERIFY(ArchiveFlag::isSet(c(QStringLiteral("new/b.txt"))));

        // The same backup without the failure replaces the old set, its fourth volume included,
        // and only then clears the flags.
        Engine again;
        again.file.setCompressionLevel(TCompressionLevel::clNone);
        again.file.setMaxSize(30000);
        again.file.setBackupMode(TBackupMode::bmIncremental);
        QVERIFY(again.file.Backup({QStringLiteral("C:\\new\\*.*")}, QStringLiteral("E:\\set.001")));
        QVERIFY(again.file.VolumeNumber() < oldCount);
        const QMap<QString, QByteArray> after = restoredFrom(e(QStringLiteral("set.001")));
        QCOMPARE(after.keys(), (QStringList{QStringLiteral("a.bin"), QStringLiteral("b.txt")}));
        QCOMPARE(after.value(QStringLiteral("a.bin")), randomBytes(60000, 22));
        QVERIFY(!QFileInfo::exists(oldLast));
        QVERIFY(!QFileInfo::exists(e(QStringLiteral("set.00%1").arg(again.file.VolumeNumber() + 1))));
        QVERIFY(!ArchiveFlag::isSet(c(QStringLiteral("new/a.bin"))));
        QCOMPARE(leftovers(e()), QStringList{});
    }

    // A disk that fills up at any point of a backup: the old container stays or the new one is
    // complete, never a mix.
    void backupOnDiskFullAtThirtyLevels()
    {
        const QByteArray oldData = randomBytes(70000, 31);
        const QByteArray newData = textBytes(50000) + randomBytes(40000, 32);
        writeFile(c(QStringLiteral("src/f.bin")), oldData);
        Engine maker;
        maker.file.setMaxSize(30000);
        QVERIFY(maker.file.Backup({QStringLiteral("C:\\src\\f.bin")}, QStringLiteral("E:\\lvl.001")));
        writeFile(c(QStringLiteral("src/f.bin")), newData);
        Engine probe;
        probe.file.setMaxSize(30000);
        QVERIFY(probe.file.Backup({QStringLiteral("C:\\src\\f.bin")}, QStringLiteral("C:\\probe.001")));
        const qint64 newSize = containerSize(c(QStringLiteral("probe.001")));
        const QMap<QString, QByteArray> oldSet{{QStringLiteral("f.bin"), oldData}};
        const QMap<QString, QByteArray> newSet{{QStringLiteral("f.bin"), newData}};
        int keptOld = 0, wroteNew = 0;
        for (int level = 0; level < 30; ++level) {
            // From a disk full at once to one with room to spare.
            const qint64 limit = level < 29 ? newSize * level / 28 : newSize + 1000;
            Engine engine;
            engine.file.setMaxSize(30000);
            AtomicFile::setWriteLimitForTesting(limit);
            const bool ok = engine.file.Backup({QStringLiteral("C:\\src\\f.bin")}, QStringLiteral("E:\\lvl.001"));
            AtomicFile::setWriteLimitForTesting(-1);
            const QMap<QString, QByteArray> now = restoredFrom(e(QStringLiteral("lvl.001")));
            QCOMPARE(leftovers(e()), QStringList{});
            if (ok) {
                QCOMPARE(now, newSet);
                ++wroteNew;
                break; // from here on the old container is the new one
            }
            QCOMPARE(engine.errors, QList<int>{BackupTexts::CannotWriteArchive});
            QCOMPARE(now, oldSet);
            ++keptOld;
        }
        qInfo("backup on a full disk: %d levels kept the old container intact, %d wrote the new one", keptOld, wroteNew);
        QVERIFY(keptOld >= 28);
        QCOMPARE(wroteNew, 1);
    }

    // Every volume of a set stays open until the set is complete: hundreds of them must not run
    // out of file descriptors.
    void hundredsOfVolumesOnOneMedium()
    {
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
        if (saved.rlim_max < 1024)
            QSKIP("the hard limit of open files is too low here");
        rlimit low = saved;
        low.rlim_cur = 256;
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &low) == 0);
        const auto restoreLimit = qScopeGuard([&] { ::setrlimit(RLIMIT_NOFILE, &saved); });
        const QByteArray data = randomBytes(300 * 16384, 81);
        writeFile(c(QStringLiteral("many/f.bin")), data);
        Engine engine;
        engine.file.setCompressionLevel(TCompressionLevel::clNone);
        engine.file.setMaxSize(16484 + 200); // one block per volume
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\many\\f.bin")}, QStringLiteral("E:\\many.001")));
        QVERIFY(engine.file.VolumeNumber() >= 300);
        QCOMPARE(restoredFrom(e(QStringLiteral("many.001"))).value(QStringLiteral("f.bin")), data);
    }

    // A backup that died among the final renames left a note; whoever opens the container next
    // finishes them, touching nothing but this container's own files.
    void interruptedReplaceIsFinished()
    {
        const QByteArray oldData = randomBytes(70000, 71), newData = randomBytes(50000, 72);
        writeFile(c(QStringLiteral("i/f.bin")), oldData);
        Engine engine;
        engine.file.setCompressionLevel(TCompressionLevel::clNone);
        engine.file.setMaxSize(30000);
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\i\\f.bin")}, QStringLiteral("E:\\set.001")));
        const int oldCount = engine.file.VolumeNumber();
        writeFile(c(QStringLiteral("i/f.bin")), newData);
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\i\\f.bin")}, QStringLiteral("C:\\set.001")));
        const int newCount = engine.file.VolumeNumber();
        QVERIFY(newCount < oldCount);

        // The state after a crash behind the first rename: volume 1 new, the others still
        // under their temporary names, the old volumes beyond still there.
        QByteArray note = "count=" + QByteArray::number(newCount) + "\n";
        for (int n = 1; n <= newCount; ++n) {
            const QString name = QStringLiteral("set.00%1").arg(n);
            const QString temporary =
                QStringLiteral(".set.00%1.4242.Ab%2Cd").arg(n).arg(n, 2, 10, QLatin1Char('0')); // dead writer 4242
            QVERIFY(QFile::copy(c(name), n == 1 ? e(name + QLatin1String(".new")) : e(temporary)));
            if (n == 1) {
                QFile::remove(e(name));
                QVERIFY(QFile::rename(e(name + QLatin1String(".new")), e(name)));
            }
            note += QByteArray::number(n) + "=" + temporary.toUtf8() + "\n";
        }
        // A note may only move this container's temporary files onto its volumes.
        writeFile(c(QStringLiteral("victim.txt")), "stays");
        writeFile(e(QStringLiteral(".set.002.XXXXXXX")), "wrong length");
        note += "3=../c/victim.txt\n4=.set.002.XXXXXXX\n";
        writeFile(e(QStringLiteral(".set.001.replacing")), note);

        const QMap<QString, QByteArray> now = restoredFrom(e(QStringLiteral("set.001")));
        QCOMPARE(now.value(QStringLiteral("f.bin")), newData);
        QVERIFY(!QFileInfo::exists(e(QStringLiteral(".set.001.replacing"))));
        QVERIFY(!QFileInfo::exists(e(QStringLiteral("set.00%1").arg(newCount + 1))));
        QCOMPARE(readFile(c(QStringLiteral("victim.txt"))), QByteArray("stays"));
        QCOMPARE(leftovers(e()), QStringList{QStringLiteral(".set.002.XXXXXXX")});
    }

    // On a removable drive each volume goes to its own disk: it replaces its predecessor once it
    // is complete, and a disk without room for both says so in the prompt.
    void removableDiskReplacesVolumeByVolume()
    {
        const QByteArray oldData = randomBytes(70000, 41);
        const QByteArray newData = randomBytes(70000, 42);
        writeFile(c(QStringLiteral("r/f.bin")), oldData);
        setDriveE(QStringLiteral("removable"));
        Engine maker;
        maker.file.setCompressionLevel(TCompressionLevel::clNone);
        maker.file.setMaxSize(30000);
        QVERIFY(maker.file.Backup({QStringLiteral("C:\\r\\f.bin")}, QStringLiteral("E:\\rem.001")));
        QVERIFY(maker.file.VolumeNumber() >= 3);
        const QByteArray oldVolume2 = readFile(e(QStringLiteral("rem.002")));
        writeFile(c(QStringLiteral("r/f.bin")), newData);

        // Room for both: volume 1 is in place (and volume 2 still the old one) when disk 2 is asked for.
        Engine engine;
        engine.file.setCompressionLevel(TCompressionLevel::clNone);
        engine.file.setMaxSize(30000);
        bool volume1NewAtDisk2 = false, volume2OldAtDisk2 = false;
        engine.file.setOnNeedDisk([&](TBackupFile*, quint16 id, bool& Continue) {
            if (id == 2) {
                TBackupFile lister;
                lister.setOnNeedDisk([](TBackupFile*, quint16, bool& go) { go = false; });
                const auto catalog = lister.ReadCatalog(QStringLiteral("E:\\rem.001"));
                volume1NewAtDisk2 = catalog && catalog->totalSize == newData.size();
                volume2OldAtDisk2 = readFile(e(QStringLiteral("rem.002"))) == oldVolume2;
            }
            Continue = true;
        });
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\r\\f.bin")}, QStringLiteral("E:\\rem.001")));
        QVERIFY(volume1NewAtDisk2);
        QVERIFY(volume2OldAtDisk2);
        QCOMPARE(restoredFrom(e(QStringLiteral("rem.001"))).value(QStringLiteral("f.bin")), newData);
        QCOMPARE(leftovers(e()), QStringList{});

        // A disk without room for a second copy: the default prompt adds one sentence, the old
        // volume goes before the new one is written, and the set still comes out whole.
        writeFile(c(QStringLiteral("r/f.bin")), oldData);
        const qint64 used = containerSize(e(QStringLiteral("rem.001")));
        setDriveE(QStringLiteral("removable"), used + 20000);
        TBackupFile prompted;
        prompted.setCompressionLevel(TCompressionLevel::clNone);
        prompted.setMaxSize(30000);
        prompted.setOnError([](TBackupFile*, qint32 code, const QString&) { QFAIL(qPrintable(QString::number(code))); });
        m_dialogs->answers = QList<Button>(maker.file.VolumeNumber() - 1, Button::Ok);
        QVERIFY(prompted.Backup({QStringLiteral("C:\\r\\f.bin")}, QStringLiteral("E:\\rem.001")));
        QCOMPARE(m_dialogs->asked.size(), maker.file.VolumeNumber() - 1);
        QCOMPARE(m_dialogs->asked.at(0).text,
                 QStringLiteral("Please insert disk 2 and click OK to continue. This disk has no room for a second "
                                "copy: the previous backup on it will be replaced."));
        QCOMPARE(restoredFrom(e(QStringLiteral("rem.001"))).value(QStringLiteral("f.bin")), oldData);

        // With room, the prompt is the plain one.
        setDriveE(QStringLiteral("removable"), used + 200000);
        m_dialogs->asked.clear();
        m_dialogs->answers = QList<Button>(maker.file.VolumeNumber() - 1, Button::Ok);
        QVERIFY(prompted.Backup({QStringLiteral("C:\\r\\f.bin")}, QStringLiteral("E:\\rem.001")));
        QCOMPARE(m_dialogs->asked.at(0).text, QStringLiteral("Please insert disk 2 and click OK to continue."));
    }

    // A restore that cannot rebuild a file whole leaves an existing file of that name as it was
    // (content and date) and creates none where there was none.
    void failedRestoreKeepsExistingFile_data()
    {
        QTest::addColumn<QByteArray>("volume1");
        QTest::addColumn<QByteArray>("volume2");
        QTest::addColumn<qint64>("writeLimit");
        QTest::addColumn<bool>("whole");

        const QByteArray data = textBytes(20000);
        const qint32 date = dos(FixedTime);
        const QByteArray good = ContainerBytes().header("", 20000, 1).entry("c:\\a.txt", date).storedSegment(data).endMarker().bytes();
        const QByteArray firstHalf = ContainerBytes()
                                         .header("", 20000, 1)
                                         .entry("c:\\a.txt", date)
                                         .signature()
                                         .storedBlock(data.left(16384))
                                         .terminator()
                                         .nextDisk("002")
                                         .bytes();
        const QByteArray secondHalf = ContainerBytes().signature().storedBlock(data.mid(16384)).terminator().endMarker().bytes();
        QByteArray corrupt = ContainerBytes::zlibCompressed(data.left(16384), 6);
        corrupt[corrupt.size() / 2] = char(corrupt[corrupt.size() / 2] ^ 0x55);
        corrupt[corrupt.size() - 1] = char(corrupt[corrupt.size() - 1] ^ 0x55);

        QTest::newRow("whole container replaces it") << good << QByteArray() << qint64(-1) << true;
        QTest::newRow("whole over two volumes") << firstHalf << secondHalf << qint64(-1) << true;
        QTest::newRow("damaged block")
            << ContainerBytes().header("", 20000, 1).entry("c:\\a.txt", date).signature().storedBlock(data.left(100))
                   .zlibBlock(corrupt).terminator().endMarker().bytes()
            << QByteArray() << qint64(-1) << false;
        QTest::newRow("block cut short") << good.left(10000) << QByteArray() << qint64(-1) << false;
        QTest::newRow("second volume missing") << firstHalf << QByteArray() << qint64(-1) << false;
        QTest::newRow("second volume damaged") << firstHalf << QByteArray("EC9\0\0\0\0\0", 8) << qint64(-1) << false;
        QTest::newRow("second volume cut short") << firstHalf << secondHalf.left(1000) << qint64(-1) << false;
        QTest::newRow("disk full") << good << QByteArray() << qint64(12000) << false;
    }
    void failedRestoreKeepsExistingFile()
    {
        QFETCH(QByteArray, volume1);
        QFETCH(QByteArray, volume2);
        QFETCH(qint64, writeLimit);
        QFETCH(bool, whole);
        writeFile(e(QStringLiteral("f.001")), volume1);
        if (!volume2.isNull())
            writeFile(e(QStringLiteral("f.002")), volume2);
        const QByteArray existing("the good file that was there before");
        writeFile(e(QStringLiteral("r/a.txt")), existing, OlderTime);
        QDir().mkpath(e(QStringLiteral("fresh")));

        for (const QString& dest : {QStringLiteral("r"), QStringLiteral("fresh")}) {
            Engine engine;
            engine.file.setOnNeedDisk([this](TBackupFile*, quint16 id, bool& Continue) {
                Continue = QFileInfo::exists(e(QStringLiteral("f.00%1").arg(id)));
            });
            AtomicFile::setWriteLimitForTesting(writeLimit);
            const bool ok = engine.file.Restore(QStringLiteral("E:\\f.001"), QStringLiteral("E:\\") + dest);
            AtomicFile::setWriteLimitForTesting(-1);
            const QString target = e(dest + QLatin1String("/a.txt"));
            QCOMPARE(leftovers(e(dest)), QStringList{});
            if (whole) {
                QVERIFY(ok);
                QCOMPARE(readFile(target), textBytes(20000));
                QCOMPARE(QFileInfo(target).lastModified(), FixedTime);
                QVERIFY(engine.file.IncompleteNames().isEmpty());
                continue;
            }
            QVERIFY(!ok);
            QCOMPARE(engine.file.IncompleteNames(), QStringList{QStringLiteral("E:\\") + dest + QLatin1String("\\a.txt")});
            if (dest == QLatin1String("r")) {
                QCOMPARE(readFile(target), existing);
                QCOMPARE(QFileInfo(target).lastModified(), OlderTime);
            } else {
                QVERIFY(!QFileInfo::exists(target));
            }
        }
    }

    // A disk that fills up at any point of a restore over existing files: each file is the old
    // one with its old date or the restored one whole with the stored date.
    void restoreOnDiskFullAtThirtyLevels()
    {
        QStringList names;
        for (int i = 0; i < 5; ++i) {
            names << QStringLiteral("f%1.bin").arg(i);
            writeFile(c(QStringLiteral("rs/") + names.last()), randomBytes(20000, quint32(50 + i)));
        }
        Engine maker;
        maker.file.setMaxSize(40000);
        QVERIFY(maker.file.Backup({QStringLiteral("C:\\rs\\*.bin")}, QStringLiteral("E:\\rs.001")));
        int allOld = 0, mixed = 0, allNew = 0;
        for (int level = 0; level < 30; ++level) {
            for (int i = 0; i < names.size(); ++i)
                writeFile(e(QStringLiteral("out/") + names.at(i)), "old " + QByteArray::number(i), OlderTime);
            Engine engine;
            AtomicFile::setWriteLimitForTesting(qint64(level) * 3600); // the five files take 100 KB
            const bool ok = engine.file.Restore(QStringLiteral("E:\\rs.001"), QStringLiteral("E:\\out"));
            AtomicFile::setWriteLimitForTesting(-1);
            QCOMPARE(leftovers(e(QStringLiteral("out"))), QStringList{});
            int restored = 0;
            for (int i = 0; i < names.size(); ++i) {
                const QString path = e(QStringLiteral("out/") + names.at(i));
                if (readFile(path) == randomBytes(20000, quint32(50 + i))) {
                    QCOMPARE(QFileInfo(path).lastModified(), FixedTime);
                    ++restored;
                } else {
                    QCOMPARE(readFile(path), "old " + QByteArray::number(i));
                    QCOMPARE(QFileInfo(path).lastModified(), OlderTime);
                }
            }
            QCOMPARE(ok, restored == names.size());
            QCOMPARE(engine.file.IncompleteNames().size(), ok ? 0 : 1); // it stops at the first failure
            (restored == 0 ? allOld : restored == names.size() ? allNew : mixed)++;
        }
        qInfo("restore on a full disk: %d levels kept every old file, %d restored some files whole, %d restored all",
              allOld, mixed, allNew);
        QVERIFY(allOld > 0 && mixed > 0 && allNew > 0);
    }

    // A real file system filled on purpose (a small tmpfs; needs root).
    void realFullFileSystem()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a tmpfs needs root");
        const QString mountPoint = m_dir->path() + QLatin1String("/small");
        QDir().mkpath(mountPoint);
        if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=400k") != 0)
            QSKIP("cannot mount a tmpfs here");
        const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH); });
        setDriveE(QStringLiteral("fixed"), 0, mountPoint);
        const auto fill = [&](qint64 bytes) {
            QFile filler(mountPoint + QLatin1String("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Truncate));
            const QByteArray chunk(4096, 'f');
            for (qint64 done = 0; done < bytes; done += chunk.size())
                if (filler.write(chunk.constData(), std::min<qint64>(chunk.size(), bytes - done)) < 0)
                    break;
            filler.close();
        };

        // Backup: alternate two data sets; after each run the container restores to the set
        // it held before or to the one just written, whole.
        const QByteArray setA = randomBytes(90000, 61), setB = randomBytes(100000, 62);
        writeFile(c(QStringLiteral("t/f.bin")), setA);
        Engine maker;
        maker.file.setCompressionLevel(TCompressionLevel::clNone);
        maker.file.setMaxSize(40000);
        QVERIFY(maker.file.Backup({QStringLiteral("C:\\t\\f.bin")}, QStringLiteral("E:\\t.001")));
        QByteArray held = setA;
        int kept = 0, replaced = 0;
        for (int level = 0; level < 30; ++level) {
            const QByteArray next = held == setA ? setB : setA;
            writeFile(c(QStringLiteral("t/f.bin")), next);
            fill(qint64(level) * 8192); // from an almost empty disk to a full one
            Engine engine;
            engine.file.setCompressionLevel(TCompressionLevel::clNone);
            engine.file.setMaxSize(40000);
            const bool ok = engine.file.Backup({QStringLiteral("C:\\t\\f.bin")}, QStringLiteral("E:\\t.001"));
            QFile::remove(mountPoint + QLatin1String("/filler"));
            QCOMPARE(leftovers(mountPoint), QStringList{});
            QCOMPARE(restoredFrom(mountPoint + QLatin1String("/t.001")).value(QStringLiteral("f.bin")), ok ? next : held);
            if (ok)
                held = next;
            (ok ? replaced : kept)++;
        }
        qInfo("tmpfs backup: %d fill levels wrote the new container, %d kept the old one", replaced, kept);
        QVERIFY(replaced > 0 && kept > 0);

        // Restore over existing files from a container on C:.
        for (int n = 1; n <= 4; ++n)
            QFile::remove(TBackupFile::VolumeName(mountPoint + QLatin1String("/t.001"), n));
        QVERIFY(maker.file.Backup({QStringLiteral("C:\\t\\f.bin")}, QStringLiteral("C:\\t.001")));
        const QByteArray inContainer = readFile(c(QStringLiteral("t/f.bin")));
        int restoredWhole = 0, keptOld = 0;
        for (int level = 0; level < 30; ++level) {
            writeFile(mountPoint + QLatin1String("/out/f.bin"), "old content", OlderTime);
            fill(qint64(level) * 8192 + 200000);
            Engine engine;
            const bool ok = engine.file.Restore(QStringLiteral("C:\\t.001"), QStringLiteral("E:\\out"));
            QFile::remove(mountPoint + QLatin1String("/filler"));
            QCOMPARE(leftovers(mountPoint + QLatin1String("/out")), QStringList{});
            const QString target = mountPoint + QLatin1String("/out/f.bin");
            QCOMPARE(readFile(target), ok ? inContainer : QByteArray("old content"));
            QCOMPARE(QFileInfo(target).lastModified(), ok ? FixedTime : OlderTime);
            (ok ? restoredWhole : keptOld)++;
        }
        qInfo("tmpfs restore: %d fill levels restored the file whole, %d kept the old file", restoredWhole, keptOld);
        QVERIFY(restoredWhole > 0 && keptOld > 0);
    }

    // Names keep their case: two files that differ only in case stay two files.
    void caseTwinsKeepTheirNames()
    {
        writeFile(c(QStringLiteral("Twins/Report.txt")), "upper");
        writeFile(c(QStringLiteral("Twins/report.txt")), "lower");
        Engine engine;
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\twins\\*.txt")}, QStringLiteral("E:\\tw.001")));
        TBackupFile lister;
        const auto catalog = lister.ReadCatalog(QStringLiteral("E:\\tw.001"));
        QVERIFY(catalog);
        QStringList names;
        for (const auto& entry : catalog->entries)
            names << entry.name;
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("c:\\Twins\\Report.txt"), QStringLiteral("c:\\Twins\\report.txt")}));
        QVERIFY(engine.file.Restore(QStringLiteral("E:\\tw.001"), QStringLiteral("E:\\tw")));
        QCOMPARE(readFile(e(QStringLiteral("tw/Report.txt"))), QByteArray("upper"));
        QCOMPARE(readFile(e(QStringLiteral("tw/report.txt"))), QByteArray("lower"));
    }

    // Stored names that would leave the destination are never restored.
    void unsafeNamesAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("destDir");
        QTest::addColumn<bool>("fullPath");
        QTest::newRow("parent in stored path") << QByteArray("e:\\in\\..\\..\\evil.txt") << QString() << false;
        QTest::newRow("relative stored path") << QByteArray("evil.txt") << QString() << false;
        QTest::newRow("parent under full path") << QByteArray("c:\\..\\evil.txt") << QStringLiteral("E:\\d\\sub") << true;
        QTest::newRow("slashes under full path") << QByteArray("c:\\x/../../evil.txt") << QStringLiteral("E:\\d\\sub") << true;
        QTest::newRow("file part is parent") << QByteArray("c:\\x\\..") << QStringLiteral("E:\\d\\sub") << false;
    }
    void unsafeNamesAreSkipped()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, destDir);
        QFETCH(bool, fullPath);
        const QByteArray bytes = ContainerBytes()
                                     .header("", 8, 2)
                                     .entry(name, dos(FixedTime))
                                     .storedSegment("evil")
                                     .entry("c:\\good.txt", dos(FixedTime))
                                     .storedSegment("good")
                                     .endMarker()
                                     .bytes();
        writeFile(e(QStringLiteral("u.001")), bytes);
        Engine engine;
        engine.file.setRestoreFullPath(fullPath);
        QStringList announced;
        engine.file.setOnRestoreFile([&](TBackupFile*, QString& n, qint32, bool&) { announced << n; });
        QVERIFY(!engine.file.Restore(QStringLiteral("E:\\u.001"), destDir));
        QCOMPARE(engine.errors, QList<int>{9});
        QCOMPARE(engine.file.RejectedNames(), QStringList{QString::fromUtf8(name)});
        QCOMPARE(announced.size(), 1); // only the good name
        QDirIterator it(m_dir->path(), {QStringLiteral("evil.txt")}, QDir::Files, QDirIterator::Subdirectories);
        QVERIFY(!it.hasNext());
        QVERIFY(!QFileInfo::exists(m_dir->path() + QLatin1String("/evil.txt")));
    }

    void namesInWindows1252AreRead()
    {
        const QByteArray bytes = ContainerBytes()
                                     .header("", 1, 1)
                                     .entry("c:\\caf\xe9.txt", dos(FixedTime))
                                     .storedSegment("x")
                                     .endMarker()
                                     .bytes();
        writeFile(e(QStringLiteral("w.001")), bytes);
        Engine engine;
        QVERIFY(engine.file.Restore(QStringLiteral("E:\\w.001"), QStringLiteral("E:\\r")));
        QVERIFY(QFileInfo::exists(e(QStringLiteral("r/caf\u00e9.txt"))));
    }

    void incrementalStoresFlaggedFilesOnly()
    {
        writeFile(c(QStringLiteral("i/a.txt")), "a");
        writeFile(c(QStringLiteral("i/b.txt")), "b");
        if (!ArchiveFlag::clear(c(QStringLiteral("i/b.txt"))))
            QSKIP("extended attributes are not supported here");
        Engine engine;
        engine.file.setBackupMode(TBackupMode::bmIncremental);
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\i\\*.*")}, QStringLiteral("E:\\inc.001")));
        TBackupFile lister;
        auto catalog = lister.ReadCatalog(QStringLiteral("E:\\inc.001"));
        QVERIFY(catalog);
        QCOMPARE(catalog->entries.size(), 1);
        QCOMPARE(catalog->entries.first().name, QStringLiteral("c:\\i\\a.txt"));
        QVERIFY(!ArchiveFlag::isSet(c(QStringLiteral("i/a.txt")))); // cleared after storing
        // A changed file is taken again.
        writeFile(c(QStringLiteral("i/b.txt")), "b2", NewerTime);
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\i\\*.*")}, QStringLiteral("E:\\inc.001")));
        catalog = lister.ReadCatalog(QStringLiteral("E:\\inc.001"));
        QCOMPARE(catalog->entries.size(), 1);
        QCOMPARE(catalog->entries.first().name, QStringLiteral("c:\\i\\b.txt"));
    }

    // Native paths work as well as DOS paths.
    void nativePaths()
    {
        writeFile(c(QStringLiteral("n/Mixed Case.txt")), "native");
        Engine engine;
        QVERIFY(engine.file.Backup({c(QStringLiteral("n/*.txt"))}, e(QStringLiteral("nat.001"))));
        QVERIFY(engine.file.Restore(e(QStringLiteral("nat.001")), e(QStringLiteral("out"))));
        QCOMPARE(readFile(e(QStringLiteral("out/Mixed Case.txt"))), QByteArray("native"));
    }

    // Sizes are 64-bit: a sparse file past 2 GB is stored whole (zeros compress to almost
    // nothing); the header's 32-bit total is clamped.
    void filesBeyondTwoGigabytes()
    {
        const qint64 size = (qint64(1) << 31) + 16384 * 3 + 5;
        {
            QDir().mkpath(c(QStringLiteral("huge")));
            QFile f(c(QStringLiteral("huge/sparse.bin")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(size));
        }
        Engine engine;
        int lastPercent = -1;
        bool monotonic = true;
        engine.file.setOnProgress([&](TBackupFile*, const QString&, TPercentage p, bool&) {
            monotonic = monotonic && int(p) >= lastPercent && p <= 100;
            lastPercent = p;
        });
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\huge\\sparse.bin")}, QStringLiteral("E:\\huge.001")));
        QVERIFY(monotonic);
        QCOMPARE(lastPercent, 100);
        TBackupFile lister;
        const auto catalog = lister.ReadCatalog(QStringLiteral("E:\\huge.001"));
        QVERIFY(catalog);
        QCOMPARE(catalog->totalSize, 2147483647);
        QCOMPARE(catalog->entries.size(), 1);
        QCOMPARE(catalog->entries.first().size, size);
    }

    void progressSequence()
    {
        writeFile(c(QStringLiteral("g/a.bin")), randomBytes(40000, 8));
        writeFile(c(QStringLiteral("g/b.bin")), randomBytes(10000, 9));
        Engine engine;
        QList<QPair<QString, int>> events;
        engine.file.setOnProgress([&](TBackupFile*, const QString& name, TPercentage p, bool&) { events.append({name, p}); });
        QVERIFY(engine.file.Backup({QStringLiteral("C:\\g\\a.bin"), QStringLiteral("C:\\g\\b.bin")}, QStringLiteral("E:\\g.001")));
        QCOMPARE(events.size(), 2 + 3 + 1);
        QCOMPARE(events.first(), qMakePair(QString(), 0));
        QCOMPARE(events.at(1), qMakePair(QStringLiteral("c:\\g\\a.bin"), 33)); // 16384 / 50000
        QCOMPARE(events.at(3), qMakePair(QStringLiteral("c:\\g\\a.bin"), 80));
        QCOMPARE(events.at(4), qMakePair(QStringLiteral("c:\\g\\b.bin"), 100));
        QCOMPARE(events.last(), qMakePair(QString(), 100));
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "test_backup.moc"
