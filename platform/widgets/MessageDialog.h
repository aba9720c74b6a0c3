#pragma once

#include "Dialogs.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;

namespace ksv {

// The message box of the Qt dialogs service. Unlike a standard message box it keeps its
// buttons in the order they were asked for (a text that lists "Yes, Cancel, Abort, Retry" gets
// them in that order on every desktop), and it lines up the "-->" column of texts that list
// choices one per line. The first button is the default; Escape and the close button give the
// safe answer.
class MessageDialog : public QDialog
{
    Q_OBJECT
public:
    MessageDialog(MessageKind kind, const QString& caption, const QString& text, const Buttons& buttons,
                  QWidget* parent = nullptr);

    // The button clicked, or the safe answer when the box was closed another way.
    Button answer() const { return m_answer; }
    QLabel* textLabel() const { return m_text; }
    // The buttons in their order on the screen, with what each answers.
    QList<QPair<QPushButton*, Button>> buttons() const { return m_buttons; }

    // The text as the box shows it: lines broken at "\r"; when two lines or more hold "-->",
    // rich text whose arrows begin a column of their own.
    static QString shownText(const QString& text, Qt::TextFormat* format = nullptr);
    // The caption of a button ("&Yes", "Cancel"...).
    static QString buttonCaption(Button button);

public slots:
    void reject() override;

private:
    Button m_answer = Button::None;
    Button m_safe = Button::None;
    QLabel* m_text = nullptr;
    QList<QPair<QPushButton*, Button>> m_buttons;
};

} // namespace ksv
