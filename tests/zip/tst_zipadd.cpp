// Adding to archives: specifications and exclusions, update, events and codes, cancel and a
// full disk, compression choices, encryption and what other tools make of the result.

#include "ZipTestSupport.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace ksv;
using namespace Qt::StringLiterals;
using namespace ksv::ziptest;

class TestZipAdd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root; // native root of drive C:
    QString m_savedCurrent;

    QString path(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }
    void makeTree()
    {
        const QStringList files{QStringLiteral("Data/a.txt"),          QStringLiteral("Data/b.TXT"),
                                QStringLiteral("Data/c.log"),          QStringLiteral("Data/sub/d.txt"),
                                QStringLiteral("Data/sub/deep/e.txt"), QStringLiteral("Data/.hidden.txt"),
                                QStringLiteral("Data/.hid/f.txt"),     QStringLiteral("Data/tmp/g.txt")};
        quint32 seed = 1;
        for (const QString& f : files) {
            QVERIFY(writeFile(path(f), textData(3000 + seed * 100, seed)));
            ++seed;
        }
    }
    void installDrive(qint64 capacity = 0, bool readOnly = false)
    {
        installDrives(m_dir->filePath(QStringLiteral("drives.ini")), {{QChar(u'C'), m_root, capacity, readOnly}});
    }

