// The scripted dialogs service and the transcript it writes.
#include "Dialogs.h"
#include "PlatformTestSupport.h"
#include "ScriptedDialogs.h"
#include "Transcript.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

class TestScriptedDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void safeAnswer_data();
    void safeAnswer();
    void buttonNames();
    void scriptAnsweredInOrderThenSafeAnswers();
    void answerThatDoesNotFit_data();
    void answerThatDoesNotFit();
    void positionSharedByTheProcess();
    void unattendedWithoutScript();
    void pathAnswersInEitherForm();
    void transcriptEscapesLineBreaks();

private:
    QString path(const QString& name) const { return m_tmp.path() + QLatin1Char('/') + name; }
    void useScript(const QByteArray& script);
    QStringList transcript() const { return test::transcriptLines(path(QStringLiteral("transcript.txt"))); }

    QTemporaryDir m_tmp;
};

void TestScriptedDialogs::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    QVERIFY(QDir().mkpath(path(QStringLiteral("c/Data"))));
    QVERIFY(test::writeFile(path(QStringLiteral("drives.ini")), "[C]\nroot=c\n"));
    test::setEnv("KESTRAVE_DRIVES", path(QStringLiteral("drives.ini")));
    installDriveServices(nullptr);
}

void TestScriptedDialogs::init()
{
    QFile::remove(path(QStringLiteral("transcript.txt")));
    test::setEnv("KESTRAVE_TRANSCRIPT", path(QStringLiteral("transcript.txt")));
    test::setEnv("KESTRAVE_UNATTENDED", {});
    useScript({});
    installDialogs(nullptr); // the default service, built on first use
}

void TestScriptedDialogs::useScript(const QByteArray& script)
{
    if (script.isEmpty()) {
        test::setEnv("KESTRAVE_SCRIPT", {});
    } else {
        QVERIFY(test::writeFile(path(QStringLiteral("script.txt")), script));
        test::setEnv("KESTRAVE_SCRIPT", path(QStringLiteral("script.txt")));
    }
    ScriptedDialogs::restartScript();
}

void TestScriptedDialogs::safeAnswer_data()
{
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<Button>("safe");

    QTest::newRow("OK alone") << Buttons{Button::Ok} << Button::Ok;
    QTest::newRow("OK and Cancel") << Buttons{Button::Ok, Button::Cancel} << Button::Cancel;
    QTest::newRow("Yes and No") << Buttons{Button::Yes, Button::No} << Button::No;
    QTest::newRow("Yes, No and Cancel") << Buttons{Button::Yes, Button::No, Button::Cancel} << Button::Cancel;
    QTest::newRow("Retry and Cancel") << Buttons{Button::Retry, Button::Cancel} << Button::Cancel;
    QTest::newRow("Abort, Retry and Ignore: the first") << Buttons{Button::Abort, Button::Retry, Button::Ignore} << Button::Abort;
    QTest::newRow("none given: OK") << Buttons{} << Button::Ok;
}

void TestScriptedDialogs::safeAnswer()
{
    QFETCH(Buttons, buttons);
    QFETCH(Button, safe);
    QCOMPARE(Dialogs::safeAnswer(buttons), safe);
}

void TestScriptedDialogs::buttonNames()
{
    for (const Button b : {Button::Ok, Button::Cancel, Button::Abort, Button::Retry, Button::Ignore, Button::Yes, Button::No})
        QCOMPARE(buttonFromName(buttonName(b)), std::optional<Button>(b));
    QCOMPARE(buttonFromName(QStringLiteral(" yes ")), std::optional<Button>(Button::Yes));
    QCOMPARE(buttonFromName(QStringLiteral("CANCEL")), std::optional<Button>(Button::Cancel));
    QVERIFY(!buttonFromName(QStringLiteral("Maybe")));
    QCOMPARE(int(Button::Yes), 6); // the Windows dialog result numbers
    QCOMPARE(int(Button::No), 7);
}

