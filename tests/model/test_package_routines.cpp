#include "ComboHistory.h"
#include "IniFile.h"
#include "PackageFiles.h"
#include "PackageLaunchers.h"
#include "PackagePaths.h"
#include "PackageStrings.h"
#include "PackageSystem.h"
#include "PackageTime.h"
#include "PlatformEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

namespace {

QStringList list(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* item : items)
        out.append(QString::fromUtf8(item));
    return out;
}

bool makeFile(const QString& path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(QByteArray(size, 'x')) == size;
}

} // namespace

class TestPackageRoutines : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void stringRoutines_data();
    void stringRoutines();
    void predicates_data();
    void predicates();
    void pathRoutines_data();
    void pathRoutines();
    void longPathName();
    void fileSizes();
    void sizeTexts_data();
    void sizeTexts();
    void deleteAndCopy();
    void timeRoutines_data();
    void timeRoutines();
    void dayPrefixUsesClock();
    void drivesAndVolumes();
    void systemLines();
    void comboHistories();
    void launchersForQueries();
    void programStarting();

private:
    QString c(const QString& rel) const { return m_dir.filePath(QStringLiteral("c/") + rel); }
    QTemporaryDir m_dir;
};

void TestPackageRoutines::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char* d : {"c/Kestrave", "c/Backup", "a", "e"})
        QVERIFY(QDir(m_dir.path()).mkpath(QString::fromLatin1(d)));
    const QByteArray base = QFile::encodeName(m_dir.path());
    QFile drives(m_dir.filePath(QStringLiteral("drives.ini")));
    QVERIFY(drives.open(QIODevice::WriteOnly));
    drives.write("[C]\nroot=" + base +
                 "/c\ntype=fixed\n"
                 "[A]\nroot=" +
                 base +
                 "/a\ntype=removable\nlabel=KSV-3-2\n"
                 "[B]\nroot=" +
                 base +
                 "/b\ntype=removable\npresent=0\n"
                 "[E]\nroot=" +
                 base + "/e\ntype=removable\nreadonly=1\nlabel=RO\n");
    drives.close();
    qputenv("KESTRAVE_DRIVES", QFile::encodeName(drives.fileName()));
    qputenv("KESTRAVE_HOME", QFile::encodeName(c(QStringLiteral("Kestrave"))));
    qputenv("KESTRAVE_NOW", "2026-03-07T10:20:30");
    PlatformEnvironment::reload();
}

void TestPackageRoutines::stringRoutines_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");

    QTest::newRow("gauche") << "gauche"
                            << "="
                            << "a=b=c" << 0 << "a";
    QTest::newRow("gauche, no sep") << "gauche"
                                    << "="
                                    << "abc" << 0 << "abc";
    QTest::newRow("droite") << "droite"
                            << "="
                            << "a=b=c" << 0 << "b=c";
    QTest::newRow("droite, no sep") << "droite"
                                    << "="
                                    << "abc" << 0 << "";
    QTest::newRow("droite, long sep") << "droite"
                                      << "<>"
                                      << "C:\\x<>11" << 0 << "11";
    QTest::newRow("DroiteDroite") << "DroiteDroite"
                                  << "="
                                  << "1=C:\\a=b.txt" << 0 << "b.txt";
    QTest::newRow("DroiteDroite, no sep") << "DroiteDroite"
                                          << "\\"
                                          << "file.zip" << 0 << "file.zip";
    QTest::newRow("field 1") << "GaucheNDroite"
                             << "|"
                             << "a|b|c" << 1 << "a";
    QTest::newRow("field 3") << "GaucheNDroite"
                             << "|"
                             << "a|b|c" << 3 << "c";
    QTest::newRow("field past end") << "GaucheNDroite"
                                    << "|"
                                    << "a|b|c" << 4 << "";
    QTest::newRow("field 0") << "GaucheNDroite"
                             << "|"
                             << "a|b" << 0 << "";
    QTest::newRow("empty field") << "Extraire_des_Separateurs"
                                 << "|"
                                 << "|a" << 1 << "";
    QTest::newRow("field of text without sep") << "Extraire_des_Separateurs"
                                               << "|"
                                               << "abc" << 1 << "abc";
    QTest::newRow("count") << "NbSousChaine"
                           << "ab"
                           << "abxabyab" << 0 << "3";
    QTest::newRow("count, no overlap") << "NbSousChaine"
                                       << "aa"
                                       << "aaaa" << 0 << "2";
    QTest::newRow("count, case counts") << "NbSousChaine"
                                        << "C:\\Data"
                                        << "c:\\data\\x" << 0 << "0";
    QTest::newRow("count, empty") << "NbSousChaine"
                                  << ""
                                  << "abc" << 0 << "0";
    QTest::newRow("hour") << "ajoutheur"
                          << ""
                          << "" << 0 << "07:05";
}

