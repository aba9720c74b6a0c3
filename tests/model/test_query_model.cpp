#include "IniDocument.h"
#include "PackageConstants.h"
#include "PlatformEnvironment.h"
#include "Query.h"
#include "SfxOptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

namespace {

IniDocument doc(const char* text)
{
    return IniDocument::fromBytes(QByteArray(text));
}

QStringList list(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* item : items)
        out.append(QString::fromUtf8(item));
    return out;
}

} // namespace

class TestQueryModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void queryFileWithoutDiversTakesRunnerDefaults();
    void editorDefaultsDiffer();
    void runnerReadingRules();
    void editorIconFallsBackToDefault();
    void entryResolution_data();
    void entryResolution();
    void queryFileSectionsAndEntries();
    void includeFlagsStayInForce_data();
    void includeFlagsStayInForce();
    void numberedQuery();
    void emptyNumberedQueryKeepsValuesInForce_data();
    void emptyNumberedQueryKeepsValuesInForce();
    void exclusionItems_data();
    void exclusionItems();
    void automaticIconIndex_data();
    void automaticIconIndex();
    void selfExtractorOptionsLoadAndSave();

private:
    QTemporaryDir m_dir;
};

void TestQueryModel::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A program folder on drive C:, so the editor's default icon has a DOS path.
    QDir(m_dir.path()).mkpath(QStringLiteral("c/Kestrave"));
    QFile drives(m_dir.filePath(QStringLiteral("drives.ini")));
    QVERIFY(drives.open(QIODevice::WriteOnly));
    drives.write("[C]\nroot=" + QFile::encodeName(m_dir.filePath(QStringLiteral("c"))) + "\ntype=fixed\n");
    drives.close();
    qputenv("KESTRAVE_DRIVES", QFile::encodeName(drives.fileName()));
    qputenv("KESTRAVE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("c/Kestrave"))));
    PlatformEnvironment::reload();
}

void TestQueryModel::queryFileWithoutDiversTakesRunnerDefaults()
{
    const QueryFile f = QueryFile::load(doc("[add]\r\n1=C:\\Data\\*.*\r\n"));
    const Query& q = f.options;
    QCOMPARE(q.arch, QStringLiteral("NoName"));
    QCOMPARE(q.dest, QStringLiteral("C:\\"));
    QCOMPARE(q.note, QString());
    QCOMPARE(q.level, 1);
    QCOMPARE(q.maxfile, 5);
    QVERIFY(q.date && q.update && !q.pass && !q.sfx && q.subdir && q.storepath && q.eject);
    QVERIFY(!q.qw95 && q.autoclose && !q.sow && !q.msgsfx && q.endmsg && !q.autorun && !q.chglst);
    QCOMPARE(q.stitre, QStringLiteral("KESTRAVE : archives restoration ."));
    QCOMPARE(q.spath, QStringLiteral("C:\\"));
    QCOMPARE(q.iboxmsg, 1);
    QCOMPARE(q.iconame, QString());
    QCOMPARE(q.icoIndex, 9999);
    QVERIFY(!q.runfile.has_value());
    QCOMPARE(f.nameExeKsv, QString());
    QCOMPARE(f.patchExeKsv, QString());
    QCOMPARE(f.toRun, QString());
    QVERIFY(!f.schedule.has_value());
    // A missing file is an empty query, not an error.
    const QueryFile none = QueryFile::load(m_dir.filePath(QStringLiteral("absent.ksv")));
    QCOMPARE(none.options.arch, QStringLiteral("NoName"));
    QVERIFY(none.addLines.isEmpty());
}

void TestQueryModel::editorDefaultsDiffer()
{
    const Query q = QueryFile::load(doc(""), QueryDefaults::Editor).options;
    QCOMPARE(q.arch, QStringLiteral("SansNom"));
    QCOMPARE(q.dest, QString());
    QCOMPARE(q.stitre, QString());
    QCOMPARE(q.endmsg, false);
    QCOMPARE(q.icoIndex, 0);
    QCOMPARE(q.iboxmsgText, QStringLiteral("1"));
    QCOMPARE(q.iconame, QStringLiteral("C:\\Kestrave\\") + IconeDefautN);
    // Unchanged where the editor agrees with the runner.
    QCOMPARE(q.level, 1);
    QCOMPARE(q.maxfile, 5);
}

