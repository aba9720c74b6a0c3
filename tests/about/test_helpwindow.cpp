#include "Dialogs.h"
#include "HelpWindow.h"
#include "PlatformEnvironment.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

using namespace ksv;

namespace {

class RecordingDialogs : public Dialogs
{
public:
    QStringList texts;

protected:
    Button askMessage(MessageKind, const QString& text, const Buttons& buttons, const QString&) override
    {
        texts << text;
        return safeAnswer(buttons);
    }
    std::optional<QString> askText(TextKind, const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> askPath(PathKind, const QString&, const QString&, const QString&) override { return {}; }
};

} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_transcript;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_transcript = m_dir.filePath(QStringLiteral("transcript.txt"));
        qputenv("KESTRAVE_TRANSCRIPT", m_transcript.toUtf8());
        PlatformEnvironment::reload();
    }

    // The two topics the main window opens: 99 from "Help", 104 from "?" (the shortcut keys).
    void topics_data()
    {
        QTest::addColumn<int>("topic");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("phrases");
        QTest::newRow("99 help file") << 99 << QStringLiteral("Using KESTRAVE")
                                      << QStringList{QStringLiteral("What is a query?"), QStringLiteral("SETUP.EXE"),
                                                     QStringLiteral("[exc]")};
        QTest::newRow("104 shortcut keys") << 104 << QStringLiteral("Shortcut keys")
                                           << QStringList{QStringLiteral("F12"), QStringLiteral("Alt+F10"),
                                                          QStringLiteral("Rotating Floppy Disk Set")};
    }
    void topics()
    {
        QFETCH(int, topic);
        QFETCH(QString, title);
        QFETCH(QStringList, phrases);
        HelpWindow* window = showHelpTopic(topic, nullptr);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->browser()->source().fileName(), QStringLiteral("%1.html").arg(topic));
        QCOMPARE(window->browser()->documentTitle(), title);
        QCOMPARE(window->windowTitle(), QStringLiteral("KESTRAVE Help - ") + title);
        const QString text = window->browser()->toPlainText();
        for (const QString& phrase : phrases)
            QVERIFY2(text.contains(phrase), qPrintable(phrase));
    }

    void oneWindowFollowsTheTopics()
    {
        HelpWindow* first = showHelpTopic(99, nullptr);
        HelpWindow* second = showHelpTopic(104, nullptr);
        QVERIFY(first);
        QCOMPARE(second, first);
        QCOMPARE(second->browser()->source().fileName(), QStringLiteral("104.html"));
    }

    void linksBetweenPagesAndBack()
    {
        HelpWindow* window = showHelpTopic(104, nullptr);
        QVERIFY(window);
        QVERIFY(window->showContents());
        QCOMPARE(window->browser()->source().fileName(), QStringLiteral("index.html"));
        emit window->browser()->anchorClicked(QUrl(QStringLiteral("99.html#restore")));
        QCOMPARE(window->browser()->source().fileName(), QStringLiteral("99.html"));
        QCOMPARE(window->windowTitle(), QStringLiteral("KESTRAVE Help - Using KESTRAVE"));
        auto* back = window->findChild<QPushButton*>(QStringLiteral("BtBack"));
        QVERIFY(back && back->isEnabled());
        QTest::mouseClick(back, Qt::LeftButton);
        QCOMPARE(window->browser()->source().fileName(), QStringLiteral("index.html"));

        // A web address opens in the desktop's browser, not in the help window.
        QFile::remove(m_transcript);
        emit window->browser()->anchorClicked(QUrl(QStringLiteral("https://www.kestrave.example/")));
        QCOMPARE(window->browser()->source().fileName(), QStringLiteral("index.html"));
        QFile transcript(m_transcript);
        QVERIFY(transcript.open(QIODevice::ReadOnly));
        QCOMPARE(transcript.readAll(), QByteArray("act|open|https://www.kestrave.example/\n"));
    }

    // Every link of every shipped page leads to a page (and anchor) that exists.
    void shippedLinksResolve()
    {
        const QString contents = ProgramFolder::findAsset(HelpWindow::contentsPageName());
        QVERIFY(!contents.isEmpty());
        const QDir folder = QFileInfo(contents).dir();
        const QStringList pages = folder.entryList({QStringLiteral("*.html")}, QDir::Files);
        QVERIFY(pages.contains(QStringLiteral("99.html")) && pages.contains(QStringLiteral("104.html")));
        const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
        for (const QString& page : pages) {
            QFile file(folder.filePath(page));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            for (auto it = href.globalMatch(html); it.hasNext();) {
                const QUrl link(it.next().captured(1));
                if (!link.isRelative())
                    continue;
                const QString target = link.path().isEmpty() ? page : link.path();
                QVERIFY2(pages.contains(target), qPrintable(page + QStringLiteral(" -> ") + link.toString()));
                if (link.hasFragment()) {
                    QFile linked(folder.filePath(target));
                    QVERIFY(linked.open(QIODevice::ReadOnly));
                    const QString anchor = QStringLiteral("name=\"%1\"").arg(link.fragment());
                    QVERIFY2(QString::fromUtf8(linked.readAll()).contains(anchor),
                             qPrintable(page + QStringLiteral(" -> ") + link.toString()));
                }
            }
        }
    }

    void missingTopicIsReported()
    {
        auto* recording = new RecordingDialogs;
        installDialogs(recording);
        QCOMPARE(showHelpTopic(12345, nullptr), nullptr);
        QCOMPARE(recording->texts.size(), 1);
        QVERIFY(recording->texts.first().contains(QStringLiteral("12345")));
        installDialogs(nullptr);
    }
};

QTEST_MAIN(TestHelpWindow)
#include "test_helpwindow.moc"