void TestPackageRoutines::stringRoutines()
{
    QFETCH(QString, routine);
    QFETCH(QString, sep);
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(QString, expected);
    QString got;
    if (routine == QLatin1String("gauche"))
        got = gauche(sep, text);
    else if (routine == QLatin1String("droite"))
        got = droite(sep, text);
    else if (routine == QLatin1String("DroiteDroite"))
        got = DroiteDroite(sep, text);
    else if (routine == QLatin1String("GaucheNDroite"))
        got = GaucheNDroite(sep, text, n);
    else if (routine == QLatin1String("Extraire_des_Separateurs"))
        got = Extraire_des_Separateurs(sep, text, n);
    else if (routine == QLatin1String("NbSousChaine"))
        got = QString::number(NbSousChaine(sep, text));
    else if (routine == QLatin1String("ajoutheur"))
        got = ajoutheur(7, 5);
    QCOMPARE(got, expected);
}

void TestPackageRoutines::predicates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<bool>("directory");
    QTest::newRow("12") << "12" << true << true;
    QTest::newRow("07") << "07" << true << true;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("negative") << "-3" << false << true;
    QTest::newRow("blank inside") << "1 2" << false << true;
    QTest::newRow("word") << "TOUS" << false << true;
    QTest::newRow("name with blank") << "My Backups" << false << true;
    for (const char* bad : {"a/b", "a\\b", "c:", "a*", "a?", "a\"b", "a<b", "a>b", "a|b"})
        QTest::newRow(bad) << QString::fromLatin1(bad) << false << false;
    QTest::newRow("control") << "a\tb" << false << false;
}

void TestPackageRoutines::predicates()
{
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(bool, directory);
    QCOMPARE(IsStringNumber(text), number);
    QCOMPARE(IsStringGoodForDirectory(text), directory);
}

