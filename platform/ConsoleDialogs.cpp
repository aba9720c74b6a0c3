#include "ConsoleDialogs.h"

#include <QTextStream>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace ksv {

bool windowSystemAvailable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform == "offscreen" || platform == "minimal")
        return false;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

namespace {

QString shown(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

std::optional<QString> readLine(bool hidden)
{
    termios saved{};
    const bool tty = ::isatty(STDIN_FILENO) == 1;
    if (hidden && tty) {
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    char buffer[4096];
    const char* line = std::fgets(buffer, sizeof(buffer), stdin);
    if (hidden && tty) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputc('\n', stdout);
    }
    if (!line)
        return std::nullopt;
    return QString::fromLocal8Bit(line).trimmed();
}

} // namespace

Button ConsoleDialogs::askMessage(MessageKind, const QString& text, const Buttons& buttons, const QString& caption)
{
    QTextStream out(stdout);
    if (!caption.isEmpty())
        out << caption << ":\n";
    out << shown(text) << '\n';
    if (buttons.size() <= 1) {
        out << "[" << buttonName(buttons.value(0, Button::Ok)) << "]\n" << Qt::flush;
        return buttons.value(0, Button::Ok);
    }
    QStringList names;
    for (Button b : buttons)
        names.append(buttonName(b));
    for (;;) {
        out << "(" << names.join(QLatin1Char('/')) << ") ? " << Qt::flush;
        const auto answer = readLine(false);
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

std::optional<QString> ConsoleDialogs::askText(TextKind kind, const QString& caption, const QString& prompt,
                                               const QString& initial)
{
    QTextStream out(stdout);
    out << (prompt.isEmpty() ? caption : prompt);
    if (!initial.isEmpty())
        out << " [" << initial << "]";
    out << ' ' << Qt::flush;
    auto answer = readLine(kind == TextKind::Password);
    if (answer && answer->isEmpty() && !initial.isEmpty())
        return initial;
    return answer;
}

std::optional<QString> ConsoleDialogs::askPath(PathKind, const QString& caption, const QString& folder, const QString&)
{
    return askText(TextKind::Input, caption, QString(), folder);
}

} // namespace ksv
