#include "Dialogs.h"

#include "Drives.h"
#include "PlatformEnvironment.h"
#include "ScriptedDialogs.h"
#include "Transcript.h"

#include <memory>

namespace ksv {

namespace {

struct ButtonNameEntry
{
    Button button;
    const char* name;
};

constexpr ButtonNameEntry kButtonNames[] = {
    {Button::Ok, "OK"},       {Button::Cancel, "Cancel"}, {Button::Abort, "Abort"}, {Button::Retry, "Retry"},
    {Button::Ignore, "Ignore"}, {Button::Yes, "Yes"},     {Button::No, "No"},
};

std::unique_ptr<Dialogs>& installedService()
{
    static std::unique_ptr<Dialogs> service;
    return service;
}

const Buttons& okCancel()
{
    static const Buttons buttons{Button::Ok, Button::Cancel};
    return buttons;
}

QString textAnswer(const std::optional<QString>& value, bool masked)
{
    if (!value)
        return QStringLiteral("cancel");
    return QStringLiteral("text:") + (masked ? QString(value->size(), QLatin1Char('*')) : *value);
}

} // namespace

QString buttonName(Button b)
{
    for (const auto& entry : kButtonNames) {
        if (entry.button == b)
            return QLatin1String(entry.name);
    }
    return QStringLiteral("None");
}

std::optional<Button> buttonFromName(const QString& name)
{
    const QString trimmed = name.trimmed();
    for (const auto& entry : kButtonNames) {
        if (trimmed.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.button;
    }
    return std::nullopt;
}

QString messageKindName(MessageKind k)
{
    switch (k) {
    case MessageKind::Information: return QStringLiteral("information");
    case MessageKind::Warning: return QStringLiteral("warning");
    case MessageKind::Error: return QStringLiteral("error");
    case MessageKind::Confirmation: return QStringLiteral("confirmation");
    case MessageKind::Plain: return QStringLiteral("plain");
    }
    return QStringLiteral("plain");
}

Dialogs::~Dialogs() = default;

Button Dialogs::safeAnswer(const Buttons& buttons)
{
    if (buttons.isEmpty())
        return Button::Ok;
    for (const Button preferred : {Button::Cancel, Button::No, Button::Ok}) {
        if (buttons.contains(preferred))
            return preferred;
    }
    return buttons.first();
}

QString Dialogs::buttonsText(const Buttons& buttons)
{
    QStringList names;
    for (const Button b : buttons)
        names << buttonName(b);
    return names.join(QLatin1Char('+'));
}

Button Dialogs::message(MessageKind kind, const QString& text, const Buttons& buttons, const QString& caption)
{
    const Buttons offered = buttons.isEmpty() ? Buttons{Button::Ok} : buttons;
    Button answer = askMessage(kind, text, offered, caption);
    // An implementation may only answer with an offered button (a closed window, for one,
    // is the safe answer).
    if (!offered.contains(answer))
        answer = safeAnswer(offered);
    Transcript::recordQuestion(messageKindName(kind), buttonsText(offered), text, buttonName(answer));
    return answer;
}

std::optional<QString> Dialogs::input(const QString& caption, const QString& prompt, const QString& initial)
{
    const auto answer = askText(TextKind::Input, caption, prompt, initial);
    Transcript::recordQuestion(QStringLiteral("input"), buttonsText(okCancel()), prompt, textAnswer(answer, false));
    return answer;
}

std::optional<QString> Dialogs::password(const QString& caption, const QString& prompt)
{
    const auto answer = askText(TextKind::Password, caption, prompt, {});
    // The transcript never holds a typed password; its length is enough to check a run.
    Transcript::recordQuestion(QStringLiteral("password"), buttonsText(okCancel()), prompt, textAnswer(answer, true));
    return answer;
}

std::optional<QString> Dialogs::openFile(const QString& caption, const QString& folder, const QString& filter)
{
    return askAndRecordPath(PathKind::OpenFile, caption, folder, filter);
}

std::optional<QString> Dialogs::saveFile(const QString& caption, const QString& folder, const QString& filter)
{
    return askAndRecordPath(PathKind::SaveFile, caption, folder, filter);
}

std::optional<QString> Dialogs::chooseFolder(const QString& caption, const QString& folder)
{
    return askAndRecordPath(PathKind::Folder, caption, folder, {});
}

std::optional<QString> Dialogs::askAndRecordPath(PathKind kind, const QString& caption, const QString& folder,
                                                 const QString& filter)
{
    const QString startFolder = DosPath::normalise(folder).value_or(QString());
    std::optional<QString> answer = askPath(kind, caption, startFolder, filter);
    QString refusal;
    if (answer) {
        if (auto dos = DosPath::normalise(*answer)) {
            answer = *dos;
        } else {
            refusal = DosPath::outsideDrivesMessage(*answer);
            answer.reset();
        }
    }
    const QString kindName = kind == PathKind::OpenFile ? QStringLiteral("open")
                             : kind == PathKind::SaveFile ? QStringLiteral("save")
                                                          : QStringLiteral("folder");
    Transcript::recordQuestion(kindName, buttonsText(okCancel()), caption,
                               answer ? QStringLiteral("path:") + *answer : QStringLiteral("cancel"));
    if (!refusal.isEmpty())
        message(MessageKind::Error, refusal);
    return answer;
}

Dialogs& dialogs()
{
    auto& service = installedService();
    if (!service)
        service = std::make_unique<ScriptedDialogs>();
    return *service;
}

void installDialogs(Dialogs* service)
{
    installedService().reset(service);
}

bool dialogsAreScripted()
{
    const auto& env = PlatformEnvironment::current();
    return env.unattended || !env.scriptFile.isEmpty();
}

} // namespace ksv
