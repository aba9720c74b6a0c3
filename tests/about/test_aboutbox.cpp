#include "Dialogs.h"
#include "LinkLabel.h"
#include "PlatformEnvironment.h"
#include "SystemActions.h"
#include "TAboutBox.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

namespace {

// Built twice: test_aboutbox carries version information, test_aboutbox_plain does not.
const QString expectedProductLabel =
    KSV_TEST_HAS_VERSION ? QStringLiteral("KESTRAVE " KSV_VERSION_STRING) : QStringLiteral("KESTRAVE ");

QStringList labelTexts(const QWidget& box)
{
    QStringList texts;
    for (const QLabel* label : box.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

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

class RefusingActions : public SystemActions
{
public:
    QStringList opened;
    bool screenSaverActive() override { return false; }
    bool setScreenSaverActive(bool) override { return false; }
    bool shutdown() override { return false; }
    void playSound(const QString&) override {}
    bool openDocument(const QString& path) override
    {
        opened << path;
        return false;
    }
    bool openFolder(const QString&) override { return false; }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    int runAndWait(const QString&, const QStringList&) override { return -1; }
    bool ctrlHeld() override { return false; }
};

} // namespace

class TestAboutBox : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_transcript;

    QStringList transcriptLines() const
    {
        QFile file(m_transcript);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_transcript = m_dir.filePath(QStringLiteral("transcript.txt"));
        qputenv("KESTRAVE_TRANSCRIPT", m_transcript.toUtf8());
        PlatformEnvironment::reload();
        QVERIFY(PlatformEnvironment::current().simulated);
    }

    void init()
    {
        QFile::remove(m_transcript);
    }

    void texts()
    {
        TAboutBox box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About"));
        const QStringList labels = labelTexts(box);
        QVERIFY(labels.contains(QStringLiteral("Compression - Backup Tool")));
        QVERIFY(labels.contains(QStringLiteral("Reduce handlings of your daily DATA saving.")));
        auto* group = box.findChild<QGroupBox*>();
        QVERIFY(group);
        QCOMPARE(group->title(), QStringLiteral("Update "));
        QVERIFY(group->isAncestorOf(box.LbWeb()) && group->isAncestorOf(box.LbMail()));
        QCOMPARE(box.findChild<LinkLabel*>(QStringLiteral("LbWeb"))->text(), QStringLiteral("KESTRAVE WebSite"));
        QVERIFY(!box.findChild<LinkLabel*>(QStringLiteral("LbMail"))->text().isEmpty());
        for (const LinkLabel* link : {box.LbWeb(), box.LbMail()}) {
            QVERIFY(link->font().underline());
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
        }
        auto* ok = box.findChild<QPushButton*>(QStringLiteral("OKButton"));
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        QVERIFY(box.ProductName()->font().bold());
    }

    void productLabelShowsTheProgramVersion()
    {
        TAboutBox box;
        auto* label = box.findChild<QLabel*>(QStringLiteral("ProductName"));
        QVERIFY(label);
        QCOMPARE(label->text(), expectedProductLabel);
    }

    void fixedSizeAndOkCloses()
    {
        TAboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QTest::mouseClick(box.OKButton(), Qt::LeftButton);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Accepted));
        // The default button also answers Enter.
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::keyClick(&box, Qt::Key_Return);
        QVERIFY(!box.isVisible());
    }

    void linksOpenThroughTheDesktop()
    {
        TAboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(box.LbWeb(), Qt::LeftButton);
        QTest::mouseClick(box.LbMail(), Qt::LeftButton);
        box.LbMail()->setFocus();
        QTest::keyClick(box.LbMail(), Qt::Key_Space);
        QCOMPARE(transcriptLines(),
                 QStringList({QStringLiteral("act|open|https://www.kestrave.example/"),
                              QStringLiteral("act|open|mailto:support@kestrave.example?subject=%5BKESTRAVE%5D"),
                              QStringLiteral("act|open|mailto:support@kestrave.example?subject=%5BKESTRAVE%5D")}));
        // A press that leaves the label before the button comes up is no click.
        QTest::mousePress(box.LbWeb(), Qt::LeftButton);
        QTest::mouseRelease(box.LbWeb(), Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(transcriptLines().size(), 3);
    }

    void aLinkNobodyOpensIsShownToTheUser()
    {
        auto* dialogs = new RecordingDialogs;
        installDialogs(dialogs);
        auto* actions = new RefusingActions;
        installSystemActions(actions);
        {
            TAboutBox box;
            box.LbWebClick();
            box.LbMailClick();
        }
        QCOMPARE(actions->opened.size(), 2);
        QCOMPARE(dialogs->texts.size(), 2);
        QVERIFY(dialogs->texts.at(0).contains(QStringLiteral("https://www.kestrave.example/")));
        QVERIFY(dialogs->texts.at(1).contains(QStringLiteral("support@kestrave.example")));
        installSystemActions(nullptr);
        installDialogs(nullptr);
    }
};

QTEST_MAIN(TestAboutBox)
#include "test_aboutbox.moc"
