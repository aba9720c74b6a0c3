#include "SetupWindow.h"

#include "SetupRestorer.h"
#include "SetupTexts.h"

#include "Dialogs.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace ksv {

SetupWindow::SetupWindow(SetupRestorer& restorer, QString firstPiece, const QString& destination, QWidget* parent)
    : QDialog(parent), m_restorer(restorer), m_firstPiece(std::move(firstPiece))
{
    setWindowTitle(SetupTexts::caption());
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(SetupTexts::pieceLabel(), this), 0, 0);
    grid->addWidget(new QLabel(QFileInfo(m_firstPiece).fileName(), this), 0, 1, 1, 2);
    grid->addWidget(new QLabel(SetupTexts::destinationLabel(), this), 1, 0);
    m_destination = new QLineEdit(destination, this);
    m_destination->setMinimumWidth(320);
    grid->addWidget(m_destination, 1, 1);
    auto* browse = new QPushButton(SetupTexts::browseButton(), this);
    browse->setAutoDefault(false);
    grid->addWidget(browse, 1, 2);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    grid->addWidget(m_progress, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_restore = new QPushButton(SetupTexts::restoreButton(), this);
    m_quit = new QPushButton(SetupTexts::quitButton(), this);
    m_quit->setAutoDefault(false);
    buttons->addWidget(m_restore);
    buttons->addWidget(m_quit);
    grid->addLayout(buttons, 3, 0, 1, 3);

    m_restorer.setProgressHandler([this](int percent) { m_progress->setValue(percent); });
    connect(browse, &QPushButton::clicked, this, [this] {
        if (const auto folder = dialogs().chooseFolder(SetupTexts::chooseFolderCaption(), m_destination->text()))
            m_destination->setText(*folder);
    });
    connect(m_restore, &QPushButton::clicked, this, [this] { restore(); });
    connect(m_quit, &QPushButton::clicked, this, [this] { reject(); });
}

void SetupWindow::restore()
{
    const QString destination = m_destination->text().trimmed();
    if (destination.isEmpty() || m_restorer.engine().Busy())
        return;
    m_restore->setEnabled(false);
    m_exitCode = m_restorer.restore(m_firstPiece, destination);
    m_restore->setEnabled(true);
    if (m_exitCode == SetupRestorer::Restored)
        accept();
}

void SetupWindow::reject()
{
    // Quitting during a restoration stops it first; the restore call then returns.
    if (m_restorer.engine().Busy()) {
        m_restorer.engine().StopProcess();
        return;
    }
    QDialog::reject();
}

} // namespace ksv
