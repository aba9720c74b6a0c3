// The archive flag kept in a user extended attribute, on the temporary folder's file system.
#include "ArchiveFlag.h"
#include "PlatformTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/xattr.h>

using namespace ksv;

class TestArchiveFlag : public QObject
{
    Q_OBJECT

private slots:
    void setUntilClearedThenSetByAChange();
    void missingFile();
    void hidden_data();
    void hidden();
};

void TestArchiveFlag::setUntilClearedThenSetByAChange()
{
    QTemporaryDir tmp;
    const QString file = tmp.path() + QStringLiteral("/doc.txt");
    QVERIFY(test::writeFile(file, "first"));
    QVERIFY(ArchiveFlag::isSet(file)); // never stored

    const QByteArray encoded = QFile::encodeName(file);
    if (::setxattr(encoded.constData(), "user.kestrave.probe", "1", 1, 0) != 0)
        QSKIP("The temporary folder's file system keeps no user extended attributes");
    ::removexattr(encoded.constData(), "user.kestrave.probe");

    QVERIFY(ArchiveFlag::clear(file));
    QVERIFY(!ArchiveFlag::isSet(file));
    QVERIFY(!ArchiveFlag::isSet(file)); // reading changes nothing

    // A new modification time sets the flag again, even with the same size and content.
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(f.fileTime(QFileDevice::FileModificationTime).addSecs(-3600), QFileDevice::FileModificationTime));
    f.close();
    QVERIFY(ArchiveFlag::isSet(file));
    QVERIFY(ArchiveFlag::clear(file));
    QVERIFY(!ArchiveFlag::isSet(file));

    // A time moved back (a file restored from an older copy) counts as a change as well.
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(f.fileTime(QFileDevice::FileModificationTime).addMSecs(-1), QFileDevice::FileModificationTime));
    f.close();
    QVERIFY(ArchiveFlag::isSet(file));
}

void TestArchiveFlag::missingFile()
{
    QTemporaryDir tmp;
    const QString file = tmp.path() + QStringLiteral("/none.txt");
    QVERIFY(ArchiveFlag::isSet(file));
    QVERIFY(!ArchiveFlag::clear(file));
}

void TestArchiveFlag::hidden_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("dot file") << "/tmp/x/.profile" << true;
    QTest::newRow("plain file") << "/tmp/x/profile" << false;
    QTest::newRow("dot folder above is not the name") << "/tmp/.cache/file" << false;
    QTest::newRow("dot in the middle") << "/tmp/x/a.b" << false;
}

void TestArchiveFlag::hidden()
{
    QFETCH(QString, path);
    QFETCH(bool, hidden);
    QCOMPARE(ArchiveFlag::isHidden(path), hidden);
}

QTEST_GUILESS_MAIN(TestArchiveFlag)
#include "tst_archiveflag.moc"
