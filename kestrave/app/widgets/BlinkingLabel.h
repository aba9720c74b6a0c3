#pragma once

#include <QLabel>

class QTimer;

namespace ksv {

// A label whose text blinks while blinking is on and the label is enabled. The text itself
// stays the label's text; only its drawing alternates.
class BlinkingLabel : public QLabel
{
    Q_OBJECT
public:
    explicit BlinkingLabel(const QString& text = {}, QWidget* parent = nullptr);

    void setBlinking(bool on);
    bool isBlinking() const { return m_blinking; }
    // Draws the text in a smaller font when it does not fit the label's width.
    void setShrinkToFit(bool on) { m_shrinkToFit = on; update(); }
    // The font the text is drawn with.
    QFont drawingFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* m_timer;
    bool m_blinking = false;
    bool m_dimmed = false;
    bool m_shrinkToFit = false;
};

} // namespace ksv
