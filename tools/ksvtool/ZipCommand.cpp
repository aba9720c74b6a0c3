// ksvtool zip: the zip engine from the command line.

#include "Commands.h"

#include "ZipMaster.h"
#include "ZipPaths.h"

#include <QFile>
#include <QMap>
#include <QSet>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

int usageError(const QString& why)
{
    err() << "ksvtool zip: " << why << "\n" << zipCommandHelp() << Qt::flush;
    return 2;
}

// Options of one sub-command: flags without value, options with a value (repeatable ones
// collect every value), the rest positional.
struct Parsed
{
    QStringList positional;
    QMap<QString, QStringList> values;
    QSet<QString> flags;
    QString error;

    QString value(const QString& name) const { return values.value(name).value(0); }
};

Parsed parse(const QStringList& args, const QStringList& flagNames, const QStringList& valueNames)
{
    Parsed parsed;
    bool optionsDone = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!optionsDone && a == QLatin1String("--")) {
            optionsDone = true;
            continue;
        }
        if (!optionsDone && a.startsWith(QLatin1String("--"))) {
            QString name = a.mid(2);
            QString inlineValue;
            const qsizetype eq = name.indexOf(QLatin1Char('='));
            if (eq >= 0) {
                inlineValue = name.mid(eq + 1);
                name = name.left(eq);
            }
            if (flagNames.contains(name) && eq < 0) {
                parsed.flags.insert(name);
            } else if (valueNames.contains(name)) {
                if (eq < 0) {
                    if (i + 1 >= args.size()) {
                        parsed.error = QStringLiteral("option --") + name + QStringLiteral(" needs a value");
                        return parsed;
                    }
                    inlineValue = args[++i];
                }
                parsed.values[name].append(inlineValue);
            } else {
                parsed.error = QStringLiteral("unknown option ") + a;
                return parsed;
            }
            continue;
        }
        parsed.positional.append(a);
    }
    return parsed;
}

bool parseNumber(const QString& text, int low, int high, int* value)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high)
        return false;
    *value = n;
    return true;
}

// The password of --password or --password-file (whose first line is the password; "-" reads
// it from standard input). False with *error set when it cannot be had or is empty: an empty
// password would silently write an archive that is not encrypted.
bool passwordOption(const Parsed& p, QString* password, QString* error)
{
    const bool inLine = p.values.contains(QStringLiteral("password"));
    const bool fromFile = p.values.contains(QStringLiteral("password-file"));
    if (inLine && fromFile) {
        *error = QStringLiteral("give either --password or --password-file, not both");
        return false;
    }
    if (inLine) {
        *password = p.value(QStringLiteral("password"));
    } else {
        const QString name = p.value(QStringLiteral("password-file"));
        QFile file;
        const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                       : (file.setFileName(name), file.open(QIODevice::ReadOnly));
        if (!opened) {
            *error = QStringLiteral("cannot read the password file ") + name + QStringLiteral(": ") + file.errorString();
            return false;
        }
        QByteArray line = file.readLine(4096);
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        *password = QString::fromUtf8(line);
    }
    if (password->isEmpty()) {
        *error = inLine ? QStringLiteral("the password is empty: give a password, or leave out --password to write an "
                                         "archive that is not encrypted")
                        : QStringLiteral("the password file holds no password on its first line");
        return false;
    }
    return true;
}

bool hasPassword(const Parsed& p)
{
    return p.values.contains(QStringLiteral("password")) || p.values.contains(QStringLiteral("password-file"));
}

void connectMessages(ksv::ZipMaster& zip, bool verbose)
{
    QObject::connect(&zip, &ksv::ZipMaster::OnMessage, [verbose](int code, const QString& text) {
        if (code != 0)
            err() << "ksvtool zip: " << text << " [" << code << "]\n" << Qt::flush;
        else if (verbose)
            err() << "ksvtool zip: " << text << "\n" << Qt::flush;
    });
}

