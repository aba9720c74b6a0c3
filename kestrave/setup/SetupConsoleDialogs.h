#pragma once

#include "Dialogs.h"

namespace ksv {

// The restore program's dialogs service in a terminal: each question is printed and answered
// by typing (a button's name or its first letter; Enter keeps an input's proposed value).
// End of input gives the question its safe answer.
class SetupConsoleDialogs : public Dialogs
{
protected:
    Button askMessage(MessageKind kind, const QString& text, const Buttons& buttons, const QString& caption) override;
    std::optional<QString> askText(TextKind kind, const QString& caption, const QString& prompt,
                                   const QString& initial) override;
    std::optional<QString> askPath(PathKind kind, const QString& caption, const QString& folder,
                                   const QString& filter) override;
};

} // namespace ksv
