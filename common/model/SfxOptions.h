#pragma once

#include "IniDocument.h"

#include <QString>

namespace ksv {

// The 13 self-extractor values of a query as the query editor moves them between the query
// file's [divers] section and the package dialog CfgSFX.
struct SfxOptions
{
    bool chglst = false;
    bool autorun = false;
    bool msgsfx = false;
    QString iboxmsg = QStringLiteral("1"); // kind of message box, kept as text
    QString smsg;
    QString stitre;
    QString iconame;
    int icoIndex = 0;
    bool endmsg = false;
    QString spath = QStringLiteral("C:\\"); // "TEMP Dir user" stands for "><"
    bool sow = false;
    QString scmd;
    bool runfile = false;

    // Editor loading rules: a named icon that does not exist becomes the default icon file
    // (program folder + default icon name); "><" is shown as "TEMP Dir user"; the run-a-file box
    // is ticked when scmd has 2 or more characters.
    static SfxOptions load(const IniDocument& query, const QString& section = QStringLiteral("divers"));
    // Saving rules: spath is written as "><" when its text contains "TEMP Dir user"; scmd is
    // written only while the run-a-file box is ticked, otherwise the stored value stays.
    void save(IniDocument& query, const QString& section = QStringLiteral("divers")) const;
};

inline const QString TempDirUserText = QStringLiteral("TEMP Dir user");
inline const QString TempDirMarker = QStringLiteral("><");

} // namespace ksv
