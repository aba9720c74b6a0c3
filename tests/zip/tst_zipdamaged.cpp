// Tiny archives damaged in one place each, and the exact diagnostic test, extract and list give
// for them; extraction and conversion on a disk that fills up; a conversion killed midway.

#include "ZipTestSupport.h"

#include "AtomicFile.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/mount.h>
#include <unistd.h>

using namespace ksv;
using namespace ksv::ziptest;
using namespace Qt::StringLiterals;

namespace {

void put16(QByteArray& b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
void put32(QByteArray& b, qsizetype at, quint32 v)
{
    put16(b, at, quint16(v & 0xFFFF));
    put16(b, at + 2, quint16(v >> 16));
}
QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    put16(b, 0, v);
    return b;
}
QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    put32(b, 0, v);
    return b;
}
QByteArray le64(quint64 v)
{
    return le32(quint32(v & 0xFFFFFFFFu)) + le32(quint32(v >> 32));
}

// A stored archive written field by field, so that one field at a time can be spoilt. Offsets
// of the parts are kept for the mutations.
struct TinyZip
{
    struct Entry
    {
        QByteArray name;
        QByteArray data;
        QByteArray centralExtra;
        qsizetype localAt = 0;
        qsizetype centralAt = 0;
    };
    QList<Entry> entries;
    qsizetype directoryAt = 0;
    qsizetype endAt = 0;

    static quint32 crc(const QByteArray& data)
    {
        quint32 c = 0xFFFFFFFFu;
        for (const char ch : data) {
            c ^= static_cast<unsigned char>(ch);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    }

    QByteArray build()
    {
        QByteArray out;
        for (Entry& e : entries) {
            e.localAt = out.size();
            out += "PK\x03\x04" + le16(20) + le16(0) + le16(0) + le32(0x00210000) + le32(crc(e.data))
                + le32(quint32(e.data.size())) + le32(quint32(e.data.size())) + le16(quint16(e.name.size())) + le16(0)
                + e.name + e.data;
        }
        directoryAt = out.size();
        for (Entry& e : entries) {
            e.centralAt = out.size();
            out += "PK\x01\x02" + le16(0x0314) + le16(20) + le16(0) + le16(0) + le32(0x00210000) + le32(crc(e.data))
                + le32(quint32(e.data.size())) + le32(quint32(e.data.size())) + le16(quint16(e.name.size()))
                + le16(quint16(e.centralExtra.size())) + le16(0) + le16(0) + le16(0) + le32(0x81A40000u)
                + le32(quint32(e.localAt)) + e.name + e.centralExtra;
        }
        endAt = out.size();
        out += "PK\x05\x06" + le16(0) + le16(0) + le16(quint16(entries.size())) + le16(quint16(entries.size()))
            + le32(quint32(endAt - directoryAt)) + le32(quint32(directoryAt)) + le16(0);
        return out;
    }
};

TinyZip twoEntries()
{
    TinyZip z;
    z.entries = {{"a.txt", "alpha", {}}, {"b.txt", "bravo!", {}}};
    return z;
}

} // namespace

