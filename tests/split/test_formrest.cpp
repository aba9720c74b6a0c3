// Tests of the restore window TFormRest and its restoration (SplitRestorer) on the simulated
// platform: the controls and histories, the search for first pieces, browsing, a restoration
// from a fixed disk and from a removable one, a missing piece, a damaged container, the offer
// to start the restored file, and Quit/Escape.
#include "TFormRest.h"

#include "SplitTestSupport.h"
#include "TBackupFile.h"

#include "../support/TextsShownWhole.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace ksv;
using namespace ksv::test;

class TestFormRest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SplitFixture> m_fx;
    QByteArray m_data;

    std::unique_ptr<TFormRest> openWindow()
    {
        auto window = std::make_unique<TFormRest>(m_fx->context);
        window->show();
        return window;
    }

    // Cuts m_data (stored as "c:\src\Archive.exe") into pieces of at most maxSize bytes in the
    // native folder; returns the number of pieces.
    int cutInto(const QString& folder, qint32 maxSize)
    {
        m_data = randomBytes(250000, 11);
        writeBytes(m_fx->c(QStringLiteral("src/Archive.exe")), m_data);
        TBackupFile engine;
        engine.setCompressionLevel(TCompressionLevel::clNone);
        engine.setMaxSize(maxSize);
        int pieces = 1;
        engine.setOnNeedDisk([&](TBackupFile*, quint16 id, bool& Continue) {
            pieces = id;
            Continue = true;
        });
        QDir().mkpath(folder);
        if (!engine.Backup({QStringLiteral("C:\\src\\Archive.exe")}, folder + QStringLiteral("/archive.001")))
            return 0;
        return pieces;
    }