void TestPackageRoutines::pathRoutines_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("append") << "AppendSlash"
                            << "C:\\Data"
                            << "C:\\Data\\";
    QTest::newRow("append, already") << "AppendSlash"
                                     << "C:\\Data\\"
                                     << "C:\\Data\\";
    QTest::newRow("append, doubled") << "AppendSlash"
                                     << "C:\\Data\\\\"
                                     << "C:\\Data\\";
    QTest::newRow("append, empty") << "AppendSlash"
                                   << ""
                                   << "";
    QTest::newRow("append, native") << "AppendSlash"
                                    << "/home/u"
                                    << "/home/u/";
    QTest::newRow("remove") << "RemoveSlash"
                            << "C:\\Data\\"
                            << "C:\\Data";
    QTest::newRow("remove, root") << "RemoveSlash"
                                  << "C:\\"
                                  << "C:";
    QTest::newRow("remove, none") << "RemoveSlash"
                                  << "C:\\Data"
                                  << "C:\\Data";
    QTest::newRow("name alone") << "FileNameAlone"
                                << "C:\\Jobs\\daily.ksv"
                                << "daily";
    QTest::newRow("name alone, two dots") << "FileNameAlone"
                                          << "C:\\a\\b.tar.gz"
                                          << "b.tar";
    QTest::newRow("name alone, no ext") << "FileNameAlone"
                                        << "C:\\Jobs\\daily"
                                        << "daily";
    QTest::newRow("name alone, drive") << "FileNameAlone"
                                       << "A:x.zip"
                                       << "x";
    QTest::newRow("name alone, dot folder") << "FileNameAlone"
                                            << "C:\\v1.2\\readme"
                                            << "readme";
    QTest::newRow("arch zip") << "MakeArchName zip"
                              << "\\Daily"
                              << "Daily.zip";
    QTest::newRow("arch exe") << "MakeArchName exe"
                              << "C:\\x\\Daily"
                              << "Daily.exe";
    QTest::newRow("arch no ext") << "MakeArchName bare"
                                 << "C:\\x\\Daily"
                                 << "Daily";
    QTest::newRow("arch no folder") << "MakeArchName zip"
                                    << "Daily"
                                    << "Daily.zip";
    QTest::newRow("work on dir") << "WorkOnDirString"
                                 << "3=Data\\*.*"
                                 << "D:\\Apps\\Tool\\Data\\*.*";
    QTest::newRow("work on dir, no key") << "WorkOnDirString"
                                         << "Data\\x.txt"
                                         << "D:\\Apps\\Tool\\Data\\x.txt";
}

void TestPackageRoutines::pathRoutines()
{
    QFETCH(QString, routine);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QString got;
    if (routine == QLatin1String("AppendSlash"))
        got = AppendSlash(input);
    else if (routine == QLatin1String("RemoveSlash"))
        got = RemoveSlash(input);
    else if (routine == QLatin1String("FileNameAlone"))
        got = FileNameAlone(input);
    else if (routine == QLatin1String("MakeArchName zip"))
        got = MakeArchName(input, false, true);
    else if (routine == QLatin1String("MakeArchName exe"))
        got = MakeArchName(input, true, true);
    else if (routine == QLatin1String("MakeArchName bare"))
        got = MakeArchName(input, true, false);
    else if (routine == QLatin1String("WorkOnDirString"))
        got = WorkOnDirString(QStringLiteral("D:\\Apps\\Tool"), input);
    QCOMPARE(got, expected);
}

void TestPackageRoutines::longPathName()
{
    QVERIFY(makeFile(c(QStringLiteral("Backup/Daily.KSV")), 3));
    QCOMPARE(GetShellPathName(QStringLiteral("c:\\backup\\daily.ksv")),
             QStringLiteral("C:\\Backup\\Daily.KSV"));
    QCOMPARE(GetShellPathName(QStringLiteral("C:\\BACKUP\\")), QStringLiteral("C:\\Backup\\"));
    QCOMPARE(GetShellPathName(c(QStringLiteral("Backup/Daily.KSV"))),
             QStringLiteral("C:\\Backup\\Daily.KSV"));
    // A name that does not exist keeps the case given.
    QCOMPARE(GetShellPathName(QStringLiteral("C:\\backup\\New.ksv")), QStringLiteral("C:\\Backup\\New.ksv"));
    QCOMPARE(GetShellPathName(QStringLiteral("Q:\\x")), QStringLiteral("Q:\\x"));
    QCOMPARE(CheminProg(), QStringLiteral("C:\\Kestrave\\"));
}

