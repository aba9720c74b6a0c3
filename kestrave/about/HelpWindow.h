#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;
class QUrl;

namespace ksv {

// The help of the programs: HTML pages shipped in the folder "help" beside the executables, one
// page per topic number ("help/104.html") and a contents page ("help/index.html"). The window
// stays open beside the program's windows; links between pages open in it, links to the web in
// the desktop's browser.
class HelpWindow : public QDialog
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The asset name of a topic's page.
    static QString pageName(int topic);
    static QString contentsPageName();

    // Shows the page of the topic; false (and the window unchanged) when it cannot be found.
    bool showTopic(int topic);
    bool showContents();
    QTextBrowser* browser() const { return m_browser; }

private:
    bool showPage(const QString& assetName);
    void followLink(const QUrl& link);
    void updateCaption();

    QTextBrowser* m_browser = nullptr;
    QPushButton* m_back = nullptr;
};

// What the help commands do: opens the help window (one per program, reused) on the topic's
// page and brings it to the front. When the page is missing the user is told so and nothing
// opens; the result is then null.
HelpWindow* showHelpTopic(int topic, QWidget* parent);

} // namespace ksv