int runAdd(const QStringList& args)
{
    const Parsed p = parse(args, {QStringLiteral("recurse"), QStringLiteral("dir-names"), QStringLiteral("hidden"),
                                  QStringLiteral("update"), QStringLiteral("verbose")},
                           {QStringLiteral("level"), QStringLiteral("password"), QStringLiteral("password-file"),
                            QStringLiteral("exclude"), QStringLiteral("comment")});
    if (!p.error.isEmpty())
        return usageError(p.error);
    if (p.positional.size() < 2)
        return usageError(QStringLiteral("add needs an archive and at least one specification"));
    int level = 6;
    if (p.values.contains(QStringLiteral("level")) && !parseNumber(p.value(QStringLiteral("level")), 0, 9, &level))
        return usageError(QStringLiteral("--level takes 0 to 9"));
    QString password;
    if (hasPassword(p)) {
        QString why;
        if (!passwordOption(p, &password, &why))
            return usageError(why);
    }
    ksv::ZipMaster zip;
    connectMessages(zip, p.flags.contains(QStringLiteral("verbose")));
    zip.setFileName(p.positional.first());
    zip.setAddCompLevel(level);
    unsigned options = 0;
    if (p.flags.contains(QStringLiteral("recurse")))
        options |= ksv::ZipMaster::AddRecurseDirs;
    if (p.flags.contains(QStringLiteral("dir-names")))
        options |= ksv::ZipMaster::AddDirNames;
    if (p.flags.contains(QStringLiteral("hidden")))
        options |= ksv::ZipMaster::AddHiddenFiles;
    if (p.flags.contains(QStringLiteral("update")))
        options |= ksv::ZipMaster::AddUpdate;
    if (!password.isEmpty()) {
        zip.setPassword(password);
        options |= ksv::ZipMaster::AddEncrypt;
    }
    zip.setAddOptions(options);
    zip.setFSpecArgs(p.positional.mid(1));
    zip.setFSpecArgsExcl(p.values.value(QStringLiteral("exclude")));
    int result = zip.Add();
    // A file left out (not found, unreadable, a clash of stored names) fails the command even
    // though the archive holds the others.
    const bool leftOut = zip.ErrCode() != 0;
    if (result == 0 && p.values.contains(QStringLiteral("comment")))
        result = zip.setZipComment(p.value(QStringLiteral("comment")));
    if (zip.Cancel())
        return 1;
    return result == 0 && !leftOut ? 0 : 1;
}

int runList(const QStringList& args)
{
    const Parsed p = parse(args, {}, {});
    if (!p.error.isEmpty())
        return usageError(p.error);
    if (p.positional.size() != 1)
        return usageError(QStringLiteral("list needs one archive"));
    ksv::ZipMaster zip;
    zip.setFileName(p.positional.first());
    if (!ksv::SfxFormat::zipStart(ksv::ZipPaths::toNative(p.positional.first()))) {
        err() << "ksvtool zip: " << ksv::ZipTexts::badArchive(p.positional.first(), QStringLiteral("cannot be read"))
              << "\n";
        return 1;
    }
    for (const ksv::ZipEntry& e : zip.ZipContents()) {
        out() << e.FileName << '\t' << e.UncompressedSize << '\t' << e.CompressedSize << '\t'
              << e.DateTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) << '\t' << (e.Encrypted ? "*" : "") << '\n';
    }
    if (!zip.ZipComment().isEmpty())
        err() << "comment: " << zip.ZipComment() << '\n';
    out().flush();
    return 0;
}

int runExtractOrTest(const QStringList& args, bool test)
{
    const QStringList valueNames{QStringLiteral("password"), QStringLiteral("password-file")};
    const Parsed p = test ? parse(args, {QStringLiteral("verbose")}, valueNames)
                          : parse(args, {QStringLiteral("dir-names"), QStringLiteral("overwrite"), QStringLiteral("verbose")},
                                  valueNames);
    if (!p.error.isEmpty())
        return usageError(p.error);
    if (test ? p.positional.size() != 1 : p.positional.size() < 2)
        return usageError(test ? QStringLiteral("test needs one archive")
                               : QStringLiteral("extract needs an archive and a destination folder"));
    ksv::ZipMaster zip;
    connectMessages(zip, p.flags.contains(QStringLiteral("verbose")));
    zip.setFileName(p.positional.first());
    if (hasPassword(p)) {
        QString password;
        QString why;
        if (!passwordOption(p, &password, &why))
            return usageError(why);
        zip.setPassword(password);
    }
    unsigned options = 0;
    if (p.flags.contains(QStringLiteral("dir-names")))
        options |= ksv::ZipMaster::ExtrDirNames;
    if (p.flags.contains(QStringLiteral("overwrite")))
        options |= ksv::ZipMaster::ExtrOverWrite;
    if (test) {
        options |= ksv::ZipMaster::ExtrTest;
    } else {
        zip.setExtrBaseDir(p.positional.at(1));
        zip.setFSpecArgs(p.positional.mid(2));
    }
    zip.setExtrOptions(options);
    const int result = zip.Extract();
    if (test) {
        const int bad = zip.Count() - zip.SuccessCnt();
        out() << zip.SuccessCnt() << " of " << zip.Count() << " entries good\n" << Qt::flush;
        return (result == 0 && bad == 0) ? 0 : 1;
    }
    out() << zip.SuccessCnt() << " files extracted\n" << Qt::flush;
    return result == 0 ? 0 : 1;
}

