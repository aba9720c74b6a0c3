#include "AdminPassword.h"
#include "IniFile.h"
#include "PermanentPassword.h"
#include "SettingsKeys.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

class TestPasswords : public QObject
{
    Q_OBJECT

private slots:
    void adminDigest_data();
    void adminDigest();
    void adminMatchIsExact();
    void permanentRoundTrip_data();
    void permanentRoundTrip();
    void keyFileIsPrivateAndReused();
    void storedTextHidesPassword();
    void tamperedOrForeignGivesEmpty_data();
    void tamperedOrForeignGivesEmpty();
    void storeWritesDateinstall();

private:
    QTemporaryDir m_dir;
};

void TestPasswords::adminDigest_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("digest");
    QTest::newRow("abc") << "abc"
                         << "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D";
    QTest::newRow("empty") << ""
                           << "DA39A3EE 5E6B4B0D 3255BFEF 95601890 AFD80709";
    QTest::newRow("fox") << "The quick brown fox jumps over the lazy dog"
                         << "2FD4E1C6 7A2D28FC ED849EE1 BB76E739 1B93EB12";
    QTest::newRow("448 bits") << "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"
                              << "84983E44 1C3BD26E BAAE4AA1 F95129E5 E54670F1";
}

void TestPasswords::adminDigest()
{
    QFETCH(QString, typed);
    QFETCH(QString, digest);
    const QString got = AdminPassword::digest(typed);
    QCOMPARE(got, digest);
    QCOMPARE(got.size(), 44);
}

void TestPasswords::adminMatchIsExact()
{
    const QString stored = AdminPassword::digest(QStringLiteral("Secret"));
    QVERIFY(AdminPassword::matches(stored, QStringLiteral("Secret")));
    QVERIFY(!AdminPassword::matches(stored, QStringLiteral("secret")));
    QVERIFY(!AdminPassword::matches(stored, QStringLiteral("Secret ")));
    QVERIFY(!AdminPassword::matches(stored.toLower(), QStringLiteral("Secret")));
}

void TestPasswords::permanentRoundTrip_data()
{
    QTest::addColumn<QString>("clear");
    QTest::newRow("plain") << "zipsecret";
    QTest::newRow("one character") << "x";
    QTest::newRow("accents and blanks") << "mot de passe é€ ";
    QTest::newRow("long") << QString(300, QLatin1Char('k'));
}

void TestPasswords::permanentRoundTrip()
{
    QFETCH(QString, clear);
    const QString key = m_dir.filePath(QStringLiteral("rt/zip-password.key"));
    const QString stored = PermanentPassword::encipher(clear, key);
    QVERIFY(!stored.isEmpty());
    QCOMPARE(PermanentPassword::decipher(stored, key), clear);
}

void TestPasswords::keyFileIsPrivateAndReused()
{
    const QString key = m_dir.filePath(QStringLiteral("private/sub/zip-password.key"));
    const QString a = PermanentPassword::encipher(QStringLiteral("one"), key);
    QVERIFY(QFile::exists(key));
    QCOMPARE(QFileInfo(key).size(), 32);
    QCOMPARE(QFile::permissions(key) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(QFile::permissions(QFileInfo(key).absolutePath()) &
                 (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::ExeOther),
             QFileDevice::Permissions());
    QFile f(key);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    const QString b = PermanentPassword::encipher(QStringLiteral("one"), key);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before); // the key is kept, not replaced
    // A fresh nonce each time: the same password never gives the same text.
    QVERIFY(a != b);
    QCOMPARE(PermanentPassword::decipher(a, key), QStringLiteral("one"));
    QCOMPARE(PermanentPassword::decipher(b, key), QStringLiteral("one"));
}