void TestPackageRoutines::fileSizes()
{
    QVERIFY(makeFile(c(QStringLiteral("Sizes/a.doc")), 1000));
    QVERIFY(makeFile(c(QStringLiteral("Sizes/B.DOC")), 2000));
    QVERIFY(makeFile(c(QStringLiteral("Sizes/c.txt")), 300));
    QVERIFY(makeFile(c(QStringLiteral("Sizes/noext")), 5));
    QVERIFY(makeFile(c(QStringLiteral("Sizes/sub/d.doc")), 7000));
    QCOMPARE(TailleFichier(QStringLiteral("C:\\Sizes\\a.doc")), qint64(1000));
    QCOMPARE(TailleFichier(QStringLiteral("C:\\Sizes\\missing.doc")), qint64(-1));
    QCOMPARE(TailleFichier(QStringLiteral("C:\\Sizes")), qint64(-1));
    QCOMPARE(TailleFichier(QString()), qint64(-1));
    QCOMPARE(sTailleFichier(QStringLiteral("C:\\Sizes\\B.DOC")), QStringLiteral("2.0 KB"));
    QCOMPARE(sTailleFichier(QStringLiteral("C:\\Sizes\\missing")), QStringLiteral("0 bytes"));
    QCOMPARE(TailleRepertoire(QStringLiteral("C:\\Sizes"), QStringLiteral("*.doc")), qint64(3000));
    QCOMPARE(TailleRepertoire(QStringLiteral("C:\\Sizes\\"), QStringLiteral("*.*")), qint64(3305));
    QCOMPARE(TailleRepertoire(QStringLiteral("C:\\Nothing"), QStringLiteral("*.*")), qint64(0));
}

void TestPackageRoutines::sizeTexts_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("kb");
    QTest::newRow("zero") << qint64(0) << "0 bytes"
                          << "0 KB";
    QTest::newRow("one byte") << qint64(1) << "1 bytes"
                              << "1 KB";
    QTest::newRow("1023") << qint64(1023) << "1023 bytes"
                          << "1 KB";
    QTest::newRow("1024") << qint64(1024) << "1.0 KB"
                          << "1 KB";
    QTest::newRow("1025") << qint64(1025) << "1.0 KB"
                          << "2 KB";
    QTest::newRow("floppy") << qint64(1457664) << "1.4 MB"
                            << "1,424 KB";
    QTest::newRow("big") << qint64(5368709120) << "5.0 GB"
                         << "5,242,880 KB";
    QTest::newRow("negative") << qint64(-1) << "0 bytes"
                              << "0 KB";
}

void TestPackageRoutines::sizeTexts()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, size);
    QFETCH(QString, kb);
    QCOMPARE(sizeText(bytes), size);
    QCOMPARE(getkb(bytes), kb);
}

void TestPackageRoutines::deleteAndCopy()
{
    QVERIFY(makeFile(c(QStringLiteral("Sas_Zip/ZipTmp1.tmp")), 1));
    QVERIFY(makeFile(c(QStringLiteral("Sas_Zip/ziptmp2")), 1));
    QVERIFY(makeFile(c(QStringLiteral("Sas_Zip/keep.zip")), 1));
    QVERIFY(makeFile(c(QStringLiteral("Sas_Zip/sub/ZipTmp3")), 1));
    QVERIFY(DelAllFile(QStringLiteral("C:\\Sas_Zip\\"), QStringLiteral("ZipTmp*.*")).isOk());
    QCOMPARE(QDir(c(QStringLiteral("Sas_Zip"))).entryList(QDir::Files), list({"keep.zip"}));
    QVERIFY(QFile::exists(c(QStringLiteral("Sas_Zip/sub/ZipTmp3"))));
    QVERIFY(!DelAllFile(QStringLiteral("C:\\NoSuchFolder"), QStringLiteral("*.*")).isOk());

    // A file that cannot be deleted (its folder is read-only) makes the routine fail.
    QVERIFY(makeFile(c(QStringLiteral("Locked/x.tmp")), 1));
    QFile::setPermissions(c(QStringLiteral("Locked")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool writable = QFileInfo(c(QStringLiteral("Locked"))).isWritable(); // true when running as root
    const Status locked = DelAllFile(QStringLiteral("C:\\Locked"), QStringLiteral("*.*"));
    QFile::setPermissions(c(QStringLiteral("Locked")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!writable) {
        QVERIFY(!locked.isOk());
        QVERIFY(locked.message().contains(QLatin1String("x.tmp")));
    }

    QVERIFY(makeFile(c(QStringLiteral("Src/arch.zip")), 4096));
    QVERIFY(CopyFiles32(QStringLiteral("C:\\Src\\arch.zip"), QStringLiteral("A:\\arch.zip")).isOk());
    QCOMPARE(QFileInfo(m_dir.filePath(QStringLiteral("a/arch.zip"))).size(), qint64(4096));
    // Replaces an existing copy.
    QVERIFY(makeFile(c(QStringLiteral("Src/arch.zip")), 10));
    QVERIFY(CopyFiles32(QStringLiteral("C:\\Src\\arch.zip"), QStringLiteral("A:\\arch.zip")).isOk());
    QCOMPARE(QFileInfo(m_dir.filePath(QStringLiteral("a/arch.zip"))).size(), qint64(10));
    QVERIFY(!CopyFiles32(QStringLiteral("C:\\Src\\missing.zip"), QStringLiteral("A:\\x.zip")).isOk());
    QVERIFY(!CopyFiles32(QStringLiteral("C:\\Src\\arch.zip"), QStringLiteral("E:\\arch.zip")).isOk());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("e/arch.zip"))));
    QVERIFY(
        !CopyFiles32(QStringLiteral("C:\\Src\\arch.zip"), QStringLiteral("A:\\no\\such\\dir\\x.zip")).isOk());
    // Nothing but the copy is left on the target.
    QCOMPARE(QDir(m_dir.filePath(QStringLiteral("a"))).entryList(QDir::Files | QDir::Hidden),
             list({"arch.zip"}));
}

