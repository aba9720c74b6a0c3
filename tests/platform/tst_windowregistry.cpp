// Programs found and closed by their window title through per-user local sockets.
#include "WindowRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace ksv;

class TestWindowRegistry : public QObject
{
    Q_OBJECT

private slots:
    void existsWhileRegistered();
    void titleHeldOnlyOnce();
    void closeMessage();
    void staleSocketIsReplaced();
    void socketNamePerUser();

private:
    // A title of this test run only, so parallel runs do not meet.
    static QString title(const char* name)
    {
        return QStringLiteral("KSV_TEST_%1_%2").arg(QCoreApplication::applicationPid()).arg(QLatin1String(name));
    }
};

void TestWindowRegistry::existsWhileRegistered()
{
    const QString t = title("exists");
    QVERIFY(!WindowRegistry::exists(t));
    {
        WindowRegistry registry;
        QVERIFY(registry.registerTitle(t));
        QVERIFY(WindowRegistry::exists(t));
        QVERIFY(WindowRegistry::exists(t.toLower())); // titles compare without regard to case
        QVERIFY(!WindowRegistry::exists(t + QStringLiteral("_OTHER")));
    }
    QVERIFY(!WindowRegistry::exists(t));
    QVERIFY(!WindowRegistry::sendClose(t));
}

void TestWindowRegistry::titleHeldOnlyOnce()
{
    const QString t = title("once");
    WindowRegistry first;
    WindowRegistry second;
    QVERIFY(first.registerTitle(t));
    QVERIFY(!second.registerTitle(t.toLower()));
    QVERIFY(!first.registerTitle(title("again"))); // one title per registry
    QVERIFY(WindowRegistry::exists(t));
}

void TestWindowRegistry::closeMessage()
{
    const QString t = title("close");
    WindowRegistry registry;
    QVERIFY(registry.registerTitle(t));
    QSignalSpy spy(&registry, &WindowRegistry::closeRequested);
    QVERIFY(WindowRegistry::exists(t)); // a bare connection is no close request
    QVERIFY(WindowRegistry::sendClose(t));
    QVERIFY(spy.wait(3000));
    QTest::qWait(100);
    QCOMPARE(spy.count(), 1);
}

void TestWindowRegistry::staleSocketIsReplaced()
{
    const QString t = title("stale");
    const QByteArray name = QFile::encodeName(WindowRegistry::socketName(t));
    // A socket file left by a program that ended without cleaning up: bound, nobody listening.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    QVERIFY(size_t(name.size()) < sizeof(address.sun_path));
    memcpy(address.sun_path, name.constData(), size_t(name.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    QVERIFY(QFile::exists(QFile::decodeName(name)));
    QVERIFY(!WindowRegistry::exists(t));

    WindowRegistry registry;
    QVERIFY(registry.registerTitle(t));
    QVERIFY(WindowRegistry::exists(t));
}

void TestWindowRegistry::socketNamePerUser()
{
    const QString name = WindowRegistry::socketName(QStringLiteral("Ksv_Run"));
    QVERIFY2(name.endsWith(QStringLiteral("/kestrave-%1-KSV_RUN").arg(::getuid())), qPrintable(name));
    QVERIFY(name.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
    // A runtime folder too deep for a socket path still gives a usable, distinct name.
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir deep;
    const QString deepFolder = deep.path() + QLatin1Char('/') + QString(120, QLatin1Char('d'));
    QVERIFY(QDir().mkpath(deepFolder));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deepFolder));
    const QString deepName = WindowRegistry::socketName(QStringLiteral("Ksv_Run"));
    QVERIFY2(QFile::encodeName(deepName).size() < 108, qPrintable(deepName));
    QVERIFY(deepName != name);
    const QString t = title("deep");
    {
        WindowRegistry registry;
        QVERIFY(registry.registerTitle(t));
        QVERIFY(WindowRegistry::exists(t));
    }
    qputenv("XDG_RUNTIME_DIR", saved);
    // Characters a file name should not carry are replaced.
    QVERIFY(WindowRegistry::socketName(QStringLiteral("a/b c")).endsWith(QStringLiteral("-A_B_C")));
}

QTEST_GUILESS_MAIN(TestWindowRegistry)
#include "tst_windowregistry.moc"
