#include "QtDialogs.h"

#include "Drives.h"
#include "SystemActions.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace ksv {

namespace {

QMessageBox::Icon iconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Confirmation: return QMessageBox::Question;
    case MessageKind::Plain: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton standardButton(Button button)
{
    switch (button) {
    case Button::Ok: return QMessageBox::Ok;
    case Button::Cancel: return QMessageBox::Cancel;
    case Button::Abort: return QMessageBox::Abort;
    case Button::Retry: return QMessageBox::Retry;
    case Button::Ignore: return QMessageBox::Ignore;
    case Button::Yes: return QMessageBox::Yes;
    case Button::No: return QMessageBox::No;
    case Button::None: break;
    }
    return QMessageBox::NoButton;
}

QString captionOr(const QString& caption)
{
    return caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
}

QWidget* parentWindow()
{
    return QApplication::activeWindow();
}

} // namespace

QString QtDialogs::qtFilter(const QString& windowsFilter)
{
    if (!windowsFilter.contains(QLatin1Char('|')))
        return windowsFilter;
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        QString description = parts.at(i).trimmed();
        // A description that already shows its patterns keeps them once.
        const qsizetype bracket = description.indexOf(QLatin1Char('('));
        if (bracket > 0)
            description = description.left(bracket).trimmed();
        filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString QtDialogs::displayText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

Button QtDialogs::askMessage(MessageKind kind, const QString& text, const Buttons& buttons, const QString& caption)
{
    QMessageBox box(iconOf(kind), captionOr(caption), displayText(text), QMessageBox::NoButton, parentWindow());
    QList<QPair<QAbstractButton*, Button>> made;
    for (const Button b : buttons) {
        if (QAbstractButton* widget = box.addButton(standardButton(b)))
            made.append({widget, b});
    }
    if (!made.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton*>(made.constFirst().first));
    const Button safe = safeAnswer(buttons);
    for (const auto& [widget, b] : made) {
        if (b == safe)
            box.setEscapeButton(widget);
    }
    box.exec();
    for (const auto& [widget, b] : made) {
        if (box.clickedButton() == widget)
            return b;
    }
    return safe;
}

std::optional<QString> QtDialogs::askText(TextKind kind, const QString& caption, const QString& prompt,
                                          const QString& initial)
{
    bool accepted = false;
    const QString value = QInputDialog::getText(parentWindow(), captionOr(caption), displayText(prompt),
                                                kind == TextKind::Password ? QLineEdit::Password : QLineEdit::Normal,
                                                initial, &accepted);
    if (!accepted)
        return std::nullopt;
    return value;
}

std::optional<QString> QtDialogs::askPath(PathKind kind, const QString& caption, const QString& folder,
                                          const QString& filter)
{
    const QString start = folder.isEmpty() ? QString() : DosPath::toNative(folder);
    QString chosen;
    switch (kind) {
    case PathKind::OpenFile:
        chosen = QFileDialog::getOpenFileName(parentWindow(), captionOr(caption), start, qtFilter(filter));
        break;
    case PathKind::SaveFile:
        chosen = QFileDialog::getSaveFileName(parentWindow(), captionOr(caption), start, qtFilter(filter));
        break;
    case PathKind::Folder:
        chosen = QFileDialog::getExistingDirectory(parentWindow(), captionOr(caption), start);
        break;
    }
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void installDefaultDialogsForGui()
{
    setCtrlHeldProbe([] { return QApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier); });
    if (!dialogsAreScripted())
        installDialogs(new QtDialogs);
}

} // namespace ksv