void TestPackageRoutines::timeRoutines_data()
{
    QTest::addColumn<qint64>("t0");
    QTest::addColumn<qint64>("t1");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << qint64(1000) << qint64(1000) << "0.0 s";
    QTest::newRow("backwards") << qint64(5000) << qint64(1000) << "0.0 s";
    QTest::newRow("sub-second") << qint64(0) << qint64(350) << "0.3 s";
    QTest::newRow("seconds") << qint64(100) << qint64(12600) << "12.5 s";
    QTest::newRow("minutes") << qint64(0) << qint64(125000) << "2 min 05 s";
    QTest::newRow("hours") << qint64(0) << qint64(3723000) << "1 h 02 min 03 s";
}

void TestPackageRoutines::timeRoutines()
{
    QFETCH(qint64, t0);
    QFETCH(qint64, t1);
    QFETCH(QString, expected);
    QCOMPARE(ShowLTime(t0, t1), expected);
}

void TestPackageRoutines::dayPrefixUsesClock()
{
    QCOMPARE(Jour(true, true), QStringLiteral("0703"));
    QCOMPARE(Jour(false, true), QStringLiteral("0307"));
    QCOMPARE(Jour(true, false), QString());
    QCOMPARE(ajoutheur(23, 59), QStringLiteral("23:59"));
    QCOMPARE(ajoutheur(0, 0), QStringLiteral("00:00"));
    QCOMPARE(ajoutheur(-1, 100), QStringLiteral("00:99"));
}

void TestPackageRoutines::drivesAndVolumes()
{
    QCOMPARE(CheckForDisk(QStringLiteral("A")), 3);
    QCOMPARE(CheckForDisk(QStringLiteral("a:")), 3);
    QCOMPARE(CheckForDisk(QStringLiteral("B:\\")), 0); // no medium
    QCOMPARE(CheckForDisk(QStringLiteral("E")), 1);    // write-protected medium
    QCOMPARE(CheckForDisk(QStringLiteral("Q")), 0);    // unknown drive
    QCOMPARE(CheckForDisk(QString()), 0);
    QCOMPARE(GetVolInfo(QStringLiteral("A:\\")), QStringLiteral("KSV-3-2"));
    QCOMPARE(GetVolInfo(QStringLiteral("B:\\")), QString());
    QCOMPARE(GetVolInfo(QStringLiteral("Q:\\")), QString());
}

