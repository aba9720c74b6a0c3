#include "HelpWindow.h"

#include "AboutTexts.h"
#include "Dialogs.h"
#include "ProgramFolder.h"
#include "SystemActions.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace ksv {

HelpWindow::HelpWindow(QWidget* parent)
    : QDialog(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(AboutTexts::helpCaption());

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    // Links are followed here: pages of the help in this window, anything else on the desktop.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::updateCaption);

    auto* contents = new QPushButton(AboutTexts::helpContents(), this);
    contents->setObjectName(QStringLiteral("BtContents"));
    contents->setAutoDefault(false);
    connect(contents, &QPushButton::clicked, this, &HelpWindow::showContents);
    m_back = new QPushButton(AboutTexts::helpBack(), this);
    m_back->setObjectName(QStringLiteral("BtBack"));
    m_back->setAutoDefault(false);
    m_back->setEnabled(false);
    connect(m_back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QPushButton::setEnabled);
    auto* close = new QPushButton(AboutTexts::helpClose(), this);
    close->setObjectName(QStringLiteral("BtClose"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(m_back);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);
    resize(640, 560);
}

QString HelpWindow::pageName(int topic)
{
    return QStringLiteral("help/%1.html").arg(topic);
}

QString HelpWindow::contentsPageName()
{
    return QStringLiteral("help/index.html");
}

bool HelpWindow::showTopic(int topic)
{
    return showPage(pageName(topic));
}

bool HelpWindow::showContents()
{
    return showPage(contentsPageName());
}

bool HelpWindow::showPage(const QString& assetName)
{
    const QString path = ProgramFolder::findAsset(assetName);
    if (path.isEmpty())
        return false;
    m_browser->setSource(QUrl::fromLocalFile(path));
    return true;
}

void HelpWindow::followLink(const QUrl& link)
{
    if (link.isRelative() || link.isLocalFile()) {
        const QUrl target = m_browser->source().resolved(link);
        if (target.isLocalFile() && !target.toLocalFile().isEmpty()) {
            m_browser->setSource(target);
            return;
        }
    }
    systemActions().openDocument(link.toString());
}

void HelpWindow::updateCaption()
{
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? AboutTexts::helpCaption() : AboutTexts::helpCaptionWithTopic(title));
}

HelpWindow* showHelpTopic(int topic, QWidget* parent)
{
    static QPointer<HelpWindow> window;
    if (ProgramFolder::findAsset(HelpWindow::pageName(topic)).isEmpty()) {
        dialogs().message(MessageKind::Warning, AboutTexts::helpTopicMissing(topic));
        return nullptr;
    }
    if (!window || window->parentWidget() != parent) {
        if (window)
            window->deleteLater();
        window = new HelpWindow(parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->showTopic(topic);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace ksv
