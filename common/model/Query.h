#pragma once

#include "IniDocument.h"

#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A backup job as stored in a query file (".KSV", one query per file) or as a numbered query
// (section "1".."150" of the settings file), and the loaders of both stores. Loading only reads;
// the runner and the editor act on the result later.
namespace ksv {

namespace QueryKeys {
inline constexpr QLatin1String Divers{"divers"};
inline constexpr QLatin1String Add{"add"};
inline constexpr QLatin1String Exc{"exc"};
inline constexpr QLatin1String Application{"application"};
inline constexpr QLatin1String RunBeforeAdd{"RunBeforeAdd"};
inline constexpr QLatin1String RunBeforeDel{"RunBeforeDel"};
inline constexpr QLatin1String RunService{"RunService"};

inline constexpr QLatin1String arch{"arch"};
inline constexpr QLatin1String dest{"dest"};
inline constexpr QLatin1String note{"note"};
inline constexpr QLatin1String level{"level"};
inline constexpr QLatin1String maxfile{"maxfile"};
inline constexpr QLatin1String date{"date"};
inline constexpr QLatin1String update{"update"};
inline constexpr QLatin1String pass{"pass"};
inline constexpr QLatin1String sfx{"sfx"};
inline constexpr QLatin1String subdir{"subdir"};
inline constexpr QLatin1String storepath{"storepath"};
inline constexpr QLatin1String eject{"eject"};
inline constexpr QLatin1String qw95{"qw95"};
inline constexpr QLatin1String autoclose{"autoclose"};
inline constexpr QLatin1String stitre{"stitre"};
inline constexpr QLatin1String spath{"spath"};
inline constexpr QLatin1String scmd{"scmd"};
inline constexpr QLatin1String sow{"sow"};
inline constexpr QLatin1String msgsfx{"msgsfx"};
inline constexpr QLatin1String iboxmsg{"iboxmsg"};
inline constexpr QLatin1String smsg{"smsg"};
inline constexpr QLatin1String endmsg{"endmsg"};
inline constexpr QLatin1String autorun{"autorun"};
inline constexpr QLatin1String chglst{"chglst"};
inline constexpr QLatin1String iconame{"iconame"};
inline constexpr QLatin1String icoIndex{"icoIndex"};
inline constexpr QLatin1String runfile{"runfile"};

inline constexpr QLatin1String NameExeKsv{"NameExeKsv"};
inline constexpr QLatin1String PatchExeKsv{"PatchExeKsv"};
inline constexpr QLatin1String ToRun{"ToRun"};
inline constexpr QLatin1String ToDel{"ToDel"};
inline constexpr QLatin1String scheduleKey{"1"};

// Numbered query only.
inline constexpr QLatin1String data{"data"};
inline constexpr QLatin1String filter{"filter"};
inline constexpr QLatin1String exclu{"exclu"};

inline constexpr int FirstNumberedQuery = 1;
inline constexpr int LastNumberedQuery = 150;
inline constexpr int AutomaticIconIndex = 9999;
} // namespace QueryKeys

// Whose defaults apply to missing keys: the runner's, or the query editor's own.
enum class QueryDefaults
{
    Runner,
    Editor
};

// The options of [divers] (and of a numbered section). Member defaults are the runner's.
struct Query
{
    QString arch = QStringLiteral("NoName");
    QString dest = QStringLiteral("C:\\");
    QString note;
    int level = 1;
    int maxfile = 5;
    bool date = true;
    bool update = true;
    bool pass = false;
    bool sfx = false;
    bool subdir = true;
    bool storepath = true;
    bool eject = true;
    bool qw95 = false;
    bool autoclose = true;
    QString stitre = QStringLiteral("KESTRAVE : archives restoration .");
    QString spath = QStringLiteral("C:\\");
    QString scmd;
    bool sow = false;
    bool msgsfx = false;
    int iboxmsg = 1;
    QString iboxmsgText = QStringLiteral("1"); // the editor reads the key as text
    QString smsg;
    bool endmsg = true;
    bool autorun = false;
    bool chglst = false;
    QString iconame;
    int icoIndex = QueryKeys::AutomaticIconIndex;
    std::optional<bool> runfile; // written by the editor, read by no program