int runDelete(const QStringList& args)
{
    const Parsed p = parse(args, {QStringLiteral("verbose")}, {});
    if (!p.error.isEmpty())
        return usageError(p.error);
    if (p.positional.size() < 2)
        return usageError(QStringLiteral("delete needs an archive and at least one specification"));
    ksv::ZipMaster zip;
    connectMessages(zip, p.flags.contains(QStringLiteral("verbose")));
    zip.setFileName(p.positional.first());
    zip.setFSpecArgs(p.positional.mid(1));
    const int result = zip.Delete();
    out() << zip.SuccessCnt() << " entries deleted\n" << Qt::flush;
    return result == 0 ? 0 : 1;
}

int runSfx(const QStringList& args)
{
    const Parsed p = parse(args, {QStringLiteral("overwrite"), QStringLiteral("force")},
                           {QStringLiteral("caption"), QStringLiteral("default-dir"), QStringLiteral("command"),
                            QStringLiteral("message"), QStringLiteral("options"), QStringLiteral("icon"),
                            QStringLiteral("stub")});
    if (!p.error.isEmpty())
        return usageError(p.error);
    if (p.positional.size() != 1)
        return usageError(QStringLiteral("sfx needs one archive"));
    ksv::ZipMaster zip;
    connectMessages(zip, false);
    zip.setFileName(p.positional.first());
    zip.setSFXCaption(p.value(QStringLiteral("caption")));
    zip.setSFXDefaultDir(p.value(QStringLiteral("default-dir")));
    zip.setSFXCommandLine(p.value(QStringLiteral("command")));
    // "\1" and "\2" written as text choose the message box's buttons.
    QString message = p.value(QStringLiteral("message"));
    if (message.startsWith(QLatin1String("\\1")))
        message = QChar(1) + message.mid(2);
    else if (message.startsWith(QLatin1String("\\2")))
        message = QChar(2) + message.mid(2);
    zip.setSFXMessage(message);
    int options = 0;
    if (p.values.contains(QStringLiteral("options")) && !parseNumber(p.value(QStringLiteral("options")), 0, 63, &options))
        return usageError(QStringLiteral("--options takes a bit set from 0 to 63"));
    zip.setSFXOptions(static_cast<unsigned>(options));
    if (p.flags.contains(QStringLiteral("overwrite"))) {
        zip.setSFXOverWriteMode(ksv::SfxOverwriteMode::Always);
        zip.setSFXOptions(zip.SFXOptions() | ksv::SfxOption::NeverAskOverwrite);
    }
    if (p.values.contains(QStringLiteral("icon")) && !zip.setSFXIconFile(p.value(QStringLiteral("icon")))) {
        err() << "ksvtool zip: cannot read the icon " << p.value(QStringLiteral("icon")) << "\n";
        return 1;
    }
    if (p.values.contains(QStringLiteral("stub")))
        zip.setSFXPath(p.value(QStringLiteral("stub")));
    zip.setConvertReplacesExisting(p.flags.contains(QStringLiteral("force")));
    return zip.ConvertSFX() == 0 ? 0 : 1;
}

