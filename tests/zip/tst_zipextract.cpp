// Reading archives: extraction with and without folders, selection, overwrite, unsafe names,
// damaged entries, passwords, archives of other tools, deletion.

#include "ZipTestSupport.h"

#include "ScriptedDialogs.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ksv;
using namespace ksv::ziptest;
using namespace Qt::StringLiterals;

class TestZipExtract : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;

    QString path(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }

    // Data/a.txt, Data/b.log, Data/sub/c.txt, Data/sub/d.BIN made by our engine with folders.
    QString makeArchive(const QString& name, const QString& password = {})
    {
        writeFile(path(u"Data/a.txt"_s), textData(20000, 1));
        writeFile(path(u"Data/b.log"_s), textData(1000, 2));
        writeFile(path(u"Data/sub/c.txt"_s), textData(70000, 3));
        writeFile(path(u"Data/sub/d.BIN"_s), randomData(5000, 4));
        ZipMaster zip;
        zip.setFileName(path(name));
        zip.setAddOptions(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs
                          | (password.isEmpty() ? 0u : unsigned(ZipMaster::AddEncrypt)));
        zip.setPassword(password);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        if (zip.Add() != 0)
            return {};
        return path(name);
    }

    Run python(const QString& code, const QStringList& args)
    {
        return run(u"python3"_s, QStringList{u"-c"_s, code} + args);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = m_dir->filePath(u"c"_s);
        QDir().mkpath(m_root);
        installDrives(m_dir->filePath(u"drives.ini"_s), {{QChar(u'C'), m_root, 0, false}});
    }
    void cleanup() { m_dir.reset(); }

    void extractWithAndWithoutFolders()
    {
        const QString archive = makeArchive(u"x.zip"_s);
        QVERIFY(!archive.isEmpty());
        setModified(path(u"Data/a.txt"_s), QDateTime::currentDateTime());
        ZipMaster zip;
        zip.setFileName(u"C:\\x.zip"_s);
        zip.setExtrBaseDir(u"C:\\Out"_s);
        zip.setExtrOptions(ZipMaster::ExtrDirNames);
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(zip.SuccessCnt(), 4);
        QCOMPARE(readFile(path(u"Out/Data/sub/c.txt"_s)), textData(70000, 3));
        QCOMPARE(readFile(path(u"Out/Data/sub/d.BIN"_s)), randomData(5000, 4));
        // file times come from the entries (two-second resolution)
        const ZipEntry& first = zip.ZipContents().first();
        QVERIFY(qAbs(QFileInfo(path(u"Out/"_s) + first.FileName).lastModified().secsTo(first.DateTime)) <= 1);

        zip.setExtrBaseDir(path(u"Flat"_s));
        zip.setExtrOptions(0);
        QCOMPARE(zip.Extract(), 0);
        QStringList flat = QDir(path(u"Flat"_s)).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        flat.sort();
        QCOMPARE(flat, (QStringList{u"a.txt"_s, u"b.log"_s, u"c.txt"_s, u"d.BIN"_s}));
    }

    void selection_data()
    {
        QTest::addColumn<QStringList>("specs");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all") << QStringList{} << QStringList{u"a.txt"_s, u"b.log"_s, u"c.txt"_s, u"d.BIN"_s};
        QTest::newRow("mask on the name, any case") << QStringList{u"*.TXT"_s} << QStringList{u"a.txt"_s, u"c.txt"_s};
        QTest::newRow("path and name cells") << QStringList{u"Data\\sub\\d.bin"_s} << QStringList{u"d.BIN"_s};
        QTest::newRow("folder mask") << QStringList{u"data/sub/*"_s} << QStringList{u"c.txt"_s, u"d.BIN"_s};
        QTest::newRow("question mark") << QStringList{u"?.log"_s} << QStringList{u"b.log"_s};
        QTest::newRow("no match") << QStringList{u"*.doc"_s} << QStringList{};
    }

    void selection()
    {
        QFETCH(QStringList, specs);
        QFETCH(QStringList, expected);
        QVERIFY(!makeArchive(u"sel.zip"_s).isEmpty());
        ZipMaster zip;
        zip.setFileName(u"C:\\sel.zip"_s);
        zip.setExtrBaseDir(path(u"Sel"_s));
        zip.setFSpecArgs(specs);
        QCOMPARE(zip.Extract(), 0);
        QStringList got = QDir(path(u"Sel"_s)).entryList(QDir::Files);
        got.sort();
        QCOMPARE(got, expected);
        QCOMPARE(zip.SuccessCnt(), expected.size());
    }

    void exactNamesSelectOnlyThoseEntries()
    {
        QVERIFY(writeFile(path(u"Same/a.txt"_s), "top"));
        QVERIFY(writeFile(path(u"Same/sub/a.txt"_s), "below"));
        ZipMaster zip;
        zip.setFileName(path(u"same.zip"_s));
        zip.setAddOptions(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs);
        zip.setFSpecArgs({u"C:\\Same\\*.*"_s});
        QCOMPARE(zip.Add(), 0);
        zip.setExtrBaseDir(path(u"Exact"_s));
        zip.setFSpecArgs({u"Same/a.txt"_s});
        zip.setExtrOptions(ZipMaster::ExtrDirNames | ZipMaster::ExtrExactNames);
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(zip.SuccessCnt(), 1);
        QVERIFY(!QFileInfo::exists(path(u"Exact/Same/sub/a.txt"_s)));
        // a plain specification without a folder matches the name in every folder
        zip.setFSpecArgs({u"a.txt"_s});
        zip.setExtrOptions(ZipMaster::ExtrDirNames);
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(zip.SuccessCnt(), 1); // Same/a.txt exists already and is kept
        QCOMPARE(readFile(path(u"Exact/Same/sub/a.txt"_s)), QByteArray("below"));
    }

    void existingFilesKeptUnlessOverwrite()
    {
        QVERIFY(!makeArchive(u"ow.zip"_s).isEmpty());
        QVERIFY(writeFile(path(u"Ow/a.txt"_s), "mine"));
        ZipMaster zip;
        zip.setFileName(u"C:\\ow.zip"_s);
        zip.setExtrBaseDir(path(u"Ow"_s));
        zip.setFSpecArgs({u"a.txt"_s});
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(zip.SuccessCnt(), 0);
        QCOMPARE(readFile(path(u"Ow/a.txt"_s)), QByteArray("mine"));
        zip.setExtrOptions(ZipMaster::ExtrOverWrite);
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(zip.SuccessCnt(), 1);
        QCOMPARE(readFile(path(u"Ow/a.txt"_s)), textData(20000, 1));
    }

    void unsafeNamesNeverLeaveTheBaseFolder()
    {
        if (!haveTool(u"python3"_s))
            QSKIP("python3 missing");
        const QString archive = path(u"evil.zip"_s);
        const Run made = python(
            u"import sys,zipfile\n"
            "z=zipfile.ZipFile(sys.argv[1],'w')\n"
            "for n in ['../evil1.txt','/tmp/ksv_evil_abs.txt','sub/../../evil2.txt','C:\\\\evil3.txt','..\\\\evil4.txt','ok/fine.txt']:\n"
            "    z.writestr(zipfile.ZipInfo(n), 'x')\n"
            "z.close()"_s,
            {archive});
        QCOMPARE(made.exitCode, 0);
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(archive);
        const QString base = path(u"inner/base"_s);
        for (unsigned options : {unsigned(ZipMaster::ExtrDirNames), 0u}) {
            log.messages.clear();
            zip.setExtrBaseDir(base);
            zip.setExtrOptions(options | ZipMaster::ExtrOverWrite);
            zip.Extract();
            QCOMPARE(zip.SuccessCnt(), 1);
            QCOMPARE(log.codes(), QList<int>(5, ZipCode::UnsafeName));
        }
        QVERIFY(QFileInfo::exists(base + u"/ok/fine.txt"_s));
        QVERIFY(QFileInfo::exists(base + u"/fine.txt"_s));
        // nothing anywhere above the base folder
        QStringList outside = QDir(path(u"inner"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QCOMPARE(outside, QStringList{u"base"_s});
        QCOMPARE(QDir(m_root).entryList({u"evil*.txt"_s}), QStringList{});
        QVERIFY(!QFileInfo::exists(u"/tmp/ksv_evil_abs.txt"_s));
    }

    void damagedEntryCountsAsBad()
    {
        if (!haveTool(u"python3"_s))
            QSKIP("python3 missing");
        const QString archive = makeArchive(u"bad.zip"_s);
        // flip a byte in the middle of the data of the third entry
        const Run offset = python(u"import sys,zipfile\n"
                                  "z=zipfile.ZipFile(sys.argv[1]); i=z.infolist()[2]\n"
                                  "f=open(sys.argv[1],'rb'); f.seek(i.header_offset+26)\n"
                                  "n=int.from_bytes(f.read(2),'little'); e=int.from_bytes(f.read(2),'little')\n"
                                  "print(i.header_offset+30+n+e+i.compress_size//2)"_s,
                                  {archive});
        QCOMPARE(offset.exitCode, 0);
        const qint64 at = offset.out.trimmed().toLongLong();
        QFile file(archive);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(at);
        char byte = 0;
        file.getChar(&byte);
        file.seek(at);
        file.putChar(static_cast<char>(byte ^ 0x5A));
        file.close();

        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(archive);
        zip.setExtrOptions(ZipMaster::ExtrTest);
        QCOMPARE(zip.Extract(), ZipCode::DamagedEntry);
        QCOMPARE(zip.Count(), 4);
        QCOMPARE(zip.SuccessCnt(), 3);
        QCOMPARE(log.codes(), QList<int>{ZipCode::DamagedEntry});
    }

    void notAnArchive()
    {
        QVERIFY(writeFile(path(u"text.zip"_s), "just some text, not an archive"));
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(u"C:\\text.zip"_s);
        QCOMPARE(zip.Count(), 0);
        QCOMPARE(zip.Test(), ZipCode::BadArchive);
        // an add never replaces a file that is not an archive
        QVERIFY(writeFile(path(u"Data/a.txt"_s), "a"));
        zip.setFSpecArgs({u"C:\\Data\\a.txt"_s});
        QCOMPARE(zip.Add(), ZipCode::BadArchive);
        QCOMPARE(readFile(path(u"text.zip"_s)), QByteArray("just some text, not an archive"));
        QCOMPARE(zip.Delete(), ZipCode::BadArchive);
        QCOMPARE(readFile(path(u"text.zip"_s)), QByteArray("just some text, not an archive"));
    }

    void damagedArchives_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("cut"); // -1: as given; else the first n bytes of a real archive
        QTest::newRow("empty file") << QByteArray() << -1;
        QTest::newRow("signature only") << QByteArray("PK\x05\x06", 4) << -1;
        QTest::newRow("random bytes") << randomData(5000, 77) << -1;
        QByteArray badOffset(22, '\0');
        badOffset.replace(0, 4, "PK\x05\x06");
        badOffset[10] = 1; // one entry
        badOffset[12] = 46; // directory of 46 bytes
        badOffset[16] = char(0xF0); // far beyond the file
        QTest::newRow("directory outside the file") << badOffset << -1;
        QTest::newRow("archive cut in half") << QByteArray() << 2;
        QTest::newRow("archive without its end record") << QByteArray() << 22;
    }

    // Every damaged archive is reported as such; nothing crashes, nothing is extracted.
    void damagedArchives()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, cut);
        if (cut > 0) {
            const QByteArray whole = readFile(makeArchive(u"whole.zip"_s));
            bytes = cut == 2 ? whole.left(whole.size() / 2) : whole.left(whole.size() - cut);
        }
        QVERIFY(writeFile(path(u"bad.zip"_s), bytes));
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(path(u"bad.zip"_s));
        QCOMPARE(zip.Count(), 0);
        QCOMPARE(zip.Test(), ZipCode::BadArchive);
        zip.setExtrBaseDir(path(u"BadOut"_s));
        QCOMPARE(zip.Extract(), ZipCode::BadArchive);
        QVERIFY(QDir(path(u"BadOut"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        QCOMPARE(zip.CopyFile(path(u"bad.zip"_s), path(u"copy.zip"_s)), CopyResult::InvalidSource);
        QVERIFY(!SfxFormat::readSettings(path(u"bad.zip"_s)).isOk());
        QCOMPARE(readFile(path(u"bad.zip"_s)), bytes);
    }

    void passwords()
    {
        const QString archive = makeArchive(u"aes.zip"_s, u"right"_s);
        QVERIFY(!archive.isEmpty());
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(archive);
        zip.setPassword(u"wrong"_s);
        zip.setExtrBaseDir(path(u"Pw"_s));
        zip.setExtrOptions(ZipMaster::ExtrDirNames);
        zip.Extract();
        QCOMPARE(zip.SuccessCnt(), 0);
        QCOMPARE(log.codes(), QList<int>(4, ZipCode::WrongPassword));
        QVERIFY(QDir(path(u"Pw"_s)).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());

        zip.setPassword(u"right"_s);
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(zip.SuccessCnt(), 4);
        QCOMPARE(readFile(path(u"Pw/Data/a.txt"_s)), textData(20000, 1));

        // without a password the engine asks once through the dialogs service
        const QString script = m_dir->filePath(u"script.txt"_s);
        QVERIFY(writeFile(script, "text:right\n"));
        qputenv("KESTRAVE_SCRIPT", script.toUtf8());
        PlatformEnvironment::reload();
        ScriptedDialogs::restartScript();
        ZipMaster asking;
        asking.setFileName(archive);
        QCOMPARE(asking.Test(), 0);
        QCOMPARE(asking.SuccessCnt(), 4);
        qunsetenv("KESTRAVE_SCRIPT");
        PlatformEnvironment::reload();
    }

    void infoZipArchives()
    {
        if (!haveTool(u"zip"_s))
            QSKIP("zip missing");
        makeArchive(u"unused.zip"_s);
        const Run made = run(u"zip"_s, {u"-q"_s, u"-r"_s, u"-P"_s, u"legacy"_s, u"iz.zip"_s, u"Data"_s}, m_root);
        QCOMPARE(made.exitCode, 0);
        ZipMaster zip;
        zip.setFileName(u"C:\\iz.zip"_s);
        QStringList names = entryNames(zip);
        QVERIFY(names.contains(u"Data/sub/c.txt"_s));
        QVERIFY(names.contains(u"Data/sub/"_s)); // Info-ZIP stores folders too
        for (const ZipEntry& e : zip.ZipContents())
            QCOMPARE(e.Encrypted, !e.FileName.endsWith(QLatin1Char('/')));
        zip.setPassword(u"legacy"_s);
        QCOMPARE(zip.Test(), 0);
        QCOMPARE(zip.SuccessCnt(), 6); // the four files and the two folders (a test counts every entry)
        zip.setExtrBaseDir(path(u"Iz"_s));
        zip.setExtrOptions(ZipMaster::ExtrDirNames);
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(readFile(path(u"Iz/Data/sub/c.txt"_s)), textData(70000, 3));
        QCOMPARE(readFile(path(u"Iz/Data/sub/d.BIN"_s)), randomData(5000, 4));
    }

    void sevenZipAesArchivesAreRead_data()
    {
        QTest::addColumn<QString>("method");
        QTest::newRow("AES-256") << u"-mem=AES256"_s;
        QTest::newRow("AES-128") << u"-mem=AES128"_s;
    }

    // 7-Zip writes AES entries without a CRC, which libzip reads with a false CRC error; the
    // engine reads them itself and checks their authentication code instead.
    void sevenZipAesArchivesAreRead()
    {
        QFETCH(QString, method);
        if (!haveTool(u"7z"_s) || !haveTool(u"python3"_s))
            QSKIP("7z or python3 missing");
        makeArchive(u"unused.zip"_s);
        QVERIFY(writeFile(path(u"Data/large.txt"_s), textData(700000, 9)));
        const Run made = run(u"7z"_s, {u"a"_s, u"-tzip"_s, method, u"-psecret"_s, u"s7.zip"_s, u"Data"_s}, m_root);
        QCOMPARE(made.exitCode, 0);
        const QString archive = path(u"s7.zip"_s);
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(archive);
        const int files = 5;
        zip.setPassword(u"secret"_s);
        zip.setExtrBaseDir(path(u"S7"_s));
        zip.setExtrOptions(ZipMaster::ExtrDirNames);
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(zip.SuccessCnt(), files);
        QVERIFY(log.codes().isEmpty());
        QCOMPARE(readFile(path(u"S7/Data/large.txt"_s)), textData(700000, 9));
        QCOMPARE(readFile(path(u"S7/Data/sub/d.BIN"_s)), randomData(5000, 4)); // stored by 7-Zip

        log.messages.clear();
        zip.setPassword(u"wrong"_s);
        QCOMPARE(zip.Test(), ZipCode::WrongPassword);
        QCOMPARE(zip.SuccessCnt(), zip.Count() - files); // only the folders, which hold no data

        // a changed byte in the middle of the large entry fails its authentication code
        const Run offset = python(u"import sys,zipfile\n"
                                  "z=zipfile.ZipFile(sys.argv[1]); i=z.getinfo('Data/large.txt')\n"
                                  "f=open(sys.argv[1],'rb'); f.seek(i.header_offset+26)\n"
                                  "n=int.from_bytes(f.read(2),'little'); e=int.from_bytes(f.read(2),'little')\n"
                                  "print(i.header_offset+30+n+e+i.compress_size//2)"_s,
                                  {archive});
        QCOMPARE(offset.exitCode, 0);
        QFile file(archive);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 at = offset.out.trimmed().toLongLong();
        file.seek(at);
        char byte = 0;
        file.getChar(&byte);
        file.seek(at);
        file.putChar(static_cast<char>(byte ^ 0x10));
        file.close();
        log.messages.clear();
        zip.setPassword(u"secret"_s);
        QCOMPARE(zip.Test(), ZipCode::DamagedEntry);
        QCOMPARE(zip.SuccessCnt(), zip.Count() - 1);
        QCOMPARE(log.codes(), QList<int>{ZipCode::DamagedEntry});
    }

    void deleteEntries()
    {
        const QString archive = makeArchive(u"del.zip"_s);
        ZipMaster zip;
        zip.setFileName(archive);
        zip.setFSpecArgs({});
        QCOMPARE(zip.Delete(), 0);
        QCOMPARE(zip.Count(), 4); // no specification deletes nothing
        zip.setFSpecArgs({u"*.LOG"_s, u"Data\\sub\\d.bin"_s});
        QCOMPARE(zip.Delete(), 0);
        QCOMPARE(zip.SuccessCnt(), 2);
        QCOMPARE(entryNames(zip), (QStringList{u"Data/a.txt"_s, u"Data/sub/c.txt"_s}));
        if (haveTool(u"unzip"_s))
            QCOMPARE(run(u"unzip"_s, {u"-tq"_s, archive}).exitCode, 0);
        QVERIFY(temporaryLeftovers(m_root).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestZipExtract)
#include "tst_zipextract.moc"
