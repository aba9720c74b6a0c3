// "ksvtool container": the split container engine for scripts and tests.
#include "Commands.h"

#include "Drives.h"
#include "TBackupFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <optional>

namespace {

using ksv::TBackupFile;

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usageError(const QString& message)
{
    err() << "ksvtool container: " << message << "\n" << containerCommandHelp();
    err().flush();
    return 2;
}

// A path for the engine: DOS paths pass unchanged, native paths become DOS paths through the
// drive table; a native path outside every drive stays native when allowNative is set.
std::optional<QString> enginePath(const QString& path, bool allowNative, QString& error)
{
    if (ksv::DosPath::isDosAbsolute(path))
        return path;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (const auto dos = ksv::DosPath::fromNative(absolute))
        return *dos;
    if (allowNative)
        return absolute;
    error = ksv::DosPath::outsideDrivesMessage(absolute);
    return std::nullopt;
}

// A file specification: a path with a mask, optionally followed by " /s".
std::optional<QString> engineSpecification(const QString& spec, QString& error)
{
    QString base = spec.trimmed();
    QString suffix;
    if (base.endsWith(QLatin1String(" /s"), Qt::CaseInsensitive)) {
        suffix = QStringLiteral(" /s");
        base = base.chopped(3).trimmed();
    }
    const auto path = enginePath(base, false, error);
    if (!path)
        return std::nullopt;
    return *path + suffix;
}

struct Options
{
    QStringList positional;
    QString maxSize;
    QString level;
    QString title;
    QString restoreMode;
    bool saveFileId = false;
    bool incremental = false;
    bool clearArchiveFlag = false;
    bool fullPath = false;
    bool yes = false;
    bool help = false;
};

std::optional<Options> parseOptions(const QStringList& args, const QStringList& valueOptions,
                                    const QStringList& flagOptions, QString& error)
{
    Options o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--")) {
            o.positional += args.mid(i + 1);
            break;
        } else if (a.startsWith(QLatin1String("--"))) {
            QString name = a;
            QString value;
            const qsizetype eq = a.indexOf(QLatin1Char('='));
            const bool inlineValue = eq > 0;
            if (inlineValue) {
                name = a.left(eq);
                value = a.mid(eq + 1);
            }
            if (valueOptions.contains(name)) {
                if (!inlineValue) {
                    if (i + 1 >= args.size()) {
                        error = QStringLiteral("option %1 needs a value").arg(name);
                        return std::nullopt;
                    }
                    value = args.at(++i);
                }
                if (name == QLatin1String("--max-size"))
                    o.maxSize = value;
                else if (name == QLatin1String("--level"))
                    o.level = value;
                else if (name == QLatin1String("--title"))
                    o.title = value;
                else if (name == QLatin1String("--restore-mode"))
                    o.restoreMode = value;
            } else if (flagOptions.contains(name) && !inlineValue) {
                o.saveFileId |= name == QLatin1String("--save-file-id");
                o.incremental |= name == QLatin1String("--incremental");
                o.clearArchiveFlag |= name == QLatin1String("--clear-archive-flag");
                o.fullPath |= name == QLatin1String("--full-path");
                o.yes |= name == QLatin1String("--yes");
            } else {
                error = QStringLiteral("unknown option %1").arg(a);
                return std::nullopt;
            }
        } else {
            o.positional << a;
        }
    }
    return o;
}

void reportErrorsOnStderr(TBackupFile& engine)
{
    engine.setOnError([](TBackupFile*, qint32 code, const QString& text) {
        err() << "ksvtool container: error " << code << ": " << text << "\n";
        err().flush();
    });
}

// Without --yes the engine asks through the dialogs service; with it, every disk request is
// answered OK (a restore stops when the requested volume is missing, instead of asking forever).
void answerDiskRequests(TBackupFile& engine, bool restoring, const QString& firstVolume)
{
    engine.setOnNeedDisk([restoring, firstVolume](TBackupFile*, quint16 diskId, bool& Continue) {
        if (!restoring) {
            Continue = true;
            return;
        }
        const QString native = ksv::DosPath::isDosAbsolute(firstVolume) ? ksv::DosPath::toNative(firstVolume) : firstVolume;
        const QString volume = TBackupFile::VolumeName(native, diskId);
        Continue = QFileInfo(volume).isFile();
        if (!Continue) {
            err() << "ksvtool container: volume " << diskId << " is missing: " << volume << "\n";
            err().flush();
        }
    });
}

