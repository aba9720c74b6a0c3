#include "BlinkingLabel.h"

#include <QPainter>
#include <QTimer>

namespace ksv {

BlinkingLabel::BlinkingLabel(const QString& text, QWidget* parent) : QLabel(text, parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(600);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_dimmed = !m_dimmed;
        update();
    });
}

void BlinkingLabel::setBlinking(bool on)
{
    m_blinking = on;
    m_dimmed = false;
    if (on)
        m_timer->start();
    else
        m_timer->stop();
    update();
}

QFont BlinkingLabel::drawingFont() const
{
    QFont f = font();
    if (!m_shrinkToFit)
        return f;
    const int available = contentsRect().width();
    qreal size = f.pointSizeF() > 0 ? f.pointSizeF() : 9.0;
    while (size > 6.0 && QFontMetrics(f).horizontalAdvance(text()) > available) {
        size -= 0.5;
        f.setPointSizeF(size);
    }
    return f;
}

void BlinkingLabel::paintEvent(QPaintEvent* event)
{
    const bool dimmed = m_blinking && m_dimmed && isEnabled();
    if (!dimmed && !m_shrinkToFit) {
        QLabel::paintEvent(event);
        return;
    }
    // A dimmed phase fades the text instead of removing it, so nothing jumps.
    QPainter p(this);
    QColor c = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole());
    if (dimmed)
        c.setAlpha(70);
    p.setPen(c);
    p.setFont(drawingFont());
    p.drawText(contentsRect(), int(alignment()) | (wordWrap() ? int(Qt::TextWordWrap) : 0), text());
}

} // namespace ksv