void TestQueryModel::runnerReadingRules()
{
    const IniDocument d = doc("[DIVERS]\r\nArch = Daily \r\ndest=e:\\backup\\\r\nstitre=   \r\n"
                              "date=yes\r\nsfx=2\r\nlevel=nine\r\nmaxfile=12\r\niboxmsg=3\r\nrunfile=0\r\n");
    const Query runner = Query::fromSection(d, QStringLiteral("divers"), QueryDefaults::Runner);
    QCOMPARE(runner.arch, QStringLiteral("Daily"));
    QCOMPARE(runner.dest, QStringLiteral("E:\\BACKUP\\"));                        // upper-cased on reading
    QCOMPARE(runner.stitre, QStringLiteral("KESTRAVE : archives restoration .")); // blank = missing
    QCOMPARE(runner.date, true); // a word reads as the default
    QCOMPARE(runner.sfx, true);  // non-zero is true
    QCOMPARE(runner.level, 1);
    QCOMPARE(runner.maxfile, 12);
    QCOMPARE(runner.iboxmsg, 3);
    QCOMPARE(runner.runfile, std::optional<bool>(false));

    const Query editor = Query::fromSection(d, QStringLiteral("divers"), QueryDefaults::Editor);
    QCOMPARE(editor.dest, QStringLiteral("e:\\backup\\")); // the editor shows it as written
    QCOMPARE(editor.stitre, QString());
    QCOMPARE(editor.iboxmsgText, QStringLiteral("3"));
}

void TestQueryModel::editorIconFallsBackToDefault()
{
    const QString icon = m_dir.filePath(QStringLiteral("c/Kestrave/my.ico"));
    QFile f(icon);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QString defaultIcon = QStringLiteral("C:\\Kestrave\\") + IconeDefautN;
    const struct
    {
        const char* text;
        QString expected;
    } cases[] = {
        {"[divers]\r\niconame=C:\\Kestrave\\my.ico\r\n", QStringLiteral("C:\\Kestrave\\my.ico")},
        {"[divers]\r\niconame=C:\\Kestrave\\gone.ico\r\n", defaultIcon},
        {"[divers]\r\niconame=\r\n", defaultIcon},
    };
    for (const auto& c : cases) {
        QCOMPARE(Query::fromSection(doc(c.text), QStringLiteral("divers"), QueryDefaults::Editor).iconame,
                 c.expected);
    }
    // The runner keeps whatever is written; a missing icon file is handled where it is used.
    QCOMPARE(Query::fromSection(doc(cases[1].text), QStringLiteral("divers"), QueryDefaults::Runner).iconame,
             QStringLiteral("C:\\Kestrave\\gone.ico"));
}

void TestQueryModel::entryResolution_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("appFolder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("absolute") << "1=C:\\Data\\*.*"
                              << "D:\\Apps\\Tool"
                              << "C:\\Data\\*.*";
    QTest::newRow("absolute with flags") << "2=C:\\Data\\*.*<>11"
                                         << ""
                                         << "C:\\Data\\*.*<>11";
    QTest::newRow("a=b.txt: right of last =") << "1=C:\\Data\\a=b.txt"
                                              << ""
                                              << "b.txt";
    QTest::newRow("relative") << "3=Data\\*.*"
                              << "D:\\Apps\\Tool"
                              << "D:\\Apps\\Tool\\Data\\*.*";
    QTest::newRow("relative, folder with slash") << "3=Data\\*.*"
                                                 << "D:\\Apps\\Tool\\"
                                                 << "D:\\Apps\\Tool\\Data\\*.*";
    QTest::newRow("relative, leading backslash") << "4=\\cfg\\x.ini"
                                                 << "D:\\Apps\\Tool"
                                                 << "D:\\Apps\\Tool\\cfg\\x.ini";
    QTest::newRow("relative, dot slash") << "4=.\\x.ini"
                                         << "D:\\Apps\\Tool"
                                         << "D:\\Apps\\Tool\\x.ini";
    QTest::newRow("relative with flags") << "5=Data\\*.*<>10"
                                         << "D:\\T"
                                         << "D:\\T\\Data\\*.*<>10";
    QTest::newRow("relative, blanks") << "6 = Data\\a.txt "
                                      << "D:\\T"
                                      << "D:\\T\\Data\\a.txt";
    QTest::newRow("relative, no folder") << "3=Data\\*.*"
                                         << ""
                                         << "Data\\*.*";
    QTest::newRow("colon only in the key") << "C:=x.txt"
                                           << "D:\\T"
                                           << "x.txt";
}