    // The start values under the given defaults (the editor: "SansNom", empty destination and
    // title, no end message, the program's default icon, icon index 0).
    static Query withDefaults(QueryDefaults defaults);

    // The icon index to use: 9999 ("automatic") gives 1 for a self-extracting query, else 0.
    int effectiveIconIndex() const;
    // The self-extractor command, used only when longer than 2 characters.
    bool hasSfxCommand() const { return scmd.size() > 2; }

    // Every key of one section, missing keys taking the given defaults. Runner defaults
    // upper-case dest and treat a blank stitre as missing; editor defaults fall back to the
    // default icon also when the named icon file does not exist.
    static Query fromSection(const IniDocument& doc, const QString& section, QueryDefaults defaults);
};

// One query file as read from disk.
struct QueryFile
{
    Query options;
    // The key=value lines of [add] and [exc] as they stand in the file, in file order.
    QStringList addLines;
    QStringList excLines;
    QString nameExeKsv; // [application]
    QString patchExeKsv;
    QString toRun;                   // [RunBeforeAdd]
    QString toDel;                   // [RunBeforeDel], reserved
    std::optional<QString> schedule; // [RunService] "1"

    // [add] and [exc] entries with the application folder given (after a search has filled it).
    QStringList addEntries(const QString& appFolder) const;
    QStringList excEntries(const QString& appFolder) const;
    QStringList addEntries() const { return addEntries(patchExeKsv); }
    QStringList excEntries() const { return excEntries(patchExeKsv); }

    static QueryFile load(const IniDocument& doc, QueryDefaults defaults = QueryDefaults::Runner);
    // nativePath: the file; a missing file gives every default and no entries.
    static QueryFile load(const QString& nativePath, QueryDefaults defaults = QueryDefaults::Runner);
};

// The entry of a key=value line of [add] or [exc]: a line holding ":" anywhere is absolute, its
// entry is the text right of the last "="; any other line is relative to the application
// folder (WorkOnDirString).
QString resolveEntryLine(const QString& line, const QString& appFolder);
QStringList resolveEntryLines(const QStringList& lines, const QString& appFolder);

// An [add] entry with the flags that apply to it.
struct IncludeEntry
{
    QString path;
    bool storePath = true;
    bool subDirs = true;
    bool operator==(const IncludeEntry&) const = default;
};

// Decodes [add] entries in order. A value ending in "<>PS" sets the flags from then on
// (P = "1" stores path names, S = "1" includes sub-folders, anything else turns the flag off);
// a value without the suffix uses the flags in force, at first the query's storepath and subdir.
class IncludeDecoder
{
public:
    IncludeDecoder(bool storePath, bool subDirs) : m_storePath(storePath), m_subDirs(subDirs) {}
    IncludeEntry next(const QString& value);
    static QList<IncludeEntry> decodeAll(const QStringList& values, bool storePath, bool subDirs);

private:
    bool m_storePath;
    bool m_subDirs;
};

// A numbered query: section "N" of the settings file.
struct NumberedQuery
{
    QString section;       // as typed: "07" names [07]
    QString dataFolder;    // `data` with a trailing backslash (empty when `data` is empty)
    QString filter;        // default "*.*"
    QString label;         // dataFolder + filter: the include specification
    QString exclusionText; // `exclu` as written
    QStringList exclusions;
    // Label shorter than 3 characters, no such section or no data folder: nothing else was read.
    bool empty = true;

    // Reads the section into query over the values in force. An empty query leaves query as
    // it was (the previous query's values, or the start values).
    static NumberedQuery load(const IniDocument& settings, const QString& section, Query& query);
};

// The exclusion items of `exclu`: cut at "|", empty items (leading, trailing or doubled bars)
// dropped, blanks around items dropped; with storePath each item is put behind dataFolder.
QStringList exclusionItems(const QString& exclu, bool storePath, const QString& dataFolder);

} // namespace ksv
