#pragma once

#include "Dialogs.h"

namespace ksv {

// False where no window can be shown: no display, or one of Qt's display-less platforms
// ("offscreen", "minimal"). The programs that also work in a terminal use their console then.
bool windowSystemAvailable();

// The dialogs service in a terminal, for the programs that also work without a display (the
// self-extractor, the restore program): each question is written to the terminal and answered
// by typing (a button's name or its first letter; passwords unechoed). End of input gives the
// question its safe answer.
class ConsoleDialogs : public Dialogs
{
protected:
    Button askMessage(MessageKind kind, const QString& text, const Buttons& buttons, const QString& caption) override;
    std::optional<QString> askText(TextKind kind, const QString& caption, const QString& prompt,
                                   const QString& initial) override;
    std::optional<QString> askPath(PathKind kind, const QString& caption, const QString& folder,
                                   const QString& filter) override;
};

} // namespace ksv