void TestQueryModel::entryResolution()
{
    QFETCH(QString, line);
    QFETCH(QString, appFolder);
    QFETCH(QString, expected);
    QCOMPARE(resolveEntryLine(line, appFolder), expected);
}

void TestQueryModel::queryFileSectionsAndEntries()
{
    const QueryFile f =
        QueryFile::load(doc("[divers]\r\narch=Tool\r\n"
                            "[add]\r\n1=C:\\Data\\*.*<>11\r\n2=Data\\*.*\r\n3=C:\\Data\\a=b.txt\r\n"
                            "[exc]\r\n1=C:\\Data\\*.tmp\r\n2=logs\\*.log\r\n"
                            "[Application]\r\nNameExeKsv=EDITOR.EXE\r\nPatchExeKsv=D:\\Apps\\Tool\r\n"
                            "[RunBeforeAdd]\r\nToRun=C:\\Tools\\prepare.sh\r\n"
                            "[RunBeforeDel]\r\nToDel=x\r\n[RunService]\r\n1=schedule text\r\n"));
    QCOMPARE(f.addLines, list({"1=C:\\Data\\*.*<>11", "2=Data\\*.*", "3=C:\\Data\\a=b.txt"}));
    QCOMPARE(f.addEntries(), list({"C:\\Data\\*.*<>11", "D:\\Apps\\Tool\\Data\\*.*", "b.txt"}));
    QCOMPARE(f.excEntries(), list({"C:\\Data\\*.tmp", "D:\\Apps\\Tool\\logs\\*.log"}));
    // After an application search the runner resolves with the folder it found.
    QCOMPARE(f.addEntries(QStringLiteral("E:\\Found")).at(1), QStringLiteral("E:\\Found\\Data\\*.*"));
    QCOMPARE(f.nameExeKsv, QStringLiteral("EDITOR.EXE"));
    QCOMPARE(f.toRun, QStringLiteral("C:\\Tools\\prepare.sh"));
    QCOMPARE(f.toDel, QStringLiteral("x"));
    QCOMPARE(f.schedule, std::optional<QString>(QStringLiteral("schedule text")));
    QCOMPARE(f.options.arch, QStringLiteral("Tool"));
}

void TestQueryModel::includeFlagsStayInForce_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("storepath");
    QTest::addColumn<bool>("subdir");
    QTest::addColumn<QString>("expected"); // per entry: path|P|S joined by ";"

    QTest::newRow("second entry inherits 01")
        << list({"C:\\A\\*.*<>01", "C:\\B\\*.*"}) << true << false << "C:\\A\\*.*|0|1;C:\\B\\*.*|0|1";
    QTest::newRow("first entry uses query flags")
        << list({"C:\\A\\*.*", "C:\\B\\*.*<>10", "C:\\C\\x"}) << false << true
        << "C:\\A\\*.*|0|1;C:\\B\\*.*|1|0;C:\\C\\x|1|0";
    QTest::newRow("other characters mean off")
        << list({"C:\\A<>x1", "C:\\B<>1"}) << true << true << "C:\\A|0|1;C:\\B|1|0";
    QTest::newRow("last <> counts") << list({"C:\\odd<>name\\*.*<>11"}) << false << false
                                    << "C:\\odd<>name\\*.*|1|1";
    QTest::newRow("bare suffix turns both off") << list({"C:\\A<>"}) << true << true << "C:\\A|0|0";
}

