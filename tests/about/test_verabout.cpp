#include "VerAbout.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace ksv;

namespace {

const QString ownFile = QStringLiteral("/proc/self/exe");
const QByteArray translationKey = QByteArrayLiteral("\\VarFileInfo\\Translation");
const QByteArray fileVersionKey = QByteArrayLiteral("\\StringFileInfo\\040904B0\\FileVersion");

bool patchAt(const QString& path, qint64 offset, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.seek(offset) && file.write(bytes) == bytes.size();
}

// Offset in the file of the record whose key is key (its 4-byte header), or -1.
qint64 recordOffset(const QString& path, const QByteArray& key)
{
    const auto where = VersionInfo::locate(path);
    const auto block = VersionInfo::read(path);
    if (!where || !block)
        return -1;
    const qsizetype at = block->indexOf(key);
    return at < 4 ? -1 : where->offset + at - 4;
}

} // namespace

// This program embeds its version information (ksv_embed_version in the test's CMake file).
class TestVerAbout : public QObject
{
    Q_OBJECT

private slots:
    void ownInformation_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        const QString version = QStringLiteral(KSV_VERSION_STRING);
        QTest::newRow("CompanyName") << int(TInfo::CompanyName) << QStringLiteral("Kestrave project");
        QTest::newRow("FileDescription") << int(TInfo::FileDescription) << QStringLiteral("Kestrave version reader test");
        QTest::newRow("FileVersion") << int(TInfo::FileVersion) << version;
        QTest::newRow("InternalName") << int(TInfo::InternalName) << QStringLiteral("test_verabout");
        QTest::newRow("LegalCopyright") << int(TInfo::LegalCopyright) << QStringLiteral("Copyright (C) the Kestrave developers");
        QTest::newRow("OriginalFilename") << int(TInfo::OriginalFilename) << QStringLiteral("test_verabout");
        QTest::newRow("ProductName") << int(TInfo::ProductName) << QStringLiteral("Kestrave");
        QTest::newRow("ProductVersion") << int(TInfo::ProductVersion) << version;
    }
    void ownInformation()
    {
        QFETCH(int, key);
        QFETCH(QString, expected);
        QString value = QStringLiteral("before");
        GetVersionString(TInfo(key), value);
        QCOMPARE(value, expected);
    }

    void queryIsByPath()
    {
        const auto block = VersionInfo::read(ownFile);
        QVERIFY(block);
        const auto translation = VersionInfo::query(*block, QStringLiteral("\\VarFileInfo\\Translation"));
        QVERIFY(translation);
        QCOMPARE(translation->size(), 4);
        QCOMPARE(qFromLittleEndian<quint32>(translation->constData()), 0x04B00409u); // US English, Unicode
        // Paths compare without regard to case; a partial path is no entry.
        QVERIFY(VersionInfo::query(*block, QStringLiteral("\\stringfileinfo\\040904b0\\productname")));
        QVERIFY(!VersionInfo::query(*block, QStringLiteral("\\StringFileInfo\\040904B0")));
        QVERIFY(!VersionInfo::query(*block, QStringLiteral("\\StringFileInfo\\040904B0\\Comments")));
    }

    // A copy of this program, damaged in one way; the file version is read from the copy.
    void damagedCopies_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("found");
        QTest::newRow("intact copy") << QStringLiteral("none") << true;
        QTest::newRow("block without translation table") << QStringLiteral("no translation") << false;
        QTest::newRow("strings filed under another translation") << QStringLiteral("other translation") << false;
        QTest::newRow("translation entry shorter than one entry") << QStringLiteral("short translation") << false;
        QTest::newRow("empty version string") << QStringLiteral("empty value") << false;
        QTest::newRow("bad magic") << QStringLiteral("magic") << false;
        QTest::newRow("block longer than its section") << QStringLiteral("long block") << false;
        QTest::newRow("record running past the block") << QStringLiteral("long record") << false;
        QTest::newRow("section renamed") << QStringLiteral("section name") << false;
        QTest::newRow("file cut before its section table") << QStringLiteral("truncated") << false;
        QTest::newRow("not a program") << QStringLiteral("text file") << false;
        QTest::newRow("missing file") << QStringLiteral("missing") << false;
    }
    void damagedCopies()
    {
        QFETCH(QString, damage);
        QFETCH(bool, found);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString copy = dir.filePath(QStringLiteral("program"));
        QVERIFY(QFile::copy(ownFile, copy));
        const auto where = VersionInfo::locate(copy);
        QVERIFY(where);

        if (damage == QLatin1String("no translation")) {
            const qint64 at = recordOffset(copy, translationKey);
            QVERIFY(at > 0);
            QVERIFY(patchAt(copy, at + 4 + translationKey.size() - 1, "X"));
        } else if (damage == QLatin1String("other translation")) {
            const qint64 at = recordOffset(copy, translationKey);
            QVERIFY(at > 0);
            QByteArray german(4, '\0');
            qToLittleEndian<quint32>(0x04E40407u, german.data());
            QVERIFY(patchAt(copy, at + 4 + translationKey.size(), german));
        } else if (damage == QLatin1String("short translation")) {
            // A translation value of 2 bytes holds no whole entry.
            const qint64 at = recordOffset(copy, translationKey);
            QVERIFY(at > 0);
            QByteArray two(2, '\0');
            qToLittleEndian<quint16>(2, two.data());
            QVERIFY(patchAt(copy, at + 2, two));
        } else if (damage == QLatin1String("empty value")) {
            const qint64 at = recordOffset(copy, fileVersionKey);
            QVERIFY(at > 0);
            QVERIFY(patchAt(copy, at + 4 + fileVersionKey.size(), QByteArray(1, '\0')));
        } else if (damage == QLatin1String("magic")) {
            QVERIFY(patchAt(copy, where->offset, "X"));
        } else if (damage == QLatin1String("long block")) {
            QByteArray length(4, '\0');
            qToLittleEndian<quint32>(quint32(where->size + 1), length.data());
            QVERIFY(patchAt(copy, where->offset + 8, length));
        } else if (damage == QLatin1String("long record")) {
            QVERIFY(patchAt(copy, where->offset + 12, QByteArray(2, '\xff')));
        } else if (damage == QLatin1String("section name")) {
            // Every occurrence of the name, the section name table's among them.
            QFile file(copy);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QByteArray bytes = file.readAll();
            const QByteArray name = QByteArrayLiteral(".ksv_version");
            QVERIFY(bytes.count(name) >= 1);
            bytes.replace(name, QByteArrayLiteral(".ksv_versioN"));
            QVERIFY(file.seek(0));
            QCOMPARE(file.write(bytes), bytes.size());
        } else if (damage == QLatin1String("truncated")) {
            QVERIFY(QFile::resize(copy, where->offset + where->size));
        } else if (damage == QLatin1String("text file")) {
            QFile file(copy);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("KSVVINFO is not at the start of an executable\n");
        } else if (damage == QLatin1String("missing")) {
            QVERIFY(QFile::remove(copy));
        }

        QString value = QStringLiteral("before");
        GetFileVersionString(copy, TInfo::FileVersion, value);
        QCOMPARE(value, found ? QStringLiteral(KSV_VERSION_STRING) : QStringLiteral("before"));
    }

    void programWithoutInformation()
    {
        const QString plain = qEnvironmentVariable("KSV_BIN_DIR") + QStringLiteral("/test_verabout_plain");
        QVERIFY2(QFile::exists(plain), qPrintable(plain));
        QVERIFY(!VersionInfo::locate(plain));
        QString value = QStringLiteral("before");
        GetFileVersionString(plain, TInfo::ProductName, value);
        QCOMPARE(value, QStringLiteral("before"));
    }
};

QTEST_GUILESS_MAIN(TestVerAbout)
#include "test_verabout.moc"
