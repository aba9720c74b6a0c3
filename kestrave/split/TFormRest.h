#pragma once

#include "RestoreRunState.h"
#include "RunnerContext.h"
#include "SplitRestorer.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace ksv {

class TBackupFile;

// The "Splitted file(s) restoration" window: rebuilds a file cut by the cutting window from
// its pieces. The main window creates it anew for each use and shows it modally; nothing is
// passed in or read back. The logic lives in SplitRestorer; the state that lasts for the whole
// program run in runState().
class TFormRest : public QDialog
{
    Q_OBJECT

public:
    explicit TFormRest(const RunnerContext& context, QWidget* parent = nullptr);
    ~TFormRest() override;

    static RestoreRunState& runState();

    QGroupBox* GroupBox3 = nullptr;
    QLabel* LbInfoSpan = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QComboBox* ComboBoxPath001 = nullptr;
    QPushButton* Bttn3dDelHist = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* BttnBrowse001 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QPushButton* Bttn3DDelComboPath = nullptr;
    QComboBox* RestoreDest = nullptr;
    QPushButton* BttnRestore = nullptr;
    QPushButton* BttnQuit = nullptr;
    QCheckBox* CBCutAutoClose = nullptr;
    QCheckBox* CBRunAfterRestore = nullptr;
    QLabel* Label4 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    TBackupFile* BackupFile1 = nullptr;

    // The handlers, callable by the main window and tests as a user's gesture would call them.
    void Restaurer();
    void BttnQuitClick();
    void BttnBrowse001Click();
    void Bttn3dDelHistClick();
    void Bttn3DDelComboPathClick();

    SplitRestorer::Outcome lastOutcome() const { return m_lastOutcome; }

public slots:
    void reject() override; // Escape and the window's close button act as Quit

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void loadHistory(QComboBox* combo, const QString& section, const QString& def);
    void folderChange();
    void pieceChange();
    void showSelection();
    void BackupFile1Progress(int percent);

    RunnerContext m_context;
    std::unique_ptr<SplitRestorer> m_restorer;
    SplitRestorer::Outcome m_lastOutcome = SplitRestorer::Outcome::NotStarted;
};

} // namespace ksv
