#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace ksv {

enum class MessageKind { Information, Warning, Error, Confirmation, Plain };

// Button identifiers keep the Windows dialog result numbers, so code ported from the
// system's rules can compare them as it always has.
enum class Button { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

using Buttons = QList<Button>;

QString buttonName(Button b);          // "OK", "Cancel", "Yes", ...
std::optional<Button> buttonFromName(const QString& name); // case-insensitive
QString messageKindName(MessageKind k); // "information", "warning", "error", "confirmation", "plain"

// Every question the system asks goes through this service. The public calls record each
// question and its answer in the transcript (when KESTRAVE_TRANSCRIPT is set) and delegate the
// asking itself to the implementation: real Qt dialogs, or the scripted answers of
// KESTRAVE_SCRIPT / KESTRAVE_UNATTENDED.
//
// Texts may hold "\r" where the system breaks a line; it is shown as a line break.
class Dialogs
{
public:
    virtual ~Dialogs();

    Button message(MessageKind kind, const QString& text, const Buttons& buttons = {Button::Ok},
                   const QString& caption = {});
    // An input box; nullopt when cancelled.
    std::optional<QString> input(const QString& caption, const QString& prompt, const QString& initial = {});
    std::optional<QString> password(const QString& caption, const QString& prompt);
    // File and folder dialogs take the starting folder in either form and return the chosen path
    // in the system's DOS form ("C:\Data\a.zip"); a path outside every drive is refused with the
    // platform's message and counts as cancelled.
    std::optional<QString> openFile(const QString& caption, const QString& folder, const QString& filter = {});
    std::optional<QString> saveFile(const QString& caption, const QString& folder, const QString& filter = {});
    std::optional<QString> chooseFolder(const QString& caption, const QString& folder);

    // The answer a question gets when nobody is there to answer: Cancel, else No, else OK,
    // else the first button.
    static Button safeAnswer(const Buttons& buttons);
    // The buttons joined by "+" as the transcript writes them ("OK+Cancel").
    static QString buttonsText(const Buttons& buttons);

protected:
    enum class TextKind { Input, Password };
    enum class PathKind { OpenFile, SaveFile, Folder };

    virtual Button askMessage(MessageKind kind, const QString& text, const Buttons& buttons,
                              const QString& caption) = 0;
    virtual std::optional<QString> askText(TextKind kind, const QString& caption, const QString& prompt,
                                           const QString& initial) = 0;
    // folder is in DOS form (empty when unknown); the answer may be in either form.
    virtual std::optional<QString> askPath(PathKind kind, const QString& caption, const QString& folder,
                                           const QString& filter) = 0;

private:
    std::optional<QString> askAndRecordPath(PathKind kind, const QString& caption, const QString& folder,
                                            const QString& filter);
};

// The dialogs service of this process. Before a program installs its own (real dialogs in the
// windowed programs), this is the scripted service built from the environment, which answers
// from KESTRAVE_SCRIPT and then gives every question its safe answer.
Dialogs& dialogs();
// Takes ownership; used by program entry points and tests.
void installDialogs(Dialogs* service);
// True when questions must not wait for a person (KESTRAVE_SCRIPT or KESTRAVE_UNATTENDED set).
bool dialogsAreScripted();

} // namespace ksv