void TestQueryModel::includeFlagsStayInForce()
{
    QFETCH(QStringList, values);
    QFETCH(bool, storepath);
    QFETCH(bool, subdir);
    QFETCH(QString, expected);
    QStringList got;
    for (const IncludeEntry& e : IncludeDecoder::decodeAll(values, storepath, subdir))
        got.append(QStringLiteral("%1|%2|%3").arg(e.path).arg(int(e.storePath)).arg(int(e.subDirs)));
    QCOMPARE(got.join(QLatin1Char(';')), expected);
}

void TestQueryModel::numberedQuery()
{
    const IniDocument settings = doc("[12]\r\ndata=C:\\Work\r\nfilter=*.doc\r\narch=Work\r\ndest=a:\\\r\n"
                                     "note=Daily docs\r\nexclu=~*.doc|*.tmp\r\n"
                                     "[07]\r\ndata=C:\\Seven\\\r\n");
    Query q;
    const NumberedQuery n = NumberedQuery::load(settings, QStringLiteral("12"), q);
    QVERIFY(!n.empty);
    QCOMPARE(n.dataFolder, QStringLiteral("C:\\Work\\"));
    QCOMPARE(n.label, QStringLiteral("C:\\Work\\*.doc"));
    QCOMPARE(n.exclusionText, QStringLiteral("~*.doc|*.tmp"));
    QCOMPARE(n.exclusions, list({"C:\\Work\\~*.doc", "C:\\Work\\*.tmp"}));
    QCOMPARE(q.arch, QStringLiteral("Work"));
    QCOMPARE(q.dest, QStringLiteral("A:\\"));
    QCOMPARE(q.note, QStringLiteral("Daily docs"));

    // The section is named as typed: "07" is [07], "7" is not.
    Query q7;
    QCOMPARE(NumberedQuery::load(settings, QStringLiteral("07"), q7).label, QStringLiteral("C:\\Seven\\*.*"));
    QVERIFY(NumberedQuery::load(settings, QStringLiteral("7"), q7).empty);
}

void TestQueryModel::emptyNumberedQueryKeepsValuesInForce_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::newRow("data and filter empty")
        << QByteArray("[5]\r\ndata=\r\nfilter=\r\narch=Other\r\ndest=E:\\\r\n");
    QTest::newRow("label of two characters") << QByteArray("[5]\r\ndata=\r\nfilter=ab\r\narch=Other\r\n");
    QTest::newRow("no data folder, mask only") << QByteArray("[5]\r\nfilter=*.doc\r\narch=Other\r\n");
    QTest::newRow("no such section") << QByteArray("[6]\r\ndata=C:\\Six\r\narch=Other\r\n");
}

void TestQueryModel::emptyNumberedQueryKeepsValuesInForce()
{
    QFETCH(QByteArray, section);
    const IniDocument settings = IniDocument::fromBytes(section);
    Query q;
    q.arch = QStringLiteral("Previous");
    q.dest = QStringLiteral("F:\\");
    q.level = 9;
    const NumberedQuery n = NumberedQuery::load(settings, QStringLiteral("5"), q);
    QVERIFY(n.empty);
    QVERIFY(n.exclusions.isEmpty());
    QCOMPARE(q.arch, QStringLiteral("Previous"));
    QCOMPARE(q.dest, QStringLiteral("F:\\"));
    QCOMPARE(q.level, 9);
}

void TestQueryModel::exclusionItems_data()
{
    QTest::addColumn<QString>("exclu");
    QTest::addColumn<bool>("storepath");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("single item as written") << "*.tmp" << false << list({"*.tmp"});
    QTest::newRow("single item behind data") << "*.tmp" << true << list({"C:\\Work\\*.tmp"});
    QTest::newRow("inner bars") << "a|b|c" << false << list({"a", "b", "c"});
    QTest::newRow("leading and trailing bars") << "|a|b|" << false << list({"a", "b"});
    QTest::newRow("doubled bar and blanks") << " a || b " << true << list({"C:\\Work\\a", "C:\\Work\\b"});
    QTest::newRow("empty") << "" << true << QStringList();
    QTest::newRow("only bars") << "||" << false << QStringList();
}

