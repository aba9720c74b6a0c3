#include "TFormCut.h"

#include "CutRules.h"
#include "SplitTexts.h"
#include "TBackupFile.h"
#include "WindowHints.h"

#include "ComboHistoryAdapter.h"
#include "Dialogs.h"
#include "PackageFiles.h"
#include "PackagePaths.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace ksv {

namespace {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

CutRunState& TFormCut::runState()
{
    static CutRunState state;
    return state;
}

TFormCut::TFormCut(const RunnerContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_context(context)
{
    setObjectName(QStringLiteral("FormCut"));
    setWindowTitle(SplitTexts::cutCaption());
    BackupFile1 = named(new TBackupFile(this), "BackupFile1");
    BackupFile1->setVersion(QStringLiteral("3.00"));
    BackupFile1->setCompressionLevel(TCompressionLevel::clNone);
    BackupFile1->setOnProgress([this](TBackupFile*, const QString&, TPercentage Percent, bool&) {
        BackupFile1Progress(Percent);
    });
    m_cutter = std::make_unique<FileCutter>(*BackupFile1, runState(), m_context);
    m_cutter->setCaptionHandler([this](const QString& text) { setWindowTitle(text); });
    buildControls();

    // On creation: the destination history, the first size item and its limit.
    ComboModel history;
    LoadCombo(history, m_context.settingsFile, SplitTexts::cutHistory());
    if (!history.items.isEmpty()) {
        ComboHistoryAdapter::apply(history, ComboDestCut);
    } else if (!history.text.isEmpty()) {
        ComboDestCut->setEditText(history.text);
    }
    m_floppyItem->setChecked(true);
    runState().sizeLimit = CutRules::FloppyEstimateLimit;
    setHint(rgDiskSize, SplitTexts::sizeGroupHint());
}

TFormCut::~TFormCut() = default;

void TFormCut::buildControls()
{
    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize); // single fixed border

    GroupBox3 = named(new QGroupBox(SplitTexts::informationsGroup(), this), "GroupBox3");
    LbInfoSpan = named(new QLabel(SplitTexts::chooseFileToCut(), GroupBox3), "LbInfoSpan");
    LbInfoSpan->setAlignment(Qt::AlignCenter);
    LbInfoSpan->setMinimumWidth(380);
    // Texts that change with the choice never resize the window.
    LbInfoSpan->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LbInfoSpan->setWordWrap(true);
    LbInfoSpan->setMinimumHeight(2 * LbInfoSpan->fontMetrics().lineSpacing());
    (new QVBoxLayout(GroupBox3))->addWidget(LbInfoSpan);
    main->addWidget(GroupBox3);

    GroupBox1 = named(new QGroupBox(SplitTexts::fileToCutGroup(), this), "GroupBox1");
    FileLabel1 = named(new QLabel(GroupBox1), "FileLabel1");
    QFont bold = FileLabel1->font();
    bold.setBold(true);
    FileLabel1->setFont(bold);
    FileLabel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FileLabel1->setMinimumHeight(FileLabel1->fontMetrics().height());
    BttnBrowse = named(new QPushButton(SplitTexts::browseButton(), GroupBox1), "BttnBrowse");
    setHint(BttnBrowse, SplitTexts::browseHint());
    auto* fileRow = new QHBoxLayout(GroupBox1);
    fileRow->addWidget(FileLabel1, 1);
    fileRow->addWidget(BttnBrowse);
    main->addWidget(GroupBox1);

    rgDiskSize = named(new QGroupBox(SplitTexts::sizeGroup(), this), "rgDiskSize");
    m_floppyItem = named(new QRadioButton(SplitTexts::sizeItemFloppy(), rgDiskSize), "rgDiskSizeItem0");
    // The second item is the size field itself, followed by its unit ("99999 Ko"): the field
    // sits in the layout beside the button, so it never covers the unit at any font.
    m_freeSizeItem = named(new QRadioButton(rgDiskSize), "rgDiskSizeItem1");
    m_sizeItems = new QButtonGroup(this);
    m_sizeItems->addButton(m_floppyItem, CutRules::FloppyItem);
    m_sizeItems->addButton(m_freeSizeItem, CutRules::FreeSizeItem);
    edtFreeSize = named(new QLineEdit(SplitTexts::freeSizeInitial(), rgDiskSize), "edtFreeSize");
    edtFreeSize->setFrame(false);
    edtFreeSize->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    edtFreeSize->setContextMenuPolicy(Qt::NoContextMenu);
    edtFreeSize->installEventFilter(this);
    {
        const QFontMetrics metrics(edtFreeSize->font());
        const int digits = qMax(metrics.horizontalAdvance(QStringLiteral("99999")),
                                metrics.horizontalAdvance(SplitTexts::freeSizeInitial()));
        const QMargins text = edtFreeSize->textMargins();
        // A frameless line edit keeps 2 pixels each side and room for the cursor.
        edtFreeSize->setFixedWidth(digits + text.left() + text.right() + 2 * 2 + 2);
    }
    const QString unit = SplitTexts::sizeItemFree().section(QLatin1Char(' '), 1);
    LbFreeSizeUnit = named(new QLabel(unit, rgDiskSize), "LbFreeSizeUnit");
    auto* sizeRow = new QGridLayout(rgDiskSize);
    sizeRow->setHorizontalSpacing(4);
    sizeRow->addWidget(m_floppyItem, 0, 0);
    sizeRow->setColumnMinimumWidth(1, 8);
    sizeRow->addWidget(m_freeSizeItem, 0, 2);
    sizeRow->addWidget(edtFreeSize, 0, 3);
    sizeRow->addWidget(LbFreeSizeUnit, 0, 4);
    sizeRow->setColumnStretch(5, 1);
    main->addWidget(rgDiskSize);

    GroupBox2 = named(new QGroupBox(SplitTexts::destinationGroup(), this), "GroupBox2");
    setHint(GroupBox2, SplitTexts::destinationGroupHint());
    Bttn3DDelComboPath = named(new QPushButton(SplitTexts::delHistoryButton(), GroupBox2), "Bttn3DDelComboPath");
    Bttn3DDelComboPath->setFixedWidth(24);
    setHint(Bttn3DDelComboPath, SplitTexts::delHistoryHint());
    ComboDestCut = named(new QComboBox(GroupBox2), "ComboDestCut");
    ComboDestCut->setEditable(true);
    ComboDestCut->setInsertPolicy(QComboBox::NoInsert);
    ComboDestCut->addItems({QStringLiteral("C:\\"), QStringLiteral("D:\\"), QStringLiteral("A:\\")});
    ComboDestCut->installEventFilter(this);
    ComboDestCut->lineEdit()->installEventFilter(this);
    auto* destRow = new QHBoxLayout(GroupBox2);
    destRow->addWidget(Bttn3DDelComboPath);
    destRow->addWidget(ComboDestCut, 1);
    main->addWidget(GroupBox2);

    Cut = named(new QPushButton(SplitTexts::cutButton(), this), "Cut");
    Cancel = named(new QPushButton(SplitTexts::cancelButton(), this), "Cancel");
    CBSetup = named(new QCheckBox(SplitTexts::copySetupBox(), this), "CBSetup");
    CBSetup->setChecked(true);
    setHint(CBSetup, SplitTexts::copySetupHint());
    CBCutAutoClose = named(new QCheckBox(SplitTexts::closeAfterCut(), this), "CBCutAutoClose");
    CBCutAutoClose->setChecked(true);
    auto* buttons = new QGridLayout;
    buttons->addWidget(CBSetup, 0, 0);
    buttons->addWidget(Cut, 0, 1);
    buttons->addWidget(CBCutAutoClose, 1, 0);
    buttons->addWidget(Cancel, 1, 1);
    main->addLayout(buttons);

    Label2 = named(new QLabel(SplitTexts::cuttingOut(), this), "Label2");
    Label1 = named(new QLabel(SplitTexts::percentSign(), this), "Label1");
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
        Label1->setMinimumWidth(Label1->fontMetrics().horizontalAdvance(QStringLiteral("100") + SplitTexts::percentSuffix()));
    }
    auto* progress = new QHBoxLayout;
    progress->addWidget(Label2);
    progress->addWidget(Label1);
    progress->addWidget(ProgressBar1, 1);
    main->addLayout(progress);

