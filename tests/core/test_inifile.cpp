#include "AtomicFile.h"
#include "IniDocument.h"
#include "IniFile.h"
#include "TextEncoding.h"
#include "WriteFailures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using ksv::IniFile;

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes,
                  const QString& name = QStringLiteral("t.ini"))
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(bytes);
    return path;
}

QStringList latin1List(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* item : items)
        out.append(QLatin1String(item));
    return out;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const char* const kChildFlag = "--child-writer";

// Child mode: writes keys child0..childN-1 into [shared] of the given file.
int runChildWriter(const QString& path, int count)
{
    IniFile ini(path);
    for (int i = 0; i < count; ++i) {
        if (!ini.writeInteger(QStringLiteral("shared"), QStringLiteral("child%1").arg(i), i))
            return 1;
    }
    return 0;
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void readString_data();
    void readString();
    void readNumbers_data();
    void readNumbers();
    void sectionLinesKeepFileOrderAndDuplicates();
    void missingFileGivesDefaults();
    void writeCreatesFileAndSectionWithCrLf();
    void writeKeepsLineEndStyle_data();
    void writeKeepsLineEndStyle();
    void writeReplacesAndInserts();
    void writeRefusesBadNamesAndFlattensLineBreaks();
    void deleteKeyAndEraseSection();
    void deleteOnMissingFileCreatesNothing();
    void unreadableFileIsNeverReplaced();
    void encodings_data();
    void encodings();
    void mixedEncodingsReadPerLineAndKeepUnchangedBytes_data();
    void mixedEncodingsReadPerLineAndKeepUnchangedBytes();
    void fullDiskKeepsTheOldFileAndReports_data();
    void fullDiskKeepsTheOldFileAndReports();
    void anotherObjectSeesWriteAtOnce();
    void noTemporaryFilesLeft();
    void twoProcessesWritingDifferentKeysLoseNothing();
};

void TestIniFile::readString_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray base = "[General]\r\nWav = 1 \r\nName=  two words  \r\nEmpty=\r\n"
                            "path=C:\\Data\\a=b.txt\r\nquoted=\"x\"\r\n;comment=no\r\n"
                            "  [ Spaced ]  \r\n  k  =  v  \r\n[other]\r\nwav=9\r\n";
    QTest::newRow("exact") << base << "General"
                           << "Wav"
                           << "1";
    QTest::newRow("section case") << base << "GENERAL"
                                  << "wav"
                                  << "1";
    QTest::newRow("key case") << base << "general"
                              << "WAV"
                              << "1";
    QTest::newRow("blanks dropped") << base << "general"
                                    << "name"
                                    << "two words";
    QTest::newRow("empty value is not missing") << base << "general"
                                                << "empty"
                                                << "";
    QTest::newRow("first = splits key") << base << "general"
                                        << "path"
                                        << "C:\\Data\\a=b.txt";
    QTest::newRow("no unquoting") << base << "general"
                                  << "quoted"
                                  << "\"x\"";
    QTest::newRow("comment is no key") << base << "general"
                                       << ";comment"
                                       << "<def>";
    QTest::newRow("blanks around names") << base << "spaced"
                                         << "K"
                                         << "v";
    QTest::newRow("other section") << base << "OTHER"
                                   << "wav"
                                   << "9";
    QTest::newRow("missing key") << base << "general"
                                 << "nothere"
                                 << "<def>";
    QTest::newRow("missing section") << base << "nothere"
                                     << "wav"
                                     << "<def>";
    QTest::newRow("key before any section") << QByteArray("wav=1\r\n[s]\r\n") << "s"
                                            << "wav"
                                            << "<def>";
    QTest::newRow("duplicate key: first wins") << QByteArray("[s]\nk=1\nk=2\n") << "s"
                                               << "k"
                                               << "1";
    QTest::newRow("duplicate section: first wins") << QByteArray("[s]\nk=1\n[S]\nk=2\n") << "s"
                                                   << "k"
                                                   << "1";
}

void TestIniFile::readString()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const IniFile ini(writeFile(dir, content));
    QCOMPARE(ini.readString(section, key, QStringLiteral("<def>")), expected);
    QCOMPARE(ini.keyExists(section, key), expected != QLatin1String("<def>"));
}

