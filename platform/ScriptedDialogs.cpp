#include "ScriptedDialogs.h"

#include "PlatformEnvironment.h"
#include "PlatformTexts.h"
#include "Transcript.h"

#include <QFile>
#include <QStringList>

#include <optional>

namespace ksv {

namespace {

struct ScriptLine
{
    int number = 0; // 1-based line number in the file
    QString text;
};

// One script position for the whole process.
class ScriptCursor
{
public:
    std::optional<ScriptLine> next()
    {
        const QString& path = PlatformEnvironment::current().scriptFile;
        if (!m_loaded || path != m_path)
            load(path);
        if (m_next >= m_lines.size())
            return std::nullopt;
        return m_lines.at(m_next++);
    }

    void restart() { m_loaded = false; }

private:
    void load(const QString& path)
    {
        m_path = path;
        m_lines.clear();
        m_next = 0;
        m_loaded = true;
        if (path.isEmpty())
            return;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            QString line = lines.at(i);
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            if (line.trimmed().isEmpty())
                continue;
            m_lines.append({i + 1, line});
        }
    }

    QString m_path;
    QList<ScriptLine> m_lines;
    qsizetype m_next = 0;
    bool m_loaded = false;
};

ScriptCursor& cursor()
{
    static ScriptCursor instance;
    return instance;
}

// A "text:" line may hold a password meant for a later question: only its length is shown.
QString shownLine(const QString& text)
{
    if (!text.startsWith(QLatin1String("text:"), Qt::CaseInsensitive))
        return text;
    return text.left(5) + QString(text.size() - 5, QLatin1Char('*'));
}

void noteMismatch(const ScriptLine& line, const QString& question)
{
    Transcript::recordAction(QStringLiteral("script"),
                             PlatformTexts::scriptMismatch(line.number, shownLine(line.text), question));
}

bool startsWithWord(const QString& line, QLatin1String prefix)
{
    return line.startsWith(prefix, Qt::CaseInsensitive);
}

bool isCancel(const QString& line)
{
    return line.trimmed().compare(QLatin1String("cancel"), Qt::CaseInsensitive) == 0;
}

} // namespace

void ScriptedDialogs::restartScript()
{
    cursor().restart();
}

Button ScriptedDialogs::askMessage(MessageKind kind, const QString&, const Buttons& buttons, const QString&)
{
    const auto line = cursor().next();
    if (!line)
        return safeAnswer(buttons);
    const auto button = buttonFromName(line->text);
    if (button && buttons.contains(*button))
        return *button;
    noteMismatch(*line, messageKindName(kind) + QLatin1Char(' ') + buttonsText(buttons));
    return safeAnswer(buttons);
}

std::optional<QString> ScriptedDialogs::askText(TextKind kind, const QString&, const QString&, const QString& initial)
{
    const auto line = cursor().next();
    if (!line)
        return std::nullopt;
    if (startsWithWord(line->text, QLatin1String("text:")))
        return line->text.mid(5);
    if (isCancel(line->text))
        return std::nullopt;
    if (buttonFromName(line->text) == Button::Ok)
        return kind == TextKind::Input ? initial : QString();
    noteMismatch(*line, kind == TextKind::Input ? QStringLiteral("input") : QStringLiteral("password"));
    return std::nullopt;
}

std::optional<QString> ScriptedDialogs::askPath(PathKind kind, const QString&, const QString&, const QString&)
{
    const auto line = cursor().next();
    if (!line)
        return std::nullopt;
    if (startsWithWord(line->text, QLatin1String("path:")))
        return line->text.mid(5).trimmed();
    if (isCancel(line->text))
        return std::nullopt;
    noteMismatch(*line, kind == PathKind::OpenFile   ? QStringLiteral("open")
                        : kind == PathKind::SaveFile ? QStringLiteral("save")
                                                     : QStringLiteral("folder"));
    return std::nullopt;
}

} // namespace ksv