int runUnsfx(const QStringList& args)
{
    const Parsed p = parse(args, {QStringLiteral("force")}, {});
    if (!p.error.isEmpty())
        return usageError(p.error);
    if (p.positional.size() != 1)
        return usageError(QStringLiteral("unsfx needs one archive"));
    ksv::ZipMaster zip;
    connectMessages(zip, false);
    zip.setFileName(p.positional.first());
    zip.setConvertReplacesExisting(p.flags.contains(QStringLiteral("force")));
    return zip.ConvertZIP() == 0 ? 0 : 1;
}

int runCopy(const QStringList& args)
{
    const Parsed p = parse(args, {}, {});
    if (!p.error.isEmpty())
        return usageError(p.error);
    if (p.positional.size() != 2)
        return usageError(QStringLiteral("copy needs a source and a target"));
    ksv::ZipMaster zip;
    const int result = zip.CopyFile(p.positional[0], p.positional[1]);
    out() << result << '\n' << Qt::flush;
    return result == 0 ? 0 : 1;
}

} // namespace

QString zipCommandHelp()
{
    return QStringLiteral(
        "ksvtool zip add [--level N] [--recurse] [--dir-names] [--hidden] [--update]\n"
        "                [--password P | --password-file FILE] [--exclude SPEC]... [--comment TEXT] [--verbose]\n"
        "                ARCHIVE SPEC...\n"
        "    Adds the files named by each SPEC (folder + mask such as C:\\Data\\*.*, or one file) to ARCHIVE.\n"
        "    --level 0 stores, 1-9 deflate (default 6); a password encrypts with AES-256 (WinZip AE-2).\n"
        "    --password-file reads the password from the first line of FILE (\"-\": standard input);\n"
        "    --password P is visible to every user of the machine (ps, /proc): prefer --password-file.\n"
        "    An empty password is refused. Exit 1 when any file was left out (the others are stored).\n"
        "ksvtool zip list ARCHIVE\n"
        "    One line per entry: name, size, compressed size, date and time, \"*\" when encrypted (tab-separated).\n"
        "ksvtool zip extract [--dir-names] [--overwrite] [--password P | --password-file FILE] ARCHIVE DESTDIR [SPEC...]\n"
        "    Extracts every entry, or those matching a SPEC (\"*\" and \"?\", any case).\n"
        "ksvtool zip test [--password P | --password-file FILE] ARCHIVE\n"
        "ksvtool zip delete ARCHIVE SPEC...\n"
        "ksvtool zip sfx [--caption T] [--default-dir D] [--command C] [--message M] [--overwrite]\n"
        "                [--options N] [--icon FILE] [--stub FILE] [--force] ARCHIVE\n"
        "    Turns NAME.zip into the self-extracting program NAME.exe; an existing NAME.exe is left alone\n"
        "    (exit 1) unless --force replaces it. D \"><\" = the user's temporary folder;\n"
        "    C beginning with \"><\" runs from the extraction folder; M beginning with \\1 asks OK/Cancel, \\2 Yes/No;\n"
        "    N: 1 confirm command, 2 allow changes, 4 run at once when named !*, 8 never ask before overwriting,\n"
        "    32 no success message.\n"
        "ksvtool zip unsfx [--force] ARCHIVE\n"
        "    Turns NAME.exe back into NAME.zip (byte for byte the ZIP it was made from); an existing\n"
        "    NAME.zip is left alone (exit 1) unless --force replaces it.\n"
        "ksvtool zip copy SOURCE TARGET\n"
        "    Copies an archive; prints the result: 0, -1 target not created, -2 read/write error or disk full,\n"
        "    -3 source missing or not an archive, -9 other error.");
}

int runZipCommand(const QStringList& args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("missing sub-command"));
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out() << zipCommandHelp() << '\n' << Qt::flush;
        return 0;
    }
    if (command == QLatin1String("add"))
        return runAdd(rest);
    if (command == QLatin1String("list"))
        return runList(rest);
    if (command == QLatin1String("extract"))
        return runExtractOrTest(rest, false);
    if (command == QLatin1String("test"))
        return runExtractOrTest(rest, true);
    if (command == QLatin1String("delete"))
        return runDelete(rest);
    if (command == QLatin1String("sfx"))
        return runSfx(rest);
    if (command == QLatin1String("unsfx"))
        return runUnsfx(rest);
    if (command == QLatin1String("copy"))
        return runCopy(rest);
    return usageError(QStringLiteral("unknown sub-command ") + command);
}
