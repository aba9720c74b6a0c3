#pragma once

#include "CutRunState.h"
#include "FileCutter.h"
#include "RunnerContext.h"

#include <QDialog>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ksv {

class TBackupFile;

// The "Cutting out files" window: cuts one large file into pieces that each fit on a disk.
// The main window creates it anew for each use, may fill EdSourceFile and ComboDestCut, shows
// it modally and reads ComboDestCut back afterwards. The logic lives in FileCutter; the state
// that lasts for the whole program run in runState().
class TFormCut : public QDialog
{
    Q_OBJECT

public:
    explicit TFormCut(const RunnerContext& context, QWidget* parent = nullptr);
    ~TFormCut() override;

    // The state shared by every instance for the whole program run.
    static CutRunState& runState();

    // Controls, by the names the rest of the system uses.
    QGroupBox* GroupBox3 = nullptr;
    QLabel* LbInfoSpan = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* FileLabel1 = nullptr;
    QPushButton* BttnBrowse = nullptr;
    QGroupBox* rgDiskSize = nullptr;
    QLineEdit* edtFreeSize = nullptr;
    QLabel* LbFreeSizeUnit = nullptr; // "Ko" after the size field
    QGroupBox* GroupBox2 = nullptr;
    QPushButton* Bttn3DDelComboPath = nullptr;
    QComboBox* ComboDestCut = nullptr;
    QPushButton* Cut = nullptr;
    QPushButton* Cancel = nullptr;
    QCheckBox* CBSetup = nullptr;
    QCheckBox* CBCutAutoClose = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLineEdit* EdSourceFile = nullptr;
    QListWidget* ListBox1 = nullptr;
    TBackupFile* BackupFile1 = nullptr;

    // The selected item of rgDiskSize (CutRules::FloppyItem or CutRules::FreeSizeItem).
    int diskSizeItem() const;
    // Selects an item as a click would.
    void setDiskSizeItem(int item);

    // The handlers, callable by the main window and tests as a user's gesture would call them.
    void Decouper();
    void CancelClick();
    void BttnBrowseClick();
    void Bttn3DDelComboPathClick();
    void rgDiskSizeClick();

    // The outcome of the last Cut click.
    FileCutter::Outcome lastOutcome() const { return m_lastOutcome; }

public slots:
    void reject() override; // Escape and the window's close button act as Cancel

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void EdSourceFileChange();
    void edtFreeSizeChange();
    void NumberFiles();
    void BackupFile1Progress(int percent);

    RunnerContext m_context;
    std::unique_ptr<FileCutter> m_cutter;
    QButtonGroup* m_sizeItems = nullptr;
    QRadioButton* m_floppyItem = nullptr;
    QRadioButton* m_freeSizeItem = nullptr;
    FileCutter::Outcome m_lastOutcome = FileCutter::Outcome::NotStarted;
};

} // namespace ksv