void TestPackageRoutines::systemLines()
{
    const QString memory = GetMemoryDetails();
    QVERIFY2(memory.startsWith(QLatin1String("Memory : ")), qPrintable(memory));
    QVERIFY2(memory.contains(QLatin1String("available of")) || memory.endsWith(QLatin1String("unknown.")),
             qPrintable(memory));
    const QString system = GetSysPhysDetails();
    QVERIFY2(system.startsWith(QLatin1String("System : ")) && system.contains(QLatin1String("processor")),
             qPrintable(system));
    QVERIFY(!memory.contains(QLatin1Char('\n')) && !system.contains(QLatin1Char('\n')));
}

void TestPackageRoutines::comboHistories()
{
    const QString ini = QStringLiteral("C:\\Kestrave\\kestrave.ini");
    const QString nativeIni = c(QStringLiteral("Kestrave/kestrave.ini"));
    QFile f(nativeIni);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[HistoryNOParmDir]\r\nn0=A:\\\r\nn1=C:\\Backup\\\r\nn3=C:\\gap\\\r\nlast=C:\\Backup\\\r\n"
            "[titres]\r\nlast=\r\n");
    f.close();

    ComboModel combo;
    LoadCombo(combo, ini, QStringLiteral("historynoparmdir"));
    QCOMPARE(combo.items, list({"A:\\", "C:\\Backup\\"})); // stops at the first gap
    QCOMPARE(combo.text, QStringLiteral("C:\\Backup\\"));

    ComboModel titles;
    LoadCombo(titles, nativeIni, QStringLiteral("titres"), QStringLiteral("My programm setup"));
    QCOMPARE(titles.items, list({"My programm setup"}));
    QCOMPARE(titles.text, QStringLiteral("My programm setup"));
    ComboModel none;
    LoadCombo(none, ini, QStringLiteral("cutdir"));
    QVERIFY(none.items.isEmpty() && none.text.isEmpty());

    combo.text = QStringLiteral("c:\\backup\\");
    AddNewComboItem(combo); // moves the existing entry up, once
    QCOMPARE(combo.items, list({"c:\\backup\\", "A:\\"}));
    combo.text = QStringLiteral("D:\\New\\");
    AddNewComboItem(combo);
    combo.text = QStringLiteral("  ");
    AddNewComboItem(combo);
    QCOMPARE(combo.items, list({"D:\\New\\", "c:\\backup\\", "A:\\"}));
    combo.text = QStringLiteral("D:\\New\\");
    QVERIFY(SaveCombo(combo, ini, QStringLiteral("HistoryNOParmDir")));
    const IniFile file(nativeIni);
    QCOMPARE(file.keys(QStringLiteral("HistoryNOParmDir")), list({"n0", "n1", "n2", "last"}));
    QCOMPARE(file.readString(QStringLiteral("titres"), QStringLiteral("last"), QStringLiteral("?")),
             QString());
    ComboModel back;
    LoadCombo(back, ini, QStringLiteral("HistoryNOParmDir"));
    QCOMPARE(back.items, combo.items);
    QCOMPARE(back.text, combo.text);

    for (int i = 0; i < ComboHistoryMaxItems + 5; ++i) {
        combo.text = QStringLiteral("C:\\f%1\\").arg(i);
        AddNewComboItem(combo);
    }
    QCOMPARE(combo.items.size(), ComboHistoryMaxItems);
    QCOMPARE(combo.items.first(), QStringLiteral("C:\\f%1\\").arg(ComboHistoryMaxItems + 4));

    FileComboWithDrives(combo);
    QCOMPARE(combo.items, list({"A:\\", "B:\\", "C:\\", "E:\\"}));
    QCOMPARE(combo.text, QStringLiteral("C:\\f%1\\").arg(ComboHistoryMaxItems + 4));
}

