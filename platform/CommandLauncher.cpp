#include "CommandLauncher.h"

#include "Drives.h"
#include "ProgramFolder.h"
#include "SystemActions.h"

#include <QFileInfo>
#include <QProcess>

namespace ksv::CommandLauncher {

namespace {

QString baseProgramName(const QString& program)
{
    QString name = program.mid(std::max(program.lastIndexOf(QLatin1Char('\\')), program.lastIndexOf(QLatin1Char('/'))) + 1);
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        name.chop(4);
    return name.toLower();
}

QString stripQuotes(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    return text;
}

// A path in either form as a native path; empty when it names nothing known.
QString nativePathOf(const QString& path)
{
    if (DosPath::isDosAbsolute(path) || (path.size() == 2 && path.at(1) == QLatin1Char(':')))
        return DosPath::toNative(path);
    return path;
}

// The text after the program token, as written.
QString argumentText(const QString& commandLine)
{
    const QString trimmed = commandLine.trimmed();
    qsizetype i = 0;
    bool quoted = false;
    for (; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c.isSpace() && !quoted)
            break;
    }
    return trimmed.mid(i).trimmed();
}

} // namespace

QStringList splitCommandLine(const QString& commandLine)
{
    QStringList parts;
    QString current;
    bool quoted = false;
    bool inToken = false;
    for (const QChar c : commandLine) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inToken = true;
        } else if (c.isSpace() && !quoted) {
            if (inToken)
                parts << current;
            current.clear();
            inToken = false;
        } else {
            current += c;
            inToken = true;
        }
    }
    if (inToken)
        parts << current;
    return parts;
}

QString nativeProgram(const QString& program)
{
    return DosPath::isDosAbsolute(program) ? DosPath::toNative(program) : program;
}

QString displayPath(const QString& nativePath)
{
    return DosPath::fromNative(nativePath).value_or(nativePath);
}

int runToEnd(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(nativeProgram(program), arguments);
    if (!process.waitForStarted(-1))
        return -1;
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

int run(const QString& commandLine, bool wait)
{
    SystemActions& actions = systemActions();
    const QStringList parts = splitCommandLine(commandLine);
    if (parts.isEmpty())
        return -1;
    const QString program = baseProgramName(parts.first());
    const QString rest = argumentText(commandLine);

    if (program == QLatin1String("explorer")) {
        // "/e,/idlist,/root,PATH": the switches are dropped, the rest is the folder.
        QStringList items = rest.split(QLatin1Char(','));
        static const QStringList switches{QStringLiteral("/e"), QStringLiteral("/n"), QStringLiteral("/idlist"),
                                          QStringLiteral("/root"), QStringLiteral("/select"), QStringLiteral("/separate")};
        while (!items.isEmpty() && switches.contains(items.first().trimmed(), Qt::CaseInsensitive))
            items.removeFirst();
        const QString folder = nativePathOf(stripQuotes(items.join(QLatin1Char(','))));
        return !folder.isEmpty() && actions.openFolder(folder) ? 0 : -1;
    }
    if (program == QLatin1String("notepad")) {
        const QString file = nativePathOf(stripQuotes(rest));
        return !file.isEmpty() && actions.openTextFile(file) ? 0 : -1;
    }

    // The whole line naming a document or folder (a path may hold blanks).
    const QString whole = nativePathOf(stripQuotes(commandLine));
    const QFileInfo wholeInfo(whole);
    if (!whole.isEmpty() && wholeInfo.exists()) {
        if (wholeInfo.isDir())
            return actions.openFolder(whole) ? 0 : -1;
        if (!wholeInfo.isExecutable())
            return actions.openDocument(whole) ? 0 : -1;
    }

    QString executable = ProgramFolder::companionProgram(parts.first());
    if (executable.isEmpty())
        executable = nativeProgram(parts.first());
    const QStringList arguments = parts.mid(1);
    if (wait)
        return actions.runAndWait(executable, arguments);
    return actions.startProgram(executable, arguments) ? 0 : -1;
}

} // namespace ksv::CommandLauncher
