#pragma once

// Finds the texts a window cuts: labels, buttons and check boxes whose text is wider (or, when
// it wraps, taller) than the room the layout gave them, with the fonts in use. Labels that
// shorten their text on purpose (a path shown with "...", marked by an ignored horizontal size
// policy) are left out.

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

namespace ksv::test {

// Width a single line of text needs; "&" mnemonics are not drawn.
inline int textWidth(const QFontMetrics& metrics, QString text)
{
    text.remove(QLatin1Char('&'));
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    return widest;
}

// "name: needed > available" for each visible text of the window that does not fit.
inline QStringList clippedTexts(const QWidget* window, const QStringList& elided = {})
{
    QStringList clipped;
    const auto report = [&clipped](const QWidget* w, int needed, int available) {
        if (needed > available)
            clipped << w->objectName() + QStringLiteral(" \"") + w->property("text").toString()
                           + QStringLiteral("\": ") + QString::number(needed) + QStringLiteral(" > ")
                           + QString::number(available);
    };
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->width() <= 0 || elided.contains(w->objectName()))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            if (label->text().isEmpty() || label->textFormat() == Qt::RichText)
                continue;
            const QRect room = label->contentsRect();
            const int margin = 2 * label->margin();
            if (label->wordWrap())
                report(label, label->heightForWidth(label->width()), label->height());
            else
                report(label, textWidth(label->fontMetrics(), label->text()) + margin, room.width());
            report(label, label->fontMetrics().height(), room.height());
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            if (button->text().isEmpty())
                continue;
            int indicator = 0;
            if (qobject_cast<const QCheckBox*>(button))
                indicator = button->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button)
                            + button->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
            else if (qobject_cast<const QRadioButton*>(button))
                indicator = button->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button)
                            + button->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button);
            else if (qobject_cast<const QPushButton*>(button))
                indicator = 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            else
                continue; // drawn buttons of our own show symbols, not texts
            report(button, textWidth(button->fontMetrics(), button->text()) + indicator, button->width());
        }
    }
    return clipped;
}

// The geometry of every visible widget of a window, relative to it, and the window's size:
// two snapshots compare equal when nothing moved or changed size.
inline QStringList layoutSnapshot(const QWidget* window)
{
    QStringList shot{QStringLiteral("window %1x%2").arg(window->width()).arg(window->height())};
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect r(w->mapTo(window, QPoint()), w->size());
        shot << QStringLiteral("%1 %2,%3 %4x%5").arg(w->objectName()).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    return shot;
}

} // namespace ksv::test
