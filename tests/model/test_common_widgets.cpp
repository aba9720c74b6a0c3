#include "CfgSFX.h"
#include "ComboHistoryAdapter.h"
#include "CustomIcon.h"
#include "Dialogs.h"
#include "IniFile.h"
#include "PermanentPassword.h"
#include "PlatformEnvironment.h"
#include "SettingsKeys.h"
#include "TFormPswIni.h"
#include "TPassAdmini.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
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
    void permanentPasswordDialog();
    void selfExtractorDialogKeepsValues();
    void customIconFallsBackToDefault();
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
    QCOMPARE(IniFile(ini).readString(QStringLiteral("HistoryNOParmDir"), QStringLiteral("n2")),
             QStringLiteral("C:\\Backup\\"));
}

void TestCommonWidgets::permanentPasswordDialog()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrave.ini"));
    IniFile ini(path);
    QVERIFY(ini.writeInteger(SettingsKeys::General, SettingsKeys::general::timeoutsec, 30));
    QVERIFY(PermanentPassword::store(ini, QStringLiteral("old")));
    const auto stored = [&] {
        return PermanentPassword::decipher(ini.readString(SettingsKeys::Div, SettingsKeys::div::dateinstall));
    };

    {
        TFormPswIni dialog(nullptr, path);
        QCOMPARE(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.passwordEdit()->text(), QStringLiteral("old"));
        QCOMPARE(dialog.timeoutSpin()->value(), 30);
        dialog.passwordEdit()->setText(QStringLiteral("new one"));
        dialog.confirmEdit()->setText(QStringLiteral("new onE"));
        dialog.findChild<QPushButton*>(QStringLiteral("BtOK"))->click();
        QVERIFY(dialog.result() != QDialog::Accepted); // the two texts differ: nothing stored
        QCOMPARE(stored(), QStringLiteral("old"));
        dialog.confirmEdit()->setText(QStringLiteral("new one"));
        dialog.timeoutSpin()->setValue(45);
        dialog.findChild<QPushButton*>(QStringLiteral("BtOK"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QCOMPARE(stored(), QStringLiteral("new one"));
    QVERIFY(
        !ini.readString(SettingsKeys::Div, SettingsKeys::div::dateinstall).contains(QLatin1String("new")));
    QCOMPARE(ini.readInteger(SettingsKeys::General, SettingsKeys::general::timeoutsec, 0), 45);

    {
        TFormPswIni dialog(nullptr, path);
        dialog.setTimeoutEditable(false);
        dialog.timeoutSpin()->setValue(99);
        dialog.passwordEdit()->clear();
        dialog.confirmEdit()->clear();
        dialog.findChild<QPushButton*>(QStringLiteral("BtOK"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QCOMPARE(ini.readString(SettingsKeys::Div, SettingsKeys::div::dateinstall, QStringLiteral("?")),
             QString());
    QCOMPARE(ini.readInteger(SettingsKeys::General, SettingsKeys::general::timeoutsec, 0), 45);
}

void TestCommonWidgets::selfExtractorDialogKeepsValues()
{
    SfxOptions in;
    in.chglst = true;
    in.msgsfx = true;
    in.iboxmsg = QStringLiteral("3");
    in.smsg = QStringLiteral("Ready?");
    in.stitre = QStringLiteral("Setup");
    in.iconame = QStringLiteral("C:\\i.ico");
    in.icoIndex = 4;
    in.spath = TempDirUserText;
    in.sow = true;
    in.scmd = QStringLiteral("run.exe");
    in.runfile = true;
    CfgSFX dialog;
    dialog.setOptions(in);
    const SfxOptions out = dialog.options();
    QVERIFY(out.chglst && out.msgsfx && out.sow && out.runfile && !out.autorun && !out.endmsg);
    QCOMPARE(out.iboxmsg, in.iboxmsg);
    QCOMPARE(out.smsg, in.smsg);
    QCOMPARE(out.stitre, in.stitre);
    QCOMPARE(out.iconame, in.iconame);
    QCOMPARE(out.icoIndex, in.icoIndex);
    QCOMPARE(out.spath, in.spath);
    QCOMPARE(out.scmd, in.scmd);
    // The command field follows the run-a-file box.
    auto* runfile = dialog.findChild<QCheckBox*>(QStringLiteral("CbRunFile"));
    auto* scmd = dialog.findChild<QLineEdit*>(QStringLiteral("EdSCmd"));
    QVERIFY(runfile && scmd && scmd->isEnabled());
    runfile->setChecked(false);
    QVERIFY(!scmd->isEnabled());
}

void TestCommonWidgets::customIconFallsBackToDefault()
{
    QTemporaryDir dir;
    const auto writeImage = [&](const QString& name, int size, Qt::GlobalColor color) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(color);
        return image.save(dir.filePath(name), "PNG");
    };
    QVERIFY(writeImage(QStringLiteral("mine.png"), 16, Qt::red));
    QVERIFY(writeImage(QStringLiteral("default.ico"), 8, Qt::blue)); // PNG data under the default name
    qputenv("KESTRAVE_HOME", QFile::encodeName(dir.path()));
    PlatformEnvironment::reload();

    QLabel label;
    QVERIFY(LoadCustomIcon(dir.filePath(QStringLiteral("mine.png")), 0, &label));
    QCOMPARE(label.pixmap().size(), QSize(16, 16));
    // A missing file or an image number the file does not hold gives the default icon.
    QVERIFY(!LoadCustomIcon(dir.filePath(QStringLiteral("gone.ico")), 0, &label));
    QCOMPARE(label.pixmap().size(), QSize(8, 8));
    QCOMPARE(LoadCustomIcon(dir.filePath(QStringLiteral("mine.png")), 5).size(), QSize(8, 8));
    QFile::remove(dir.filePath(QStringLiteral("default.ico")));
    QVERIFY(!LoadCustomIcon(QString(), 0, &label));
    QVERIFY(label.pixmap().isNull());
}

QTEST_MAIN(TestCommonWidgets)
#include "test_common_widgets.moc"