void TestIniFile::readNumbers_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("integer"); // with default 77
    QTest::addColumn<int>("boolean"); // with default true: 0/1

    QTest::newRow("zero") << "0" << 0 << 0;
    QTest::newRow("one") << "1" << 1 << 1;
    QTest::newRow("non-zero is true") << "5" << 5 << 1;
    QTest::newRow("negative") << "-3" << -3 << 1;
    QTest::newRow("plus sign") << "+12" << 12 << 1;
    QTest::newRow("blanks") << "  20  " << 20 << 1;
    QTest::newRow("word") << "yes" << 77 << 1;
    QTest::newRow("word false") << "false" << 77 << 1;
    QTest::newRow("trailing text") << "12abc" << 77 << 1;
    QTest::newRow("hex") << "0x10" << 77 << 1;
    QTest::newRow("decimal point") << "1.5" << 77 << 1;
    QTest::newRow("empty") << "" << 77 << 1;
    QTest::newRow("only sign") << "-" << 77 << 1;
    QTest::newRow("overflow") << "99999999999" << 77 << 1;
    QTest::newRow("leading zeros") << "007" << 7 << 1;
}

void TestIniFile::readNumbers()
{
    QFETCH(QString, value);
    QFETCH(int, integer);
    QFETCH(int, boolean);
    QTemporaryDir dir;
    const IniFile ini(writeFile(dir, "[s]\r\nk=" + value.toUtf8() + "\r\nz=0\r\n"));
    QCOMPARE(ini.readInteger(QStringLiteral("s"), QStringLiteral("k"), 77), integer);
    QCOMPARE(ini.readBool(QStringLiteral("s"), QStringLiteral("k"), true), boolean != 0);
    // With default false a word must stay false, a number decides by itself.
    const bool withFalseDefault = ini.readBool(QStringLiteral("s"), QStringLiteral("k"), false);
    QCOMPARE(withFalseDefault, integer != 77 && integer != 0);
}

void TestIniFile::sectionLinesKeepFileOrderAndDuplicates()
{
    QTemporaryDir dir;
    const IniFile ini(writeFile(dir, "[add]\r\n3=C:\\c\r\n1=C:\\a\r\n1=C:\\dup\r\n"
                                     "no equals line\r\n; note=x\r\n  2 = Data\\*.*  \r\n[exc]\r\n1=x\r\n"));
    const auto lines = ini.sectionLines(QStringLiteral("ADD"));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], qMakePair(QStringLiteral("3"), QStringLiteral("C:\\c")));
    QCOMPARE(lines[1], qMakePair(QStringLiteral("1"), QStringLiteral("C:\\a")));
    QCOMPARE(lines[2], qMakePair(QStringLiteral("1"), QStringLiteral("C:\\dup")));
    QCOMPARE(lines[3], qMakePair(QStringLiteral("2"), QStringLiteral("Data\\*.*")));
    QCOMPARE(ini.keys(QStringLiteral("add")), latin1List({"3", "1", "1", "2"}));
    QCOMPARE(ini.rawSectionLines(QStringLiteral("add")).last(), QStringLiteral("2 = Data\\*.*"));
    QCOMPARE(ini.sections(), latin1List({"add", "exc"}));
    QVERIFY(ini.sectionLines(QStringLiteral("none")).isEmpty());
}

void TestIniFile::missingFileGivesDefaults()
{
    QTemporaryDir dir;
    const IniFile ini(dir.filePath(QStringLiteral("absent.ini")));
    QCOMPARE(ini.readString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("d")),
             QStringLiteral("d"));
    QCOMPARE(ini.readInteger(QStringLiteral("s"), QStringLiteral("k"), 20), 20);
    QCOMPARE(ini.readBool(QStringLiteral("s"), QStringLiteral("k"), true), true);
    QVERIFY(ini.sections().isEmpty());
    QVERIFY(!ini.sectionExists(QStringLiteral("s")));
}

void TestIniFile::writeCreatesFileAndSectionWithCrLf()
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("new.ini")));
    QVERIFY(ini.writeString(QStringLiteral("general"), QStringLiteral("wav"), QStringLiteral("0")));
    QVERIFY(ini.writeInteger(QStringLiteral("General"), QStringLiteral("split"), 197));
    QVERIFY(ini.writeBool(QStringLiteral("div"), QStringLiteral("x"), true));
    QCOMPARE(readFile(ini.path()), QByteArray("[general]\r\nwav=0\r\nsplit=197\r\n[div]\r\nx=1\r\n"));
}

