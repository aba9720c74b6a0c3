#include "HemisphereButton.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace ksv {

HemisphereButton::HemisphereButton(const QString& caption, QWidget* parent, int diameter)
    : QAbstractButton(parent), m_diameter(diameter)
{
    setText(caption);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(sizeHint());
}

void HemisphereButton::setRaised(bool raised)
{
    if (m_raised == raised)
        return;
    m_raised = raised;
    update();
}

QSize HemisphereButton::sizeHint() const
{
    const QFontMetrics fm(font());
    // Round, and wide enough for its caption.
    const int side = qMax(m_diameter, fm.horizontalAdvance(text()) + 10);
    return {side, side};
}

void HemisphereButton::enterEvent(QEnterEvent* event)
{
    setRaised(true);
    emit hovered();
    QAbstractButton::enterEvent(event);
}

bool HemisphereButton::hitButton(const QPoint& pos) const
{
    const QPointF c = QRectF(rect()).center();
    const qreal r = qMin(width(), height()) / 2.0;
    const QPointF d = pos - c;
    return d.x() * d.x() + d.y() * d.y() <= r * r;
}

void HemisphereButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(1, 1, -1, -1);
    const QPalette& pal = palette();
    const bool active = isEnabled();
    QColor base = active ? pal.color(QPalette::Button) : pal.color(QPalette::Window);
    const QColor accent = pal.color(QPalette::Highlight);
    if (m_raised && active)
        base = base.lighter(106);

    // Outer ring
    p.setPen(QPen(pal.color(QPalette::Mid), 1));
    p.setBrush(base.darker(isDown() ? 115 : 104));
    p.drawEllipse(outer);

    // Inner hemisphere: light from the upper left; pressed = light from below.
    const QRectF inner = outer.adjusted(3, 3, -3, -3);
    QRadialGradient g(isDown() ? inner.center() + QPointF(inner.width() / 5, inner.height() / 5)
                               : inner.center() - QPointF(inner.width() / 5, inner.height() / 5),
                      inner.width() * 0.8);
    g.setColorAt(0, base.lighter(m_raised ? 135 : 118));
    g.setColorAt(1, base.darker(m_raised ? 118 : 106));
    p.setPen(QPen(m_raised && active ? accent : pal.color(QPalette::Midlight), m_raised ? 1.5 : 1));
    p.setBrush(g);
    p.drawEllipse(inner);

    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(active ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Disabled, QPalette::ButtonText));
    p.drawText(outer.translated(isDown() ? 1 : 0, isDown() ? 1 : 0), Qt::AlignCenter, text());
}

} // namespace ksv
