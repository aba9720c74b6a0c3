#pragma once

#include <QLabel>

namespace ksv {

// A label drawn as a link (blue, underlined, hand cursor) that reports a click, also from the
// keyboard (Space or Enter while it has the focus).
class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace ksv
