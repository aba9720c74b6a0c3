#include "Query.h"

#include "NativePath.h"
#include "PackageConstants.h"
#include "PackagePaths.h"
#include "PackageStrings.h"

#include <QFileInfo>

namespace ksv {

namespace Q = QueryKeys;

Query Query::withDefaults(QueryDefaults defaults)
{
    Query q;
    if (defaults == QueryDefaults::Editor) {
        q.arch = QStringLiteral("SansNom");
        q.dest.clear();
        q.stitre.clear();
        q.endmsg = false;
        q.iconame = CheminProg() + IconeDefautN;
        q.icoIndex = 0;
    }
    return q;
}

int Query::effectiveIconIndex() const
{
    if (icoIndex == Q::AutomaticIconIndex)
        return sfx ? 1 : 0;
    return icoIndex;
}

Query Query::fromSection(const IniDocument& doc, const QString& section, QueryDefaults defaults)
{
    Query q = withDefaults(defaults);
    const QString& s = section;
    q.arch = doc.readString(s, Q::arch, q.arch);
    q.dest = doc.readString(s, Q::dest, q.dest);
    q.note = doc.readString(s, Q::note, q.note);
    q.level = doc.readInteger(s, Q::level, q.level);
    q.maxfile = doc.readInteger(s, Q::maxfile, q.maxfile);
    q.date = doc.readBool(s, Q::date, q.date);
    q.update = doc.readBool(s, Q::update, q.update);
    q.pass = doc.readBool(s, Q::pass, q.pass);
    q.sfx = doc.readBool(s, Q::sfx, q.sfx);
    q.subdir = doc.readBool(s, Q::subdir, q.subdir);
    q.storepath = doc.readBool(s, Q::storepath, q.storepath);
    q.eject = doc.readBool(s, Q::eject, q.eject);
    q.qw95 = doc.readBool(s, Q::qw95, q.qw95);
    q.autoclose = doc.readBool(s, Q::autoclose, q.autoclose);
    q.stitre = doc.readString(s, Q::stitre, q.stitre);
    q.spath = doc.readString(s, Q::spath, q.spath);
    q.scmd = doc.readString(s, Q::scmd, q.scmd);
    q.sow = doc.readBool(s, Q::sow, q.sow);
    q.msgsfx = doc.readBool(s, Q::msgsfx, q.msgsfx);
    q.iboxmsg = doc.readInteger(s, Q::iboxmsg, q.iboxmsg);
    q.iboxmsgText = doc.readString(s, Q::iboxmsg, q.iboxmsgText);
    q.smsg = doc.readString(s, Q::smsg, q.smsg);
    q.endmsg = doc.readBool(s, Q::endmsg, q.endmsg);
    q.autorun = doc.readBool(s, Q::autorun, q.autorun);
    q.chglst = doc.readBool(s, Q::chglst, q.chglst);
    q.iconame = doc.readString(s, Q::iconame, q.iconame);
    q.icoIndex = doc.readInteger(s, Q::icoIndex, q.icoIndex);
    QString runfileText;
    int runfileValue = 0;
    if (doc.value(s, Q::runfile, &runfileText) && IniDocument::parseInteger(runfileText, &runfileValue))
        q.runfile = runfileValue != 0;

    if (defaults == QueryDefaults::Runner) {
        q.dest = q.dest.toUpper();
        if (q.stitre.trimmed().isEmpty())
            q.stitre = Query().stitre;
    } else {
        const QString named = q.iconame.trimmed();
        const QString native = NativePath::of(named);
        if (named.isEmpty() || native.isEmpty() || !QFileInfo(native).isFile())
            q.iconame = CheminProg() + IconeDefautN;
    }
    return q;
}

QString resolveEntryLine(const QString& line, const QString& appFolder)
{
    if (line.contains(QLatin1Char(':')))
        return DroiteDroite(QStringLiteral("="), line).trimmed();
    return WorkOnDirString(appFolder, line);
}

QStringList resolveEntryLines(const QStringList& lines, const QString& appFolder)
{
    QStringList out;
    out.reserve(lines.size());
    for (const QString& line : lines)
        out.append(resolveEntryLine(line, appFolder));
    return out;
}

QStringList QueryFile::addEntries(const QString& appFolder) const
{
    return resolveEntryLines(addLines, appFolder);
}

QStringList QueryFile::excEntries(const QString& appFolder) const
{
    return resolveEntryLines(excLines, appFolder);
}

QueryFile QueryFile::load(const IniDocument& doc, QueryDefaults defaults)
{
    QueryFile f;
    f.options = Query::fromSection(doc, Q::Divers, defaults);
    f.addLines = doc.rawSectionLines(Q::Add);
    f.excLines = doc.rawSectionLines(Q::Exc);
    f.nameExeKsv = doc.readString(Q::Application, Q::NameExeKsv);
    f.patchExeKsv = doc.readString(Q::Application, Q::PatchExeKsv);
    f.toRun = doc.readString(Q::RunBeforeAdd, Q::ToRun);
    f.toDel = doc.readString(Q::RunBeforeDel, Q::ToDel);
    QString schedule;
    if (doc.value(Q::RunService, Q::scheduleKey, &schedule))
        f.schedule = schedule;
    return f;
}

QueryFile QueryFile::load(const QString& nativePath, QueryDefaults defaults)
{
    return load(IniDocument::fromFile(nativePath), defaults);
}

IncludeEntry IncludeDecoder::next(const QString& value)
{
    IncludeEntry entry;
    const qsizetype mark = value.lastIndexOf(QLatin1String("<>"));
    if (mark >= 0) {
        const QString flags = value.mid(mark + 2);
        m_storePath = flags.size() > 0 && flags.at(0) == QLatin1Char('1');
        m_subDirs = flags.size() > 1 && flags.at(1) == QLatin1Char('1');
        entry.path = value.left(mark).trimmed();
    } else {
        entry.path = value.trimmed();
    }
    entry.storePath = m_storePath;
    entry.subDirs = m_subDirs;
    return entry;
}

QList<IncludeEntry> IncludeDecoder::decodeAll(const QStringList& values, bool storePath, bool subDirs)
{
    IncludeDecoder decoder(storePath, subDirs);
    QList<IncludeEntry> out;
    for (const QString& v : values)
        out.append(decoder.next(v));
    return out;
}

QStringList exclusionItems(const QString& exclu, bool storePath, const QString& dataFolder)
{
    QStringList out;
    const QStringList parts = exclu.split(QLatin1Char('|'));
    for (const QString& part : parts) {
        const QString item = part.trimmed();
        if (item.isEmpty())
            continue;
        out.append(storePath ? AppendSlash(dataFolder) + item : item);
    }
    return out;
}

NumberedQuery NumberedQuery::load(const IniDocument& settings, const QString& section, Query& query)
{
    NumberedQuery n;
    n.section = section;
    n.dataFolder = AppendSlash(settings.readString(section, Q::data));
    n.filter = settings.readString(section, Q::filter, QStringLiteral("*.*"));
    n.label = n.dataFolder + n.filter;
    // Beyond the length rule, a section that is not there or has no data folder is empty too:
    // otherwise a mask alone ("*.*") would stand for whatever the current folder is.
    n.empty = n.label.size() < 3 || !settings.hasSection(section) || n.dataFolder.trimmed().isEmpty();
    if (n.empty)
        return n;
    query = Query::fromSection(settings, section, QueryDefaults::Runner);
    n.exclusionText = settings.readString(section, Q::exclu);
    n.exclusions = exclusionItems(n.exclusionText, query.storepath, n.dataFolder);
    return n;
}

} // namespace ksv