void TestPackageRoutines::launchersForQueries()
{
    const QString ini = c(QStringLiteral("Kestrave/launchers.ini"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(
        "[1]\r\ndata=C:\\Work\r\nfilter=*.doc\r\narch=Work\r\n"
        "[2]\r\ndata=\r\nfilter=\r\narch=Empty\r\n"
        "[150]\r\ndata=C:\\Last\r\narch=Last\r\n"
        "[KsvFile]\r\nn0=C:\\Ksv\\Daily job.ksv\r\nn1=C:\\Ksv\\50%.ksv\r\nlast=C:\\Ksv\\Daily job.ksv\r\n");
    f.close();
    const QString folder = m_dir.filePath(QStringLiteral("launchers"));
    QVERIFY(makeFile(folder + QStringLiteral("/someone-else.desktop"), 3));

    const Result<int> made = CreerIconesDemarrer2(ini, folder);
    QVERIFY(made.isOk());
    QCOMPARE(made.value(), 4);
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("kestrave-query-*.desktop")}, QDir::Files);
    QCOMPARE(files.size(), 4);
    QVERIFY(files.contains(QStringLiteral("kestrave-query-1.desktop")));
    QVERIFY(files.contains(QStringLiteral("kestrave-query-150.desktop")));

    QFile one(folder + QStringLiteral("/kestrave-query-1.desktop"));
    QVERIFY(one.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(one.readAll());
    QVERIFY2(text.startsWith(QLatin1String("[Desktop Entry]\n")), qPrintable(text));
    QVERIFY(text.contains(QLatin1String("Type=Application\n")));
    QVERIFY(text.contains(QLatin1String("Name=Kestrave 1 - Work\n")));
    QVERIFY(text.contains(QLatin1String("/kestrave\" \"1\"\n")));
    QVERIFY(QFileInfo(one).isExecutable());

    // Paths are quoted and escaped for the Exec key: "\" doubled twice, "%" doubled.
    bool sawFile = false;
    for (const QString& name : files) {
        QFile l(folder + QLatin1Char('/') + name);
        QVERIFY(l.open(QIODevice::ReadOnly));
        const QString t = QString::fromUtf8(l.readAll());
        if (t.contains(QLatin1String("Name=Kestrave - 50%\n"))) {
            sawFile = true;
            QVERIFY2(t.contains(QLatin1String("\"C:\\\\\\\\Ksv\\\\\\\\50%%.ksv\"")), qPrintable(t));
        }
    }
    QVERIFY(sawFile);

    // A refresh after query 150 was removed drops its launcher and leaves other files alone.
    IniFile(ini).eraseSection(QStringLiteral("150"));
    QCOMPARE(CreerIconesDemarrer2(ini, folder).value(), 3);
    QVERIFY(!QFile::exists(folder + QStringLiteral("/kestrave-query-150.desktop")));
    QVERIFY(QFile::exists(folder + QStringLiteral("/someone-else.desktop")));
}

void TestPackageRoutines::programStarting()
{
    // A real program run and waited for gives its exit code.
    const QString script = c(QStringLiteral("Tools/prepare.sh"));
    QVERIFY(makeFile(script, 0));
    QFile s(script);
    QVERIFY(s.open(QIODevice::WriteOnly));
    s.write("#!/bin/sh\necho done > \"$(dirname \"$0\")/ran.txt\"\nexit 3\n");
    s.close();
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(WinExecAndWait32(QStringLiteral("C:\\Tools\\prepare.sh"), 1, true), 3);
    QVERIFY(QFile::exists(c(QStringLiteral("Tools/ran.txt"))));
    QCOMPARE(WinExecAndWait32(QStringLiteral("C:\\Tools\\missing.sh"), 1, true), -1);
    QCOMPARE(WinExecAndWait32(QString(), 1, false), -1);
}

QTEST_GUILESS_MAIN(TestPackageRoutines)
#include "test_package_routines.moc"