    // Outside the visible area: the source path and the engine's one-line file list.
    EdSourceFile = named(new QLineEdit(this), "EdSourceFile");
    EdSourceFile->hide();
    ListBox1 = named(new QListWidget(this), "ListBox1");
    ListBox1->hide();

    // Enter belongs to the combo box, never to a default button.
    for (QPushButton* button : {BttnBrowse, Bttn3DDelComboPath, Cut, Cancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    connect(EdSourceFile, &QLineEdit::textChanged, this, [this] { EdSourceFileChange(); });
    connect(edtFreeSize, &QLineEdit::textChanged, this, [this] { edtFreeSizeChange(); });
    connect(m_sizeItems, &QButtonGroup::idClicked, this, [this] { rgDiskSizeClick(); });
    connect(BttnBrowse, &QPushButton::clicked, this, [this] { BttnBrowseClick(); });
    connect(Bttn3DDelComboPath, &QPushButton::clicked, this, [this] { Bttn3DDelComboPathClick(); });
    connect(Cut, &QPushButton::clicked, this, [this] { Decouper(); });
    connect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
}

int TFormCut::diskSizeItem() const
{
    return m_freeSizeItem->isChecked() ? CutRules::FreeSizeItem : CutRules::FloppyItem;
}

void TFormCut::setDiskSizeItem(int item)
{
    (item == CutRules::FreeSizeItem ? m_freeSizeItem : m_floppyItem)->setChecked(true);
    rgDiskSizeClick();
}

void TFormCut::EdSourceFileChange()
{
    CutRunState& state = runState();
    state.sourcePath = EdSourceFile->text();
    FileLabel1->setText(CutRules::fileNameOf(state.sourcePath));
    setHint(FileLabel1, state.sourcePath);
    if (TailleFichier(state.sourcePath) >= 0)
        NumberFiles();
}

void TFormCut::NumberFiles()
{
    const CutRunState& state = runState();
    LbInfoSpan->setText(CutRules::estimateText(CutRules::fileNameOf(state.sourcePath),
                                               TailleFichier(state.sourcePath), state.sizeLimit));
}

void TFormCut::rgDiskSizeClick()
{
    CutRunState& state = runState();
    if (diskSizeItem() == CutRules::FreeSizeItem) {
        edtFreeSize->setFocus();
        if (const std::optional<qint32> bytes = CutRules::freeSizeBytes(edtFreeSize->text()))
            state.sizeLimit = *bytes;
    } else {
        state.sizeLimit = CutRules::FloppyEstimateLimit;
    }
    if (TailleFichier(state.sourcePath) >= 0)
        NumberFiles();
}

void TFormCut::edtFreeSizeChange()
{
    CutRunState& state = runState();
    // Also while the first item is selected.
    if (const std::optional<qint32> bytes = CutRules::freeSizeBytes(edtFreeSize->text()))
        state.sizeLimit = *bytes;
    if (TailleFichier(state.sourcePath) >= 0)
        NumberFiles();
}

void TFormCut::BttnBrowseClick()
{
    const QString start = CutRules::folderOf(runState().sourcePath);
    if (const std::optional<QString> file = dialogs().openFile(SplitTexts::openDialogCaption(), start))
        EdSourceFile->setText(*file);
}

void TFormCut::Bttn3DDelComboPathClick()
{
    ComboHistoryAdapter::fillWithDrives(ComboDestCut);
}

void TFormCut::Decouper()
{
    FileCutter::Request request;
    request.source = EdSourceFile->text();
    request.destination = ComboDestCut->currentText();
    request.sizeItem = diskSizeItem();
    request.freeSizeText = edtFreeSize->text();
    request.copySetup = CBSetup->isChecked();
    if (!BackupFile1->Busy()) {
        ListBox1->clear();
        ListBox1->addItem(request.source);
    }
    m_lastOutcome = m_cutter->Decouper(request);
    const bool ran = m_lastOutcome == FileCutter::Outcome::Succeeded || m_lastOutcome == FileCutter::Outcome::Failed;
    // A Cancel during the cut has already closed the window, with its own result.
    if (ran && CBCutAutoClose->isChecked() && isVisible())
        done(QDialog::Accepted);
}

void TFormCut::BackupFile1Progress(int percent)
{
    Label1->setText(QString::number(percent) + SplitTexts::percentSuffix());
    ProgressBar1->setRange(1, 100);
    ProgressBar1->setValue(std::max(percent, 1));
    ProgressBar1->show();
}

void TFormCut::CancelClick()
{
    if (BackupFile1->Busy()) {
        if (dialogs().message(MessageKind::Warning, SplitTexts::stopQuestion(), {Button::Yes, Button::No})
            == Button::No)
            return;
        BackupFile1->StopProcess();
        m_context.log(SplitTexts::splitRejected());
        m_context.error(SplitTexts::splitRejected());
    }
    if (m_context.startedWithArguments)
        m_context.error(SplitTexts::splitRejected());
    ComboHistoryAdapter::save(ComboDestCut, m_context.settingsFile, SplitTexts::cutHistory());
    done(QDialog::Rejected);
}

void TFormCut::reject()
{
    CancelClick();
}

bool TFormCut::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == edtFreeSize) {
        // Only the digits 0-9 reach the field, five at most; any other character (backspace
        // included) is dropped with a beep. Keys without a character (arrows, Delete, Escape)
        // pass.
        const QString text = key->text();
        if (key->key() == Qt::Key_Escape || text.isEmpty())
            return false;
        const bool digit = text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9');
        const bool room = edtFreeSize->text().size() - edtFreeSize->selectedText().size() < 5;
        if (!digit || !room) {
            QApplication::beep();
            return true;
        }
        return false;
    }
    if ((watched == ComboDestCut || watched == ComboDestCut->lineEdit()) && isEnter(key)) {
        ComboDestCut->setEditText(AppendSlash(ComboDestCut->currentText()));
        ComboHistoryAdapter::addCurrentText(ComboDestCut);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace ksv
