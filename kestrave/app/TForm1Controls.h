#pragma once

#include <QList>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QStatusBar;
class QTimer;
class QWidget;

namespace ksv {

class BlinkingLabel;
class HemisphereButton;
class PathLabel;
class SplitterBar;

// The controls of the runner's main window, created with their names, captions and hints, the
// way a form file describes them. Every control's objectName is its member name.
struct TForm1Controls
{
    // The two columns of the window: the run area on the left (the small layout shows only it)
    // and the lists and panels on the right (large and welcome layouts).
    QWidget* LeftColumn = nullptr;
    QWidget* RightColumn = nullptr;

    // Run header
    QGroupBox* InfoProcessus = nullptr;
    QLabel* Lb3dRep = nullptr;
    PathLabel* LbFileRep2Sav = nullptr;
    BlinkingLabel* Lb3dDest = nullptr;
    PathLabel* LbFileDest = nullptr;
    QFrame* PnInfos = nullptr;
    HemisphereButton* Bttn3dAbout = nullptr;
    QLabel* LabelInfo = nullptr;
    HemisphereButton* Bttn3dPopMnu = nullptr;

    // "Zipped Files" group
    QGroupBox* VisuZippage = nullptr;
    QLabel* Image1 = nullptr;
    PathLabel* LbFileBgZipd = nullptr;
    BlinkingLabel* Lb3dFinalInfos = nullptr;
    QLabel* LbFileNbProcess = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPlainTextEdit* memolog = nullptr;

    // Process list, error list, in-use list
    QListWidget* ListBox3 = nullptr;
    QLabel* LbError = nullptr;
    QListWidget* ListBox1 = nullptr;
    QLabel* LbFileInUse = nullptr;
    QListWidget* ListBox2 = nullptr;

    // Queries, help and format panels, motto
    QFrame* PlRequete = nullptr;
    HemisphereButton* Button3DRequete = nullptr;
    QLabel* Label3Requete = nullptr;
    QFrame* PlNotice = nullptr;
    HemisphereButton* Button3DNotice = nullptr;
    QLabel* Label3DNotice = nullptr;
    QFrame* PnFormat = nullptr;
    HemisphereButton* Bttn3DForDsk = nullptr;
    BlinkingLabel* Lb3dFormat = nullptr;
    HemisphereButton* Bttn3dForZip = nullptr;
    QLabel* Label1 = nullptr;

    // Path panel
    QFrame* PnExplo = nullptr;
    QFrame* BvlExplo = nullptr;
    BlinkingLabel* Lb3dExplo = nullptr;
    HemisphereButton* Bttn3DDelComboPath = nullptr;
    SplitterBar* SplitIt1 = nullptr;
    QComboBox* ComboPath = nullptr;

    // Visible check boxes and the quit button
    QCheckBox* CbAutomation = nullptr;
    QCheckBox* CbEject = nullptr;
    QCheckBox* CbAutoClose = nullptr;
    HemisphereButton* BtQuitter3D = nullptr;

    QStatusBar* StatusBar1 = nullptr;

    // Hidden run state: the query's options
    QWidget* HiddenOptions = nullptr;
    QCheckBox* CBExe = nullptr;
    QCheckBox* CbSubDir = nullptr;
    QCheckBox* CbPath = nullptr;
    QCheckBox* CBPassWord = nullptr;
    QCheckBox* CbUpdateZip = nullptr;
    QCheckBox* CBDatePrefix = nullptr;
    QCheckBox* CbQuitOS = nullptr;
    QCheckBox* CbAutoRun = nullptr;
    QCheckBox* CbAskFiles = nullptr;
    QCheckBox* CbSFXMsg = nullptr;
    QCheckBox* CbSuccesMsg = nullptr;
    QCheckBox* JJMM = nullptr;
    // Self-extractor message group
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Image2 = nullptr;
    QLineEdit* edTypeboiteInt = nullptr;
    QLineEdit* EdMsgSfx = nullptr;
    QCheckBox* CbOk = nullptr;
    QCheckBox* CbOkEsc = nullptr;
    QCheckBox* CbYesNo = nullptr;

    QTimer* CloseTimer = nullptr;

    // Pop-up menu (window background, options button)
    QMenu* PopupMenu1 = nullptr;
    QAction* Editerlefichierinidesparamtrages1 = nullptr;
    QAction* Voirleprocessusdesauvegarde1 = nullptr;
    QAction* DskTurn = nullptr;
    QAction* PswTime = nullptr;
    QAction* admini = nullptr;
    QMenu* LOGMenu = nullptr;
    QAction* LOG = nullptr;
    QAction* SaveLog = nullptr;
    QAction* DelLog = nullptr;
    QAction* ViewLog = nullptr;
    QAction* Gif = nullptr;
    QAction* AffichageHint = nullptr;
    QAction* about = nullptr;

    // Width of the path panel, and the splitter's distance to the controls beside it.
    static constexpr int PathPanelWidth = 340;

    // Creates every control inside window (a QMainWindow).
    void build(QWidget* window);
    // The hemisphere buttons whose bevel the mouse raises.
    QList<HemisphereButton*> hemisphereButtons() const;
};

// Sets a control's hint: the short part (before "|") becomes its tooltip, the long part (after
// "|") its status-bar text; a hint without a bar serves as both. The whole hint stays readable
// as the "hint" property.
void setHint(QWidget* widget, const QString& hint);
void setHint(QAction* action, const QString& hint);
QString shortHint(const QString& hint);
QString longHint(const QString& hint);

} // namespace ksv
