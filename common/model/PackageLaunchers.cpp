#include "PackageLaunchers.h"

#include "AtomicFile.h"
#include "CommandLauncher.h"
#include "IniDocument.h"
#include "NativePath.h"
#include "PackagePaths.h"
#include "ProgramFolder.h"
#include "Query.h"
#include "SettingsKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ksv {

namespace {

const QString kMarkerKey = QStringLiteral("X-Kestrave-Query");
const QString kLauncherPrefix = QStringLiteral("kestrave-query-");

QString kestraveExecutable()
{
    QString exe = ProgramFolder::companionProgram(QStringLiteral("kestrave.exe"));
    if (exe.isEmpty())
        exe = QCoreApplication::applicationDirPath() + QStringLiteral("/kestrave");
    return exe;
}

// An argument of the Exec key: quoted, with the characters the desktop-entry format reserves
// escaped, and then escaped once more as a string value.
QString execArgument(const QString& arg)
{
    QString quoted;
    for (const QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    return quoted;
}

// A value of a string key: one line, backslashes escaped.
QString entryValue(const QString& text)
{
    QString v = text;
    v.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    v.replace(QLatin1Char('\n'), QLatin1String(" "));
    v.replace(QLatin1Char('\r'), QLatin1String(" "));
    return v;
}

QString safeFileName(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') ? c.toLower()
                                                                                    : QLatin1Char('_');
    return out.left(60);
}

struct Launcher
{
    QString fileName;
    QString name;
    QString comment;
    QString argument;
};

bool writeLauncher(const QString& folder, const Launcher& l)
{
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Version=1.0\n");
    text += QStringLiteral("Name=") + entryValue(l.name) + QLatin1Char('\n');
    if (!l.comment.isEmpty())
        text += QStringLiteral("Comment=") + entryValue(l.comment) + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + execArgument(kestraveExecutable()) + QLatin1Char(' ') +
            execArgument(l.argument) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("Categories=Utility;Archiving;\n");
    text += kMarkerKey + QLatin1Char('=') + entryValue(l.argument) + QLatin1Char('\n');

    const QString path = folder + QLatin1Char('/') + l.fileName;
    if (!AtomicFile::writeFile(path, text.toUtf8()))
        return false;
    // Desktops run only launchers marked executable.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                    QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther);
    return true;
}

bool isOurLauncher(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray marker = kMarkerKey.toUtf8() + '=';
    while (!f.atEnd()) {
        if (f.readLine().startsWith(marker))
            return true;
    }
    return false;
}

} // namespace

int WinExecAndWait32(const QString& Cmd, int Show, bool Wait)
{
    Q_UNUSED(Show);
    if (Cmd.trimmed().isEmpty())
        return -1;
    return CommandLauncher::run(Cmd, Wait);
}

Result<int> CreerIconesDemarrer2(const QString& Ini, const QString& Dir)
{
    const QString folder = QDir::cleanPath(NativePath::of(Dir));
    if (folder.isEmpty() || folder == QLatin1String("."))
        return Status::failure(1, QStringLiteral("Unknown folder: %1").arg(Dir));
    if (!QDir().mkpath(folder))
        return Status::failure(2, QStringLiteral("Cannot create the folder %1").arg(Dir));

    const IniDocument settings = IniDocument::fromFile(NativePath::of(Ini));
    QList<Launcher> launchers;
    for (int n = QueryKeys::FirstNumberedQuery; n <= QueryKeys::LastNumberedQuery; ++n) {
        const QString section = QString::number(n);
        if (!settings.hasSection(section))
            continue;
        Query query;
        const NumberedQuery numbered = NumberedQuery::load(settings, section, query);
        if (numbered.empty)
            continue;
        launchers.append({kLauncherPrefix + section + QStringLiteral(".desktop"),
                          QStringLiteral("Kestrave %1 - %2").arg(section, query.arch), numbered.label,
                          section});
    }
    const auto known = settings.sectionLines(SettingsKeys::KsvFile);
    QStringList seenFiles;
    for (const auto& [key, value] : known) {
        if (key.compare(SettingsKeys::history::last, Qt::CaseInsensitive) == 0 || value.isEmpty())
            continue;
        if (seenFiles.contains(value, Qt::CaseInsensitive))
            continue;
        seenFiles.append(value);
        const QString name = FileNameAlone(value);
        launchers.append({kLauncherPrefix + QStringLiteral("file-") + safeFileName(name) + QLatin1Char('-') +
                              QString::number(seenFiles.size()) + QStringLiteral(".desktop"),
                          QStringLiteral("Kestrave - %1").arg(name), value, value});
    }

    // Remove our earlier launchers first, so a removed query loses its launcher.
    const QStringList existing =
        QDir(folder).entryList({kLauncherPrefix + QStringLiteral("*.desktop")}, QDir::Files);
    for (const QString& entry : existing) {
        const QString path = folder + QLatin1Char('/') + entry;
        if (isOurLauncher(path))
            QFile::remove(path);
    }
    int written = 0;
    for (const Launcher& l : launchers) {
        if (!writeLauncher(folder, l))
            return Status::failure(3, QStringLiteral("Cannot write %1").arg(l.fileName));
        ++written;
    }
    return written;
}

} // namespace ksv