private slots:
    void init()
    {
        m_savedCurrent = QDir::currentPath();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = m_dir->filePath(QStringLiteral("c"));
        QDir().mkpath(m_root);
        installDrive();
    }
    void cleanup()
    {
        QDir::setCurrent(m_savedCurrent);
        m_dir.reset();
    }

    void storedNames_data()
    {
        QTest::addColumn<QStringList>("specs");
        QTest::addColumn<QStringList>("exclusions");
        QTest::addColumn<unsigned>("options");
        QTest::addColumn<QStringList>("expected");
        const unsigned tree = ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs;
        const QStringList allVisible{u"Data/a.txt"_s, u"Data/b.TXT"_s, u"Data/c.log"_s, u"Data/sub/d.txt"_s, u"Data/sub/deep/e.txt"_s,
                                     u"Data/tmp/g.txt"_s};
        QTest::newRow("folder mask with names and recursion") << QStringList{u"C:\\Data\\*.*"_s} << QStringList{} << tree << allVisible;
        QTest::newRow("names without recursion")
            << QStringList{u"C:\\Data\\*.*"_s} << QStringList{} << unsigned(ZipMaster::AddDirNames)
            << QStringList{u"Data/a.txt"_s, u"Data/b.TXT"_s, u"Data/c.log"_s};
        QTest::newRow("file names only") << QStringList{u"C:\\Data\\*.*"_s} << QStringList{} << 0u
                                         << QStringList{u"a.txt"_s, u"b.TXT"_s, u"c.log"_s};
        QTest::newRow("relative to the current folder")
            << QStringList{u"*.*"_s} << QStringList{} << tree
            << QStringList{u"a.txt"_s, u"b.TXT"_s, u"c.log"_s, u"sub/d.txt"_s, u"sub/deep/e.txt"_s, u"tmp/g.txt"_s};
        QTest::newRow("relative folder part kept") << QStringList{u"sub\\*.txt"_s} << QStringList{} << tree
                                                   << QStringList{u"sub/d.txt"_s, u"sub/deep/e.txt"_s};
        QTest::newRow("mask ignores case")
            << QStringList{u"C:\\DATA\\*.TXT"_s} << QStringList{} << tree
            << QStringList{u"DATA/a.txt"_s, u"DATA/b.TXT"_s, u"DATA/sub/d.txt"_s, u"DATA/sub/deep/e.txt"_s, u"DATA/tmp/g.txt"_s};
        QTest::newRow("question mark") << QStringList{u"C:\\Data\\?.txt"_s} << QStringList{} << 0u
                                       << QStringList{u"a.txt"_s, u"b.TXT"_s};
        QTest::newRow("hidden files and folders on request")
            << QStringList{u"C:\\Data\\*.*"_s} << QStringList{} << (tree | ZipMaster::AddHiddenFiles)
            << (allVisible + QStringList{u"Data/.hidden.txt"_s, u"Data/.hid/f.txt"_s});
        QTest::newRow("exclusion by name anywhere")
            << QStringList{u"C:\\Data\\*.*"_s} << QStringList{u"*.LOG"_s, u"e.txt"_s} << tree
            << QStringList{u"Data/a.txt"_s, u"Data/b.TXT"_s, u"Data/sub/d.txt"_s, u"Data/tmp/g.txt"_s};
        QTest::newRow("exclusion of a folder at any depth")
            << QStringList{u"C:\\Data\\*.*"_s} << QStringList{u"C:\\Data\\sub\\*.txt"_s} << tree
            << QStringList{u"Data/a.txt"_s, u"Data/b.TXT"_s, u"Data/c.log"_s, u"Data/tmp/g.txt"_s};
        QTest::newRow("exclusion ignores case")
            << QStringList{u"C:\\Data\\*.*"_s} << QStringList{u"c:\\data\\TMP\\*.*"_s} << tree
            << QStringList{u"Data/a.txt"_s, u"Data/b.TXT"_s, u"Data/c.log"_s, u"Data/sub/d.txt"_s, u"Data/sub/deep/e.txt"_s};
        QTest::newRow("exclusion of one file only")
            << QStringList{u"C:\\Data\\*.*"_s} << QStringList{u"C:\\Data\\a.txt"_s} << tree
            << QStringList{u"Data/b.TXT"_s, u"Data/c.log"_s, u"Data/sub/d.txt"_s, u"Data/sub/deep/e.txt"_s, u"Data/tmp/g.txt"_s};
        QTest::newRow("one file with its folder") << QStringList{u"C:\\Data\\sub\\d.txt"_s} << QStringList{} << tree
                                                  << QStringList{u"Data/sub/d.txt"_s};
        QTest::newRow("one file alone") << QStringList{u"C:\\Data\\sub\\d.txt"_s} << QStringList{} << 0u
                                        << QStringList{u"d.txt"_s};
        QTest::newRow("a folder means all its files")
            << QStringList{u"C:\\Data\\sub"_s} << QStringList{} << tree << QStringList{u"Data/sub/d.txt"_s, u"Data/sub/deep/e.txt"_s};
        QTest::newRow("same name twice is stored once")
            << QStringList{u"C:\\Data\\a.txt"_s, u"C:\\Data\\A.TXT"_s} << QStringList{} << 0u << QStringList{u"a.txt"_s};
    }

    void storedNames()
    {
        QFETCH(QStringList, specs);
        QFETCH(QStringList, exclusions);
        QFETCH(unsigned, options);
        QFETCH(QStringList, expected);
        makeTree();
        QDir::setCurrent(path(QStringLiteral("Data")));
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(QStringLiteral("C:\\out.zip"));
        zip.setAddCompLevel(6);
        zip.setAddOptions(options);
        zip.setFSpecArgs(specs);
        zip.setFSpecArgsExcl(exclusions);
        QCOMPARE(zip.Add(), 0);
        QVERIFY2(log.codes().isEmpty(), qPrintable(log.messages.value(0).second));
        expected.sort();
        QCOMPARE(entryNames(zip), expected);
        QCOMPARE(zip.SuccessCnt(), expected.size());
    }

    // Stored names are case-sensitive: names that differ only in case are all kept. Files that
    // flatten to one stored name keep the first, and each other one is reported by name.
    void caseAndClashesOfStoredNames_data()
    {
        QTest::addColumn<unsigned>("options");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("clashing"); // files reported as left out
        QTest::newRow("with folder names")
            << unsigned(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs)
            << QStringList{u"Data/Report.txt"_s, u"Data/report.txt"_s, u"Data/sub/REPORT.txt"_s, u"Data/sub/report.txt"_s}
            << QStringList{};
        QTest::newRow("flattened") << unsigned(ZipMaster::AddRecurseDirs)
                                   << QStringList{u"REPORT.txt"_s, u"Report.txt"_s, u"report.txt"_s}
                                   << QStringList{u"C:\\Data\\sub\\report.txt"_s};
    }
    void caseAndClashesOfStoredNames()
    {
        QFETCH(unsigned, options);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, clashing);
        QVERIFY(writeFile(path(u"Data/Report.txt"_s), "upper"));
        QVERIFY(writeFile(path(u"Data/report.txt"_s), "lower"));
        QVERIFY(writeFile(path(u"Data/sub/report.txt"_s), "deeper"));
        QVERIFY(writeFile(path(u"Data/sub/REPORT.txt"_s), "shouting"));
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(u"C:\\names.zip"_s);
        zip.setAddOptions(options);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(entryNames(zip), expected);
        QStringList reported;
        for (const auto& [code, text] : log.messages) {
            if (code == 0)
                continue;
            QCOMPARE(code, ZipCode::NameClash);
            reported.append(text.section(u' ', 2, 2));
        }
        QCOMPARE(reported, clashing);
        QCOMPARE(zip.ErrCode(), clashing.isEmpty() ? 0 : ZipCode::NameClash);

        // each entry holds its own file's data
        const QString out = path(u"out"_s);
        zip.setFSpecArgs({});
        zip.setExtrBaseDir(out);
        zip.setExtrOptions(ZipMaster::ExtrDirNames);
        QCOMPARE(zip.Extract(), 0);
        if (clashing.isEmpty()) {
            QCOMPARE(readFile(out + u"/Data/Report.txt"_s), QByteArray("upper"));
            QCOMPARE(readFile(out + u"/Data/report.txt"_s), QByteArray("lower"));
            QCOMPARE(readFile(out + u"/Data/sub/report.txt"_s), QByteArray("deeper"));
        } else {
            QCOMPARE(readFile(out + u"/report.txt"_s), QByteArray("lower"));
        }

        // an update neither replaces "report.txt" by "Report.txt" nor adds anything again
        const QByteArray before = readFile(path(u"names.zip"_s));
        zip.setAddOptions(options | ZipMaster::AddUpdate);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.SuccessCnt(), 0);
        QCOMPARE(readFile(path(u"names.zip"_s)), before);
    }

    // Names Qt cannot list are not passed over in silence: a file whose name is not UTF-8 is
    // stored under its raw bytes (and found again by an update), a folder with such a name and a
    // path over the system's limit are each reported by name.
    void namesBeyondUtf8AndPathLimits()
    {
        const QByteArray folder = QFile::encodeName(path(u"Raw"_s));
        QVERIFY(writeFile(path(u"Raw/plain.txt"_s), "plain"));
        const QByteArray latin1 = folder + "/caf\xe9.txt";
        {
            FILE* f = std::fopen(latin1.constData(), "wb");
            QVERIFY(f);
            std::fputs("latin-1 name", f);
            std::fclose(f);
        }
        QCOMPARE(::mkdir(QByteArray(folder + "/n\xe9w").constData(), 0755), 0);
        // a chain of folders whose deepest path goes past 4,096 bytes
        QByteArray deep = folder + "/deep";
        QCOMPARE(::mkdir(deep.constData(), 0755), 0);
        struct RemoveDeep // QTemporaryDir cannot remove paths that long
        {
            QString at;
            ~RemoveDeep() { run(u"rm"_s, {u"-rf"_s, at}); }
        } removeDeep{QFile::decodeName(deep)};
        QVERIFY(::chdir(deep.constData()) == 0);
        const QByteArray part(200, 'x');
        qsizetype length = deep.size();
        while (length < 4200) {
            QCOMPARE(::mkdir(part.constData(), 0755), 0);
            QVERIFY(::chdir(part.constData()) == 0);
            length += part.size() + 1;
        }
        QVERIFY(writeFile(u"f.txt"_s, "too deep"));
        QDir::setCurrent(m_root);

        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(u"C:\\raw.zip"_s);
        zip.setFSpecArgs({u"C:\\Raw\\*.*"_s});
        zip.setAddOptions(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs | ZipMaster::AddUpdate);
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(log.codes(), (QList<int>{ZipCode::ReadError, ZipCode::ReadError}));
        QString reports;
        for (const auto& m : log.messages)
            reports += m.second + u'\n';
        QVERIFY2(reports.contains(u"not valid UTF-8"_s) && reports.contains(u"longer than 4096 bytes"_s), qPrintable(reports));

        int error = 0;
        zip_t* za = zip_open(QFile::encodeName(path(u"raw.zip"_s)).constData(), ZIP_RDONLY, &error);
        QVERIFY(za);
        QSet<QByteArray> raw;
        for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i)
            raw.insert(zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW));
        zip_discard(za);
        QCOMPARE(raw, (QSet<QByteArray>{"Raw/plain.txt", "Raw/caf\xe9.txt"}));
        if (haveTool(u"unzip"_s)) {
            const QString out = path(u"unzipped"_s);
            QCOMPARE(run(u"unzip"_s, {u"-q"_s, path(u"raw.zip"_s), u"-d"_s, out}).exitCode, 0);
            FILE* restored = std::fopen(QByteArray(QFile::encodeName(out) + "/Raw/caf\xe9.txt").constData(), "rb");
            QVERIFY(restored);
            char text[32] = {};
            const size_t n = std::fread(text, 1, sizeof(text) - 1, restored);
            std::fclose(restored);
            QCOMPARE(QByteArray(text, static_cast<qsizetype>(n)), QByteArray("latin-1 name"));
        }

        const QByteArray before = readFile(path(u"raw.zip"_s));
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.SuccessCnt(), 0);
        QCOMPARE(readFile(path(u"raw.zip"_s)), before);
    }

    // ZIP dates begin in 1980: an older file is stored as 1980-01-01 00:00, and an update does
    // not take it for a changed file.
    void datesBefore1980()
    {
        const QList<QDateTime> times{QDateTime(QDate(1975, 6, 15), QTime(12, 0)), QDateTime(QDate(1979, 12, 31), QTime(23, 59, 58)),
                                     QDateTime(QDate(1980, 1, 1), QTime(0, 0, 2))};
        for (int i = 0; i < times.size(); ++i) {
            QVERIFY(writeFile(path(u"Old/f%1.txt"_s.arg(i)), "old"));
            setModified(path(u"Old/f%1.txt"_s.arg(i)), times[i]);
        }
        ZipMaster zip;
        zip.setFileName(u"C:\\old.zip"_s);
        zip.setFSpecArgs({u"C:\\Old\\*.*"_s});
        zip.setAddOptions(ZipMaster::AddUpdate);
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.Count(), 3);
        const QDateTime first(QDate(1980, 1, 1), QTime(0, 0));
        QCOMPARE(zip.ZipContents()[0].DateTime, first);
        QCOMPARE(zip.ZipContents()[1].DateTime, first);
        QCOMPARE(zip.ZipContents()[2].DateTime, times[2]);
        const QByteArray before = readFile(path(u"old.zip"_s));
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.SuccessCnt(), 0);
        QCOMPARE(readFile(path(u"old.zip"_s)), before);
    }

    // With folder names and recursion an empty folder is stored as a folder entry, once, and a
    // restore brings it back; without folder names there is nothing to store for it.
    void emptyFoldersAreStoredAndRestored()
    {
        makeTree();
        QVERIFY(QDir().mkpath(path(u"Data/empty"_s)));
        QVERIFY(QDir().mkpath(path(u"Data/sub/none/deeper"_s)));
        QVERIFY(writeFile(path(u"Data/onlyhidden/.x"_s), "x"));
        ZipMaster zip;
        zip.setFileName(u"C:\\tree.zip"_s);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        zip.setAddOptions(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs | ZipMaster::AddUpdate);
        QCOMPARE(zip.Add(), 0);
        const QStringList names = entryNames(zip);
        for (const QString& folder : {u"Data/empty/"_s, u"Data/sub/none/deeper/"_s, u"Data/onlyhidden/"_s})
            QVERIFY2(names.contains(folder), qPrintable(names.join(u' ')));
        QVERIFY(!names.contains(u"Data/sub/none/"_s)); // not empty: it holds "deeper"
        QVERIFY(!names.contains(u"Data/sub/"_s));

        const QByteArray before = readFile(path(u"tree.zip"_s));
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.SuccessCnt(), 0);
        QCOMPARE(readFile(path(u"tree.zip"_s)), before);

        zip.setFSpecArgs({});
        zip.setExtrBaseDir(path(u"restore"_s));
        zip.setExtrOptions(ZipMaster::ExtrDirNames);
        QCOMPARE(zip.Extract(), 0);
        QVERIFY(QFileInfo(path(u"restore/Data/empty"_s)).isDir());
        QVERIFY(QFileInfo(path(u"restore/Data/sub/none/deeper"_s)).isDir());
        QCOMPARE(readFile(path(u"restore/Data/sub/d.txt"_s)), readFile(path(u"Data/sub/d.txt"_s)));
        if (haveTool(u"unzip"_s))
            QCOMPARE(run(u"unzip"_s, {u"-tqq"_s, path(u"tree.zip"_s)}).exitCode, 0);

        ZipMaster flat;
        flat.setFileName(u"C:\\flat.zip"_s);
        flat.setFSpecArgs({u"C:\\Data\\*.*"_s});
        flat.setAddOptions(ZipMaster::AddRecurseDirs);
        QCOMPARE(flat.Add(), 0);
        for (const QString& name : entryNames(flat))
            QVERIFY(!name.endsWith(u'/'));
    }

    void nativePathsStoreLikeTheirDosForm()
    {
        makeTree();
        ZipMaster zip;
        zip.setFileName(path(QStringLiteral("native.zip")));
        zip.setAddOptions(ZipMaster::AddDirNames);
        zip.setFSpecArgs({path(QStringLiteral("Data/*.log"))});
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(entryNames(zip), QStringList{u"Data/c.log"_s});
    }

    void archiveBesideTheFilesIsNotAddedToItself()
    {
        makeTree();
        ZipMaster zip;
        zip.setFileName(QStringLiteral("C:\\Data\\self.zip"));
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\*.*")});
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.Add(), 0); // the second add sees self.zip in the folder
        QVERIFY(!entryNames(zip).contains(QStringLiteral("self.zip")));
        QVERIFY(temporaryLeftovers(path(QStringLiteral("Data"))).isEmpty());
    }

    void updateReplacesOnlyNewerOrResizedFiles()
    {
        const QDateTime base = QDateTime::currentDateTime().addDays(-2);
        const QDateTime even = QDateTime::fromSecsSinceEpoch(base.toSecsSinceEpoch() & ~qint64(1));
        for (const char* name : {"same.txt", "newer.txt", "resized.txt", "withinTwoSeconds.txt"}) {
            QVERIFY(writeFile(path(QStringLiteral("U/") + QLatin1String(name)), textData(5000)));
            setModified(path(QStringLiteral("U/") + QLatin1String(name)), even);
        }
        ZipMaster zip;
        zip.setFileName(QStringLiteral("C:\\u.zip"));
        zip.setFSpecArgs({QStringLiteral("C:\\U\\*.*")});
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.SuccessCnt(), 4);

        // newer by ten seconds, same size
        QVERIFY(writeFile(path(QStringLiteral("U/newer.txt")), textData(5000, 99)));
        setModified(path(QStringLiteral("U/newer.txt")), even.addSecs(10));
        // older but another size
        QVERIFY(writeFile(path(QStringLiteral("U/resized.txt")), textData(4000, 5)));
        setModified(path(QStringLiteral("U/resized.txt")), even.addSecs(-100));
        // one second later falls into the same two-second slot
        QVERIFY(writeFile(path(QStringLiteral("U/withinTwoSeconds.txt")), textData(5000, 42)));
        setModified(path(QStringLiteral("U/withinTwoSeconds.txt")), even.addSecs(1));
        QVERIFY(writeFile(path(QStringLiteral("U/new.txt")), textData(100)));

        EventLog log;
        log.attach(zip);
        zip.setAddOptions(ZipMaster::AddUpdate);
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.SuccessCnt(), 3);
        QCOMPARE(log.progress.first(), std::make_pair(int(ZipMaster::TotalFiles2Process), qint64(3)));
        QCOMPARE(entryNames(zip).size(), 5);

        const QString out = m_dir->filePath(QStringLiteral("out"));
        zip.setExtrBaseDir(out);
        zip.setExtrOptions(0);
        zip.setFSpecArgs({}); // every entry
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(readFile(out + QStringLiteral("/newer.txt")), textData(5000, 99));
        QCOMPARE(readFile(out + QStringLiteral("/resized.txt")), textData(4000, 5));
        QCOMPARE(readFile(out + QStringLiteral("/withinTwoSeconds.txt")), textData(5000)); // kept
        QCOMPARE(readFile(out + QStringLiteral("/same.txt")), textData(5000));
    }

    // Replacing entries behind one that grows moves them; every change of method must keep the
    // archive sound (a stored entry replaced by stored data once kept its old offset).
    void updateReplacesEntriesOfEveryMethod()
    {
        const QDateTime old = QDateTime::currentDateTime().addDays(-1);
        struct File
        {
            const char* name;
            QByteArray before;
            QByteArray after;
            int methodAfter;
        };
        const QList<File> files{
            {"first.txt", textData(10000, 1), textData(300000, 2), 8},
            {"s2s.bin", randomData(50000, 3), randomData(50000, 4), 0},
            {"s2d.bin", randomData(50000, 5), textData(50000, 6), 8},
            {"d2s.txt", textData(50000, 7), randomData(50000, 8), 0},
            {"d2d.txt", textData(50000, 9), textData(50000, 10), 8},
        };
        for (const File& f : files) {
            QVERIFY(writeFile(path(u"R/"_s + QLatin1String(f.name)), f.before));
            setModified(path(u"R/"_s + QLatin1String(f.name)), old);
        }
        ZipMaster zip;
        zip.setFileName(u"C:\\r.zip"_s);
        zip.setAddCompLevel(6);
        zip.setFSpecArgs({u"C:\\R\\*.*"_s});
        QCOMPARE(zip.Add(), 0);
        for (const File& f : files) {
            QVERIFY(writeFile(path(u"R/"_s + QLatin1String(f.name)), f.after));
            setModified(path(u"R/"_s + QLatin1String(f.name)), old.addSecs(60));
        }
        zip.setAddOptions(ZipMaster::AddUpdate);
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.SuccessCnt(), files.size());
        QHash<QString, int> methods;
        for (const ZipEntry& e : zip.ZipContents())
            methods.insert(e.FileName, e.CompressionMethod);
        for (const File& f : files)
            QVERIFY2(methods.value(QLatin1String(f.name)) == f.methodAfter, f.name);
        zip.setFSpecArgs({});
        QCOMPARE(zip.Test(), 0);
        QCOMPARE(zip.SuccessCnt(), files.size());
        zip.setExtrBaseDir(m_dir->filePath(u"rout"_s));
        QCOMPARE(zip.Extract(), 0);
        for (const File& f : files)
            QCOMPARE(readFile(m_dir->filePath(u"rout/"_s + QLatin1String(f.name))), f.after);
        if (haveTool(u"unzip"_s))
            QCOMPARE(run(u"unzip"_s, {u"-tqq"_s, path(u"r.zip"_s)}).exitCode, 0);
    }

    void unchangedUpdateDoesNotRewriteTheArchive()
    {
        makeTree();
        ZipMaster zip;
        zip.setFileName(QStringLiteral("C:\\keep.zip"));
        zip.setAddOptions(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs);
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\*.*")});
        QCOMPARE(zip.Add(), 0);
        const QString archive = path(QStringLiteral("keep.zip"));
        setModified(archive, QDateTime::currentDateTime().addDays(-1));
        const QDateTime before = QFileInfo(archive).lastModified();
        const QByteArray bytes = readFile(archive);
        zip.setAddOptions(zip.AddOptions() | ZipMaster::AddUpdate);
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.SuccessCnt(), 0);
        QCOMPARE(QFileInfo(archive).lastModified(), before);
        QCOMPARE(readFile(archive), bytes);
    }

    void codesForMissingFilesAndNothingToAdd()
    {
        makeTree();
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(QStringLiteral("C:\\codes.zip"));
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\missing.txt"), QStringLiteral("C:\\Data\\a.txt")});
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(log.codes(), QList<int>{ZipCode::FileNotFound});
        const QString text = log.messages.first().second;
        QCOMPARE(text, QStringLiteral("File not found C:\\Data\\missing.txt"));
        QCOMPARE(text.mid(15), QStringLiteral("C:\\Data\\missing.txt"));
        QCOMPARE(entryNames(zip), QStringList{u"a.txt"_s});

        // nothing matches and no archive exists: 852237, no file made
        ZipMaster empty;
        EventLog emptyLog;
        emptyLog.attach(empty);
        empty.setFileName(QStringLiteral("C:\\none.zip"));
        empty.setFSpecArgs({QStringLiteral("C:\\Data\\*.xyz"), QStringLiteral("C:\\Nowhere\\*.*")});
        QCOMPARE(empty.Add(), ZipCode::NothingToDo);
        QCOMPARE(emptyLog.codes(), (QList<int>{ZipCode::FileNotFound, ZipCode::NothingToDo}));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("none.zip"))));

        // nothing matches but the archive exists: no error, archive untouched
        const QByteArray bytes = readFile(path(QStringLiteral("codes.zip")));
        EventLog again;
        again.attach(zip);
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\*.xyz")});
        QCOMPARE(zip.Add(), 0);
        QVERIFY(again.codes().isEmpty());
        QCOMPARE(readFile(path(QStringLiteral("codes.zip"))), bytes);
    }

    void progressEventsComeInOrder()
    {
        makeTree();
        QVERIFY(writeFile(path(QStringLiteral("Data/big.txt")), textData(9 << 20, 3))); // several chunks
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(QStringLiteral("C:\\events.zip"));
        zip.setAddOptions(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs);
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\*.*")});
        // The caller's thread gets control often (to process window events) and the engine
        // refuses to start a second operation from inside the first.
        int idleCalls = 0;
        zip.setIdleHandler([&] { ++idleCalls; });
        int nestedResult = -1;
        bool busyInside = false;
        QObject::connect(&zip, &ZipMaster::OnProgress, [&](int kind, const QString&, qint64) {
            if (kind == ZipMaster::NewFile && nestedResult < 0) {
                busyInside = zip.Busy();
                nestedResult = zip.Delete();
            }
        });
        QCOMPARE(zip.Add(), 0);
        QVERIFY(busyInside);
        QCOMPARE(nestedResult, ZipCode::Busy);
        QVERIFY(!zip.Busy());
        QVERIFY(idleCalls > 10);
        const auto& p = log.progress;
        QVERIFY(p.size() >= 4);
        QCOMPARE(p[0].first, int(ZipMaster::TotalFiles2Process));
        QCOMPARE(p[1].first, int(ZipMaster::TotalSize2Process));
        QCOMPARE(p.last().first, int(ZipMaster::EndOfBatch));
        int newFiles = 0;
        qint64 bytes = 0;
        qint64 currentFile = -1;
        qint64 doneInFile = 0;
        for (int i = 2; i < p.size() - 1; ++i) {
            QVERIFY2(p[i].first == ZipMaster::NewFile || p[i].first == ZipMaster::ProgressUpdate, "unexpected kind");
            if (p[i].first == ZipMaster::NewFile) {
                QVERIFY(currentFile < 0 || doneInFile == currentFile); // the previous file was done
                ++newFiles;
                currentFile = p[i].second;
                doneInFile = 0;
            } else {
                QVERIFY(currentFile >= 0);
                doneInFile += p[i].second;
                bytes += p[i].second;
            }
        }
        QCOMPARE(qint64(newFiles), p[0].second);
        QCOMPARE(bytes, p[1].second);
    }

    void cancelLeavesTheOldArchive()
    {
        makeTree();
        ZipMaster zip;
        zip.setFileName(QStringLiteral("C:\\cancel.zip"));
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\a.txt")});
        QCOMPARE(zip.Add(), 0);
        const QByteArray before = readFile(path(QStringLiteral("cancel.zip")));

        QVERIFY(writeFile(path(QStringLiteral("Data/big.txt")), textData(12 << 20, 4)));
        EventLog log;
        log.attach(zip);
        int seen = 0;
        QObject::connect(&zip, &ZipMaster::OnProgress, [&](int kind, const QString&, qint64) {
            if (kind == ZipMaster::ProgressUpdate && ++seen == 1)
                zip.setCancel(true);
        });
        zip.setAddOptions(ZipMaster::AddRecurseDirs | ZipMaster::AddDirNames);
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\*.*")});
        QCOMPARE(zip.Add(), 0); // a cancel is not a failure
        QVERIFY(log.codes().isEmpty());
        QVERIFY(zip.Cancel());
        QCOMPARE(zip.SuccessCnt(), 0);
        QCOMPARE(readFile(path(QStringLiteral("cancel.zip"))), before);
        QVERIFY(temporaryLeftovers(m_root).isEmpty());
        QCOMPARE(entryNames(zip), QStringList{u"a.txt"_s});

        // a cancelled first add leaves no archive at all
        ZipMaster fresh;
        QObject::connect(&fresh, &ZipMaster::OnProgress, [&](int kind, const QString&, qint64) {
            if (kind == ZipMaster::NewFile)
                fresh.setCancel(true);
        });
        fresh.setFileName(QStringLiteral("C:\\fresh.zip"));
        fresh.setFSpecArgs({QStringLiteral("C:\\Data\\*.*")});
        QCOMPARE(fresh.Add(), 0);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("fresh.zip"))));
        QVERIFY(temporaryLeftovers(m_root).isEmpty());
    }

    void fullDiskLeavesTheOldArchive()
    {
        makeTree();
        ZipMaster zip;
        zip.setFileName(QStringLiteral("C:\\full.zip"));
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\a.txt")});
        QCOMPARE(zip.Add(), 0);
        const QByteArray before = readFile(path(QStringLiteral("full.zip")));

        QVERIFY(writeFile(path(QStringLiteral("Data/noise.bin")), randomData(200000)));
        installDrive(folderSize(m_root) + 20000); // 20 kB free: the noise cannot fit
        EventLog log;
        log.attach(zip);
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\*.*")});
        QCOMPARE(zip.Add(), ZipCode::DiskFull);
        QCOMPARE(log.codes(), QList<int>{ZipCode::DiskFull});
        QCOMPARE(readFile(path(QStringLiteral("full.zip"))), before);
        QVERIFY(temporaryLeftovers(m_root).isEmpty());

        installDrive(0, true); // a read-only medium refuses before writing
        QCOMPARE(zip.Add(), ZipCode::WriteError);
        QCOMPARE(readFile(path(QStringLiteral("full.zip"))), before);
    }

    // A file that cannot be read is reported with its name and left out; the rest is archived.
    void unreadableFilesAreReportedAndLeftOut_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no permission") << u"locked"_s << QString::fromLocal8Bit(std::strerror(EACCES));
        QTest::newRow("link to a removed file") << u"dangling"_s << QString::fromLocal8Bit(std::strerror(ENOENT));
    }
    void unreadableFilesAreReportedAndLeftOut()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        if (kind == u"locked"_s && ::geteuid() == 0)
            QSKIP("file permissions do not stop the superuser");
        makeTree();
        const QString bad = path(u"Data/bad.txt"_s);
        if (kind == u"locked"_s) {
            QVERIFY(writeFile(bad, "secret"));
            QVERIFY(QFile::setPermissions(bad, QFileDevice::Permissions()));
        } else {
            QVERIFY(QFile::link(path(u"Data/gone.txt"_s), bad));
        }
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(u"C:\\partial.zip"_s);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(log.codes(), QList<int>{ZipCode::ReadError});
        QCOMPARE(zip.ErrCode(), ZipCode::ReadError);
        QCOMPARE(log.messages.first().second,
                 u"Cannot read the file C:\\Data\\bad.txt ("_s + reason + u")"_s);
        QCOMPARE(entryNames(zip), (QStringList{u"a.txt"_s, u"b.TXT"_s, u"c.log"_s}));
        QCOMPARE(zip.SuccessCnt(), 3);
        QVERIFY(temporaryLeftovers(m_root).isEmpty());
    }

    // A file that fails while the archive is written (here it shrinks after the listing) is
    // reported and the archive written again without it.
    void fileFailingDuringTheWritingIsLeftOut()
    {
        makeTree();
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        bool shrunk = false;
        zip.setIdleHandler([&] {
            if (!shrunk)
                shrunk = QFile::resize(path(u"Data/b.TXT"_s), 10);
        });
        zip.setFileName(u"C:\\shrink.zip"_s);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        QCOMPARE(zip.Add(), 0);
        QVERIFY(shrunk);
        QCOMPARE(log.codes(), QList<int>{ZipCode::ReadError});
        QCOMPARE(log.messages.first().second,
                 u"Cannot read the file C:\\Data\\b.TXT (the file became shorter while it was read)"_s);
        QCOMPARE(entryNames(zip), (QStringList{u"a.txt"_s, u"c.log"_s}));
        QCOMPARE(log.progress.count({int(ZipMaster::EndOfBatch), 0}), 1);
        QVERIFY(temporaryLeftovers(m_root).isEmpty());
        QCOMPARE(zip.Test(), 0);
    }

    // Pipes, sockets and devices are not files to keep: a pipe is passed over without waiting
    // for a writer, a pipe named on its own is reported.
    void specialFilesArePassedOver()
    {
        makeTree();
        const QString pipe = path(u"Data/pipe"_s);
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(u"C:\\pipes.zip"_s);
        zip.setFSpecArgs({u"C:\\Data\\*.*"_s});
        QCOMPARE(zip.Add(), 0);
        QVERIFY(log.codes().isEmpty());
        QCOMPARE(entryNames(zip), (QStringList{u"a.txt"_s, u"b.TXT"_s, u"c.log"_s}));

        EventLog named;
        named.attach(zip);
        zip.setFSpecArgs({u"C:\\Data\\pipe"_s, u"C:\\Data\\c.log"_s});
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(named.codes(), QList<int>{ZipCode::ReadError});
        QVERIFY(named.messages.first().second.contains(u"C:\\Data\\pipe"_s));
        QCOMPARE(entryNames(zip), (QStringList{u"a.txt"_s, u"b.TXT"_s, u"c.log"_s}));
    }

    void compressionChoices()
    {
        QVERIFY(writeFile(path(QStringLiteral("M/text.txt")), textData(200000)));
        QVERIFY(writeFile(path(QStringLiteral("M/picture.png")), textData(200000, 2))); // compressible, stored by suffix
        QVERIFY(writeFile(path(QStringLiteral("M/noise.bin")), randomData(600000)));
        QVERIFY(writeFile(path(QStringLiteral("M/bigtext.log")), textData(10 << 20, 8)));
        QVERIFY(writeFile(path(QStringLiteral("M/bignoise.dat")), randomData(9 << 20, 9)));
        QVERIFY(writeFile(path(QStringLiteral("M/empty.txt")), QByteArray()));
        ZipMaster zip;
        zip.setFileName(QStringLiteral("C:\\m.zip"));
        zip.setAddCompLevel(6);
        zip.setFSpecArgs({QStringLiteral("C:\\M\\*.*")});
        QCOMPARE(zip.Add(), 0);
        QHash<QString, ZipEntry> entries;
        for (const ZipEntry& e : zip.ZipContents())
            entries.insert(e.FileName, e);
        QCOMPARE(entries.size(), 6);
        QCOMPARE(entries[u"text.txt"_s].CompressionMethod, 8);
        QVERIFY(entries[u"text.txt"_s].CompressedSize < 100000);
        QCOMPARE(entries[u"picture.png"_s].CompressionMethod, 0);
        QCOMPARE(entries[u"noise.bin"_s].CompressionMethod, 0);
        QCOMPARE(entries[u"bigtext.log"_s].CompressionMethod, 8);
        QVERIFY(entries[u"bigtext.log"_s].CompressedSize < (5 << 20));
        QCOMPARE(entries[u"bignoise.dat"_s].CompressionMethod, 0);
        QCOMPARE(entries[u"empty.txt"_s].UncompressedSize, 0);

        // every byte comes back, the chunked large file included
        const QString out = m_dir->filePath(QStringLiteral("mout"));
        zip.setExtrBaseDir(out);
        zip.setFSpecArgs({});
        QCOMPARE(zip.Extract(), 0);
        QCOMPARE(zip.SuccessCnt(), 6);
        QCOMPARE(readFile(out + QStringLiteral("/bigtext.log")), textData(10 << 20, 8));
        QCOMPARE(readFile(out + QStringLiteral("/bignoise.dat")), randomData(9 << 20, 9));

        // level 0 stores everything
        ZipMaster stored;
        stored.setFileName(QStringLiteral("C:\\s.zip"));
        stored.setAddCompLevel(0);
        stored.setFSpecArgs({QStringLiteral("C:\\M\\text.txt")});
        QCOMPARE(stored.Add(), 0);
        QCOMPARE(stored.ZipContents().first().CompressionMethod, 0);

        if (haveTool(QStringLiteral("unzip"))) {
            const Run test = run(QStringLiteral("unzip"), {QStringLiteral("-t"), path(QStringLiteral("m.zip"))});
            QVERIFY2(test.exitCode == 0, test.out.constData());
        }
    }

    void otherToolsReadOurArchives()
    {
        if (!haveTool(QStringLiteral("unzip")) || !haveTool(QStringLiteral("python3")))
            QSKIP("unzip or python3 missing");
        makeTree();
        QVERIFY(writeFile(path(QStringLiteral("Data/sub/big.txt")), textData(6 << 20, 11)));
        ZipMaster zip;
        zip.setFileName(QStringLiteral("C:\\interop.zip"));
        zip.setAddCompLevel(1);
        zip.setAddOptions(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs);
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\*.*")});
        QCOMPARE(zip.Add(), 0);
        const QString archive = path(QStringLiteral("interop.zip"));
        const Run test = run(QStringLiteral("unzip"), {QStringLiteral("-t"), archive});
        QVERIFY2(test.exitCode == 0, test.out.constData());
        const Run py = run(QStringLiteral("python3"),
                           {QStringLiteral("-c"),
                            QStringLiteral("import sys,zipfile\nz=zipfile.ZipFile(sys.argv[1])\n"
                                           "assert z.testzip() is None\nprint('\\n'.join(sorted(z.namelist())))"),
                            archive});
        QCOMPARE(py.exitCode, 0);
        QStringList names = QString::fromUtf8(py.out).trimmed().split(QLatin1Char('\n'));
        QCOMPARE(names, entryNames(zip));
        QVERIFY(names.contains(QStringLiteral("Data/sub/big.txt")));
    }

    void aesArchivesOpenWith7Zip()
    {
        if (!haveTool(QStringLiteral("7z")))
            QSKIP("7z missing");
        makeTree();
        QVERIFY(writeFile(path(QStringLiteral("Data/sub/big.txt")), textData(5 << 20, 12)));
        ZipMaster zip;
        zip.setFileName(QStringLiteral("C:\\aes.zip"));
        zip.setPassword(QStringLiteral("s3cret"));
        zip.setAddOptions(ZipMaster::AddDirNames | ZipMaster::AddRecurseDirs | ZipMaster::AddEncrypt);
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\*.*")});
        QCOMPARE(zip.Add(), 0);
        for (const ZipEntry& e : zip.ZipContents()) {
            QVERIFY(e.Encrypted);
            QCOMPARE(e.EncryptionMethod, quint16(0x0103)); // AES-256
        }
        const QString archive = path(QStringLiteral("aes.zip"));
        const QString out = m_dir->filePath(QStringLiteral("7out"));
        const Run good = run(QStringLiteral("7z"), {QStringLiteral("x"), QStringLiteral("-ps3cret"), QStringLiteral("-o") + out, archive});
        QVERIFY2(good.exitCode == 0, good.out.constData());
        QCOMPARE(readFile(out + QStringLiteral("/Data/sub/big.txt")), textData(5 << 20, 12));
        QCOMPARE(readFile(out + QStringLiteral("/Data/a.txt")), readFile(path(QStringLiteral("Data/a.txt"))));
        const Run bad = run(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-pwrong"), archive});
        QVERIFY(bad.exitCode != 0);

        // and our own engine reads them back with the password only
        zip.setPassword(QStringLiteral("s3cret"));
        zip.setFSpecArgs({});
        QCOMPARE(zip.Test(), 0);
        QCOMPARE(zip.SuccessCnt(), zip.Count());
    }

    void getAddPasswordAsksTwice()
    {
        const QString script = m_dir->filePath(QStringLiteral("script.txt"));
        QVERIFY(writeFile(script, "text:abc\ntext:abc\ntext:one\ntext:two\nOK\n"));
        qputenv("KESTRAVE_SCRIPT", script.toUtf8());
        PlatformEnvironment::reload();
        ZipMaster zip;
        QCOMPARE(zip.GetAddPassword(), QStringLiteral("abc"));
        QCOMPARE(zip.Password(), QStringLiteral("abc"));
        QCOMPARE(zip.GetAddPassword(), QString()); // one / two differ
        qunsetenv("KESTRAVE_SCRIPT");
        PlatformEnvironment::reload();
    }

    void commentIsWrittenOnlyWhenItChanges()
    {
        makeTree();
        ZipMaster zip;
        zip.setFileName(QStringLiteral("C:\\comment.zip"));
        zip.setFSpecArgs({QStringLiteral("C:\\Data\\a.txt")});
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(zip.setZipComment(QStringLiteral("Weekly backup")), 0);
        ZipMaster reader;
        reader.setFileName(QStringLiteral("C:\\comment.zip"));
        QCOMPARE(reader.ZipComment(), QStringLiteral("Weekly backup"));
        const QString archive = path(QStringLiteral("comment.zip"));
        setModified(archive, QDateTime::currentDateTime().addDays(-1));
        const QDateTime stamp = QFileInfo(archive).lastModified();
        QCOMPARE(reader.setZipComment(QStringLiteral("Weekly backup")), 0);
        QCOMPARE(QFileInfo(archive).lastModified(), stamp);
    }
};

QTEST_GUILESS_MAIN(TestZipAdd)
#include "tst_zipadd.moc"
