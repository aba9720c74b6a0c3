#include "SplitterBar.h"

#include <QMouseEvent>
#include <QPainter>

namespace ksv {

SplitterBar::SplitterBar(QWidget* parent) : QFrame(parent)
{
    setCursor(Qt::SplitHCursor);
    setFixedWidth(6);
}

void SplitterBar::setLimits(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

void SplitterBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_grabOffset = int(event->position().x());
}

void SplitterBar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_grabOffset < 0 || !parentWidget())
        return;
    const int x = mapToParent(event->position().toPoint()).x() - m_grabOffset;
    emit split(qBound(m_minimum, x, m_maximum));
}

void SplitterBar::mouseReleaseEvent(QMouseEvent*)
{
    m_grabOffset = -1;
}

void SplitterBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor dot = palette().color(QPalette::Mid);
    p.setPen(Qt::NoPen);
    p.setBrush(dot);
    const int cx = width() / 2;
    for (int y = height() / 2 - 6; y <= height() / 2 + 6; y += 4)
        p.drawEllipse(QPointF(cx, y), 1.2, 1.2);
}

} // namespace ksv
