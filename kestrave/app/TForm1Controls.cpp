#include "TForm1Controls.h"

#include "RunnerTexts.h"
#include "widgets/BlinkingLabel.h"
#include "widgets/HemisphereButton.h"
#include "widgets/HintTimingStyle.h"
#include "widgets/PathLabel.h"
#include "widgets/SplitterBar.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace ksv {

using namespace RunnerTexts;

QString shortHint(const QString& hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

QString longHint(const QString& hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

void setHint(QWidget* widget, const QString& hint)
{
    widget->setProperty("hint", hint);
    widget->setToolTip(shortHint(hint));
    widget->setToolTipDuration(hint.isEmpty() ? -1 : HintTimingStyle::HintHidePauseMs);
    widget->setStatusTip(longHint(hint));
}

void setHint(QAction* action, const QString& hint)
{
    action->setProperty("hint", hint);
    action->setToolTip(shortHint(hint));
    action->setStatusTip(longHint(hint));
}

namespace {

template <typename T>
T* named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

QCheckBox* hiddenBox(QWidget* parent, QLayout* layout, const char* name)
{
    auto* box = named(new QCheckBox(QLatin1String(name), parent), name);
    layout->addWidget(box);
    return box;
}

QFrame* tilePanel(QWidget* parent, const char* name)
{
    auto* frame = named(new QFrame(parent), name);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    frame->setAutoFillBackground(true);
    return frame;
}

QLabel* captionLabel(const QString& text, QWidget* parent, const char* name)
{
    auto* label = named(new QLabel(text, parent), name);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

} // namespace

void TForm1Controls::build(QWidget* window)
{
    auto* central = named(new QWidget(window), "CentralArea");
    static_cast<QMainWindow*>(window)->setCentralWidget(central);
    central->setMouseTracking(true);

    // ---------------------------------------------------------------- left column (run area)
    LeftColumn = named(new QWidget(central), "LeftColumn");
    LeftColumn->setMouseTracking(true);
    auto* left = new QVBoxLayout(LeftColumn);
    left->setContentsMargins(8, 6, 6, 4);
    left->setSpacing(5);

    InfoProcessus = named(new QGroupBox(LeftColumn), "InfoProcessus");
    auto* header = new QGridLayout(InfoProcessus);
    header->setContentsMargins(8, 6, 8, 6);
    header->setHorizontalSpacing(4);
    header->setVerticalSpacing(3);
    Lb3dRep = named(new QLabel(dataPathCaption(), InfoProcessus), "Lb3dRep");
    LbFileRep2Sav = named(new PathLabel(Qt::ElideLeft, InfoProcessus), "LbFileRep2Sav");
    Lb3dDest = named(new BlinkingLabel(targetCaption(), InfoProcessus), "Lb3dDest");
    Lb3dDest->setBlinking(true);
    LbFileDest = named(new PathLabel(Qt::ElideLeft, InfoProcessus), "LbFileDest");
    for (QLabel* l : {static_cast<QLabel*>(LbFileRep2Sav), static_cast<QLabel*>(LbFileDest)}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    header->addWidget(Lb3dRep, 0, 0);
    header->addWidget(LbFileRep2Sav, 0, 1);
    header->addWidget(Lb3dDest, 1, 0);
    header->addWidget(LbFileDest, 1, 1);
    PnInfos = named(new QFrame(InfoProcessus), "PnInfos");
    auto* infos = new QHBoxLayout(PnInfos);
    infos->setContentsMargins(0, 2, 0, 0);
    infos->setSpacing(6);
    Bttn3dAbout = named(new HemisphereButton(QStringLiteral("i"), PnInfos, 22), "Bttn3dAbout");
    setHint(Bttn3dAbout, aboutHint());
    LabelInfo = named(new QLabel(PnInfos), "LabelInfo");
    LabelInfo->setAlignment(Qt::AlignCenter);
    Bttn3dPopMnu = named(new HemisphereButton(QStringLiteral("\u2026"), PnInfos, 22), "Bttn3dPopMnu");
    setHint(Bttn3dPopMnu, optionsHint());
    infos->addWidget(Bttn3dAbout);
    infos->addWidget(LabelInfo, 1);
    infos->addWidget(Bttn3dPopMnu);
    header->addWidget(PnInfos, 2, 0, 1, 2);
    header->setColumnStretch(1, 1);
    left->addWidget(InfoProcessus);

    VisuZippage = named(new QGroupBox(zippedFilesTitle(), LeftColumn), "VisuZippage");
    auto* zipped = new QHBoxLayout(VisuZippage);
    zipped->setContentsMargins(8, 4, 8, 6);
    zipped->setSpacing(10);
    Image1 = named(new QLabel(VisuZippage), "Image1");
    Image1->setFixedSize(48, 48);
    Image1->setAlignment(Qt::AlignCenter);
    zipped->addWidget(Image1, 0, Qt::AlignVCenter);
    auto* zippedInfo = new QVBoxLayout;
    zippedInfo->setSpacing(2);
    LbFileBgZipd = named(new PathLabel(Qt::ElideRight, VisuZippage), "LbFileBgZipd");
    Lb3dFinalInfos = named(new BlinkingLabel(QString(), VisuZippage), "Lb3dFinalInfos");
    {
        QPalette pal = Lb3dFinalInfos->palette();
        pal.setColor(QPalette::WindowText, QColor(0xc0, 0x1c, 0x28));
        Lb3dFinalInfos->setPalette(pal);
        QFont f = Lb3dFinalInfos->font();
        f.setBold(true);
        Lb3dFinalInfos->setFont(f);
    }
    Lb3dFinalInfos->setBlinking(true);
    // The final texts may need two lines at larger fonts; the room is kept from the start so
    // that nothing moves when one arrives.
    Lb3dFinalInfos->setWordWrap(true);
    Lb3dFinalInfos->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    Lb3dFinalInfos->setMinimumHeight(2 * Lb3dFinalInfos->fontMetrics().lineSpacing());
    Lb3dFinalInfos->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* countRow = new QHBoxLayout;
    LbFileNbProcess = named(new QLabel(fileCountWait(), VisuZippage), "LbFileNbProcess");
    ProgressBar1 = named(new QProgressBar(VisuZippage), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMaximumHeight(12);
    ProgressBar1->hide();
    countRow->addWidget(LbFileNbProcess);
    countRow->addWidget(ProgressBar1, 1);
    memolog = named(new QPlainTextEdit(VisuZippage), "memolog");
    memolog->setReadOnly(true);
    memolog->hide();
    zippedInfo->addWidget(LbFileBgZipd);
    zippedInfo->addWidget(Lb3dFinalInfos);
    zippedInfo->addLayout(countRow);
    zipped->addLayout(zippedInfo, 1);
    left->addWidget(VisuZippage, 1);

    ListBox3 = named(new QListWidget(LeftColumn), "ListBox3");
    ListBox3->hide();
    left->addWidget(ListBox3, 1);

    // Path panel and quit button
    auto* pathRow = new QHBoxLayout;
    pathRow->setSpacing(6);
    PnExplo = named(new QFrame(LeftColumn), "PnExplo");
    PnExplo->setFixedWidth(PathPanelWidth);
    BvlExplo = named(new QFrame(PnExplo), "BvlExplo");
    BvlExplo->setFrameShape(QFrame::StyledPanel);
    BvlExplo->setFrameShadow(QFrame::Raised);
    setHint(BvlExplo, explorerBevelHint());
    Lb3dExplo = named(new BlinkingLabel(freeSpaceCaption(), PnExplo), "Lb3dExplo");
    Lb3dExplo->setAlignment(Qt::AlignCenter);
    Lb3dExplo->setShrinkToFit(true);
    Lb3dExplo->setContentsMargins(4, 0, 4, 0);
    Lb3dExplo->setCursor(Qt::PointingHandCursor);
    setHint(Lb3dExplo, freeSpaceHint());
    Bttn3DDelComboPath = named(new HemisphereButton(delHistoryCaption(), PnExplo, 14), "Bttn3DDelComboPath");
    setHint(Bttn3DDelComboPath, delHistoryHint());
    SplitIt1 = named(new SplitterBar(PnExplo), "SplitIt1");
    setHint(SplitIt1, splitterHint());
    ComboPath = named(new QComboBox(PnExplo), "ComboPath");
    ComboPath->setEditable(true);
    ComboPath->setInsertPolicy(QComboBox::NoInsert);
    ComboPath->setMinimumWidth(40);
    setHint(ComboPath, comboPathHint());
    const int rowHeight = qMax(ComboPath->sizeHint().height(), Lb3dExplo->sizeHint().height() + 8) + 4;
    PnExplo->setFixedHeight(rowHeight);
    pathRow->addWidget(PnExplo);
    pathRow->addStretch(1);
    BtQuitter3D = named(new HemisphereButton(quitCaption(), LeftColumn, 34), "BtQuitter3D");
    pathRow->addWidget(BtQuitter3D);
    left->addLayout(pathRow);

    auto* boxes = new QHBoxLayout;
    boxes->setSpacing(12);
    CbAutomation = named(new QCheckBox(automaticLaunchCaption(), LeftColumn), "CbAutomation");
    setHint(CbAutomation, automaticLaunchHint());
    CbEject = named(new QCheckBox(ejectCaption(), LeftColumn), "CbEject");
    CbAutoClose = named(new QCheckBox(autoCloseBoxCaption(), LeftColumn), "CbAutoClose");
    // Start value: auto close on, as for a query without the key; ejection only when a query
    // asks for it.
    CbAutoClose->setChecked(true);
    boxes->addWidget(CbAutomation);
    boxes->addWidget(CbEject);
    boxes->addWidget(CbAutoClose);
    boxes->addStretch(1);
    left->addLayout(boxes);

    // ---------------------------------------------------------------- right column
    RightColumn = named(new QWidget(central), "RightColumn");
    RightColumn->setMouseTracking(true);
    auto* right = new QVBoxLayout(RightColumn);
    right->setContentsMargins(0, 6, 0, 4);
    right->setSpacing(5);

    PnFormat = tilePanel(RightColumn, "PnFormat");
    setHint(PnFormat, formatPanelHint());
    PnFormat->setMouseTracking(true);
    auto* format = new QHBoxLayout(PnFormat);
    format->setContentsMargins(8, 4, 8, 4);
    Bttn3DForDsk = named(new HemisphereButton(floppyButtonCaption(), PnFormat, 30), "Bttn3DForDsk");
    setHint(Bttn3DForDsk, floppyButtonHint());
    Lb3dFormat = named(new BlinkingLabel(formatLabelCaption(), PnFormat), "Lb3dFormat");
    Lb3dFormat->setAlignment(Qt::AlignCenter);
    Bttn3dForZip = named(new HemisphereButton(QString(), PnFormat, 30), "Bttn3dForZip");
    setHint(Bttn3dForZip, zipButtonHint());
    format->addWidget(Bttn3DForDsk);
    format->addWidget(Lb3dFormat, 1);
    format->addWidget(Bttn3dForZip);
    right->addWidget(PnFormat);

    LbError = captionLabel(errorListCaption(), RightColumn, "LbError");
    ListBox1 = named(new QListWidget(RightColumn), "ListBox1");
    LbFileInUse = captionLabel(inUseListCaption(), RightColumn, "LbFileInUse");
    ListBox2 = named(new QListWidget(RightColumn), "ListBox2");
    setHint(ListBox2, inUseListHint());
    right->addWidget(LbError);
    right->addWidget(ListBox1, 1);
    right->addWidget(LbFileInUse);
    right->addWidget(ListBox2, 1);

    Label1 = named(new QLabel(motto(), RightColumn), "Label1");
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    {
        QFont f = Label1->font();
        f.setItalic(true);
        Label1->setFont(f);
    }
    Label1->hide();
    right->addWidget(Label1, 1);

    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(5);
    PlNotice = tilePanel(RightColumn, "PlNotice");
    auto* notice = new QHBoxLayout(PlNotice);
    notice->setContentsMargins(8, 4, 8, 4);
    Button3DNotice = named(new HemisphereButton(helpButtonCaption(), PlNotice, 30), "Button3DNotice");
    setHint(Button3DNotice, helpButtonHint());
    Label3DNotice = named(new QLabel(helpLabelCaption(), PlNotice), "Label3DNotice");
    Label3DNotice->setCursor(Qt::PointingHandCursor);
    setHint(Label3DNotice, helpLabelHint());
    notice->addWidget(Button3DNotice);
    notice->addWidget(Label3DNotice, 1);
    PlRequete = tilePanel(RightColumn, "PlRequete");
    setHint(PlRequete, queriesPanelHint());
    auto* requete = new QHBoxLayout(PlRequete);
    requete->setContentsMargins(8, 4, 8, 4);
    Button3DRequete = named(new HemisphereButton(queriesButtonCaption(), PlRequete, 30), "Button3DRequete");
    setHint(Button3DRequete, queriesPanelHint());
    Label3Requete = named(new QLabel(queriesLabelCaption(), PlRequete), "Label3Requete");
    Label3Requete->setCursor(Qt::PointingHandCursor);
    setHint(Label3Requete, queriesPanelHint());
    requete->addWidget(Button3DRequete);
    requete->addWidget(Label3Requete, 1);
    tiles->addWidget(PlNotice, 1);
    tiles->addWidget(PlRequete, 1);
    right->addLayout(tiles);
    PlNotice->hide();
    PlRequete->hide();

    // The lists take the room the other controls leave; they never make the window taller.
    for (QListWidget* list : {ListBox1, ListBox2, ListBox3}) {
        list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
        list->setMinimumHeight(list->fontMetrics().height() * 2 + 8);
    }

    // ---------------------------------------------------------------- hidden run state
    HiddenOptions = named(new QWidget(central), "HiddenOptions");
    HiddenOptions->hide();
    auto* hidden = new QVBoxLayout(HiddenOptions);
    CBExe = hiddenBox(HiddenOptions, hidden, "CBExe");
    CbSubDir = hiddenBox(HiddenOptions, hidden, "CbSubDir");
    CbPath = hiddenBox(HiddenOptions, hidden, "CbPath");
    CBPassWord = hiddenBox(HiddenOptions, hidden, "CBPassWord");
    CbUpdateZip = hiddenBox(HiddenOptions, hidden, "CbUpdateZip");
    CBDatePrefix = hiddenBox(HiddenOptions, hidden, "CBDatePrefix");
    CbQuitOS = hiddenBox(HiddenOptions, hidden, "CbQuitOS");
    CbAutoRun = hiddenBox(HiddenOptions, hidden, "CbAutoRun");
    CbAskFiles = hiddenBox(HiddenOptions, hidden, "CbAskFiles");
    CbSFXMsg = hiddenBox(HiddenOptions, hidden, "CbSFXMsg");
    CbSuccesMsg = hiddenBox(HiddenOptions, hidden, "CbSuccesMsg");
    JJMM = hiddenBox(HiddenOptions, hidden, "JJMM");
    GroupBox1 = named(new QGroupBox(HiddenOptions), "GroupBox1");
    auto* sfx = new QVBoxLayout(GroupBox1);
    Image2 = named(new QLabel(GroupBox1), "Image2");
    edTypeboiteInt = named(new QLineEdit(GroupBox1), "edTypeboiteInt");
    EdMsgSfx = named(new QLineEdit(GroupBox1), "EdMsgSfx");
    sfx->addWidget(Image2);
    sfx->addWidget(edTypeboiteInt);
    sfx->addWidget(EdMsgSfx);
    CbOk = hiddenBox(GroupBox1, sfx, "CbOk");
    CbOkEsc = hiddenBox(GroupBox1, sfx, "CbOkEsc");
    CbYesNo = hiddenBox(GroupBox1, sfx, "CbYesNo");
    hidden->addWidget(GroupBox1);

    CloseTimer = named(new QTimer(window), "CloseTimer");
    CloseTimer->setInterval(1000);

    // ---------------------------------------------------------------- status bar
    auto* mainWindow = static_cast<QMainWindow*>(window);
    StatusBar1 = named(new QStatusBar(window), "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    mainWindow->setStatusBar(StatusBar1);

    // ---------------------------------------------------------------- pop-up menu
    PopupMenu1 = named(new QMenu(window), "PopupMenu1");
    PopupMenu1->setToolTipsVisible(false);
    auto addItem = [&](const char* name, const QString& caption, const QKeySequence& shortcut, bool checkable) {
        QAction* action = named(PopupMenu1->addAction(caption), name);
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setCheckable(checkable);
        window->addAction(action);
        return action;
    };
    Editerlefichierinidesparamtrages1
        = addItem("Editerlefichierinidesparamtrages1", menuQueries(), QKeySequence(Qt::CTRL | Qt::Key_R), false);
    Voirleprocessusdesauvegarde1
        = addItem("Voirleprocessusdesauvegarde1", menuShowProcess(), QKeySequence(Qt::CTRL | Qt::Key_S), true);
    DskTurn = addItem("DskTurn", menuRotatingSet(), QKeySequence(Qt::CTRL | Qt::Key_J), true);
    PswTime = addItem("PswTime", menuPermanentPassword(), QKeySequence(Qt::CTRL | Qt::Key_P), false);
    admini = addItem("admini", menuAdmin(), QKeySequence(Qt::CTRL | Qt::Key_A), false);
    LOGMenu = named(PopupMenu1->addMenu(menuLog()), "LOGMenu");
    LOG = named(LOGMenu->menuAction(), "LOG");
    SaveLog = named(LOGMenu->addAction(menuSaveLog()), "SaveLog");
    SaveLog->setCheckable(true);
    DelLog = named(LOGMenu->addAction(menuResetLog()), "DelLog");
    ViewLog = named(LOGMenu->addAction(menuShowLog()), "ViewLog");
    ViewLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    window->addAction(ViewLog);
    Gif = addItem("Gif", menuAnimations(), {}, true);
    AffichageHint = addItem("AffichageHint", menuHints(), {}, true);
    PopupMenu1->addSeparator();
    about = addItem("about", menuAbout(), {}, false);
}

QList<HemisphereButton*> TForm1Controls::hemisphereButtons() const
{
    return {BtQuitter3D, Button3DNotice, Bttn3DForDsk, Bttn3dForZip, Button3DRequete};
}

} // namespace ksv
