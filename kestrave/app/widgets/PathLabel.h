#pragma once

#include <QLabel>

namespace ksv {

// A label for a path that does not fit: it keeps the whole text (text()) and draws it shortened,
// from the left (keeping the end of the path) or from the right (keeping the start).
class PathLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PathLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode m_mode;
};

} // namespace ksv