void TestQueryModel::exclusionItems()
{
    QFETCH(QString, exclu);
    QFETCH(bool, storepath);
    QFETCH(QStringList, expected);
    QCOMPARE(ksv::exclusionItems(exclu, storepath, QStringLiteral("C:\\Work\\")), expected);

    // Through the numbered-query loader, storepath comes from the section.
    const QByteArray text = "[1]\r\ndata=C:\\Work\r\nstorepath=" + QByteArray(storepath ? "1" : "0") +
                            "\r\nexclu=" + exclu.toUtf8() + "\r\n";
    Query q;
    QCOMPARE(NumberedQuery::load(IniDocument::fromBytes(text), QStringLiteral("1"), q).exclusions, expected);
}

void TestQueryModel::automaticIconIndex_data()
{
    QTest::addColumn<QByteArray>("divers");
    QTest::addColumn<int>("expected");
    QTest::newRow("missing, sfx") << QByteArray("sfx=1\r\n") << 1;
    QTest::newRow("missing, zip") << QByteArray("sfx=0\r\n") << 0;
    QTest::newRow("9999, sfx") << QByteArray("sfx=1\r\nicoIndex=9999\r\n") << 1;
    QTest::newRow("9999, zip") << QByteArray("icoIndex=9999\r\n") << 0;
    QTest::newRow("explicit 4") << QByteArray("sfx=1\r\nicoIndex=4\r\n") << 4;
    QTest::newRow("explicit 0 with sfx") << QByteArray("sfx=1\r\nicoIndex=0\r\n") << 0;
}

void TestQueryModel::automaticIconIndex()
{
    QFETCH(QByteArray, divers);
    QFETCH(int, expected);
    const QueryFile f = QueryFile::load(IniDocument::fromBytes("[divers]\r\n" + divers));
    QCOMPARE(f.options.effectiveIconIndex(), expected);
}

void TestQueryModel::selfExtractorOptionsLoadAndSave()
{
    IniDocument d = doc("[divers]\r\nspath=><\r\nscmd=ab\r\niconame=C:\\none.ico\r\nicoIndex=2\r\n"
                        "iboxmsg=x\r\nendmsg=1\r\n");
    SfxOptions o = SfxOptions::load(d);
    QCOMPARE(o.spath, QStringLiteral("TEMP Dir user"));
    QVERIFY(o.runfile); // two characters tick the run-a-file box
    QCOMPARE(o.iconame, QStringLiteral("C:\\Kestrave\\") + IconeDefautN);
    QCOMPARE(o.icoIndex, 2);
    QCOMPARE(o.iboxmsg, QStringLiteral("x"));
    QVERIFY(o.endmsg && !o.sow && !o.chglst);
    QVERIFY(!SfxOptions::load(doc("[divers]\r\nscmd=a\r\n")).runfile);
    const SfxOptions empty = SfxOptions::load(doc(""));
    QCOMPARE(empty.spath, QStringLiteral("C:\\"));
    QCOMPARE(empty.iboxmsg, QStringLiteral("1"));
    QVERIFY(!empty.endmsg);

    // Saving: the temporary-folder text becomes "><"; scmd is kept unless the box is ticked.
    o.spath = QStringLiteral("Use TEMP Dir user please");
    o.runfile = false;
    o.scmd = QStringLiteral("changed.exe");
    o.save(d);
    QCOMPARE(d.readString(QStringLiteral("divers"), QStringLiteral("spath")), QStringLiteral("><"));
    QCOMPARE(d.readString(QStringLiteral("divers"), QStringLiteral("scmd")), QStringLiteral("ab"));
    QCOMPARE(d.readString(QStringLiteral("divers"), QStringLiteral("runfile")), QStringLiteral("0"));
    o.runfile = true;
    o.spath = QStringLiteral("D:\\Out\\");
    o.save(d);
    QCOMPARE(d.readString(QStringLiteral("divers"), QStringLiteral("scmd")), QStringLiteral("changed.exe"));
    QCOMPARE(d.readString(QStringLiteral("divers"), QStringLiteral("spath")), QStringLiteral("D:\\Out\\"));
    const SfxOptions back = SfxOptions::load(d);
    QCOMPARE(back.icoIndex, o.icoIndex);
    QCOMPARE(back.endmsg, o.endmsg);
}

QTEST_GUILESS_MAIN(TestQueryModel)
#include "test_query_model.moc"
