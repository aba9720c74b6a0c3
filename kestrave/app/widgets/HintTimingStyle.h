#pragma once

#include <QProxyStyle>

namespace ksv {

// The application's hint timings: a hint appears after the mouse rests 1000 ms on a control,
// and while hints keep being shown (within 5000 ms of the last one) the next appears at once.
class HintTimingStyle : public QProxyStyle
{
    Q_OBJECT
public:
    static constexpr int HintPauseMs = 1000;
    static constexpr int HintHidePauseMs = 1000;
    static constexpr int HintShortPauseMs = 5000;

    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

} // namespace ksv