void TestIniFile::writeKeepsLineEndStyle_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("LF stays LF") << QByteArray("[s]\na=1\n") << QByteArray("[s]\na=1\nb=2\n");
    QTest::newRow("CRLF stays CRLF") << QByteArray("[s]\r\na=1\r\n") << QByteArray("[s]\r\na=1\r\nb=2\r\n");
    QTest::newRow("no final line end") << QByteArray("[s]\na=1") << QByteArray("[s]\na=1\nb=2\n");
    QTest::newRow("empty file gets CRLF") << QByteArray() << QByteArray("[s]\r\nb=2\r\n");
    QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[s]\na=1\n")
                              << QByteArray("\xEF\xBB\xBF[s]\na=1\nb=2\n");
}

void TestIniFile::writeKeepsLineEndStyle()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    IniFile ini(writeFile(dir, content));
    QVERIFY(ini.writeString(QStringLiteral("s"), QStringLiteral("b"), QStringLiteral("2")));
    QCOMPARE(readFile(ini.path()), expected);
}

void TestIniFile::writeReplacesAndInserts()
{
    QTemporaryDir dir;
    IniFile ini(writeFile(dir, "; head\r\n[A]\r\nKey = old \r\nz=1\r\n\r\n[b]\r\nq=1\r\n"));
    QVERIFY(ini.writeString(QStringLiteral("a"), QStringLiteral("KEY"), QStringLiteral("new value")));
    QVERIFY(ini.writeString(QStringLiteral("a"), QStringLiteral("added"), QStringLiteral(" padded ")));
    QCOMPARE(readFile(ini.path()),
             QByteArray("; head\r\n[A]\r\nKey=new value\r\nz=1\r\nadded=padded\r\n\r\n[b]\r\nq=1\r\n"));
    QCOMPARE(ini.readString(QStringLiteral("A"), QStringLiteral("added")), QStringLiteral("padded"));
}

void TestIniFile::writeRefusesBadNamesAndFlattensLineBreaks()
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("x.ini")));
    QVERIFY(!ini.writeString(QStringLiteral("s"), QStringLiteral("a=b"), QStringLiteral("1")));
    QVERIFY(!ini.writeString(QStringLiteral("s"), QStringLiteral("a\nb"), QStringLiteral("1")));
    QVERIFY(!ini.writeString(QStringLiteral("s]x"), QStringLiteral("k"), QStringLiteral("1")));
    QVERIFY(!ini.writeString(QStringLiteral(""), QStringLiteral("k"), QStringLiteral("1")));
    QVERIFY(ini.writeString(QStringLiteral("s"), QStringLiteral("k"),
                            QStringLiteral("one\r\n[admini]\r\npassw=")));
    QCOMPARE(ini.readString(QStringLiteral("s"), QStringLiteral("k")), QStringLiteral("one [admini] passw="));
    QVERIFY(!ini.sectionExists(QStringLiteral("admini")));
}

void TestIniFile::deleteKeyAndEraseSection()
{
    QTemporaryDir dir;
    IniFile ini(writeFile(dir, "[s]\r\nk=1\r\nK=2\r\nm=3\r\n[t]\r\nk=4\r\n[S]\r\nk=5\r\n"));
    QVERIFY(ini.deleteKey(QStringLiteral("S"), QStringLiteral("k")));
    QCOMPARE(ini.keys(QStringLiteral("s")), latin1List({"m"}));
    QCOMPARE(ini.readString(QStringLiteral("t"), QStringLiteral("k")), QStringLiteral("4"));
    QVERIFY(ini.eraseSection(QStringLiteral("s")));
    QCOMPARE(readFile(ini.path()), QByteArray("[t]\r\nk=4\r\n"));
    // Deleting what is not there changes nothing and is no failure.
    QVERIFY(ini.deleteKey(QStringLiteral("t"), QStringLiteral("zz")));
    QVERIFY(ini.eraseSection(QStringLiteral("none")));
    QCOMPARE(readFile(ini.path()), QByteArray("[t]\r\nk=4\r\n"));
}

void TestIniFile::deleteOnMissingFileCreatesNothing()
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("absent.ini")));
    QVERIFY(ini.deleteKey(QStringLiteral("s"), QStringLiteral("k")));
    QVERIFY(ini.eraseSection(QStringLiteral("s")));
    QVERIFY(!QFile::exists(ini.path()));
}

