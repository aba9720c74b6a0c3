#pragma once

#include <QFrame>

namespace ksv {

// A thin vertical bar the user drags to share a panel's width between two controls.
// It reports the new position (pixels from the parent's left edge) while dragging.
class SplitterBar : public QFrame
{
    Q_OBJECT
public:
    explicit SplitterBar(QWidget* parent = nullptr);

    void setLimits(int minimum, int maximum);

signals:
    void split(int position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_grabOffset = -1;
    int m_minimum = 0;
    int m_maximum = 10000;
};

} // namespace ksv
