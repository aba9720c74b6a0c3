// The real Qt dialogs behind the dialogs service, driven offscreen.
#include "PlatformTestSupport.h"
#include "MessageDialog.h"
#include "QtDialogs.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <functional>

using namespace ksv;

namespace {

// Runs action on the next modal dialog once it shows.
void whenModalShows(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void qtFilter_data();
    void qtFilter();
    void messageBoxShowsKindButtonsAndLineBreaks();
    void buttonsKeepTheTextsOrderAndArrowsLineUp();
    void escapeGivesTheSafeAnswer();
    void fileDialogsStartOnADrive();
    void passwordBoxMasksAndAnswers();
    void installKeepsScriptedServiceWhenScripted();

private:
    QTemporaryDir m_tmp;
};

void TestQtDialogs::init()
{
    QFile::remove(m_tmp.path() + QStringLiteral("/t.txt"));
    test::setEnv("KESTRAVE_TRANSCRIPT", m_tmp.path() + QStringLiteral("/t.txt"));
    installDialogs(new QtDialogs);
}

void TestQtDialogs::qtFilter_data()
{
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("qt");
    QTest::newRow("two filters") << "Zip files|*.zip|All files|*.*" << "Zip files (*.zip);;All files (*.*)";
    QTest::newRow("several patterns") << "Archives|*.zip;*.exe" << "Archives (*.zip *.exe)";
    QTest::newRow("description already shows patterns") << "Queries (*.ksv)|*.ksv" << "Queries (*.ksv)";
    QTest::newRow("Qt form unchanged") << "Images (*.png *.gif)" << "Images (*.png *.gif)";
    QTest::newRow("empty") << "" << "";
}

void TestQtDialogs::qtFilter()
{
    QFETCH(QString, windows);
    QFETCH(QString, qt);
    QCOMPARE(QtDialogs::qtFilter(windows), qt);
}

// The texts of a message box's buttons, left to right as they are on the screen.
QStringList buttonsOnScreen(const MessageDialog* box)
{
    QList<QPushButton*> shown;
    for (const auto& [button, answer] : box->buttons())
        shown << button;
    std::sort(shown.begin(), shown.end(), [box](QPushButton* a, QPushButton* b) {
        return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
    });
    QStringList texts;
    for (QPushButton* b : shown)
        texts << b->text().remove(QLatin1Char('&'));
    return texts;
}

void TestQtDialogs::messageBoxShowsKindButtonsAndLineBreaks()
{
    QString shownText;
    QString shownTitle;
    bool hasIcon = false;
    QStringList shownButtons;
    whenModalShows([&](QWidget* modal) {
        auto* box = qobject_cast<MessageDialog*>(modal);
        QVERIFY(box);
        shownText = box->textLabel()->text();
        shownTitle = box->windowTitle();
        hasIcon = box->findChild<QLabel*>(QStringLiteral("icon")) != nullptr;
        shownButtons = buttonsOnScreen(box);
        box->findChild<QPushButton*>(QStringLiteral("buttonRetry"))->click();
    });
    const Button answer = dialogs().message(MessageKind::Error, QStringLiteral("Disk full\rInsert another"),
                                            {Button::Retry, Button::Cancel}, QStringLiteral("Copy"));
    QCOMPARE(answer, Button::Retry);
    QCOMPARE(shownText, QStringLiteral("Disk full\nInsert another"));
    QCOMPARE(shownTitle, QStringLiteral("Copy"));
    QVERIFY(hasIcon);
    QCOMPARE(shownButtons, (QStringList{QStringLiteral("Retry"), QStringLiteral("Cancel")}));
    QCOMPARE(test::transcriptLines(m_tmp.path() + QStringLiteral("/t.txt")),
             QStringList{QStringLiteral("ask|error|Retry+Cancel|Disk full\\rInsert another|Retry")});
}

// The box of the copy step lists its four choices as "text --> [ button ]": its buttons come in
// the order of the text (a standard box reorders them by role), the arrows form one column,
// and a box without a caption carries the program's name.
void TestQtDialogs::buttonsKeepTheTextsOrderAndArrowsLineUp()
{
    const QString text = QStringLiteral("YOU HAVE FOUR OPTIONS : \r\n"
                                        "- Run split file process                 --> [ Yes ]\r\n"
                                        "- Backup copy on hard disk C:\\           --> [ Cancel ]\r\n"
                                        "- Abandon data saving process....        --> [ Abandon ]\r\n"
                                        "- Put an other disk in drive unit        --> [ Retry ]");
    QStringList shownButtons;
    QList<int> arrowColumns;
    QString title;
    whenModalShows([&](QWidget* modal) {
        auto* box = qobject_cast<MessageDialog*>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        shownButtons = buttonsOnScreen(box);
        // Each "-->" must begin a cell of one table column: then the arrows line up in any
        // font, which spaces in a proportional font do not.
        QTextDocument document;
        if (box->textLabel()->textFormat() == Qt::RichText)
            document.setHtml(box->textLabel()->text());
        else
            document.setPlainText(box->textLabel()->text());
        QTextCursor found = document.find(QStringLiteral("-->"));
        while (!found.isNull()) {
            QTextCursor start(&document);
            start.setPosition(found.selectionStart());
            const QTextTable* table = start.currentTable();
            arrowColumns << (table && start.positionInBlock() == 0 ? table->cellAt(start).column() : -1);
            found = document.find(QStringLiteral("-->"), found);
        }
        box->findChild<QPushButton*>(QStringLiteral("buttonAbort"))->click();
    });
    QCOMPARE(dialogs().message(MessageKind::Warning, text,
                               {Button::Yes, Button::Cancel, Button::Abort, Button::Retry}),
             Button::Abort);
    QCOMPARE(shownButtons, (QStringList{QStringLiteral("Yes"), QStringLiteral("Cancel"), QStringLiteral("Abort"),
                                        QStringLiteral("Retry")}));
    QCOMPARE(arrowColumns, (QList<int>{1, 1, 1, 1}));
    QCOMPARE(title, QApplication::applicationDisplayName());
}

void TestQtDialogs::escapeGivesTheSafeAnswer()
{
    bool hasIcon = false;
    whenModalShows([&](QWidget* modal) {
        hasIcon = modal->findChild<QLabel*>(QStringLiteral("icon")) != nullptr;
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    QCOMPARE(dialogs().message(MessageKind::Confirmation, QStringLiteral("Shut down?"), {Button::Yes, Button::No}), Button::No);
    QVERIFY(hasIcon);
    // Enter takes the first button.
    whenModalShows([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
    QCOMPARE(dialogs().message(MessageKind::Plain, QStringLiteral("Go?"), {Button::Yes, Button::No}), Button::Yes);
}

// File dialogs open on a drive, never in the process's current folder, list the drives that
// hold a medium in their side bar and widen the name column to the longest name shown.
void TestQtDialogs::fileDialogsStartOnADrive()
{
    const QString root = m_tmp.path() + QStringLiteral("/drives");
    const QString c = root + QStringLiteral("/c");
    const QString longName = QStringLiteral("a rather long archive name that a narrow column would cut.zip");
    QVERIFY(QDir().mkpath(c + QStringLiteral("/Data")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/d")));
    QVERIFY(test::writeFile(c + QStringLiteral("/Data/") + longName, "x"));
    QVERIFY(test::writeFile(root + QStringLiteral("/drives.ini"),
                            "[A]\nroot=a\ntype=removable\npresent=0\n[C]\nroot=c\n[D]\nroot=d\n"));
    test::setEnv("KESTRAVE_DRIVES", root + QStringLiteral("/drives.ini"));

    struct Shown
    {
        QString directory;
        QList<QUrl> sideBar;
        int nameColumn = 0;
        int nameWidth = 0;
    };
    const auto show = [](std::function<std::optional<QString>()> ask) {
        Shown shown;
        whenModalShows([&shown](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            shown.directory = dialog->directory().absolutePath();
            shown.sideBar = dialog->sidebarUrls();
            if (auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
                QTest::qWait(300); // the folder is read in the background
                shown.nameColumn = view->header()->sectionSize(0);
                shown.nameWidth = view->fontMetrics().horizontalAdvance(
                    QStringLiteral("a rather long archive name that a narrow column would cut.zip"));
            }
            dialog->reject();
        });
        const std::optional<QString> answer = ask();
        if (answer)
            shown.directory = QStringLiteral("answered ") + *answer;
        return shown;
    };

    const Shown anywhere = show([] { return dialogs().openFile(QStringLiteral("Open"), QString()); });
    QCOMPARE(anywhere.directory, c);
    QCOMPARE(anywhere.sideBar, (QList<QUrl>{QUrl::fromLocalFile(c), QUrl::fromLocalFile(root + QStringLiteral("/d"))}));

    const Shown missingFolder =
        show([] { return dialogs().saveFile(QStringLiteral("Save"), QStringLiteral("C:\\Data\\New\\x.zip")); });
    QCOMPARE(missingFolder.directory, c + QStringLiteral("/Data"));
    QVERIFY2(missingFolder.nameColumn >= missingFolder.nameWidth,
             qPrintable(QStringLiteral("%1 < %2").arg(missingFolder.nameColumn).arg(missingFolder.nameWidth)));

    const Shown outside =
        show([this] { return dialogs().chooseFolder(QStringLiteral("Folder"), m_tmp.path()); });
    QCOMPARE(outside.directory, c);
    test::setEnv("KESTRAVE_DRIVES", {});
}

void TestQtDialogs::passwordBoxMasksAndAnswers()
{
    QLineEdit::EchoMode mode = QLineEdit::Normal;
    whenModalShows([&](QWidget* modal) {
        auto* edit = modal->findChild<QLineEdit*>();
        QVERIFY(edit);
        mode = edit->echoMode();
        edit->setText(QStringLiteral("abc"));
        qobject_cast<QDialog*>(modal)->accept();
    });
    QCOMPARE(dialogs().password(QStringLiteral("Password"), QStringLiteral("Type it:")), std::optional<QString>(QStringLiteral("abc")));
    QCOMPARE(mode, QLineEdit::Password);

    whenModalShows([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QCOMPARE(dialogs().input(QStringLiteral("Name"), QStringLiteral("Name:"), QStringLiteral("x")), std::nullopt);
}

void TestQtDialogs::installKeepsScriptedServiceWhenScripted()
{
    installDialogs(nullptr);
    test::setEnv("KESTRAVE_UNATTENDED", QStringLiteral("1"));
    installDefaultDialogsForGui();
    QVERIFY(dynamic_cast<ScriptedDialogs*>(&dialogs()));
    test::setEnv("KESTRAVE_UNATTENDED", {});
    installDefaultDialogsForGui();
    QVERIFY(dynamic_cast<QtDialogs*>(&dialogs()));
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
