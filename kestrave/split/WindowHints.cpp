#include "WindowHints.h"

#include <QWidget>

namespace ksv {

void setHint(QWidget* widget, const QString& hint)
{
    QString text = hint;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        widget->setToolTip(text);
        widget->setStatusTip(text);
        return;
    }
    widget->setToolTip(text.left(bar));
    widget->setStatusTip(text.mid(bar + 1));
}

} // namespace ksv