class TestZipDamaged : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    QString stub() const { return qEnvironmentVariable("KSV_BIN_DIR") + u"/ZipSFX.bin"_s; }

    // A few hundred kilobytes of entries, so that a conversion takes a moment.
    QString makeArchive(const QString& relative, int files)
    {
        const QString source = path(u"src%1"_s.arg(files));
        for (int i = 0; i < files; ++i)
            writeFile(source + u"/f%1.bin"_s.arg(i), randomData(40000, quint32(i + 1)));
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        ZipMaster zip;
        zip.setFileName(path(relative));
        zip.setAddCompLevel(0);
        zip.setFSpecArgs({u"*.bin"_s});
        const QString current = QDir::currentPath();
        QDir::setCurrent(source);
        const int result = zip.Add();
        QDir::setCurrent(current);
        return result == 0 ? path(relative) : QString();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        AtomicFile::setWriteLimitForTesting(-1);
    }
    void cleanup()
    {
        AtomicFile::setWriteLimitForTesting(-1);
        m_dir.reset();
    }

    void tinyDamagedArchives_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("testCode");      // of Test()
        QTest::addColumn<int>("good");          // entries tested good
        QTest::addColumn<QString>("diagnostic"); // the first message with a code
        QTest::addColumn<bool>("listed");        // the directory can still be read for a list (and converted)

        {
            TinyZip z = twoEntries();
            QTest::newRow("intact") << z.build() << 0 << 2 << QString() << true;
        }
        {
            TinyZip z = twoEntries();
            QByteArray b = z.build();
            b[z.entries[1].centralAt + 46] = 'c'; // "b.txt" -> "c.txt" in the directory only
            QTest::newRow("central name changed") << b << ZipCode::DamagedEntry << 1
                                                  << u"Damaged entry c.txt (local and central names differ)"_s << true;
        }
        {
            TinyZip z = twoEntries();
            QByteArray b = z.build();
            put32(b, z.entries[0].localAt + 14, 0x12345678);
            QTest::newRow("local CRC") << b << ZipCode::DamagedEntry << 1
                                       << u"Damaged entry a.txt (local and central CRC differ)"_s << true;
        }
        {
            TinyZip z = twoEntries();
            QByteArray b = z.build();
            put16(b, z.entries[0].localAt + 8, 8);
            QTest::newRow("local method") << b << ZipCode::DamagedEntry << 1
                                          << u"Damaged entry a.txt (local and central compression methods differ)"_s
                                          << true;
        }
        {
            TinyZip z = twoEntries();
            QByteArray b = z.build();
            put32(b, z.entries[1].localAt + 22, 7);
            QTest::newRow("local size") << b << ZipCode::DamagedEntry << 1
                                        << u"Damaged entry b.txt (local and central sizes differ)"_s << true;
        }
        {
            TinyZip z = twoEntries();
            QByteArray b = z.build();
            b[z.entries[1].localAt + 2] = 9;
            QTest::newRow("local signature") << b << ZipCode::DamagedEntry << 1
                                             << u"Damaged entry b.txt (bad local header signature)"_s << true;
        }
        {
            // Zero padding after the last extra field, as aligning writers leave it.
            TinyZip z = twoEntries();
            z.entries[0].centralExtra = QByteArray("\xFE\xCA\x00\x00", 4) + QByteArray(2, '\0');
            QTest::newRow("extra field padding") << z.build() << 0 << 2 << QString() << true;
        }
        {
            TinyZip z;
            z.entries = {{"d/", {}, {}}, {"d/f.txt", "file", {}}};
            QTest::newRow("folder entry") << z.build() << 0 << 2 << QString() << true;
        }
        {
            // An offset marked as ZIP64 without the ZIP64 field that holds it.
            TinyZip z = twoEntries();
            QByteArray b = z.build();
            put32(b, z.entries[1].centralAt + 42, 0xFFFFFFFFu);
            QTest::newRow("ZIP64 offset without its field")
                << b << ZipCode::BadArchive << 0 << u"Invalid or damaged ZIP archive %1 (bad ZIP64 extra field)"_s << false;
        }
        {
            // A ZIP64 field that claims more bytes than the extra data holds.
            TinyZip z = twoEntries();
            z.entries[1].centralExtra = le16(1) + le16(24) + le64(0);
            QByteArray b = z.build();
            put32(b, z.entries[1].centralAt + 42, 0xFFFFFFFFu);
            QTest::newRow("ZIP64 field past the extra data")
                << b << ZipCode::BadArchive << 0 << u"Invalid or damaged ZIP archive %1 (bad ZIP64 extra field)"_s << false;
        }
        {
            // A ZIP64 offset far beyond the file (and near the end of the 64-bit range).
            TinyZip z = twoEntries();
            z.entries[1].centralExtra = le16(1) + le16(8) + le64(0x7FFFFFFFFFFFFFF0ull);
            QByteArray b = z.build();
            put32(b, z.entries[1].centralAt + 42, 0xFFFFFFFFu);
            QTest::newRow("ZIP64 offset beyond the file") << b << ZipCode::DamagedEntry << 1
                                                          << u"Damaged entry b.txt (local header outside the file)"_s << true;
        }
        {
            // The strong-encryption flag: no method this library reads (found by the fuzzer,
            // opening such an entry leaked inside the library).
            TinyZip z = twoEntries();
            QByteArray b = z.build();
            put16(b, z.entries[0].localAt + 6, 0x41);
            put16(b, z.entries[0].centralAt + 8, 0x41);
            QTest::newRow("strong encryption") << b << ZipCode::DamagedEntry << 1
                                               << u"Damaged entry a.txt (encryption method not supported)"_s << true;
        }
        {
            // 68 bytes: one directory record whose extra data would reach far beyond the directory.
            QByteArray b = "PK\x01\x02" + QByteArray(24, '\0') + le16(0) + le16(0x0100) + le16(0) + QByteArray(8, '\0')
                + le32(0xFFFFFFFFu);
            b += "PK\x05\x06" + le16(0) + le16(0) + le16(1) + le16(1) + le32(46) + le32(0) + le16(0);
            QCOMPARE(b.size(), 68);
            QTest::newRow("68-byte crafted directory") << b << ZipCode::BadArchive << 0 << QString() << false;
        }
    }

    // Test, extract and the directory reader agree on each; a damaged entry is never extracted.
    void tinyDamagedArchives()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, testCode);
        QFETCH(int, good);
        QFETCH(QString, diagnostic);
        QFETCH(bool, listed);
        const QString archive = path(u"t.zip"_s);
        QVERIFY(writeFile(archive, bytes));
        if (diagnostic.contains(u"%1"_s))
            diagnostic = diagnostic.arg(archive);

        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(archive);
        QCOMPARE(zip.Test(), testCode);
        QCOMPARE(zip.SuccessCnt(), good);
        if (!diagnostic.isEmpty()) {
            QVERIFY(!log.messages.isEmpty());
            QCOMPARE(log.codes().value(0), testCode);
            const auto first = std::find_if(log.messages.cbegin(), log.messages.cend(), [](const auto& m) { return m.first != 0; });
            QCOMPARE(first->second, diagnostic);
        }
        QCOMPARE(SfxFormat::zipStart(archive).isOk(), listed);
        // The conversions read the same directory; they keep the entries as they are, damaged or
        // not, but refuse a directory that cannot be read or offsets outside the file.
        const bool converts = listed && !QByteArray(QTest::currentDataTag()).contains("beyond");
        const Status converted = SfxFormat::makeZip(archive, path(u"converted.zip"_s));
        QCOMPARE(converted.isOk(), converts);
        QCOMPARE(QFileInfo::exists(path(u"converted.zip"_s)), converts);

        zip.setExtrBaseDir(path(u"out"_s));
        zip.setExtrOptions(ZipMaster::ExtrDirNames);
        QCOMPARE(zip.Extract(), testCode);
        QStringList files;
        QDirIterator it(path(u"out"_s), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(it.next().mid(path(u"out/"_s).size()));
        const int folders = testCode == 0 && bytes.contains("d/") ? 1 : 0;
        QCOMPARE(files.size(), good - folders);
        QCOMPARE(readFile(archive), bytes);
    }

    void listRefusesTheCraftedDirectory()
    {
        const QString tool = qEnvironmentVariable("KSV_BIN_DIR") + u"/ksvtool"_s;
        if (!QFileInfo(tool).isExecutable())
            QSKIP("ksvtool not built");
        QByteArray b = "PK\x01\x02" + QByteArray(24, '\0') + le16(0) + le16(0x0100) + le16(0) + QByteArray(8, '\0')
            + le32(0xFFFFFFFFu);
        b += "PK\x05\x06" + le16(0) + le16(0) + le16(1) + le16(1) + le32(46) + le32(0) + le16(0);
        QVERIFY(writeFile(path(u"crafted.zip"_s), b));
        const Run list = run(tool, {u"zip"_s, u"list"_s, path(u"crafted.zip"_s)});
        QCOMPARE(list.exitCode, 1);
        QVERIFY(list.out.isEmpty());
        const Run unsfx = run(tool, {u"zip"_s, u"unsfx"_s, u"--force"_s, path(u"crafted.zip"_s)});
        QCOMPARE(unsfx.exitCode, 1);
    }

    // No password given and the question unanswered: the entry is not damaged, the password is
    // missing. AES entries (the engine's own) and traditional ones (Info-ZIP's) alike.
    void encryptedEntryWithoutPassword()
    {
        QVERIFY(writeFile(path(u"s.txt"_s), "secret"));
        QStringList archives;
        {
            ZipMaster writer;
            writer.setFileName(path(u"aes.zip"_s));
            writer.setPassword(u"pw"_s);
            writer.setAddOptions(ZipMaster::AddEncrypt);
            writer.setFSpecArgs({u"s.txt"_s});
            const QString current = QDir::currentPath();
            QDir::setCurrent(path(QString()));
            QCOMPARE(writer.Add(), 0);
            QDir::setCurrent(current);
            archives << path(u"aes.zip"_s);
        }
        if (haveTool(u"zip"_s)) {
            QCOMPARE(run(u"zip"_s, {u"-q"_s, u"-P"_s, u"pw"_s, u"pk.zip"_s, u"s.txt"_s}, path(QString())).exitCode, 0);
            archives << path(u"pk.zip"_s);
        }
        for (const QString& archive : archives) {
            ZipMaster zip;
            EventLog log;
            log.attach(zip);
            zip.setFileName(archive);
            QVERIFY(zip.ZipContents().value(0).Encrypted);
            QCOMPARE(zip.Test(), ZipCode::WrongPassword);
            QCOMPARE(log.codes(), QList<int>{ZipCode::WrongPassword});
            QCOMPARE(zip.ErrMessage(), u"Wrong or missing password for s.txt"_s);
        }
    }

    // A link found in the destination is followed only while it stays below the destination.
    void linksInTheDestination()
    {
        TinyZip z = twoEntries();
        QVERIFY(writeFile(path(u"t.zip"_s), z.build()));
        QVERIFY(writeFile(path(u"outside.txt"_s), "keep me"));
        QVERIFY(writeFile(path(u"out/inside.txt"_s), "old"));
        QVERIFY(QFile::link(path(u"outside.txt"_s), path(u"out/a.txt"_s)));
        QVERIFY(QFile::link(u"inside.txt"_s, path(u"out/b.txt"_s)));
        ZipMaster zip;
        zip.setFileName(path(u"t.zip"_s));
        zip.setExtrBaseDir(path(u"out"_s));
        zip.setExtrOptions(ZipMaster::ExtrOverWrite);
        QCOMPARE(zip.Extract(), ZipCode::CreateError);
        QVERIFY(zip.ErrMessage().contains(u"outside the destination"_s));
        QCOMPARE(zip.SuccessCnt(), 1);
        QCOMPARE(readFile(path(u"outside.txt"_s)), QByteArray("keep me"));
        QCOMPARE(readFile(path(u"out/inside.txt"_s)), QByteArray("bravo!"));
        QVERIFY(QFileInfo(path(u"out/b.txt"_s)).isSymLink());
    }

    // An existing file is replaced only by an entry extracted whole; the same for a conversion's
    // target. The disk fills up after n bytes, for several n.
    void fullDiskKeepsExistingFiles_data()
    {
        QTest::addColumn<qint64>("limit");
        for (const qint64 limit : {qint64(0), qint64(1), qint64(30000), qint64(39999), qint64(200000)})
            QTest::newRow(qPrintable(QString::number(limit))) << limit;
    }
    void fullDiskKeepsExistingFiles()
    {
        QFETCH(qint64, limit);
        const QString archive = makeArchive(u"work/a.zip"_s, 6);
        QVERIFY(!archive.isEmpty());
        const QByteArray zipBytes = readFile(archive);
        QVERIFY(writeFile(path(u"out/f3.bin"_s), "the old f3"));
        QVERIFY(writeFile(path(u"work/a.exe"_s), "the old program"));

        AtomicFile::setWriteLimitForTesting(limit);
        ZipMaster zip;
        zip.setFileName(archive);
        zip.setExtrBaseDir(path(u"out"_s));
        zip.setExtrOptions(ZipMaster::ExtrOverWrite);
        QCOMPARE(zip.Extract(), ZipCode::CreateError);
        QVERIFY(zip.ErrMessage().contains(u"No space left on device"_s));
        // every file is either absent, the old one, or whole
        for (int i = 0; i < 6; ++i) {
            const QString name = path(u"out/f%1.bin"_s.arg(i));
            if (!QFileInfo::exists(name))
                continue;
            const QByteArray got = readFile(name);
            QVERIFY2(got == randomData(40000, quint32(i + 1)) || (i == 3 && got == "the old f3"), qPrintable(name));
        }
        QCOMPARE(QDir(path(u"out"_s)).entryList(QDir::Hidden | QDir::Files).filter(u".f"_s), QStringList());

        zip.setFileName(archive);
        zip.setSFXPath(stub());
        QVERIFY(zip.ConvertSFX() != 0);
        QCOMPARE(zip.ErrCode(), ZipCode::DiskFull);
        QCOMPARE(readFile(path(u"work/a.exe"_s)), QByteArray("the old program"));
        QCOMPARE(readFile(archive), zipBytes);
        QCOMPARE(QDir(path(u"work"_s)).entryList(QDir::Hidden | QDir::Files), (QStringList{u"a.exe"_s, u"a.zip"_s}));
        AtomicFile::setWriteLimitForTesting(-1);
    }

    // The same on a real file system that fills up (needs root to mount it).
    void fullTmpfsKeepsExistingFiles()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small file system");
        const QString mountPoint = path(u"small"_s);
        QDir().mkpath(mountPoint);
        if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=160k") != 0)
            QSKIP("cannot mount a tmpfs here");
        const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH); });
        const QString archive = makeArchive(u"a.zip"_s, 6); // 240 KB: more than the disk holds
        QVERIFY(!archive.isEmpty());
        QVERIFY(writeFile(mountPoint + u"/f5.bin"_s, "the old f5"));
        ZipMaster zip;
        zip.setFileName(archive);
        zip.setExtrBaseDir(mountPoint);
        zip.setExtrOptions(ZipMaster::ExtrOverWrite);
        QCOMPARE(zip.Extract(), ZipCode::CreateError);
        QVERIFY(zip.SuccessCnt() < 6);
        const QByteArray f5 = readFile(mountPoint + u"/f5.bin"_s);
        QVERIFY(f5 == "the old f5" || f5 == randomData(40000, 6));
        const QStringList hidden = QDir(mountPoint).entryList(QDir::Hidden | QDir::Files).filter(QRegularExpression(u"^\\."_s));
        QCOMPARE(hidden, QStringList());

        // a conversion whose result does not fit beside its source
        for (const QString& name : QDir(mountPoint).entryList(QDir::Files | QDir::Hidden))
            QVERIFY(QFile::remove(mountPoint + u"/"_s + name));
        const QString small = makeArchive(u"small/s.zip"_s, 3); // 120 KB
        QVERIFY(!small.isEmpty());
        const QString onDisk = mountPoint + u"/s.zip"_s;
        QVERIFY(writeFile(onDisk, readFile(small)));
        QVERIFY(writeFile(mountPoint + u"/s.exe"_s, "the old program"));
        zip.setFileName(onDisk);
        zip.setSFXPath(stub());
        QCOMPARE(zip.ConvertSFX(), ZipCode::DiskFull);
        QCOMPARE(readFile(mountPoint + u"/s.exe"_s), QByteArray("the old program"));
        QCOMPARE(readFile(onDisk), readFile(small));
        QCOMPARE(QDir(mountPoint).entryList(QDir::Hidden | QDir::Files), (QStringList{u"s.exe"_s, u"s.zip"_s}));
    }

    // A conversion killed at random moments leaves the old program or the whole new one.
    void killedConversionLeavesOldOrNew()
    {
        const QString tool = qEnvironmentVariable("KSV_BIN_DIR") + u"/ksvtool"_s;
        if (!QFileInfo(tool).isExecutable() || !QFileInfo(stub()).isFile())
            QSKIP("ksvtool or the extractor not built");
        const QString archive = makeArchive(u"work/a.zip"_s, 60);
        QVERIFY(!archive.isEmpty());
        const QByteArray zipBytes = readFile(archive);
        // the expected program, made once undisturbed
        QVERIFY(QDir().mkpath(path(u"ref"_s)));
        QVERIFY(QFile::copy(archive, path(u"ref/a.zip"_s)));
        QCOMPARE(run(tool, {u"zip"_s, u"sfx"_s, u"--force"_s, u"--stub"_s, stub(), path(u"ref/a.zip"_s)}).exitCode, 0);
        const QByteArray newProgram = readFile(path(u"ref/a.exe"_s));
        QVERIFY(newProgram.size() > zipBytes.size());
        const QByteArray oldProgram = "the old program";

        int killedMidway = 0;
        for (int trial = 0; trial < 8; ++trial) {
            QVERIFY(writeFile(archive, zipBytes));
            QVERIFY(writeFile(path(u"work/a.exe"_s), oldProgram));
            QProcess p;
            p.start(tool, {u"zip"_s, u"sfx"_s, u"--force"_s, u"--stub"_s, stub(), archive});
            QVERIFY(p.waitForStarted());
            QThread::usleep(static_cast<unsigned long>(2000 + trial * 4000));
            if (p.state() == QProcess::Running) {
                ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
                ++killedMidway;
            }
            p.waitForFinished();
            const QByteArray program = readFile(path(u"work/a.exe"_s));
            QVERIFY2(program == oldProgram || program == newProgram, qPrintable(u"trial %1: %2 bytes"_s.arg(trial).arg(program.size())));
            // the archive is removed only after the program was written whole
            if (!QFileInfo::exists(archive))
                QCOMPARE(program, newProgram);
            else
                QCOMPARE(readFile(archive), zipBytes);
        }
        qInfo("%d of 8 conversions killed while running", killedMidway);
    }
};

QTEST_GUILESS_MAIN(TestZipDamaged)
#include "tst_zipdamaged.moc"
