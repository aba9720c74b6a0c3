#include "Transcript.h"

#include "PlatformEnvironment.h"

#include <QFile>

namespace ksv::Transcript {

namespace {

void appendLine(const QString& line)
{
    const QString& path = PlatformEnvironment::current().transcriptFile;
    if (path.isEmpty())
        return;
    // Opened, written and closed per line: the line is on disk before the program goes on,
    // and several processes of one test may append to the same transcript.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write((line + QLatin1Char('\n')).toUtf8());
    file.close();
}

} // namespace

void recordQuestion(const QString& kind, const QString& buttons, const QString& text, const QString& answer)
{
    appendLine(QStringLiteral("ask|") + kind + QLatin1Char('|') + buttons + QLatin1Char('|') + escape(text)
               + QLatin1Char('|') + escape(answer));
}

void recordAction(const QString& action, const QString& details)
{
    appendLine(QStringLiteral("act|") + action + QLatin1Char('|') + escape(details));
}

QString escape(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else
            out += c;
    }
    return out;
}

} // namespace ksv::Transcript
