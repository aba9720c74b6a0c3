#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace ksv {

class LinkLabel;

// The about box of kestrave: the program icon, "KESTRAVE " + the program's file version, the
// tag lines, the links to the project's web site and mail address, and OK.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* owner = nullptr);

    // What the main window's about command does: create the box with the owner, show it
    // modally, free it.
    static void execute(QWidget* owner);

    QLabel* ProductName() const { return m_productName; }
    LinkLabel* LbWeb() const { return m_lbWeb; }
    LinkLabel* LbMail() const { return m_lbMail; }
    QPushButton* OKButton() const { return m_okButton; }

    void LbWebClick();
    void LbMailClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openLink(const QString& link, const QString& shownAddress);

    QLabel* m_productName = nullptr;
    LinkLabel* m_lbWeb = nullptr;
    LinkLabel* m_lbMail = nullptr;
    QPushButton* m_okButton = nullptr;
};

} // namespace ksv
