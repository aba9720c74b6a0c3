#pragma once

#include "Dialogs.h"

namespace ksv {

// The dialogs service that never waits for a person. Answers come from the file named by
// KESTRAVE_SCRIPT, one per line in order (blank lines skipped):
//   OK, Cancel, Yes, No, Abort, Retry, Ignore   a message box's button (case ignored)
//   text:<value>                                an input or password box, confirmed with <value>
//   path:<path>                                 a file or folder dialog (DOS or native path)
//   cancel                                      an input box or dialog cancelled (Cancel button)
// "OK" also confirms an input box with its initial text. When the script is exhausted, or
// there is none, every question gets its safe answer (Cancel, else No, else OK; input boxes and
// dialogs cancelled). A line that does not fit its question is used up, the question gets its
// safe answer and the transcript notes it as "act|script|...".
//
// The position in the script belongs to the process: every instance reads the next line.
class ScriptedDialogs : public Dialogs
{
public:
    // Starts the script again from its first line (re-read from disk); for tests.
    static void restartScript();

protected:
    Button askMessage(MessageKind kind, const QString& text, const Buttons& buttons, const QString& caption) override;
    std::optional<QString> askText(TextKind kind, const QString& caption, const QString& prompt,
                                   const QString& initial) override;
    std::optional<QString> askPath(PathKind kind, const QString& caption, const QString& folder,
                                   const QString& filter) override;
};

} // namespace ksv
