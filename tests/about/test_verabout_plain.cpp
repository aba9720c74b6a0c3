#include "VerAbout.h"

#include <QTest>

using namespace ksv;

// This program carries no version information: every lookup leaves the value as it was.
class TestVerAboutPlain : public QObject
{
    Q_OBJECT

private slots:
    void valueUnchanged_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("before");
        for (int k = int(TInfo::CompanyName); k <= int(TInfo::ProductVersion); ++k) {
            const QByteArray name = infoName(TInfo(k)).toLatin1();
            QTest::addRow("%s over a value", name.constData()) << k << QStringLiteral("kept");
            QTest::addRow("%s over nothing", name.constData()) << k << QString();
        }
    }
    void valueUnchanged()
    {
        QFETCH(int, key);
        QFETCH(QString, before);
        QString value = before;
        GetVersionString(TInfo(key), value);
        QCOMPARE(value, before);
        QVERIFY(!VersionInfo::read(QStringLiteral("/proc/self/exe")));
    }
};

QTEST_GUILESS_MAIN(TestVerAboutPlain)
#include "test_verabout_plain.moc"
