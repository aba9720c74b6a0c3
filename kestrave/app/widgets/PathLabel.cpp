#include "PathLabel.h"

#include <QPainter>

namespace ksv {

PathLabel::PathLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), m_mode(mode)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize PathLabel::minimumSizeHint() const
{
    return {20, fontMetrics().height()};
}

QSize PathLabel::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(text()), fontMetrics().height()};
}

void PathLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = contentsRect();
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    p.setFont(font());
    const QString shown = fontMetrics().elidedText(text(), m_mode, r.width());
    p.drawText(r, int(alignment()) | Qt::TextSingleLine, shown);
}

} // namespace ksv