private slots:
    void init()
    {
        m_fx = std::make_unique<SplitFixture>();
        TFormRest::runState() = RestoreRunState{};
    }
    void cleanup() { m_fx.reset(); }

    void controlsAndHistories()
    {
        {
            auto w = openWindow();
            QCOMPARE(w->windowTitle(), QStringLiteral("Splitted file(s) restoration"));
            QCOMPARE(w->GroupBox3->title(), QStringLiteral(" Informations "));
            QCOMPARE(w->GroupBox4->title(), QStringLiteral("1° Choose the first part of your file : "));
            QCOMPARE(w->GroupBox5->title(), QStringLiteral(" 2. Restoration Unit / Path : "));
            QCOMPARE(w->ComboBoxPath001->toolTip(), QStringLiteral("Localisation of 001 file"));
            QCOMPARE(w->Bttn3dDelHist->statusTip(), QStringLiteral("Del history."));
            QCOMPARE(w->BttnBrowse001->toolTip(), QStringLiteral("Browse..."));
            QVERIFY(w->ComboBox1->toolTip().isEmpty()); // its hint is not shown
            QCOMPARE(w->Label2->text(), QStringLiteral("+  Name of first part 001 "));
            QCOMPARE(w->BttnRestore->text(), QStringLiteral("Restore"));
            QCOMPARE(w->BttnQuit->text(), QStringLiteral("Quit"));
            QVERIFY(w->CBCutAutoClose->isChecked());
            QCOMPARE(w->CBCutAutoClose->text(), QStringLiteral("AutoClose after restitution."));
            QVERIFY(w->CBRunAfterRestore->isChecked());
            QCOMPARE(w->CBRunAfterRestore->text(), QStringLiteral("Run the file after restitution."));
            QCOMPARE(w->Label4->text(), QStringLiteral("Restoration % "));
            QVERIFY(!w->ProgressBar1->isVisible());
            // No history: the drive lists, and the destination keeps "C:\".
            const QStringList drives = {QStringLiteral("A:\\"), QStringLiteral("C:\\")};
            QCOMPARE(w->RestoreDest->count(), 2);
            QCOMPARE(w->RestoreDest->itemText(0), drives[0]);
            QCOMPARE(w->RestoreDest->currentText(), QStringLiteral("C:\\"));
            QCOMPARE(w->ComboBoxPath001->count(), 2);
            QCOMPARE(w->ComboBoxPath001->itemText(1), drives[1]);
            QCOMPARE(TFormRest::runState().destination, QStringLiteral("C:\\"));

            w->ComboBoxPath001->setEditText(QStringLiteral("C:\\one"));
            QTest::keyClick(w->ComboBoxPath001->lineEdit(), Qt::Key_Return);
            QCOMPARE(w->ComboBoxPath001->currentText(), QStringLiteral("C:\\one\\"));
            QCOMPARE(w->ComboBoxPath001->itemText(0), QStringLiteral("C:\\one\\"));
            w->RestoreDest->setEditText(QStringLiteral("C:\\dest\\"));
            QCOMPARE(TFormRest::runState().destination, QStringLiteral("C:\\dest\\"));
            QTest::keyClick(w.get(), Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        }
        const QString settings = m_fx->settings();
        QVERIFY(settings.contains(QStringLiteral("[001dir]")));
        QVERIFY(settings.contains(QStringLiteral("[restoredir]")));
        {
            // Histories of two items or more are kept as they are.
            auto w = openWindow();
            QCOMPARE(w->ComboBoxPath001->itemText(0), QStringLiteral("C:\\one\\"));
            QCOMPARE(w->ComboBoxPath001->currentText(), QStringLiteral("C:\\one\\"));
            QCOMPARE(w->RestoreDest->currentText(), QStringLiteral("C:\\dest\\"));
            w->Bttn3DDelComboPath->click();
            QCOMPARE(w->RestoreDest->count(), 2);
            w->Bttn3dDelHist->click();
            QCOMPARE(w->ComboBoxPath001->count(), 2);
            QCOMPARE(w->ComboBox1->count(), 0);
            QVERIFY(w->ComboBox1->currentText().isEmpty());
        }
    }

    // The search lists the ".001" files of the folder (not folders, not other pieces), sorted
    // by name without regard to case, and selects the first.
    void searchAndSelection()
    {
        for (const char* name : {"b.001", "A.001", "c.002", "notes.txt"})
            QVERIFY(writeBytes(m_fx->c(QStringLiteral("p/") + QLatin1String(name)), "x"));
        QVERIFY(QDir().mkpath(m_fx->c(QStringLiteral("p/folder.001"))));
        auto w = openWindow();
        w->ComboBoxPath001->setEditText(QStringLiteral("C:\\p"));
        QCOMPARE(w->ComboBox1->count(), 2);
        QCOMPARE(w->ComboBox1->itemText(0), QStringLiteral("A.001"));
        QCOMPARE(w->ComboBox1->itemText(1), QStringLiteral("b.001"));
        QCOMPARE(w->ComboBox1->currentText(), QStringLiteral("A.001"));
        QCOMPARE(TFormRest::runState().source, QStringLiteral("C:\\p\\A.001"));
        QCOMPARE(w->LbInfoSpan->text(), QStringLiteral("Your selection --> A.001"));
        QCOMPARE(w->LbInfoSpan->toolTip(), QStringLiteral("C:\\p\\A.001"));
        QCOMPARE(w->Label1->text(), QStringLiteral("C:\\p\\A.001"));
        QVERIFY(!w->Label2->isVisible());
        w->ComboBox1->setEditText(QStringLiteral("b.001"));
        QCOMPARE(TFormRest::runState().source, QStringLiteral("C:\\p\\b.001"));

        // A folder without first pieces: nothing selected, the hint label shown, Restore idle.
        w->ComboBoxPath001->setEditText(QStringLiteral("C:\\"));
        QCOMPARE(w->ComboBox1->count(), 0);
        QVERIFY(w->ComboBox1->currentText().isEmpty());
        QVERIFY(w->Label2->isVisible());
        QCOMPARE(TFormRest::runState().source, QStringLiteral("C:\\"));
        w->BttnRestore->click();
        QCOMPARE(w->lastOutcome(), SplitRestorer::Outcome::NotStarted);
        QVERIFY(w->isVisible());
        QVERIFY(m_fx->log.isEmpty() && m_fx->dialogs->asked.isEmpty());

        w->ComboBoxPath001->setEditText(QStringLiteral("C:\\missing"));
        QCOMPARE(w->ComboBox1->count(), 0);
    }

    // Choosing a piece and restoring it move nothing: the window keeps its size and its
    // controls their places, and its texts are shown whole (the source path is cut at the
    // window's edge when it is longer, whole in its hint).
    void layoutStaysPutAndTextsShowWhole()
    {
        QCOMPARE(cutInto(m_fx->c(QStringLiteral("pieces")), 100000), 3);
        auto w = openWindow();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->CBCutAutoClose->setChecked(false);
        m_fx->dialogs->answers = {Button::Cancel};
        const auto layout = [&] {
            QStringList shot = layoutSnapshot(w.get());
            shot.removeIf([](const QString& line) {
                return line.startsWith(QLatin1String("ProgressBar1 ")) || line.startsWith(QLatin1String("Label2 "));
            });
            return shot;
        };
        const QStringList before = layout();
        QVERIFY(w->Label2->isVisible());
        {
            const QStringList cut = clippedTexts(w.get(), {QStringLiteral("Label1")});
            QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('|'))));
        }

        w->ComboBoxPath001->setEditText(QStringLiteral("C:\\pieces"));
        QVERIFY(!w->Label2->isVisible());
        QCOMPARE(w->Label1->toolTip(), QStringLiteral("C:\\pieces\\archive.001"));
        // The piece's name shows whole in its combo, which was empty when the window opened.
        const QString piece = w->ComboBox1->currentText();
        QCOMPARE(piece, QStringLiteral("archive.001"));
        QVERIFY(w->ComboBox1->lineEdit()->fontMetrics().horizontalAdvance(QStringLiteral("1234567890.001")) + 4
                <= w->ComboBox1->lineEdit()->width());
        QCOMPARE(layout(), before);

        w->RestoreDest->setEditText(QStringLiteral("C:\\restored"));
        w->BttnRestore->click();
        QCOMPARE(w->lastOutcome(), SplitRestorer::Outcome::Succeeded);
        QVERIFY(w->ProgressBar1->isVisible());
        QCOMPARE(layout(), before);
        {
            const QStringList cut = clippedTexts(w.get(), {QStringLiteral("Label1")});
            QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('|'))));
        }
    }

    // Browsing to the second of two first pieces keeps it selected; the folder goes into the
    // history. A cancelled dialog keeps the selection.
    void browsing()
    {
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("p/a.001")), "x"));
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("p/b.001")), "x"));
        m_fx->dialogs->paths = {QStringLiteral("C:\\p\\b.001")};
        auto w = openWindow();
        w->BttnBrowse001->click();
        QCOMPARE(m_fx->dialogs->pathFolders.last(), QStringLiteral("C:\\"));
        QCOMPARE(m_fx->dialogs->pathFilters.last(), QStringLiteral("First part of file|*.001"));
        QCOMPARE(w->ComboBoxPath001->currentText(), QStringLiteral("C:\\p\\"));
        QCOMPARE(w->ComboBoxPath001->itemText(0), QStringLiteral("C:\\p\\"));
        QCOMPARE(w->ComboBox1->count(), 2);
        QCOMPARE(w->ComboBox1->currentText(), QStringLiteral("b.001"));
        QCOMPARE(TFormRest::runState().source, QStringLiteral("C:\\p\\b.001"));
        QCOMPARE(w->LbInfoSpan->text(), QStringLiteral("Your selection --> b.001"));
        w->BttnBrowse001->click(); // cancelled
        QCOMPARE(TFormRest::runState().source, QStringLiteral("C:\\p\\b.001"));
    }

    // Pieces side by side on a fixed disk restore without any prompt; the restored file comes
    // back under the stored (lower-case) name; the offer to start it is answered as given.
    void restoreFromFixedDisk_data()
    {
        QTest::addColumn<Button>("runAnswer");
        QTest::newRow("start it") << Button::Ok;
        QTest::newRow("do not start it") << Button::Cancel;
    }
    void restoreFromFixedDisk()
    {
        QFETCH(Button, runAnswer);
        QCOMPARE(cutInto(m_fx->c(QStringLiteral("pieces")), 100000), 3);
        m_fx->dialogs->answers = {runAnswer};
        auto w = openWindow();
        w->ComboBoxPath001->setEditText(QStringLiteral("C:\\pieces"));
        w->RestoreDest->setEditText(QStringLiteral("C:\\restored"));
        w->BttnRestore->click();

        QCOMPARE(w->lastOutcome(), SplitRestorer::Outcome::Succeeded);
        QCOMPARE(readBytes(m_fx->c(QStringLiteral("restored/Archive.exe"))), m_data);
        const QString target = QStringLiteral("C:\\restored\\Archive.exe");
        QCOMPARE(TFormRest::runState().lastTarget, target);
        QCOMPARE(m_fx->dialogs->texts(),
                 QStringList{QStringLiteral("[ C:\\restored\\Archive.exe ]  is restored. Open this archive now ?\r\rESC key to quit KESTRAVE.")});
        QCOMPARE(m_fx->dialogs->asked[0].kind, MessageKind::Information);
        QCOMPARE(w->windowTitle(), QStringLiteral("- End of copy process."));
        QCOMPARE(w->Label4->text(), QStringLiteral(" Restoring = 100 %"));
        QVERIFY(!w->isVisible()); // auto close
        QVERIFY(!m_fx->settings().contains(QStringLiteral("restoredir"))); // closed by itself
        if (runAnswer == Button::Ok) {
            QCOMPARE(m_fx->started, QStringList{target});
            QCOMPARE(m_fx->log, (QStringList{QStringLiteral("-Splitted files restoration ---> OK "),
                                             QStringLiteral(" Run : ") + target}));
        } else {
            QVERIFY(m_fx->started.isEmpty());
            QCOMPARE(m_fx->log, QStringList{QStringLiteral("-Splitted files restoration ---> OK ")});
        }
    }

    // A continuation piece missing beside the first: on a fixed disk the user is asked for it
    // like on a removable drive and can bring it or stop; on a removable drive every next piece
    // is asked for.
    void nextPiece_data()
    {
        QTest::addColumn<QString>("aType");
        QTest::addColumn<bool>("missing");
        QTest::addColumn<Button>("answer");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("success");
        const QString ask2 = QStringLiteral("Insert next disk ( N°: 2 )\rthen click Ok to continue");
        const QString ask3 = QStringLiteral("Insert next disk ( N°: 3 )\rthen click Ok to continue");
        QTest::newRow("fixed, piece brought") << "fixed" << true << Button::Ok << QStringList{ask2} << true;
        QTest::newRow("fixed, stopped") << "fixed" << true << Button::Cancel << QStringList{ask2} << false;
        QTest::newRow("removable, all present") << "removable" << false << Button::Ok << QStringList{ask2, ask3} << true;
        QTest::newRow("removable, stopped") << "removable" << false << Button::Cancel << QStringList{ask2} << false;
    }
    void nextPiece()
    {
        QFETCH(QString, aType);
        QFETCH(bool, missing);
        QFETCH(Button, answer);
        QFETCH(QStringList, questions);
        QFETCH(bool, success);
        m_fx->writeDrives(aType);
        QCOMPARE(cutInto(m_fx->a(), 100000), 3);
        const QString away = m_fx->path(QStringLiteral("archive.002"));
        if (missing) {
            QVERIFY(QFile::rename(m_fx->a(QStringLiteral("archive.002")), away));
            m_fx->dialogs->beforeAnswer = [&](const RecordingDialogs::Question&) {
                if (answer == Button::Ok && QFileInfo::exists(away))
                    QFile::rename(away, m_fx->a(QStringLiteral("archive.002"))); // the user brings it
            };
        }
        m_fx->dialogs->answers = {answer, answer};
        auto w = openWindow();
        w->CBRunAfterRestore->setChecked(false);
        w->ComboBoxPath001->setEditText(QStringLiteral("A:\\"));
        w->RestoreDest->setEditText(QStringLiteral("C:\\restored\\"));
        w->Restaurer();
        QCOMPARE(m_fx->dialogs->texts(), questions);
        if (success) {
            QCOMPARE(w->lastOutcome(), SplitRestorer::Outcome::Succeeded);
            QCOMPARE(readBytes(m_fx->c(QStringLiteral("restored/Archive.exe"))), m_data);
            QCOMPARE(m_fx->log, QStringList{QStringLiteral("-Splitted files restoration ---> OK ")});
        } else {
            QCOMPARE(w->lastOutcome(), SplitRestorer::Outcome::Failed);
            QCOMPARE(m_fx->log, (QStringList{QStringLiteral(" Cancel : no medium insertion( N°: 2 )"),
                                             QStringLiteral("-Splitted files restoration ---> ERRORS !")}));
        }
    }

    // A first piece that is not a container: the caption tells it, the failure is logged, and
    // nothing is offered to start.
    void damagedContainer()
    {
        QVERIFY(writeBytes(m_fx->c(QStringLiteral("p/junk.001")), QByteArray("EC")));
        auto w = openWindow();
        w->CBCutAutoClose->setChecked(false);
        w->ComboBoxPath001->setEditText(QStringLiteral("C:\\p\\"));
        w->Restaurer();
        QCOMPARE(w->lastOutcome(), SplitRestorer::Outcome::Failed);
        QCOMPARE(w->windowTitle(), QStringLiteral("Error copy on medium."));
        QCOMPARE(m_fx->log, QStringList{QStringLiteral("-Splitted files restoration ---> ERRORS !")});
        QVERIFY(m_fx->dialogs->asked.isEmpty());
        QVERIFY(w->isVisible());
    }

    // Quit during a restoration asks whether to stop; Yes stops it and saves the histories.
    void quitDuringRestore()
    {
        QCOMPARE(cutInto(m_fx->c(QStringLiteral("pieces")), 0), 1);
        m_fx->dialogs->answers = {Button::Yes};
        auto w = openWindow();
        w->ComboBoxPath001->setEditText(QStringLiteral("C:\\pieces\\"));
        w->RestoreDest->setEditText(QStringLiteral("C:\\restored\\"));
        bool wasBusy = false;
        QTimer::singleShot(0, w.get(), [&] {
            wasBusy = w->BackupFile1->Busy();
            w->BttnQuit->click();
        });
        w->Restaurer();
        QVERIFY(wasBusy);
        QCOMPARE(m_fx->dialogs->texts(), QStringList{QStringLiteral("Do you want to stop the split process ?")});
        QCOMPARE(w->lastOutcome(), SplitRestorer::Outcome::Failed);
        QCOMPARE(m_fx->log, QStringList{QStringLiteral("-Splitted files restoration ---> ERRORS !")});
        QVERIFY(m_fx->settings().contains(QStringLiteral("[restoredir]")));
        QVERIFY(!w->isVisible());
        QCOMPARE(w->result(), int(QDialog::Rejected)); // closed by Quit, not by the auto close
    }
};

QTEST_MAIN(TestFormRest)
#include "test_formrest.moc"