void TestScriptedDialogs::scriptAnsweredInOrderThenSafeAnswers()
{
    // CRLF line ends and blank lines are tolerated.
    useScript("Yes\r\n\r\ntext: two words \r\nOK\r\ntext:s3cret\r\npath:C:\\Data\\\r\ncancel\r\nRetry\r\n");
    Dialogs& d = dialogs();
    QCOMPARE(d.message(MessageKind::Confirmation, QStringLiteral("Replace it?"), {Button::Yes, Button::No}), Button::Yes);
    QCOMPARE(d.input(QStringLiteral("Name"), QStringLiteral("Archive name:")), std::optional<QString>(QStringLiteral(" two words ")));
    QCOMPARE(d.input(QStringLiteral("Name"), QStringLiteral("Keep:"), QStringLiteral("initial")),
             std::optional<QString>(QStringLiteral("initial")));
    QCOMPARE(d.password(QStringLiteral("Password"), QStringLiteral("Type it:")), std::optional<QString>(QStringLiteral("s3cret")));
    QCOMPARE(d.chooseFolder(QStringLiteral("Target folder"), QStringLiteral("C:\\")), std::optional<QString>(QStringLiteral("C:\\Data\\")));
    QCOMPARE(d.openFile(QStringLiteral("Open a query"), QStringLiteral("C:\\")), std::nullopt);
    QCOMPARE(d.message(MessageKind::Error, QStringLiteral("Disk full"), {Button::Abort, Button::Retry, Button::Ignore}), Button::Retry);
    // The script is used up: safe answers from here on.
    QCOMPARE(d.message(MessageKind::Warning, QStringLiteral("Go on?"), {Button::Yes, Button::No, Button::Cancel}), Button::Cancel);
    QCOMPARE(d.message(MessageKind::Information, QStringLiteral("Done")), Button::Ok);
    QCOMPARE(d.input(QStringLiteral("Name"), QStringLiteral("Again:"), QStringLiteral("x")), std::nullopt);
    QCOMPARE(d.saveFile(QStringLiteral("Save as"), QStringLiteral("C:\\")), std::nullopt);

    QCOMPARE(transcript(), QStringList({
                               QStringLiteral("ask|confirmation|Yes+No|Replace it?|Yes"),
                               QStringLiteral("ask|input|OK+Cancel|Archive name:|text: two words "),
                               QStringLiteral("ask|input|OK+Cancel|Keep:|text:initial"),
                               QStringLiteral("ask|password|OK+Cancel|Type it:|text:******"),
                               QStringLiteral("ask|folder|OK+Cancel|Target folder|path:C:\\Data\\"),
                               QStringLiteral("ask|open|OK+Cancel|Open a query|cancel"),
                               QStringLiteral("ask|error|Abort+Retry+Ignore|Disk full|Retry"),
                               QStringLiteral("ask|warning|Yes+No+Cancel|Go on?|Cancel"),
                               QStringLiteral("ask|information|OK|Done|OK"),
                               QStringLiteral("ask|input|OK+Cancel|Again:|cancel"),
                               QStringLiteral("ask|save|OK+Cancel|Save as|cancel"),
                           }));
}

void TestScriptedDialogs::answerThatDoesNotFit_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<int>("question"); // 0 message OK+Cancel, 1 input, 2 open file
    QTest::addColumn<QString>("askLine");
    QTest::addColumn<QString>("shown"); // the unfitting line as the transcript quotes it

    QTest::newRow("Yes offered only OK and Cancel") << QByteArray("Yes\n") << 0 << "ask|plain|OK+Cancel|Q|Cancel" << "Yes";
    QTest::newRow("text for a message box") << QByteArray("text:x\n") << 0 << "ask|plain|OK+Cancel|Q|Cancel" << "text:*";
    QTest::newRow("password for a message box") << QByteArray("TEXT:s3cret pw\n") << 0 << "ask|plain|OK+Cancel|Q|Cancel"
                                                << "TEXT:*********";
    QTest::newRow("unknown word") << QByteArray("Perhaps\n") << 0 << "ask|plain|OK+Cancel|Q|Cancel" << "Perhaps";
    QTest::newRow("path for an input box") << QByteArray("path:C:\\x\n") << 1 << "ask|input|OK+Cancel|Q|cancel" << "path:C:\\x";
    QTest::newRow("Yes for an input box") << QByteArray("Yes\n") << 1 << "ask|input|OK+Cancel|Q|cancel" << "Yes";
    QTest::newRow("password for a file dialog") << QByteArray("text:hunter2\n") << 2 << "ask|open|OK+Cancel|Q|cancel" << "text:*******";
}

void TestScriptedDialogs::answerThatDoesNotFit()
{
    QFETCH(QByteArray, script);
    QFETCH(int, question);
    QFETCH(QString, askLine);
    QFETCH(QString, shown);
    useScript(script + "OK\n");
    const QString q = QStringLiteral("Q");
    switch (question) {
    case 0: QCOMPARE(dialogs().message(MessageKind::Plain, q, {Button::Ok, Button::Cancel}), Button::Cancel); break;
    case 1: QCOMPARE(dialogs().input(q, q, QStringLiteral("init")), std::nullopt); break;
    default: QCOMPARE(dialogs().openFile(q, {}), std::nullopt); break;
    }
    const QStringList lines = transcript();
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).startsWith(QStringLiteral("act|script|line 1 \"") + shown + QLatin1Char('"')), qPrintable(lines.at(0)));
    // A typed value never reaches the transcript in clear, even from a line that did not fit.
    const QString typed = QString::fromUtf8(script.trimmed()).mid(5);
    if (shown.startsWith(QLatin1String("text:"), Qt::CaseInsensitive) && typed.size() > 3)
        QVERIFY(!lines.join(QLatin1Char('\n')).contains(typed));
    QCOMPARE(lines.at(1), askLine);
    // The unfitting line is used up: the next question gets the next line.
    QCOMPARE(dialogs().message(MessageKind::Plain, q, {Button::Ok, Button::Cancel}), Button::Ok);
}

