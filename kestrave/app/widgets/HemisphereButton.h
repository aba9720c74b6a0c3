#pragma once

#include <QAbstractButton>

namespace ksv {

// A round push button drawn as a shaded hemisphere. Its inner bevel is raised while the mouse
// is over it (setRaised), and flattened again when the mouse moves over the window's background.
class HemisphereButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit HemisphereButton(const QString& caption, QWidget* parent = nullptr, int diameter = 30);

    bool isRaised() const { return m_raised; }
    void setRaised(bool raised);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void hovered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    int m_diameter;
    bool m_raised = false;
};

} // namespace ksv