void TestIniFile::unreadableFileIsNeverReplaced()
{
    if (::geteuid() == 0)
        QSKIP("the superuser reads every file, so an unreadable file cannot be made");
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("locked.ini")));
    QVERIFY(ini.writeString(QStringLiteral("general"), QStringLiteral("a"), QStringLiteral("1")));
    QVERIFY(ini.writeString(QStringLiteral("general"), QStringLiteral("b"), QStringLiteral("2")));
    const QByteArray before = readFile(ini.path());
    QVERIFY(QFile::setPermissions(ini.path(), QFileDevice::WriteOwner));
    QVERIFY(!ini.writeString(QStringLiteral("general"), QStringLiteral("c"), QStringLiteral("3")));
    QVERIFY(QFile::setPermissions(ini.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readFile(ini.path()), before);
}

void TestIniFile::encodings_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ascii") << QByteArray("plain") << QStringLiteral("plain");
    QTest::newRow("utf-8") << QByteArray("D\xC3\xA9j\xC3\xA0 \xE2\x82\xAC") << QStringLiteral("Déjà €");
    QTest::newRow("windows-1252") << QByteArray("D\xE9j\xE0 \x80 \x93q\x94") << QStringLiteral("Déjà € “q”");
    QTest::newRow("1252 undefined byte") << QByteArray("a\x81z") << QStringLiteral("a\u0081z");
}

void TestIniFile::encodings()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const IniFile ini(writeFile(dir, "[s]\r\nk=" + value + "\r\n"));
    QCOMPARE(ini.readString(QStringLiteral("s"), QStringLiteral("k")), expected);
}

void TestIniFile::mixedEncodingsReadPerLineAndKeepUnchangedBytes_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("readKey");
    QTest::addColumn<QString>("readExpected");
    QTest::addColumn<QString>("writeKey");
    QTest::addColumn<QString>("writeValue");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray mixed("[q]\r\ndest=C:\\Donn\xC3\xA9" "es\r\nnote=caf\xE9\r\n");
    QTest::newRow("one 1252 line in a UTF-8 file: UTF-8 line")
        << mixed << "dest" << QStringLiteral("C:\\Données") << "arch" << "x" << mixed + "arch=x\r\n";
    QTest::newRow("one 1252 line in a UTF-8 file: 1252 line")
        << mixed << "note" << QStringLiteral("café") << "arch" << "x" << mixed + "arch=x\r\n";
    QTest::newRow("edited 1252 line written in UTF-8")
        << mixed << "dest" << QStringLiteral("C:\\Données") << "note" << QStringLiteral("thé")
        << QByteArray("[q]\r\ndest=C:\\Donn\xC3\xA9" "es\r\nnote=th\xC3\xA9\r\n");
    QTest::newRow("value written again unchanged keeps its bytes")
        << mixed << "note" << QStringLiteral("café") << "note" << QStringLiteral("café") << mixed;
    const QByteArray crOnly("[q]\rdest=C:\\Donn\xC3\xA9" "es\rnote=caf\xE9\r");
    QTest::newRow("CR-only line ends")
        << crOnly << "note" << QStringLiteral("café") << "arch" << "x" << crOnly + "arch=x\r";
    const QByteArray bom("\xEF\xBB\xBF[q]\nnote=caf\xE9\ndest=\xC3\xA9t\xC3\xA9\n");
    QTest::newRow("byte-order mark and a stray byte")
        << bom << "dest" << QStringLiteral("été") << "arch" << "x" << bom + "arch=x\n";
}

void TestIniFile::mixedEncodingsReadPerLineAndKeepUnchangedBytes()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, readKey);
    QFETCH(QString, readExpected);
    QFETCH(QString, writeKey);
    QFETCH(QString, writeValue);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    IniFile ini(writeFile(dir, content));
    QCOMPARE(ini.readString(QStringLiteral("q"), readKey), readExpected);
    QCOMPARE(ini.keys(QStringLiteral("q")).size(), 2); // CR-only ends are read as lines too
    QVERIFY(ini.writeString(QStringLiteral("q"), writeKey, writeValue));
    QCOMPARE(readFile(ini.path()), expected);
    QCOMPARE(ini.readString(QStringLiteral("q"), readKey), readExpected);
}

