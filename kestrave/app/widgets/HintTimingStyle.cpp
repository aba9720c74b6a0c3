#include "HintTimingStyle.h"

namespace ksv {

int HintTimingStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                               QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_ToolTip_WakeUpDelay: return HintPauseMs;
    case SH_ToolTip_FallAsleepDelay: return HintShortPauseMs;
    default: return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

} // namespace ksv
