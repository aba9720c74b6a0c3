#include "SetupConsoleDialogs.h"

#include <QTextStream>

#include <cstdio>

namespace ksv {

namespace {

QString shown(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

std::optional<QString> readLine()
{
    char buffer[4096];
    if (!std::fgets(buffer, sizeof(buffer), stdin))
        return std::nullopt;
    return QString::fromLocal8Bit(buffer).trimmed();
}

} // namespace

Button SetupConsoleDialogs::askMessage(MessageKind, const QString& text, const Buttons& buttons, const QString&)
{
    QTextStream out(stdout);
    out << shown(text) << '\n';
    if (buttons.size() <= 1) {
        out << Qt::flush;
        return buttons.value(0, Button::Ok);
    }
    QStringList names;
    for (Button b : buttons)
        names.append(buttonName(b));
    for (;;) {
        out << '(' << names.join(QLatin1Char('/')) << ") ? " << Qt::flush;
        const std::optional<QString> answer = readLine();
        if (!answer)
            return safeAnswer(buttons);
        for (Button b : buttons) {
            const QString name = buttonName(b);
            if (answer->compare(name, Qt::CaseInsensitive) == 0
                || (answer->size() == 1 && answer->at(0).toUpper() == name.at(0).toUpper()))
                return b;
        }
    }
}

std::optional<QString> SetupConsoleDialogs::askText(TextKind, const QString& caption, const QString& prompt,
                                                    const QString& initial)
{
    QTextStream out(stdout);
    out << (prompt.isEmpty() ? caption : prompt);
    if (!initial.isEmpty())
        out << " [" << initial << ']';
    out << ' ' << Qt::flush;
    const std::optional<QString> answer = readLine();
    if (answer && answer->isEmpty())
        return initial;
    return answer;
}

std::optional<QString> SetupConsoleDialogs::askPath(PathKind, const QString& caption, const QString& folder,
                                                    const QString&)
{
    return askText(TextKind::Input, caption, QString(), folder);
}

} // namespace ksv
