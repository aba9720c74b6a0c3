#include "TAboutBox.h"

#include "AboutTexts.h"
#include "Dialogs.h"
#include "LinkLabel.h"
#include "SystemActions.h"
#include "VerAbout.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace ksv {

namespace {

QIcon programIcon(const QWidget* box)
{
    const QIcon own = QApplication::windowIcon();
    if (!own.isNull())
        return own;
    return box->style()->standardIcon(QStyle::SP_DriveHDIcon);
}

} // namespace

TAboutBox::TAboutBox(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                         | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(AboutTexts::caption());

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);

    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(programIcon(this).pixmap(32, 32));
    icon->setFixedSize(36, 36);
    icon->setAlignment(Qt::AlignCenter);

    // The product label: "KESTRAVE " and the file version, when the program carries one.
    QString version;
    GetVersionString(TInfo::FileVersion, version);
    m_productName = new QLabel(AboutTexts::productPrefix() + version, panel);
    m_productName->setObjectName(QStringLiteral("ProductName"));
    m_productName->setAlignment(Qt::AlignCenter);
    QFont bold = m_productName->font();
    bold.setBold(true);
    m_productName->setFont(bold);

    auto* tagLine = new QLabel(AboutTexts::tagLine(), panel);
    tagLine->setObjectName(QStringLiteral("TagLine"));
    tagLine->setFont(bold);
    auto* motto = new QLabel(AboutTexts::motto(), panel);
    motto->setObjectName(QStringLiteral("Motto"));

    auto* update = new QGroupBox(AboutTexts::updateGroup(), panel);
    update->setObjectName(QStringLiteral("UpdateGroup"));
    m_lbWeb = new LinkLabel(AboutTexts::webLink(), update);
    m_lbWeb->setObjectName(QStringLiteral("LbWeb"));
    m_lbWeb->setToolTip(AboutTexts::webAddress());
    m_lbMail = new LinkLabel(AboutTexts::mailAddress(), update);
    m_lbMail->setObjectName(QStringLiteral("LbMail"));
    m_lbMail->setToolTip(AboutTexts::mailAddress());
    auto* links = new QVBoxLayout(update);
    links->addWidget(m_lbWeb);
    links->addWidget(m_lbMail);
    connect(m_lbWeb, &LinkLabel::clicked, this, &TAboutBox::LbWebClick);
    connect(m_lbMail, &LinkLabel::clicked, this, &TAboutBox::LbMailClick);

    auto* header = new QHBoxLayout;
    header->addWidget(icon, 0, Qt::AlignTop);
    header->addWidget(m_productName, 1);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addLayout(header);
    panelLayout->addWidget(tagLine);
    panelLayout->addWidget(motto);
    panelLayout->addWidget(update);

    m_okButton = new QPushButton(AboutTexts::okButton(), this);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    m_okButton->setAutoDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(m_okButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_okButton->setFocus();
}

void TAboutBox::execute(QWidget* owner)
{
    TAboutBox box(owner);
    box.exec();
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the owner.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TAboutBox::LbWebClick()
{
    openLink(AboutTexts::webAddress(), AboutTexts::webAddress());
}

void TAboutBox::LbMailClick()
{
    openLink(AboutTexts::mailLink(), AboutTexts::mailAddress());
}

void TAboutBox::openLink(const QString& link, const QString& shownAddress)
{
    // The desktop's default program for the address: the browser, or a new message in the
    // mail program. When none answers, the user learns the address instead of nothing happening.
    if (!systemActions().openDocument(link))
        dialogs().message(MessageKind::Warning, AboutTexts::linkFailed(shownAddress));
}

} // namespace ksv
