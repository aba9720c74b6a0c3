#pragma once

#include <QLatin1String>

// Every section and key name of the settings file "kestrave.ini" (and "KSV_EXPL.INI"), defined
// once. Names compare without regard to case in the file; these are the spellings written.
namespace ksv::SettingsKeys {

inline constexpr QLatin1String SettingsFileName{"kestrave.ini"};
inline constexpr QLatin1String ExplorerSettingsFileName{"KSV_EXPL.INI"};

inline constexpr QLatin1String General{"general"};
inline constexpr QLatin1String Admini{"admini"};
inline constexpr QLatin1String Div{"div"};
inline constexpr QLatin1String Explo{"explo"};
inline constexpr QLatin1String Divers{"divers"};
inline constexpr QLatin1String KsvFile{"KsvFile"};
inline constexpr QLatin1String RunServiceKsv{"RunServiceKsv"};
inline constexpr QLatin1String HistoryCfgDir{"HistoryCfgDir"};
inline constexpr QLatin1String Drives{"drives"};

// [general]
namespace general {
inline constexpr QLatin1String lnkstart{"lnkstart"};
inline constexpr QLatin1String lnkother{"lnkother"};
inline constexpr QLatin1String bstartsav{"bstartsav"};
inline constexpr QLatin1String botherlnk{"botherlnk"};
inline constexpr QLatin1String wav{"wav"};
inline constexpr QLatin1String automate{"automate"};
inline constexpr QLatin1String gif{"gif"};
inline constexpr QLatin1String dm{"dm"};
inline constexpr QLatin1String vhint{"vhint"};
inline constexpr QLatin1String DskTurnGame{"DskTurnGame"};
inline constexpr QLatin1String voirzip{"voirzip"};
inline constexpr QLatin1String log{"log"};
inline constexpr QLatin1String timeoutsec{"timeoutsec"};
inline constexpr QLatin1String split{"split"};
inline constexpr QLatin1String maxwrite{"maxwrite"};
inline constexpr QLatin1String logline{"logline"};
inline constexpr QLatin1String top{"top"};
inline constexpr QLatin1String left{"left"};
} // namespace general

// [admini]
namespace admini {
inline constexpr QLatin1String passw{"passw"};
inline constexpr QLatin1String s{"s"};
inline constexpr QLatin1String e{"e"};
inline constexpr QLatin1String f{"f"};
inline constexpr QLatin1String c{"c"};
inline constexpr QLatin1String a{"a"};
inline constexpr QLatin1String d{"d"};
inline constexpr QLatin1String n{"n"};
inline constexpr QLatin1String z{"z"};
inline constexpr QLatin1String r{"r"};
inline constexpr QLatin1String l{"l"};
} // namespace admini

// [div]
namespace div {
inline constexpr QLatin1String dateinstall{"dateinstall"};
} // namespace div

// [explo]
namespace explo {
inline constexpr QLatin1String top{"top"};
inline constexpr QLatin1String left{"left"};
inline constexpr QLatin1String width{"width"};
inline constexpr QLatin1String ma{"ma"};
inline constexpr QLatin1String mb{"mb"};
inline constexpr QLatin1String mt{"mt"};
inline constexpr QLatin1String md{"md"};
inline constexpr QLatin1String ftop{"ftop"};
inline constexpr QLatin1String exploextr{"exploextr"};
inline constexpr QLatin1String msgextr{"msgextr"};
inline constexpr QLatin1String level{"level"};
inline constexpr QLatin1String sfx{"sfx"};
inline constexpr QLatin1String subdir{"subdir"};
inline constexpr QLatin1String storepath{"storepath"};
inline constexpr QLatin1String pass{"pass"};
inline constexpr QLatin1String update{"update"};
inline constexpr QLatin1String date{"date"};
inline constexpr QLatin1String eject{"eject"};
inline constexpr QLatin1String close{"close"};
} // namespace explo

// [divers] of the settings file (the query-file section of the same name: QueryKeys.h)
namespace settingsDivers {
inline constexpr QLatin1String icoIndex{"icoIndex"};
} // namespace settingsDivers

// History sections (a history's name is its section; items "n0", "n1", ..., current text "last").
namespace history {
inline constexpr QLatin1String itemPrefix{"n"};
inline constexpr QLatin1String last{"last"};
inline constexpr QLatin1String HistoryNOParmDir{"HistoryNOParmDir"};
inline constexpr QLatin1String cutdir{"cutdir"};
inline constexpr QLatin1String dir001{"001dir"};
inline constexpr QLatin1String restoredir{"restoredir"};
inline constexpr QLatin1String HWC{"HWC"};
inline constexpr QLatin1String HistoryShelDir{"HistoryShelDir"};
inline constexpr QLatin1String HistoryExtrDir{"HistoryExtrDir"};
inline constexpr QLatin1String titres{"titres"};
inline constexpr QLatin1String HistoryDefExtrDir{"HistoryDefExtrDir"};
inline constexpr QLatin1String KsvFile{"KsvFile"};
// Default entries of the histories that have one.
inline constexpr QLatin1String HWCDefaultKsvPro{"*.*"};
inline constexpr QLatin1String HistoryExtrDirDefault{"C:\\"};
inline constexpr QLatin1String titresDefault{"My programm setup"};
inline constexpr QLatin1String HistoryDefExtrDirDefault{"TEMP Dir user"};
inline constexpr QLatin1String HistoryCfgDirDefault{"C:\\"};
} // namespace history

} // namespace ksv::SettingsKeys
