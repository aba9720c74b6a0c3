#include "SfxWindow.h"

#include "SfxExtractor.h"
#include "SfxTexts.h"
#include "ZipPaths.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace ksv {

SfxWindow::SfxWindow(const SfxExtractor& extractor, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SfxWindow"));
    setWindowTitle(extractor.caption());
    QPixmap icon;
    if (!extractor.settings().icon.isEmpty() && icon.loadFromData(extractor.settings().icon))
        setWindowIcon(QIcon(icon));
    const bool changeable = extractor.allowChanges();

    auto* layout = new QVBoxLayout(this);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(SfxTexts::extractTo(), this));
    m_folder = new QLineEdit(extractor.proposedFolder(), this);
    m_folder->setObjectName(QStringLiteral("EdFolder"));
    m_folder->setReadOnly(!changeable);
    folderRow->addWidget(m_folder, 1);
    auto* browseButton = new QPushButton(SfxTexts::browse(), this);
    browseButton->setObjectName(QStringLiteral("BtBrowse"));
    browseButton->setEnabled(changeable);
    connect(browseButton, &QPushButton::clicked, this, &SfxWindow::browse);
    folderRow->addWidget(browseButton);
    layout->addLayout(folderRow);

    layout->addWidget(new QLabel(SfxTexts::files(), this));
    m_files = new QListWidget(this);
    m_files->setObjectName(QStringLiteral("LstFiles"));
    for (const QString& name : extractor.fileNames()) {
        auto* item = new QListWidgetItem(name, m_files);
        item->setFlags(changeable ? (Qt::ItemIsEnabled | Qt::ItemIsUserCheckable) : Qt::ItemIsEnabled);
        item->setCheckState(Qt::Checked);
    }
    layout->addWidget(m_files, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* extractButton = buttons->addButton(SfxTexts::extract(), QDialogButtonBox::AcceptRole);
    extractButton->setObjectName(QStringLiteral("BtExtract"));
    extractButton->setDefault(true);
    buttons->addButton(SfxTexts::cancel(), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("BtCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(460, 340);
}

QString SfxWindow::folder() const
{
    return m_folder->text();
}

QStringList SfxWindow::chosenNames() const
{
    QStringList names;
    for (int i = 0; i < m_files->count(); ++i) {
        if (m_files->item(i)->checkState() == Qt::Checked)
            names.append(m_files->item(i)->text());
    }
    return names;
}

void SfxWindow::browse()
{
    const QString start = ZipPaths::toNative(m_folder->text());
    const QString chosen = QFileDialog::getExistingDirectory(this, SfxTexts::chooseFolder(), start);
    if (!chosen.isEmpty())
        m_folder->setText(ZipPaths::toDisplay(chosen));
}

} // namespace ksv