void TestPasswords::storedTextHidesPassword()
{
    const QString key = m_dir.filePath(QStringLiteral("hide/zip-password.key"));
    const QString clear = QStringLiteral("HiddenPassword");
    const QString stored = PermanentPassword::encipher(clear, key);
    QVERIFY(!stored.contains(clear, Qt::CaseInsensitive));
    QVERIFY(!stored.contains(QString::fromLatin1(clear.toUtf8().toHex()), Qt::CaseInsensitive));
    for (const QChar c : stored)
        QVERIFY(c.isDigit() || (c >= QLatin1Char('A') && c <= QLatin1Char('F')));
    QVERIFY(PermanentPassword::encipher(QString(), key).isEmpty());
}

void TestPasswords::tamperedOrForeignGivesEmpty_data()
{
    QTest::addColumn<QString>("mutation");
    QTest::newRow("flipped cipher byte") << "flip-middle";
    QTest::newRow("flipped tag byte") << "flip-last";
    QTest::newRow("truncated") << "truncate";
    QTest::newRow("not hex") << "garbage";
    QTest::newRow("odd length") << "odd";
    QTest::newRow("other user's key") << "foreign-key";
    QTest::newRow("key file missing") << "no-key";
    QTest::newRow("key file too short") << "short-key";
    QTest::newRow("old clear text") << "clear";
}

void TestPasswords::tamperedOrForeignGivesEmpty()
{
    QFETCH(QString, mutation);
    const QString key = m_dir.filePath(QStringLiteral("t-%1/zip-password.key").arg(mutation));
    QString stored = PermanentPassword::encipher(QStringLiteral("secret"), key);
    QVERIFY(!stored.isEmpty());
    QString useKey = key;
    const auto flipAt = [&](qsizetype i) {
        stored[i] = stored[i] == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    };
    if (mutation == QLatin1String("flip-middle"))
        flipAt(stored.size() / 2);
    else if (mutation == QLatin1String("flip-last"))
        flipAt(stored.size() - 1);
    else if (mutation == QLatin1String("truncate"))
        stored.chop(2);
    else if (mutation == QLatin1String("garbage"))
        stored = QStringLiteral("zz") + stored.mid(2);
    else if (mutation == QLatin1String("odd"))
        stored.chop(1);
    else if (mutation == QLatin1String("foreign-key")) {
        useKey = m_dir.filePath(QStringLiteral("other-user/zip-password.key"));
        QVERIFY(!PermanentPassword::encipher(QStringLiteral("x"), useKey).isEmpty());
    } else if (mutation == QLatin1String("no-key"))
        useKey = m_dir.filePath(QStringLiteral("nowhere/zip-password.key"));
    else if (mutation == QLatin1String("short-key")) {
        QFile f(key);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("short");
    } else if (mutation == QLatin1String("clear"))
        stored = QStringLiteral("secret");
    QCOMPARE(PermanentPassword::decipher(stored, useKey), QString());
    // Deciphering never creates a key.
    if (mutation == QLatin1String("no-key"))
        QVERIFY(!QFile::exists(useKey));
}

void TestPasswords::storeWritesDateinstall()
{
    // The default key location follows XDG_CONFIG_HOME, which the test environment makes private.
    QVERIFY(PermanentPassword::keyFilePath().endsWith(QLatin1String("/kestrave/zip-password.key")));
    QVERIFY(PermanentPassword::keyFilePath().startsWith(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))));
    IniFile ini(m_dir.filePath(QStringLiteral("kestrave.ini")));
    QVERIFY(PermanentPassword::store(ini, QStringLiteral("perm")));
    const QString stored = ini.readString(SettingsKeys::Div, SettingsKeys::div::dateinstall);
    QVERIFY(!stored.isEmpty());
    QCOMPARE(Encryption(stored, 0, 0), QStringLiteral("perm"));
    QCOMPARE(Encryption2(stored, 0, 0), QStringLiteral("perm"));
    QVERIFY(PermanentPassword::store(ini, QString()));
    QCOMPARE(ini.readString(SettingsKeys::Div, SettingsKeys::div::dateinstall, QStringLiteral("x")),
             QString());
}

QTEST_GUILESS_MAIN(TestPasswords)
#include "test_passwords.moc"
