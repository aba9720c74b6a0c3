#include "TFormRest.h"

#include "CutRules.h"
#include "SplitTexts.h"
#include "TBackupFile.h"
#include "WindowHints.h"

#include "ComboHistoryAdapter.h"
#include "Dialogs.h"
#include "PackagePaths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ksv {

namespace {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

RestoreRunState& TFormRest::runState()
{
    static RestoreRunState state;
    return state;
}

TFormRest::TFormRest(const RunnerContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_context(context)
{
    setObjectName(QStringLiteral("FormRest"));
    setWindowTitle(SplitTexts::restoreCaption());
    BackupFile1 = named(new TBackupFile(this), "BackupFile1");
    BackupFile1->setVersion(QStringLiteral("3.00"));
    BackupFile1->setOnProgress([this](TBackupFile*, const QString&, TPercentage Percent, bool&) {
        BackupFile1Progress(Percent);
    });
    m_restorer = std::make_unique<SplitRestorer>(*BackupFile1, runState(), m_context);
    m_restorer->setCaptionHandler([this](const QString& text) { setWindowTitle(text); });
    buildControls();

    // On creation: both histories (a history of fewer than two items becomes the drive list),
    // then the folder change.
    loadHistory(RestoreDest, SplitTexts::restoreHistory(), SplitTexts::restoreDestinationInitial());
    loadHistory(ComboBoxPath001, SplitTexts::firstPieceHistory(), {});
    folderChange();

    connect(ComboBoxPath001, &QComboBox::editTextChanged, this, [this] { folderChange(); });
    connect(ComboBox1, &QComboBox::editTextChanged, this, [this] { pieceChange(); });
    connect(RestoreDest, &QComboBox::editTextChanged, this,
            [this](const QString& text) { runState().destination = text; });
}

TFormRest::~TFormRest() = default;

void TFormRest::buildControls()
{
    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);

    GroupBox3 = named(new QGroupBox(SplitTexts::informationsGroup(), this), "GroupBox3");
    LbInfoSpan = named(new QLabel(SplitTexts::selectFirstPart(), GroupBox3), "LbInfoSpan");
    LbInfoSpan->setAlignment(Qt::AlignCenter);
    LbInfoSpan->setMinimumWidth(380);
    // Texts that change with the choice never resize the window: a long one is cut, whole in
    // its hint.
    LbInfoSpan->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LbInfoSpan->setWordWrap(true);
    LbInfoSpan->setMinimumHeight(2 * LbInfoSpan->fontMetrics().lineSpacing());
    (new QVBoxLayout(GroupBox3))->addWidget(LbInfoSpan);
    main->addWidget(GroupBox3);

    GroupBox4 = named(new QGroupBox(SplitTexts::chooseFirstPartGroup(), this), "GroupBox4");
    ComboBoxPath001 = named(new QComboBox(GroupBox4), "ComboBoxPath001");
    ComboBoxPath001->setEditable(true);
    ComboBoxPath001->setInsertPolicy(QComboBox::NoInsert);
    setHint(ComboBoxPath001, SplitTexts::firstPartFolderHint());
    ComboBoxPath001->installEventFilter(this);
    ComboBoxPath001->lineEdit()->installEventFilter(this);
    Bttn3dDelHist = named(new QPushButton(SplitTexts::delHistoryButton(), GroupBox4), "Bttn3dDelHist");
    Bttn3dDelHist->setFixedWidth(24);
    setHint(Bttn3dDelHist, SplitTexts::delHistoryHint());
    ComboBox1 = named(new QComboBox(GroupBox4), "ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setStatusTip(SplitTexts::detectedPiecesHint()); // its hint is not shown as a tooltip
    // Room for a piece's name from the start: the list is empty when the window opens.
    ComboBox1->setMinimumContentsLength(16);
    ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    BttnBrowse001 = named(new QPushButton(SplitTexts::browseButton(), GroupBox4), "BttnBrowse001");
    setHint(BttnBrowse001, SplitTexts::browseDotsHint());
    Label2 = named(new QLabel(SplitTexts::nameOfFirstPart(), GroupBox4), "Label2");
    Label1 = named(new QLabel(GroupBox4), "Label1");
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Label1->setMinimumHeight(Label1->fontMetrics().height());
    // The caption beside the pieces keeps its room while hidden: the combo does not move.
    {
        QSizePolicy keep = Label2->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        Label2->setSizePolicy(keep);
    }
    auto* pieces = new QGridLayout(GroupBox4);
    pieces->addWidget(Bttn3dDelHist, 0, 0);
    pieces->addWidget(ComboBoxPath001, 0, 1, 1, 2);
    pieces->addWidget(ComboBox1, 1, 1);
    pieces->addWidget(Label2, 1, 2);
    pieces->addWidget(BttnBrowse001, 1, 3);
    pieces->addWidget(Label1, 2, 0, 1, 4);
    main->addWidget(GroupBox4);

    GroupBox5 = named(new QGroupBox(SplitTexts::restoreDestinationGroup(), this), "GroupBox5");
    Bttn3DDelComboPath = named(new QPushButton(SplitTexts::delHistoryButton(), GroupBox5), "Bttn3DDelComboPath");
    Bttn3DDelComboPath->setFixedWidth(24);
    setHint(Bttn3DDelComboPath, SplitTexts::delHistoryHint());
    RestoreDest = named(new QComboBox(GroupBox5), "RestoreDest");
    RestoreDest->setEditable(true);
    RestoreDest->setInsertPolicy(QComboBox::NoInsert);
    RestoreDest->completer()->setCompletionMode(QCompleter::InlineCompletion); // auto-completing
    RestoreDest->setEditText(SplitTexts::restoreDestinationInitial());
    auto* destRow = new QHBoxLayout(GroupBox5);
    destRow->addWidget(Bttn3DDelComboPath);
    destRow->addWidget(RestoreDest, 1);
    main->addWidget(GroupBox5);

    BttnRestore = named(new QPushButton(SplitTexts::restoreButton(), this), "BttnRestore");
    BttnQuit = named(new QPushButton(SplitTexts::quitButton(), this), "BttnQuit");
    CBCutAutoClose = named(new QCheckBox(SplitTexts::autoCloseAfterRestore(), this), "CBCutAutoClose");
    CBCutAutoClose->setChecked(true);
    CBRunAfterRestore = named(new QCheckBox(SplitTexts::runAfterRestore(), this), "CBRunAfterRestore");
    CBRunAfterRestore->setChecked(true);
    auto* buttons = new QGridLayout;
    buttons->addWidget(CBCutAutoClose, 0, 0);
    buttons->addWidget(BttnRestore, 0, 1);
    buttons->addWidget(CBRunAfterRestore, 1, 0);
    buttons->addWidget(BttnQuit, 1, 1);
    main->addLayout(buttons);

    Label4 = named(new QLabel(SplitTexts::restorationPercent(), this), "Label4");
    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    {
        // The bar's room is there before it shows, and the percentage's width is fixed.
        QSizePolicy keep = ProgressBar1->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        ProgressBar1->setSizePolicy(keep);
        const QFontMetrics metrics(Label4->font());
        Label4->setMinimumWidth(qMax(metrics.horizontalAdvance(SplitTexts::restorationPercent()),
                                     metrics.horizontalAdvance(SplitTexts::restoringPercent(100))));
    }
    auto* progress = new QHBoxLayout;
    progress->addWidget(Label4);
    progress->addWidget(ProgressBar1, 1);
    main->addLayout(progress);

    for (QPushButton* button : {Bttn3dDelHist, BttnBrowse001, Bttn3DDelComboPath, BttnRestore, BttnQuit}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    connect(Bttn3dDelHist, &QPushButton::clicked, this, [this] { Bttn3dDelHistClick(); });
    connect(BttnBrowse001, &QPushButton::clicked, this, [this] { BttnBrowse001Click(); });
    connect(Bttn3DDelComboPath, &QPushButton::clicked, this, [this] { Bttn3DDelComboPathClick(); });
    connect(BttnRestore, &QPushButton::clicked, this, [this] { Restaurer(); });
    connect(BttnQuit, &QPushButton::clicked, this, [this] { BttnQuitClick(); });
}

void TFormRest::loadHistory(QComboBox* combo, const QString& section, const QString& def)
{
    ComboModel model;
    LoadCombo(model, m_context.settingsFile, section, def);
    if (model.items.size() < 2)
        FileComboWithDrives(model);
    ComboHistoryAdapter::apply(model, combo);
}

void TFormRest::folderChange()
{
    RestoreRunState& state = runState();
    state.destination = RestoreDest->currentText();
    state.foundPieces = SplitRestorer::RechSplit00X(ComboBoxPath001->currentText());
    {
        const QSignalBlocker blocker(ComboBox1);
        ComboBox1->clear();
        ComboBox1->addItems(state.foundPieces);
        ComboBox1->setEditText(state.foundPieces.isEmpty() ? QString() : state.foundPieces.first());
    }
    pieceChange();
}

void TFormRest::pieceChange()
{
    RestoreRunState& state = runState();
    state.source = SplitRestorer::sourceOf(ComboBoxPath001->currentText(), ComboBox1->currentText());
    showSelection();
    Label2->setVisible(ComboBox1->currentText().isEmpty());
    Label1->setText(state.source);
    Label1->setToolTip(state.source);
}

void TFormRest::showSelection()
{
    const QString source = runState().source;
    LbInfoSpan->setText(SplitTexts::yourSelection() + CutRules::fileNameOf(source));
    setHint(LbInfoSpan, source);
}

void TFormRest::BttnBrowse001Click()
{
    RestoreRunState& state = runState();
    const std::optional<QString> file =
        dialogs().openFile(SplitTexts::openDialogCaption(), SplitTexts::firstPartInitialFolder(),
                           SplitTexts::firstPartFilter());
    if (file)
        state.source = *file;
    const QString chosen = state.source;
    showSelection();
    {
        const QSignalBlocker blocker(ComboBoxPath001);
        ComboBoxPath001->setEditText(AppendSlash(CutRules::folderOf(chosen)));
        ComboHistoryAdapter::addCurrentText(ComboBoxPath001);
    }
    folderChange();
    // The search selects the first piece of the folder by name; the piece the user browsed to
    // stays selected when it is one of them.
    const QString chosenName = CutRules::fileNameOf(chosen);
    if (!chosenName.isEmpty() && ComboBox1->currentText() != chosenName
        && state.foundPieces.contains(chosenName, Qt::CaseInsensitive)) {
        const QSignalBlocker blocker(ComboBox1);
        ComboBox1->setEditText(chosenName);
        pieceChange();
    }
}

void TFormRest::Bttn3dDelHistClick()
{
    ComboHistoryAdapter::fillWithDrives(ComboBoxPath001);
    const QSignalBlocker blocker(ComboBox1);
    ComboBox1->clear();
    ComboBox1->setEditText(QString());
}

void TFormRest::Bttn3DDelComboPathClick()
{
    ComboHistoryAdapter::fillWithDrives(RestoreDest);
}

void TFormRest::Restaurer()
{
    m_lastOutcome = m_restorer->Restaurer(CBRunAfterRestore->isChecked());
    // A Quit during the restoration has already closed the window, with its own result.
    if (m_lastOutcome != SplitRestorer::Outcome::NotStarted && CBCutAutoClose->isChecked() && isVisible())
        done(QDialog::Accepted);
}

void TFormRest::BackupFile1Progress(int percent)
{
    Label4->setText(SplitTexts::restoringPercent(percent));
    ProgressBar1->setRange(1, 100);
    ProgressBar1->setValue(std::max(percent, 1));
    ProgressBar1->show();
}

void TFormRest::BttnQuitClick()
{
    if (BackupFile1->Busy()) {
        if (dialogs().message(MessageKind::Warning, SplitTexts::stopQuestion(), {Button::Yes, Button::No})
            == Button::No)
            return;
        BackupFile1->StopProcess();
    }
    ComboHistoryAdapter::save(ComboBoxPath001, m_context.settingsFile, SplitTexts::firstPieceHistory());
    ComboHistoryAdapter::save(RestoreDest, m_context.settingsFile, SplitTexts::restoreHistory());
    done(QDialog::Rejected);
}

void TFormRest::reject()
{
    BttnQuitClick();
}

bool TFormRest::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress
        && (watched == ComboBoxPath001 || watched == ComboBoxPath001->lineEdit())) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ComboBoxPath001->setEditText(AppendSlash(ComboBoxPath001->currentText()));
            ComboHistoryAdapter::addCurrentText(ComboBoxPath001);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace ksv