int failWithEngineStatus(const TBackupFile& engine)
{
    if (engine.LastFailureRaised()) {
        err() << "ksvtool container: " << engine.LastStatus().message() << "\n";
        err().flush();
    }
    return 1;
}

int runBackup(const QStringList& args)
{
    QString error;
    const auto o = parseOptions(args, {QStringLiteral("--max-size"), QStringLiteral("--level"), QStringLiteral("--title")},
                                {QStringLiteral("--save-file-id"), QStringLiteral("--incremental"),
                                 QStringLiteral("--clear-archive-flag"), QStringLiteral("--yes")},
                                error);
    if (!o)
        return usageError(error);
    if (o->help) {
        out() << containerCommandHelp();
        return 0;
    }
    if (o->positional.size() < 2)
        return usageError(QStringLiteral("backup needs DEST and at least one SPEC"));

    TBackupFile engine;
    if (!o->maxSize.isEmpty()) {
        bool ok = false;
        const qint64 bytes = o->maxSize.toLongLong(&ok);
        if (!ok || bytes < 0 || bytes > 0x7fffffff)
            return usageError(QStringLiteral("--max-size takes a number of bytes from 0 to 2147483647"));
        engine.setMaxSize(qint32(bytes));
    }
    if (!o->level.isEmpty()) {
        static const QStringList levels = {QStringLiteral("fastest"), QStringLiteral("none"), QStringLiteral("default"),
                                           QStringLiteral("max")};
        const qsizetype index = levels.indexOf(o->level.toLower());
        if (index < 0)
            return usageError(QStringLiteral("--level takes fastest, none, default or max"));
        engine.setCompressionLevel(ksv::TCompressionLevel(index));
    }
    engine.setBackupTitle(o->title);
    engine.setSaveFileID(o->saveFileId);
    if (o->incremental)
        engine.setBackupMode(ksv::TBackupMode::bmIncremental);
    if (o->clearArchiveFlag)
        engine.setSetArchiveFlag(true);

    const auto dest = enginePath(o->positional.first(), true, error);
    if (!dest)
        return usageError(error);
    QStringList specs;
    for (const QString& spec : o->positional.mid(1)) {
        const auto s = engineSpecification(spec, error);
        if (!s)
            return usageError(error);
        specs << *s;
    }
    reportErrorsOnStderr(engine);
    if (o->yes)
        answerDiskRequests(engine, false, *dest);
    if (!engine.Backup(specs, *dest))
        return failWithEngineStatus(engine);
    out() << "volumes: " << engine.VolumeNumber() << "\n";
    return 0;
}

int runRestore(const QStringList& args)
{
    QString error;
    const auto o = parseOptions(args, {QStringLiteral("--restore-mode")},
                                {QStringLiteral("--full-path"), QStringLiteral("--yes")}, error);
    if (!o)
        return usageError(error);
    if (o->help) {
        out() << containerCommandHelp();
        return 0;
    }
    if (o->positional.isEmpty() || o->positional.size() > 2)
        return usageError(QStringLiteral("restore takes SOURCE and an optional DESTDIR"));

    TBackupFile engine;
    if (!o->restoreMode.isEmpty()) {
        static const QStringList modes = {QStringLiteral("all"), QStringLiteral("no-overwrite"), QStringLiteral("newer"),
                                          QStringLiteral("existing"), QStringLiteral("existing-newer")};
        const qsizetype index = modes.indexOf(o->restoreMode.toLower());
        if (index < 0)
            return usageError(QStringLiteral("--restore-mode takes all, no-overwrite, newer, existing or existing-newer"));
        engine.setRestoreMode(ksv::TRestoreMode(index));
    }
    engine.setRestoreFullPath(o->fullPath);
    const auto source = enginePath(o->positional.first(), true, error);
    if (!source)
        return usageError(error);
    QString destDir;
    if (o->positional.size() == 2) {
        const auto d = enginePath(o->positional.at(1), true, error);
        if (!d)
            return usageError(error);
        destDir = *d;
    }
    const QString sourceNative = ksv::DosPath::isDosAbsolute(*source) ? ksv::DosPath::toNative(*source) : *source;
    if (!QFileInfo(sourceNative).isFile()) {
        err() << "ksvtool container: " << o->positional.first() << " does not exist\n";
        err().flush();
        return 1;
    }
    reportErrorsOnStderr(engine);
    if (o->yes)
        answerDiskRequests(engine, true, *source);
    const bool ok = engine.Restore(*source, destDir);
    for (const QString& name : engine.RejectedNames())
        err() << "ksvtool container: not restored (unsafe name): " << name << "\n";
    for (const QString& name : engine.IncompleteNames())
        err() << "ksvtool container: not restored (incomplete, the existing file is kept): " << name << "\n";
    err().flush();
    return ok ? 0 : failWithEngineStatus(engine);
}

