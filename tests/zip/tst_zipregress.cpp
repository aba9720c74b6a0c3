// Archives of other tools, many of them damaged on purpose: the engine's list, test and extract
// agree with the verdicts of two established readers (recorded in libzip-regress/verdicts.txt),
// and no archive crashes, hangs or writes outside the destination.

#include "ZipTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ksv;
using namespace ksv::ziptest;
using namespace Qt::StringLiterals;

namespace {

QString fixtureFolder()
{
    return qEnvironmentVariable("KSV_SOURCE_DIR") + u"/tests/zip/libzip-regress"_s;
}

enum class Verdict { Accepted, Rejected, Disputed };

} // namespace

Q_DECLARE_METATYPE(Verdict)

class TestZipRegress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(QFileInfo(fixtureFolder()).isDir(), qPrintable(fixtureFolder())); }

    void verdicts_data()
    {
        QTest::addColumn<QString>("archive");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<int>("entries");
        QFile table(fixtureFolder() + u"/verdicts.txt"_s);
        QVERIFY(table.open(QIODevice::ReadOnly | QIODevice::Text));
        int rows = 0;
        while (!table.atEnd()) {
            const QByteArray line = table.readLine().trimmed();
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const QList<QByteArray> f = line.split(' ');
            QCOMPARE(f.size(), 4);
            const bool unzipAccepts = f[1] == "0";
            const bool sevenZipAccepts = f[2] == "0";
            const Verdict verdict = unzipAccepts != sevenZipAccepts ? Verdict::Disputed
                : unzipAccepts                                      ? Verdict::Accepted
                                                                    : Verdict::Rejected;
            QTest::newRow(f[0].constData()) << QString::fromUtf8(f[0]) << verdict << f[3].toInt();
            ++rows;
        }
        QCOMPARE(rows, 165);
    }

    void verdicts()
    {
        QFETCH(QString, archive);
        QFETCH(Verdict, verdict);
        QFETCH(int, entries);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A copy, so that nothing can change the fixture, in a folder of its own.
        const QString copy = dir.filePath(u"in/"_s + archive);
        QVERIFY(writeFile(copy, readFile(fixtureFolder() + u"/"_s + archive)));
        const QString out = dir.filePath(u"out"_s);

        ZipMaster zip;
        EventLog log;
        log.attach(zip);
        zip.setFileName(copy);
        zip.setPassword(u"1234"_s);
        const int listed = zip.Count();
        const int tested = zip.Test();
        const bool testGood = tested == 0 && zip.SuccessCnt() == zip.Count();
        zip.setExtrBaseDir(out);
        zip.setExtrOptions(ZipMaster::ExtrDirNames | ZipMaster::ExtrOverWrite);
        const int extracted = zip.Extract();

        QString messages;
        for (const auto& m : log.messages)
            messages += QString::number(m.first) + u" "_s + m.second + u"\n"_s;
        if (verdict == Verdict::Accepted) {
            QCOMPARE(listed, entries);
            QVERIFY2(testGood, qPrintable(messages));
            // An entry without a name tests good but cannot be written (unzip refuses it too).
            const bool nameless = std::any_of(zip.ZipContents().cbegin(), zip.ZipContents().cend(),
                                              [](const ZipEntry& e) { return e.FileName.isEmpty(); });
            if (nameless)
                QCOMPARE(extracted, ZipCode::UnsafeName);
            else
                QVERIFY2(extracted == 0, qPrintable(messages));
        } else if (verdict == Verdict::Rejected) {
            QVERIFY2(!testGood, qPrintable(messages));
            QVERIFY2(extracted != 0, qPrintable(messages));
            // the failure names the entry or the archive, never a blank reason
            QVERIFY(!log.codes().isEmpty());
            QVERIFY(!zip.ErrMessage().isEmpty());
        }
        // Whatever the verdict: nothing beside the destination, and the archive untouched.
        QStringList top = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        top.removeAll(u"out"_s);
        QCOMPARE(top, QStringList{u"in"_s});
        QCOMPARE(QDir(dir.filePath(u"in"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{archive});
    }
};

QTEST_GUILESS_MAIN(TestZipRegress)
#include "tst_zipregress.moc"
