#include "MessageDialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace ksv {

namespace {

QStyle::StandardPixmap iconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information: return QStyle::SP_MessageBoxInformation;
    case MessageKind::Warning: return QStyle::SP_MessageBoxWarning;
    case MessageKind::Error: return QStyle::SP_MessageBoxCritical;
    case MessageKind::Confirmation: return QStyle::SP_MessageBoxQuestion;
    case MessageKind::Plain: break;
    }
    return QStyle::SP_CustomBase;
}

const QLatin1String kArrow("-->");

} // namespace

QString MessageDialog::buttonCaption(Button button)
{
    switch (button) {
    case Button::Ok: return QStringLiteral("OK");
    case Button::Cancel: return QStringLiteral("Cancel");
    case Button::Abort: return QStringLiteral("&Abort");
    case Button::Retry: return QStringLiteral("&Retry");
    case Button::Ignore: return QStringLiteral("&Ignore");
    case Button::Yes: return QStringLiteral("&Yes");
    case Button::No: return QStringLiteral("&No");
    case Button::None: break;
    }
    return QString();
}

QString MessageDialog::shownText(const QString& text, Qt::TextFormat* format)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = plain.split(QLatin1Char('\n'));
    int arrows = 0;
    for (const QString& line : lines)
        arrows += line.contains(kArrow) ? 1 : 0;
    if (arrows < 2) {
        if (format)
            *format = Qt::PlainText;
        return plain;
    }
    // Spaces line the arrows up only in a fixed-pitch font: a table does it in any font.
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"0\">");
    for (const QString& line : lines) {
        const qsizetype at = line.indexOf(kArrow);
        if (at < 0) {
            html += QStringLiteral("<tr><td colspan=\"2\">")
                    + (line.trimmed().isEmpty() ? QStringLiteral("&nbsp;") : line.toHtmlEscaped())
                    + QStringLiteral("</td></tr>");
        } else {
            html += QStringLiteral("<tr><td style=\"padding-right:12px\">") + line.left(at).trimmed().toHtmlEscaped()
                    + QStringLiteral("</td><td>") + line.mid(at).trimmed().toHtmlEscaped()
                    + QStringLiteral("</td></tr>");
        }
    }
    html += QStringLiteral("</table>");
    if (format)
        *format = Qt::RichText;
    return html;
}

MessageDialog::MessageDialog(MessageKind kind, const QString& caption, const QString& text, const Buttons& buttons,
                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("MessageDialog"));
    setWindowTitle(caption);
    m_safe = Dialogs::safeAnswer(buttons);
    m_answer = m_safe;

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(14);

    const QStyle::StandardPixmap pixmap = iconOf(kind);
    if (pixmap != QStyle::SP_CustomBase) {
        auto* icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("icon"));
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(size, size));
        grid->addWidget(icon, 0, 0, Qt::AlignTop);
    }

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text"));
    Qt::TextFormat format = Qt::PlainText;
    m_text->setText(shownText(text, &format));
    m_text->setTextFormat(format);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Long lines wrap at about two thirds of the screen; short texts keep their lines.
    const int widest = m_text->sizeHint().width();
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int limit = screen ? qMax(400, screen->availableGeometry().width() * 2 / 3) : 800;
    if (widest > limit) {
        m_text->setWordWrap(true);
        m_text->setMinimumWidth(limit);
    }
    grid->addWidget(m_text, 0, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (const Button b : buttons) {
        auto* button = new QPushButton(buttonCaption(b), this);
        button->setObjectName(QStringLiteral("button") + buttonName(b));
        button->setAutoDefault(true);
        connect(button, &QPushButton::clicked, this, [this, b] {
            m_answer = b;
            accept();
        });
        row->addWidget(button);
        m_buttons.append({button, b});
    }
    if (!m_buttons.isEmpty()) {
        m_buttons.constFirst().first->setDefault(true);
        m_buttons.constFirst().first->setFocus();
    }
    grid->addLayout(row, 1, 0, 1, 2);
}

void MessageDialog::reject()
{
    m_answer = m_safe;
    QDialog::reject();
}

} // namespace ksv
