#include "SfxOptions.h"

#include "NativePath.h"
#include "PackageConstants.h"
#include "PackagePaths.h"
#include "Query.h"

#include <QFileInfo>

namespace ksv {

namespace Q = QueryKeys;

SfxOptions SfxOptions::load(const IniDocument& query, const QString& section)
{
    SfxOptions o;
    o.chglst = query.readBool(section, Q::chglst, o.chglst);
    o.autorun = query.readBool(section, Q::autorun, o.autorun);
    o.msgsfx = query.readBool(section, Q::msgsfx, o.msgsfx);
    o.iboxmsg = query.readString(section, Q::iboxmsg, o.iboxmsg);
    o.smsg = query.readString(section, Q::smsg);
    o.stitre = query.readString(section, Q::stitre);
    o.iconame = query.readString(section, Q::iconame);
    o.icoIndex = query.readInteger(section, Q::icoIndex, o.icoIndex);
    o.endmsg = query.readBool(section, Q::endmsg, o.endmsg);
    o.spath = query.readString(section, Q::spath, o.spath);
    o.sow = query.readBool(section, Q::sow, o.sow);
    o.scmd = query.readString(section, Q::scmd);
    o.runfile = o.scmd.size() >= 2;

    const QString native = NativePath::of(o.iconame.trimmed());
    if (native.isEmpty() || !QFileInfo(native).isFile())
        o.iconame = CheminProg() + IconeDefautN;
    if (o.spath.trimmed() == TempDirMarker)
        o.spath = TempDirUserText;
    return o;
}

void SfxOptions::save(IniDocument& query, const QString& section) const
{
    const auto b = [](bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); };
    query.setValue(section, Q::chglst, b(chglst));
    query.setValue(section, Q::autorun, b(autorun));
    query.setValue(section, Q::msgsfx, b(msgsfx));
    query.setValue(section, Q::iboxmsg, iboxmsg);
    query.setValue(section, Q::smsg, smsg);
    query.setValue(section, Q::stitre, stitre);
    query.setValue(section, Q::iconame, iconame);
    query.setValue(section, Q::icoIndex, QString::number(icoIndex));
    query.setValue(section, Q::endmsg, b(endmsg));
    query.setValue(section, Q::spath, spath.contains(TempDirUserText) ? TempDirMarker : spath);
    query.setValue(section, Q::sow, b(sow));
    if (runfile)
        query.setValue(section, Q::scmd, scmd);
    query.setValue(section, Q::runfile, b(runfile));
}

} // namespace ksv