int runList(const QStringList& args)
{
    QString error;
    const auto o = parseOptions(args, {}, {QStringLiteral("--yes")}, error);
    if (!o)
        return usageError(error);
    if (o->help) {
        out() << containerCommandHelp();
        return 0;
    }
    if (o->positional.size() != 1)
        return usageError(QStringLiteral("list takes SOURCE"));
    const auto source = enginePath(o->positional.first(), true, error);
    if (!source)
        return usageError(error);
    TBackupFile engine;
    answerDiskRequests(engine, true, *source);
    const auto catalog = engine.ReadCatalog(*source);
    if (!catalog) {
        err() << "ksvtool container: " << catalog.status().message() << "\n";
        err().flush();
        return 1;
    }
    out() << "title: " << catalog->title << "\n";
    out() << "total size: " << catalog->totalSize << "\n";
    out() << "file count: " << catalog->fileCount << "\n";
    for (const TBackupFile::CatalogEntry& entry : catalog->entries)
        out() << entry.name << "\t" << entry.date << "\t" << entry.size << "\n";
    out().flush();
    return catalog->complete ? 0 : 1;
}

} // namespace

QString containerCommandHelp()
{
    return QStringLiteral(
        "ksvtool container backup [--max-size BYTES] [--level fastest|none|default|max] [--title T]\n"
        "                         [--save-file-id] [--incremental] [--clear-archive-flag] [--yes] DEST SPEC...\n"
        "    Packs the files matching each SPEC (a path with a mask such as C:\\Data\\*.doc, optionally\n"
        "    followed by \" /s\" for the subfolders) into the split container DEST. --max-size cuts it into\n"
        "    volumes of at most BYTES (0 = one volume; otherwise more than 16484); the next volumes take\n"
        "    the extensions .002, .003, ... --incremental stores only files whose archive flag is set\n"
        "    and clears it (as does --clear-archive-flag). --yes answers every disk request with OK;\n"
        "    otherwise the dialogs service asks. The new volumes replace those of an older container of\n"
        "    the same name only when all of them are complete.\n"
        "ksvtool container restore [--restore-mode all|no-overwrite|newer|existing|existing-newer]\n"
        "                          [--full-path] [--yes] SOURCE [DESTDIR]\n"
        "    Restores the container whose first volume is SOURCE into DESTDIR (with --full-path below\n"
        "    it with the stored folders kept), or to the stored paths without DESTDIR. --yes answers the\n"
        "    disk requests with OK while the next volume lies beside SOURCE. A file that cannot be\n"
        "    restored whole (damaged data, a missing volume, a full disk) leaves an existing file of\n"
        "    that name as it was.\n"
        "ksvtool container list SOURCE\n"
        "    Prints the title, the total size, the file count, then one line per entry: stored name,\n"
        "    DOS date as a decimal number and restored size, separated by tabs.\n");
}

int runContainerCommand(const QStringList& args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("missing sub-command (backup, restore or list)"));
    const QString sub = args.first();
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("--help") || sub == QLatin1String("-h")) {
        out() << containerCommandHelp();
        return 0;
    }
    if (sub == QLatin1String("backup"))
        return runBackup(rest);
    if (sub == QLatin1String("restore"))
        return runRestore(rest);
    if (sub == QLatin1String("list"))
        return runList(rest);
    return usageError(QStringLiteral("unknown sub-command '%1'").arg(sub));
}