void TestIniFile::fullDiskKeepsTheOldFileAndReports_data()
{
    // The disk fills up after this many bytes of the new file (which is 40 bytes long).
    QTest::addColumn<qint64>("room");
    QTest::newRow("full") << qint64(0);
    QTest::newRow("one byte") << qint64(1);
    QTest::newRow("half") << qint64(20);
    QTest::newRow("all but the last byte") << qint64(39);
}

void TestIniFile::fullDiskKeepsTheOldFileAndReports()
{
    QFETCH(qint64, room);
    QTemporaryDir dir;
    const QByteArray old("[1]\r\ndata=C:\\Data\r\n[admini]\r\npassw=AB\r\n");
    IniFile ini(writeFile(dir, old, QStringLiteral("kestrave.ini")));
    QStringList reports;
    ksv::WriteFailures::resetForTesting();
    ksv::WriteFailures::setReporter([&](const QString& path, const QString& reason) { reports << path + QLatin1Char('|') + reason; });
    ksv::AtomicFile::setWriteLimitForTesting(room);
    const bool written = ini.writeString(QStringLiteral("1"), QStringLiteral("arch"), QStringLiteral("x"));
    ksv::AtomicFile::setWriteLimitForTesting(-1);
    ksv::WriteFailures::setReporter({});
    QVERIFY(!written);
    QCOMPARE(readFile(ini.path()), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), latin1List({".kestrave.ini.lock", "kestrave.ini"}));
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.at(0).startsWith(ini.path() + QLatin1Char('|')) && reports.at(0).contains(QStringLiteral("space")),
             qPrintable(reports.at(0)));
    // With room again the same write goes through.
    QVERIFY(ini.writeString(QStringLiteral("1"), QStringLiteral("arch"), QStringLiteral("x")));
    QCOMPARE(ini.readString(QStringLiteral("admini"), QStringLiteral("passw")), QStringLiteral("AB"));
    QCOMPARE(ini.readString(QStringLiteral("1"), QStringLiteral("arch")), QStringLiteral("x"));
}

void TestIniFile::anotherObjectSeesWriteAtOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared.ini"));
    IniFile writer(path);
    const IniFile reader(path);
    QCOMPARE(reader.readInteger(QStringLiteral("g"), QStringLiteral("n"), -1), -1);
    QVERIFY(writer.writeInteger(QStringLiteral("g"), QStringLiteral("n"), 5));
    QCOMPARE(reader.readInteger(QStringLiteral("g"), QStringLiteral("n"), -1), 5);
    // A change made behind the object's back (another program) is seen too.
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[g]\r\nn=6\r\n");
    f.close();
    QCOMPARE(reader.readInteger(QStringLiteral("g"), QStringLiteral("n"), -1), 6);
}

void TestIniFile::noTemporaryFilesLeft()
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("k.ini")));
    for (int i = 0; i < 20; ++i)
        QVERIFY(ini.writeInteger(QStringLiteral("s"), QStringLiteral("k%1").arg(i), i));
    QVERIFY(ini.deleteKey(QStringLiteral("s"), QStringLiteral("k3")));
    const QStringList entries = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(entries, latin1List({".k.ini.lock", "k.ini"}));
    QCOMPARE(ini.keys(QStringLiteral("s")).size(), 19);
}

void TestIniFile::twoProcessesWritingDifferentKeysLoseNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("race.ini"));
    const int count = 150;
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kChildFlag), path, QString::number(count)});
    QVERIFY(child.waitForStarted());
    IniFile ini(path);
    for (int i = 0; i < count; ++i)
        QVERIFY(ini.writeInteger(QStringLiteral("shared"), QStringLiteral("parent%1").arg(i), i));
    QVERIFY(child.waitForFinished(120000));
    QCOMPARE(child.exitCode(), 0);

    const ksv::IniDocument doc = ini.snapshot();
    for (int i = 0; i < count; ++i) {
        QCOMPARE(doc.readInteger(QStringLiteral("shared"), QStringLiteral("parent%1").arg(i), -1), i);
        QCOMPARE(doc.readInteger(QStringLiteral("shared"), QStringLiteral("child%1").arg(i), -1), i);
    }
    QCOMPARE(doc.keys(QStringLiteral("shared")).size(), 2 * count);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], kChildFlag) == 0)
        return runChildWriter(QString::fromLocal8Bit(argv[2]), QString::fromLatin1(argv[3]).toInt());
    TestIniFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_inifile.moc"
