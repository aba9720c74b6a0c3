// Tests of the cutting window TFormCut and its cut (FileCutter) on the simulated platform:
// the controls, the estimate, the size rules, the disk prompts on a floppy, the restore
// program on the first disk, the go-ahead flag across openings and the destination history.
#include "TFormCut.h"

#include "CutRules.h"
#include "SplitTestSupport.h"
#include "SplitTexts.h"
#include "TBackupFile.h"

#include "../support/TextsShownWhole.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProcessEnvironment>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace ksv;
using namespace ksv::test;

namespace {

// Restores a cut with the engine into folder and returns the bytes of the restored file.
QByteArray restoreWithEngine(const QString& firstPiece, const QString& folder, const QString& name)
{
    TBackupFile engine;
    engine.setOnNeedDisk([](TBackupFile*, quint16, bool& Continue) { Continue = true; });
    if (!engine.Restore(firstPiece, folder))
        return "<restore failed>";
    return readBytes(folder + QLatin1Char('/') + name);
}

} // namespace

class TestFormCut : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SplitFixture> m_fx;

    std::unique_ptr<TFormCut> openWindow()
    {
        auto window = std::make_unique<TFormCut>(m_fx->context);
        window->show();
        return window;
    }

private slots:
    void init()
    {
        m_fx = std::make_unique<SplitFixture>();
        TFormCut::runState() = CutRunState{};
    }
    void cleanup() { m_fx.reset(); }

    void controlsAndInitialValues()
    {
        auto w = openWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Cutting out files"));
        QCOMPARE(w->LbInfoSpan->text(), QStringLiteral("Choose a file to cut."));
        QCOMPARE(w->GroupBox3->title(), QStringLiteral(" Informations "));
        QCOMPARE(w->GroupBox1->title(), QStringLiteral(" 1. File to cut : "));
        QCOMPARE(w->BttnBrowse->toolTip(), QStringLiteral("Browse"));
        QCOMPARE(w->rgDiskSize->title(), QStringLiteral(" 2. Maximum size of packages : "));
        QCOMPARE(w->rgDiskSize->toolTip(),
                 QStringLiteral("MAXIMUM split size. The size of final splitted files\nmay be inferior in order to optimize the segmentation."));
        QCOMPARE(w->diskSizeItem(), int(CutRules::FloppyItem));
        QCOMPARE(w->edtFreeSize->text(), QStringLiteral("   720"));
        QCOMPARE(w->edtFreeSize->focusPolicy(), Qt::ClickFocus);
        QCOMPARE(w->GroupBox2->title(), QStringLiteral(" 3. Destination Unit/Path : "));
        QCOMPARE(w->GroupBox2->toolTip(), QStringLiteral("Store spanned files"));
        QCOMPARE(w->Bttn3DDelComboPath->text(), QStringLiteral("-"));
        QCOMPARE(w->Bttn3DDelComboPath->statusTip(), QStringLiteral("Del history."));
        QVERIFY(w->Bttn3DDelComboPath->toolTip().isEmpty());
        // No history yet: the items of the window itself.
        QCOMPARE(w->ComboDestCut->count(), 3);
        QCOMPARE(w->ComboDestCut->itemText(0), QStringLiteral("C:\\"));
        QCOMPARE(w->ComboDestCut->itemText(2), QStringLiteral("A:\\"));
        QCOMPARE(w->Cut->text(), QStringLiteral("Cut"));
        QCOMPARE(w->Cancel->text(), QStringLiteral("Cancel"));
        QVERIFY(w->CBSetup->isChecked());
        QCOMPARE(w->CBSetup->text(), QStringLiteral("Copy SETUP.EXE on Disk N°1 ."));
        QCOMPARE(w->CBSetup->toolTip(), QStringLiteral("To restore WITHOUT KESTRAVE."));
        QVERIFY(w->CBCutAutoClose->isChecked());
        QCOMPARE(w->CBCutAutoClose->text(), QStringLiteral("Close form after process"));
        QCOMPARE(w->Label2->text(), QStringLiteral("Cutting out : "));
        QCOMPARE(w->Label1->text(), QStringLiteral("%"));
        QVERIFY(!w->ProgressBar1->isVisible());
        QVERIFY(!w->EdSourceFile->isVisible() && !w->ListBox1->isVisible());
        QCOMPARE(w->BackupFile1->CompressionLevel(), TCompressionLevel::clNone);
        QCOMPARE(TFormCut::runState().sizeLimit, 1400000);
        for (const char* name : {"LbInfoSpan", "FileLabel1", "BttnBrowse", "rgDiskSize", "edtFreeSize", "ComboDestCut",
                                 "Bttn3DDelComboPath", "Cut", "Cancel", "CBSetup", "CBCutAutoClose", "ProgressBar1",
                                 "EdSourceFile", "ListBox1"})
            QVERIFY2(w->findChild<QWidget*>(QLatin1String(name)), name);
    }

    void estimate_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("freeSize");
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<QString>("expected");
        // Floppy: 1,400,000 - 16,384 = 1,383,616 bytes a piece.
        QTest::newRow("floppy, 3 MB") << 0 << "   720" << 3000000 << "[ big.zip ] will be distributed on 3 file(s)";
        QTest::newRow("floppy, exactly one piece's room") << 0 << "   720" << 1383616 << "[ big.zip ] will be distributed on 2 file(s)";
        QTest::newRow("floppy, one byte less") << 0 << "   720" << 1383615 << "[ big.zip ] will be distributed on 1 file(s)";
        // 720 KB: 737,280 - 16,384 = 720,896 bytes a piece.
        QTest::newRow("720 KB") << 1 << "   720" << 3000000 << "[ big.zip ] will be distributed on 5 file(s)";
        QTest::newRow("size 0: no limit") << 1 << "0" << 3000000 << "[ big.zip ] will be distributed on XX file(s)";
        QTest::newRow("size 16: no room for a block") << 1 << "16" << 3000000 << "[ big.zip ] will be distributed on XX file(s)";
        QTest::newRow("size 1: no room for a block") << 1 << "1" << 3000000 << "[ big.zip ] will be distributed on XX file(s)";
    }
    void estimate()
    {
        QFETCH(int, item);
        QFETCH(QString, freeSize);
        QFETCH(int, fileSize);
        QFETCH(QString, expected);
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("data/big.zip")), QByteArray(fileSize, 'x')));
        auto w = openWindow();
        w->edtFreeSize->setText(freeSize);
        w->setDiskSizeItem(item);
        w->EdSourceFile->setText(QStringLiteral("C:\\data\\big.zip"));
        QCOMPARE(w->LbInfoSpan->text(), expected);
        QCOMPARE(w->FileLabel1->text(), QStringLiteral("big.zip"));
        QCOMPARE(w->FileLabel1->toolTip(), QStringLiteral("C:\\data\\big.zip"));
    }

    // A change of the size field sets the limit even while the first item is selected; the
    // click on the first item sets 1,400,000 again.
    void sizeFieldChangesTheLimit()
    {
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), QByteArray(3000000, 'x')));
        auto w = openWindow();
        w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
        w->edtFreeSize->setText(QStringLiteral("720"));
        QCOMPARE(w->diskSizeItem(), int(CutRules::FloppyItem));
        QCOMPARE(TFormCut::runState().sizeLimit, 737280);
        QCOMPARE(w->LbInfoSpan->text(), QStringLiteral("[ big.zip ] will be distributed on 5 file(s)"));
        w->setDiskSizeItem(CutRules::FloppyItem);
        QCOMPARE(TFormCut::runState().sizeLimit, 1400000);
        QCOMPARE(w->LbInfoSpan->text(), QStringLiteral("[ big.zip ] will be distributed on 3 file(s)"));
    }

    void sizeFieldTakesDigitsOnly()
    {
        auto w = openWindow();
        w->edtFreeSize->setFocus();
        w->edtFreeSize->clear();
        QTest::keyClicks(w->edtFreeSize, QStringLiteral("1a2-3"));
        QCOMPARE(w->edtFreeSize->text(), QStringLiteral("123"));
        QTest::keyClick(w->edtFreeSize, Qt::Key_Backspace); // editing keys are dropped too
        QCOMPARE(w->edtFreeSize->text(), QStringLiteral("123"));
        QTest::keyClicks(w->edtFreeSize, QStringLiteral("4567"));
        QCOMPARE(w->edtFreeSize->text(), QStringLiteral("12345")); // five digits at most
        QCOMPARE(TFormCut::runState().sizeLimit, 12345 * 1024);
    }

    void refusedOrSilent_data()
    {
        QTest::addColumn<int>("fileSize"); // -1: no file
        QTest::addColumn<QString>("freeSize");
        QTest::addColumn<bool>("message");
        QTest::newRow("one byte below the limit") << 102399 << "100" << true;
        QTest::newRow("missing source") << -1 << "100" << true;
        QTest::newRow("missing source, size 0") << -1 << "0" << true;
        QTest::newRow("empty size field") << 500000 << "" << false;
    }
    void refusedOrSilent()
    {
        QFETCH(int, fileSize);
        QFETCH(QString, freeSize);
        QFETCH(bool, message);
        if (fileSize >= 0)
            QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), randomBytes(fileSize)));
        auto w = openWindow();
        w->setDiskSizeItem(CutRules::FreeSizeItem);
        w->edtFreeSize->setText(freeSize);
        w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
        w->ComboDestCut->setEditText(QStringLiteral("C:\\out"));
        w->Decouper();
        QVERIFY(w->isVisible()); // not closed
        QCOMPARE(w->lastOutcome(), message ? FileCutter::Outcome::Refused : FileCutter::Outcome::NotStarted);
        if (message) {
            QCOMPARE(m_fx->dialogs->asked.size(), 1);
            QCOMPARE(m_fx->dialogs->asked[0].kind, MessageKind::Plain);
            QCOMPARE(m_fx->dialogs->asked[0].text, QStringLiteral("Split unuseful or file does not exist !"));
        } else {
            QVERIFY(m_fx->dialogs->asked.isEmpty());
        }
        QVERIFY(!QFileInfo::exists(m_fx->c(QStringLiteral("out"))));
        QVERIFY(m_fx->log.isEmpty() && m_fx->errors.isEmpty());
    }

    // Only a smaller source is refused: one of exactly the limit is cut, into two pieces, on a
    // fixed disk without any prompt, and the pieces restore to the same bytes.
    void sourceEqualToLimitCutsIntoTwoPieces()
    {
        const QByteArray data = randomBytes(100 * 1024);
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("data/Big.ZIP")), data));
        auto w = openWindow();
        w->CBSetup->setChecked(false);
        w->setDiskSizeItem(CutRules::FreeSizeItem);
        w->edtFreeSize->setText(QStringLiteral("100"));
        w->EdSourceFile->setText(QStringLiteral("C:\\data\\Big.ZIP"));
        w->ComboDestCut->setEditText(QStringLiteral("C:\\pieces\\new"));
        w->Decouper();

        QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Succeeded);
        QVERIFY(!w->isVisible()); // closed after the cut
        QVERIFY(m_fx->dialogs->asked.isEmpty());
        QCOMPARE(w->windowTitle(), QStringLiteral("- End of copy process."));
        QCOMPARE(w->ListBox1->count(), 1);
        QCOMPARE(w->ListBox1->item(0)->text(), QStringLiteral("C:\\data\\Big.ZIP"));
        const QDir pieces(m_fx->c(QStringLiteral("pieces/new")));
        QCOMPARE(pieces.entryList(QDir::Files), QStringList({QStringLiteral("Big.001"), QStringLiteral("Big.002")}));
        QVERIFY(QFileInfo(pieces.filePath(QStringLiteral("Big.001"))).size() <= 100 * 1024);
        QCOMPARE(m_fx->log, QStringList{QStringLiteral("-Segmentation on several disk ---> OK  File number : 2")});
        QVERIFY(m_fx->errors.isEmpty());
        QCOMPARE(TFormCut::runState().firstPiece, QStringLiteral("C:\\pieces\\new\\Big.001"));
        QVERIFY(TFormCut::runState().outcome);
        QCOMPARE(restoreWithEngine(pieces.filePath(QStringLiteral("Big.001")), m_fx->path(QStringLiteral("back")),
                                   QStringLiteral("Big.ZIP")),
                 data);
    }

    // A size field of 0 writes the whole file as one piece ".001", without a disk request, even
    // onto a removable drive.
    void sizeFieldZeroGivesOnePiece()
    {
        const QByteArray data = randomBytes(300000);
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), data));
        auto w = openWindow();
        w->CBSetup->setChecked(false);
        w->setDiskSizeItem(CutRules::FreeSizeItem);
        w->edtFreeSize->setText(QStringLiteral("0"));
        w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
        QCOMPARE(w->LbInfoSpan->text(), QStringLiteral("[ big.zip ] will be distributed on XX file(s)"));
        w->ComboDestCut->setEditText(QStringLiteral("A:\\"));
        w->Decouper();
        QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Succeeded);
        QVERIFY(m_fx->dialogs->asked.isEmpty());
        QCOMPARE(QDir(m_fx->a()).entryList(QDir::Files), QStringList{QStringLiteral("big.001")});
        // The log gives the number of pieces of this cut, not a number left by an earlier one.
        QCOMPARE(m_fx->log, QStringList{QStringLiteral("-Segmentation on several disk ---> OK  File number : 1")});
        QCOMPARE(restoreWithEngine(m_fx->a(QStringLiteral("big.001")), m_fx->path(QStringLiteral("back")),
                                   QStringLiteral("big.zip")),
                 data);
    }

    // Onto floppies in drive A: a full disk is asked to be replaced and offered for erasure;
    // "SETUP.EXE" goes onto the first disk, whose piece is reduced to leave it room; later
    // pieces use the whole 1,440,000 bytes.
    void floppiesWithSetupProgram()
    {
        const QByteArray data = randomBytes(3000000);
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), data));
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("prog/SETUP.EXE")), QByteArray(60000, 's')));
        QVERIFY(writeBytes(m_fx->a(QStringLiteral("old.txt")), QByteArray(500000, 'o'))); // a used floppy
        QStringList disks; // the folders the full floppies were put away into
        m_fx->dialogs->beforeAnswer = [&](const RecordingDialogs::Question& q) {
            if (!q.text.startsWith(QStringLiteral("Insert a formatted disk.( N°:")))
                return;
            // The user takes the full floppy out and puts an empty one in.
            const QString store = m_fx->path(QStringLiteral("disk%1").arg(disks.size() + 1));
            QVERIFY(QDir().rename(m_fx->a(), store));
            QVERIFY(QDir().mkpath(m_fx->a()));
            disks << store;
        };
        // First disk: OK, erase Yes. Disk 2: OK, erase No. Disk 3: OK, erase No.
        m_fx->dialogs->answers = {Button::Ok, Button::Yes, Button::Ok, Button::No, Button::Ok, Button::No};

        auto w = openWindow();
        w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
        w->ComboDestCut->setEditText(QStringLiteral("A:\\"));
        w->Decouper();

        QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Succeeded);
        const QStringList expected = {
            QStringLiteral("Insert a formatted disk.\rthen click Ok to continue"),
            QStringLiteral("Delete file(s) on this 1.44 Mo floppy disk ?"),
            QStringLiteral("Insert a formatted disk.( N°: 2 )\rthen click Ok to continue"),
            QStringLiteral("Delete file(s) on this 1.44 Mo floppy disk ?"),
            QStringLiteral("Insert a formatted disk.( N°: 3 )\rthen click Ok to continue"),
            QStringLiteral("Delete file(s) on this 1.44 Mo floppy disk ?"),
        };
        QCOMPARE(m_fx->dialogs->texts(), expected);
        QCOMPARE(m_fx->dialogs->asked[0].kind, MessageKind::Information);
        QCOMPARE(m_fx->dialogs->asked[0].buttons, (Buttons{Button::Ok, Button::Cancel}));
        QCOMPARE(m_fx->dialogs->asked[1].kind, MessageKind::Warning);
        QCOMPARE(m_fx->dialogs->asked[1].buttons, (Buttons{Button::Yes, Button::No}));
        QCOMPARE(m_fx->log, (QStringList{QStringLiteral(" Erasure of old file(s) on disk ---> OK "),
                                         QStringLiteral("-Segmentation on several disk ---> OK  File number : 3")}));

        QCOMPARE(disks.size(), 2);
        const QString disk1 = disks[0];
        QCOMPARE(QDir(disk1).entryList(QDir::Files), (QStringList{QStringLiteral("big.001"), QStringLiteral("SETUP.EXE")}));
        const qint64 first = QFileInfo(disk1 + QStringLiteral("/big.001")).size();
        const qint64 second = QFileInfo(disks[1] + QStringLiteral("/big.002")).size();
        QVERIFY2(first <= 1300000 && first > 1300000 - 2 * 16484, qPrintable(QString::number(first)));
        QVERIFY2(second <= 1440000 && second > 1440000 - 2 * 16484, qPrintable(QString::number(second)));
        QVERIFY(QFileInfo::exists(m_fx->a(QStringLiteral("big.003"))));

        // Gather the disks into one folder: the pieces restore to the source's bytes.
        const QString all = m_fx->path(QStringLiteral("all"));
        QVERIFY(QDir().mkpath(all));
        QVERIFY(QFile::copy(disk1 + QStringLiteral("/big.001"), all + QStringLiteral("/big.001")));
        QVERIFY(QFile::copy(disks[1] + QStringLiteral("/big.002"), all + QStringLiteral("/big.002")));
        QVERIFY(QFile::copy(m_fx->a(QStringLiteral("big.003")), all + QStringLiteral("/big.003")));
        QCOMPARE(restoreWithEngine(all + QStringLiteral("/big.001"), all, QStringLiteral("big.zip")), data);
    }

    // With the shipped restore program, the first floppy holds it and the first piece together;
    // run from a folder holding all the pieces, it rebuilds the file by itself.
    void shippedSetupProgramFitsAndRestores()
    {
        const QString shipped = qEnvironmentVariable("KSV_BIN_DIR") + QStringLiteral("/SETUP.EXE");
        QVERIFY2(QFileInfo(shipped).isFile(), qPrintable(shipped));
        // A sanitizer build ships an unstripped, instrumented program of many megabytes.
        if (QFileInfo(shipped).size() > 1000000)
            QSKIP("this build's restore program is larger than a floppy disk");
        m_fx->context.programFolder = qEnvironmentVariable("KSV_BIN_DIR");
        const QByteArray data = randomBytes(3000000, 3);
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), data));
        QStringList disks;
        m_fx->dialogs->beforeAnswer = [&](const RecordingDialogs::Question& q) {
            if (!q.text.startsWith(QStringLiteral("Insert a formatted disk.( N°:")))
                return;
            const QString store = m_fx->path(QStringLiteral("disk%1").arg(disks.size() + 1));
            QVERIFY(QDir().rename(m_fx->a(), store));
            QVERIFY(QDir().mkpath(m_fx->a()));
            disks << store;
        };
        m_fx->dialogs->answers = {Button::Ok, Button::No, Button::Ok, Button::No};
        auto w = openWindow();
        w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
        w->ComboDestCut->setEditText(QStringLiteral("A:\\"));
        w->Decouper();
        QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Succeeded);
        QCOMPARE(disks.size(), 2);

        qint64 onFirstDisk = 0;
        for (const QFileInfo& file : QDir(disks[0]).entryInfoList(QDir::Files))
            onFirstDisk += file.size();
        QVERIFY2(onFirstDisk <= SplitFixture::FloppyCapacity, qPrintable(QString::number(onFirstDisk)));
        QCOMPARE(QFileInfo(disks[0] + QStringLiteral("/SETUP.EXE")).size(), QFileInfo(shipped).size());

        // The user copies the other disks beside the first one and runs the program there.
        QVERIFY(QFile::copy(disks[1] + QStringLiteral("/big.002"), disks[0] + QStringLiteral("/big.002")));
        QVERIFY(QFile::copy(m_fx->a(QStringLiteral("big.003")), disks[0] + QStringLiteral("/big.003")));
        QProcess setup;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("KESTRAVE_DRIVES"));
        env.insert(QStringLiteral("KESTRAVE_UNATTENDED"), QStringLiteral("1"));
        setup.setProcessEnvironment(env);
        setup.setWorkingDirectory(disks[0]);
        setup.start(disks[0] + QStringLiteral("/SETUP.EXE"), {QStringLiteral("--dest"), m_fx->path(QStringLiteral("back"))});
        QVERIFY(setup.waitForFinished(60000));
        QCOMPARE(setup.exitCode(), 0);
        QCOMPARE(readBytes(m_fx->path(QStringLiteral("back/big.zip"))), data);
    }

    // The first piece leaves room for a restore program of any size, so that both fit.
    void firstFloppyLimit_data()
    {
        QTest::addColumn<qint64>("setupSize");
        QTest::addColumn<int>("limit");
        QTest::newRow("no program") << qint64(-1) << 1300000;
        QTest::newRow("small program") << qint64(60000) << 1300000;
        QTest::newRow("exactly the room") << qint64(140000) << 1300000;
        QTest::newRow("larger program") << qint64(360000) << 1440000 - 360000 - 16384;
        QTest::newRow("program filling the disk") << qint64(1430000) << 1300000;
    }
    void firstFloppyLimit()
    {
        QFETCH(qint64, setupSize);
        QFETCH(int, limit);
        QCOMPARE(CutRules::firstFloppyLimit(setupSize), limit);
    }

    // The window keeps its size and its controls their places while a cut runs and its bar
    // shows; every text is shown whole, and the size field leaves its unit visible.
    void layoutStaysPutAndTextsShowWhole()
    {
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("a file with a name of some length.zip")), randomBytes(300000)));
        auto w = openWindow();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const auto layout = [&] {
            QStringList shot = layoutSnapshot(w.get());
            shot.removeIf([](const QString& line) { return line.startsWith(QLatin1String("ProgressBar1 ")); });
            return shot;
        };
        const QStringList before = layout();
        QVERIFY2(clippedTexts(w.get()).isEmpty(), qPrintable(clippedTexts(w.get()).join(QLatin1Char('|'))));
        const QRect field(w->edtFreeSize->mapTo(w.get(), QPoint()), w->edtFreeSize->size());
        const QRect unit(w->LbFreeSizeUnit->mapTo(w.get(), QPoint()), w->LbFreeSizeUnit->size());
        QVERIFY(!field.intersects(unit));
        QCOMPARE(w->LbFreeSizeUnit->text(), QStringLiteral("Ko"));
        QVERIFY(w->edtFreeSize->fontMetrics().horizontalAdvance(QStringLiteral("99999")) + 4
                <= w->edtFreeSize->contentsRect().width());

        w->CBSetup->setChecked(false);
        w->CBCutAutoClose->setChecked(false);
        w->setDiskSizeItem(CutRules::FreeSizeItem);
        w->edtFreeSize->setText(QStringLiteral("100"));
        w->EdSourceFile->setText(QStringLiteral("C:\\a file with a name of some length.zip"));
        w->ComboDestCut->setEditText(QStringLiteral("C:\\out\\"));
        w->Decouper();
        QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Succeeded);
        QVERIFY(w->ProgressBar1->isVisible());
        QCOMPARE(w->Label1->text(), QStringLiteral("100 %"));
        QCOMPARE(layout(), before);
        QVERIFY2(clippedTexts(w.get()).isEmpty(), qPrintable(clippedTexts(w.get()).join(QLatin1Char('|'))));
    }

    // A Cancel in the first disk prompt clears the go-ahead flag: a later cut, in a new window,
    // whose disk has room does not start, and says why; the next Cut starts. An OK in a later
    // prompt sets the flag again.
    void goAheadFlagStaysClearAfterCancel()
    {
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), randomBytes(200000)));
        QVERIFY(writeBytes(m_fx->a(QStringLiteral("old.txt")), QByteArray(1400000, 'o')));
        const auto cutTo = [&](const QString& destination) {
            auto w = openWindow();
            w->CBSetup->setChecked(false);
            w->setDiskSizeItem(CutRules::FreeSizeItem);
            w->edtFreeSize->setText(QStringLiteral("100"));
            w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
            w->ComboDestCut->setEditText(destination);
            w->Decouper();
            return w->lastOutcome();
        };

        m_fx->dialogs->answers = {Button::Cancel};
        QCOMPARE(cutTo(QStringLiteral("A:\\")), FileCutter::Outcome::NotStarted);
        QCOMPARE(m_fx->dialogs->texts(), QStringList{QStringLiteral("Insert a formatted disk.\rthen click Ok to continue")});
        QVERIFY(!TFormCut::runState().goAhead);
        QVERIFY(m_fx->log.isEmpty()); // the first prompt writes no log line

        m_fx->dialogs->asked.clear();
        m_fx->dialogs->answers = {Button::Ok};
        QCOMPARE(cutTo(QStringLiteral("C:\\out\\")), FileCutter::Outcome::NotStarted);
        QCOMPARE(m_fx->dialogs->texts(), QStringList{SplitTexts::cutHeldByCancelledPrompt()});
        QVERIFY(QDir(m_fx->c(QStringLiteral("out"))).entryList(QDir::Files).isEmpty());
        QVERIFY(m_fx->log.isEmpty() && m_fx->errors.isEmpty());
        QVERIFY(TFormCut::runState().goAhead);
        QCOMPARE(cutTo(QStringLiteral("C:\\out\\")), FileCutter::Outcome::Succeeded);
        QVERIFY(QFileInfo::exists(m_fx->c(QStringLiteral("out/big.001"))));

        // Cancel again: this cut does not start either, and the user, who just cancelled, is
        // not told twice.
        m_fx->dialogs->asked.clear();
        m_fx->dialogs->answers = {Button::Cancel};
        QCOMPARE(cutTo(QStringLiteral("A:\\")), FileCutter::Outcome::NotStarted);
        QCOMPARE(m_fx->dialogs->texts(), QStringList{QStringLiteral("Insert a formatted disk.\rthen click Ok to continue")});
        QVERIFY(!TFormCut::runState().goAhead);
        m_fx->log.clear();

        // OK, erase Yes: the floppy is emptied and the cut runs.
        m_fx->dialogs->answers = {Button::Ok, Button::Yes};
        QCOMPARE(cutTo(QStringLiteral("A:\\")), FileCutter::Outcome::Succeeded);
        QVERIFY(TFormCut::runState().goAhead);
        QVERIFY(!QFileInfo::exists(m_fx->a(QStringLiteral("old.txt"))));
        QVERIFY(QFileInfo::exists(m_fx->a(QStringLiteral("big.001"))));
    }

    // A write-protected floppy is asked to be replaced even when it has room.
    void writeProtectedFloppyIsReplaced()
    {
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), randomBytes(200000)));
        m_fx->writeDrives(QStringLiteral("removable"), true, true);
        m_fx->dialogs->beforeAnswer = [&](const RecordingDialogs::Question&) {
            m_fx->writeDrives(QStringLiteral("removable")); // the user inserts a writable disk
        };
        m_fx->dialogs->answers = {Button::Ok, Button::No};
        auto w = openWindow();
        w->CBSetup->setChecked(false);
        w->setDiskSizeItem(CutRules::FreeSizeItem);
        w->edtFreeSize->setText(QStringLiteral("100"));
        w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
        w->ComboDestCut->setEditText(QStringLiteral("A:\\"));
        w->Decouper();
        QCOMPARE(m_fx->dialogs->texts(), (QStringList{QStringLiteral("Insert a formatted disk.\rthen click Ok to continue"),
                                                      QStringLiteral("Delete file(s) on this 1.44 Mo floppy disk ?")}));
        QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Succeeded);
        QVERIFY(QFileInfo::exists(m_fx->a(QStringLiteral("big.003"))));
    }

    // Cancel at the second disk stops the cut: the cancel line, the failure line with the piece
    // number, and the rejection in the error list; the first piece stays.
    void cancelAtSecondDisk()
    {
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), randomBytes(2000000)));
        m_fx->dialogs->answers = {Button::Cancel};
        auto w = openWindow();
        w->CBSetup->setChecked(false);
        w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
        w->ComboDestCut->setEditText(QStringLiteral("A:\\"));
        w->Decouper();
        QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Failed);
        QCOMPARE(m_fx->dialogs->texts(),
                 QStringList{QStringLiteral("Insert a formatted disk.( N°: 2 )\rthen click Ok to continue")});
        QCOMPARE(m_fx->log, (QStringList{QStringLiteral(" Cancel : no medium insertion( N°: 2 )"),
                                         QStringLiteral("-Segmentation on several disk ---> ERRORS !2")}));
        QCOMPARE(m_fx->errors, QStringList{QStringLiteral("Split rejection or cancel by user.")});
        QVERIFY(!TFormCut::runState().goAhead);
        QCOMPARE(TFormCut::runState().lastPieceNumber, 2);
        QVERIFY(QFileInfo::exists(m_fx->a(QStringLiteral("big.001"))));
        QVERIFY(!QFileInfo::exists(m_fx->a(QStringLiteral("big.002"))));
        QVERIFY(!w->isVisible());
    }

    // Cancel during a cut asks whether to stop. No: the cut goes on. Yes: it stops, with the
    // rejection in the log and the error list, then the failure lines.
    void cancelDuringCut_data()
    {
        QTest::addColumn<Button>("answer");
        QTest::newRow("No") << Button::No;
        QTest::newRow("Yes") << Button::Yes;
    }
    void cancelDuringCut()
    {
        QFETCH(Button, answer);
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), randomBytes(3000000)));
        m_fx->dialogs->answers = {answer};
        auto w = openWindow();
        w->CBSetup->setChecked(false);
        w->setDiskSizeItem(CutRules::FreeSizeItem);
        w->edtFreeSize->setText(QStringLiteral("0"));
        w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
        w->ComboDestCut->setEditText(QStringLiteral("C:\\out\\"));
        bool wasBusy = false;
        QTimer::singleShot(0, w.get(), [&] {
            wasBusy = w->BackupFile1->Busy();
            QTest::keyClick(w.get(), Qt::Key_Escape);
        });
        w->Decouper();
        QVERIFY(wasBusy);
        QCOMPARE(m_fx->dialogs->asked.size(), 1);
        QCOMPARE(m_fx->dialogs->asked[0].text, QStringLiteral("Do you want to stop the split process ?"));
        QCOMPARE(m_fx->dialogs->asked[0].kind, MessageKind::Warning);
        QVERIFY(w->ProgressBar1->isVisibleTo(w.get()));
        if (answer == Button::No) {
            QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Succeeded);
            QCOMPARE(m_fx->log, QStringList{QStringLiteral("-Segmentation on several disk ---> OK  File number : 1")});
            QVERIFY(m_fx->errors.isEmpty());
            QCOMPARE(QFileInfo(m_fx->c(QStringLiteral("out/big.001"))).size() > 3000000, true);
            QVERIFY(!m_fx->settings().contains(QStringLiteral("[cutdir]"))); // closed by itself
        } else {
            QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Failed);
            QCOMPARE(m_fx->log, (QStringList{QStringLiteral("Split rejection or cancel by user."),
                                             QStringLiteral("-Segmentation on several disk ---> ERRORS !1")}));
            QCOMPARE(m_fx->errors, (QStringList{QStringLiteral("Split rejection or cancel by user."),
                                                QStringLiteral("Split rejection or cancel by user.")}));
            QVERIFY(QFileInfo(m_fx->c(QStringLiteral("out/big.001"))).size() < 3000000);
            QVERIFY(m_fx->settings().contains(QStringLiteral("[cutdir]")));
            QCOMPARE(w->result(), int(QDialog::Rejected)); // closed by Cancel, not by the auto close
        }
        QVERIFY(!w->isVisible());
    }

    // The destination history is saved by Cancel and Escape only, never when the window closes
    // by itself after a cut. A run started with arguments gets the rejection line on Cancel.
    void historySavedOnlyOnCancelOrEscape()
    {
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("big.zip")), randomBytes(200000)));
        {
            auto w = openWindow();
            w->CBSetup->setChecked(false);
            w->setDiskSizeItem(CutRules::FreeSizeItem);
            w->edtFreeSize->setText(QStringLiteral("100"));
            w->EdSourceFile->setText(QStringLiteral("C:\\big.zip"));
            w->ComboDestCut->setEditText(QStringLiteral("C:\\cut"));
            QTest::keyClick(w->ComboDestCut->lineEdit(), Qt::Key_Return); // trailing "\" and history
            QCOMPARE(w->ComboDestCut->currentText(), QStringLiteral("C:\\cut\\"));
            QCOMPARE(w->ComboDestCut->itemText(0), QStringLiteral("C:\\cut\\"));
            QVERIFY(w->isVisible()); // Enter is not the Cut button
            w->Decouper();
            QCOMPARE(w->lastOutcome(), FileCutter::Outcome::Succeeded);
        }
        QVERIFY(!m_fx->settings().contains(QStringLiteral("cutdir")));
        {
            auto w = openWindow();
            w->ComboDestCut->setEditText(QStringLiteral("C:\\escape\\"));
            QTest::keyClick(w.get(), Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        }
        QVERIFY(m_fx->settings().contains(QStringLiteral("last=C:\\escape\\")));
        QVERIFY(m_fx->errors.isEmpty());
        m_fx->context.startedWithArguments = true;
        {
            auto w = openWindow();
            QCOMPARE(w->ComboDestCut->currentText(), QStringLiteral("C:\\escape\\"));
            w->ComboDestCut->setEditText(QStringLiteral("C:\\button\\"));
            w->Cancel->click();
            QVERIFY(!w->isVisible());
        }
        QVERIFY(m_fx->settings().contains(QStringLiteral("last=C:\\button\\")));
        QCOMPARE(m_fx->errors, QStringList{QStringLiteral("Split rejection or cancel by user.")});
        QVERIFY(m_fx->dialogs->asked.isEmpty()); // nothing was running: no stop question
    }

    void browseAndDeleteHistory()
    {
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("data/x.bin")), QByteArray(10, 'x')));
        m_fx->dialogs->paths = {QStringLiteral("C:\\data\\x.bin")};
        auto w = openWindow();
        w->BttnBrowse->click();
        QCOMPARE(w->EdSourceFile->text(), QStringLiteral("C:\\data\\x.bin"));
        QCOMPARE(w->FileLabel1->text(), QStringLiteral("x.bin"));
        QCOMPARE(w->LbInfoSpan->text(), QStringLiteral("[ x.bin ] will be distributed on 1 file(s)"));
        w->BttnBrowse->click(); // cancelled: the source stays
        QCOMPARE(w->EdSourceFile->text(), QStringLiteral("C:\\data\\x.bin"));
        QCOMPARE(m_fx->dialogs->pathFolders.last(), QStringLiteral("C:\\data\\"));
        w->ComboDestCut->setEditText(QStringLiteral("C:\\keep\\"));
        w->Bttn3DDelComboPath->click();
        QCOMPARE(w->ComboDestCut->count(), 2);
        QCOMPARE(w->ComboDestCut->itemText(0), QStringLiteral("A:\\"));
        QCOMPARE(w->ComboDestCut->itemText(1), QStringLiteral("C:\\"));
        QCOMPARE(w->ComboDestCut->currentText(), QStringLiteral("C:\\keep\\"));
    }
};

QTEST_MAIN(TestFormCut)
#include "test_formcut.moc"
