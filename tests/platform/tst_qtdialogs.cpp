// The real Qt dialogs behind the dialogs service, driven offscreen.
#include "PlatformTestSupport.h"
#include "QtDialogs.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
    void escapeGivesTheSafeAnswer();
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

void TestQtDialogs::messageBoxShowsKindButtonsAndLineBreaks()
{
    QString shownText;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    QStringList shownButtons;
    whenModalShows([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        shownText = box->text();
        shownIcon = box->icon();
        for (QAbstractButton* b : box->buttons())
            shownButtons << QString::number(box->standardButton(b), 16);
        box->button(QMessageBox::Retry)->click();
    });
    const Button answer = dialogs().message(MessageKind::Error, QStringLiteral("Disk full\rInsert another"),
                                            {Button::Retry, Button::Cancel}, QStringLiteral("Copy"));
    QCOMPARE(answer, Button::Retry);
    QCOMPARE(shownText, QStringLiteral("Disk full\nInsert another"));
    QCOMPARE(shownIcon, QMessageBox::Critical);
    shownButtons.sort();
    QStringList expected{QString::number(QMessageBox::Retry, 16), QString::number(QMessageBox::Cancel, 16)};
    expected.sort();
    QCOMPARE(shownButtons, expected);
    QCOMPARE(test::transcriptLines(m_tmp.path() + QStringLiteral("/t.txt")),
             QStringList{QStringLiteral("ask|error|Retry+Cancel|Disk full\\rInsert another|Retry")});
}

void TestQtDialogs::escapeGivesTheSafeAnswer()
{
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    whenModalShows([&](QWidget* modal) {
        shownIcon = qobject_cast<QMessageBox*>(modal)->icon();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    QCOMPARE(dialogs().message(MessageKind::Confirmation, QStringLiteral("Shut down?"), {Button::Yes, Button::No}), Button::No);
    QCOMPARE(shownIcon, QMessageBox::Question);
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