void TestScriptedDialogs::positionSharedByTheProcess()
{
    useScript("No\nYes\nNo\n");
    ScriptedDialogs first;
    ScriptedDialogs second;
    const Buttons yesNo{Button::Yes, Button::No};
    QCOMPARE(first.message(MessageKind::Confirmation, QStringLiteral("1"), yesNo), Button::No);
    QCOMPARE(second.message(MessageKind::Confirmation, QStringLiteral("2"), yesNo), Button::Yes);
    installDialogs(new ScriptedDialogs);
    QCOMPARE(dialogs().message(MessageKind::Confirmation, QStringLiteral("3"), yesNo), Button::No);
    QCOMPARE(first.message(MessageKind::Confirmation, QStringLiteral("4"), {Button::Yes, Button::No}), Button::No);
}

void TestScriptedDialogs::unattendedWithoutScript()
{
    test::setEnv("KESTRAVE_UNATTENDED", QStringLiteral("1"));
    QVERIFY(dialogsAreScripted());
    QCOMPARE(dialogs().message(MessageKind::Confirmation, QStringLiteral("Shut down?"), {Button::Yes, Button::No}), Button::No);
    QCOMPARE(dialogs().message(MessageKind::Error, QStringLiteral("Insert disk"), {Button::Retry, Button::Cancel}), Button::Cancel);
    QCOMPARE(dialogs().password(QStringLiteral("P"), QStringLiteral("P")), std::nullopt);
    QCOMPARE(dialogs().chooseFolder(QStringLiteral("F"), QStringLiteral("C:\\")), std::nullopt);
    test::setEnv("KESTRAVE_UNATTENDED", {});
    QVERIFY(!dialogsAreScripted());
    useScript("OK\n");
    QVERIFY(dialogsAreScripted());
}

void TestScriptedDialogs::pathAnswersInEitherForm()
{
    const QString native = QDir(path(QStringLiteral("c/Data"))).absolutePath();
    useScript("path:" + native.toUtf8() + "/a.zip\npath:c:/data/b.zip\npath:/outside/every/drive.zip\n");
    QCOMPARE(dialogs().openFile(QStringLiteral("A"), {}), std::optional<QString>(QStringLiteral("C:\\Data\\a.zip")));
    QCOMPARE(dialogs().saveFile(QStringLiteral("B"), {}), std::optional<QString>(QStringLiteral("C:\\data\\b.zip")));
    // A native path outside every drive is refused with the platform's message.
    QCOMPARE(dialogs().openFile(QStringLiteral("C"), {}), std::nullopt);
    const QStringList lines = transcript();
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(2), QStringLiteral("ask|open|OK+Cancel|C|cancel"));
    QCOMPARE(lines.at(3), QStringLiteral("ask|error|OK|") + Transcript::escape(DosPath::outsideDrivesMessage(
                                                               QStringLiteral("/outside/every/drive.zip")))
                              + QStringLiteral("|OK"));
}

void TestScriptedDialogs::transcriptEscapesLineBreaks()
{
    QCOMPARE(Transcript::escape(QStringLiteral("a\rb\nc\r\nd|e")), QStringLiteral("a\\rb\\nc\\r\\nd|e"));
    dialogs().message(MessageKind::Warning, QStringLiteral("No disk\rInsert one\nthen retry"), {Button::Retry, Button::Cancel});
    Transcript::recordAction(QStringLiteral("sound"), QStringLiteral("error.wav"));
    QCOMPARE(transcript(), QStringList({QStringLiteral("ask|warning|Retry+Cancel|No disk\\rInsert one\\nthen retry|Cancel"),
                                        QStringLiteral("act|sound|error.wav")}));
    // Without the variable nothing is written.
    test::setEnv("KESTRAVE_TRANSCRIPT", {});
    Transcript::recordAction(QStringLiteral("sound"), QStringLiteral("again.wav"));
    QCOMPARE(transcript().size(), 2);
}

QTEST_GUILESS_MAIN(TestScriptedDialogs)
#include "tst_scripteddialogs.moc"
