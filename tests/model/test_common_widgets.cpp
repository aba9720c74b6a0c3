#include "ComboHistoryAdapter.h"
#include "Dialogs.h"
#include "PlatformEnvironment.h"
#include "IniFile.h"
#include "TPassAdmini.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace ksv;

class TestCommonWidgets : public QObject
{
    Q_OBJECT

private slots:
    void passwordDialogIsMaskedAndAnswers();
    void passwordDialogCancel();
    void scriptedAnswerGoesThroughDialogsService();
    void comboAdapterRoundTrip();
};

void TestCommonWidgets::passwordDialogIsMaskedAndAnswers()
{
    TPassAdmini dialog;
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("EdPassword"));
    QVERIFY(edit);
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    QCOMPARE(dialog.findChildren<QLineEdit*>().size(), 1);
    QTest::keyClicks(edit, QStringLiteral("s3cret"));
    QCOMPARE(dialog.password(), QStringLiteral("s3cret"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("BtOK"));
    QVERIFY(ok);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    ok->click();
    QCOMPARE(accepted.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestCommonWidgets::passwordDialogCancel()
{
    TPassAdmini dialog;
    auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("BtCancel"));
    QVERIFY(cancel);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    cancel->click();
    QCOMPARE(rejected.size(), 1);
}

void TestCommonWidgets::scriptedAnswerGoesThroughDialogsService()
{
    // With scripted questions the prompt is answered by the script, never by a waiting window;
    // once the script is exhausted the prompt is cancelled.
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("answers.txt"));
    QFile f(script);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("text:letmein\n");
    f.close();
    qputenv("KESTRAVE_SCRIPT", QFile::encodeName(script));
    PlatformEnvironment::reload();
    QVERIFY(ksv::dialogsAreScripted());
    QCOMPARE(TPassAdmini::ask(), std::optional<QString>(QStringLiteral("letmein")));
    QCOMPARE(TPassAdmini::ask(), std::optional<QString>());
}

void TestCommonWidgets::comboAdapterRoundTrip()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("kestrave.ini"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[HistoryNOParmDir]\r\nn0=A:\\\r\nn1=C:\\Backup\\\r\nlast=C:\\Backup\\\r\n");
    f.close();

    QComboBox combo;
    combo.setEditable(true);
    QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);
    ComboHistoryAdapter::load(&combo, ini, QStringLiteral("HistoryNOParmDir"));
    QCOMPARE(combo.count(), 2);
    QCOMPARE(combo.currentText(), QStringLiteral("C:\\Backup\\"));

    combo.setEditText(QStringLiteral("D:\\New\\"));
    ComboHistoryAdapter::addCurrentText(&combo);
    QCOMPARE(combo.itemText(0), QStringLiteral("D:\\New\\"));
    QCOMPARE(combo.currentText(), QStringLiteral("D:\\New\\"));
    QVERIFY(ComboHistoryAdapter::save(&combo, ini, QStringLiteral("HistoryNOParmDir")));

    QComboBox again;
    ComboHistoryAdapter::load(&again, ini, QStringLiteral("HistoryNOParmDir"));
    QCOMPARE(again.count(), 3);
    QCOMPARE(again.currentText(), QStringLiteral("D:\\New\\"));
    QCOMPARE(IniFile(ini).readString(QStringLiteral("HistoryNOParmDir"), QStringLiteral("n2")), QStringLiteral("C:\\Backup\\"));
}

QTEST_MAIN(TestCommonWidgets)
#include "test_common_widgets.moc"
