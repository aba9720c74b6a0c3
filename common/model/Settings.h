#pragma once

#include "IniDocument.h"
#include "IniFile.h"

#include <QString>
#include <QStringList>

#include <optional>

// Typed view of the settings file: every key of [general], [admini], [div] and [explo] with its
// type and default. Loading reads one snapshot of the file; a missing file gives every default.
namespace ksv {

struct GeneralSettings
{
    QString lnkstart; // default: NameRepSauvegarde
    QString lnkother; // default: DossierBureau() + "BackupMyFiles\"
    bool bstartsav = true;
    bool botherlnk = false;
    bool wav = true;
    bool automate = true;
    bool gif = true;
    bool dm = true; // date prefix day before month
    bool vhint = true;
    bool DskTurnGame = false;
    bool voirzip = true;
    bool log = true;
    int timeoutsec = 20;
    int split = 197;
    int maxwrite = 10; // read, not used
    int logline = 1500;
    std::optional<int> top; // written at quit, read by no program
    std::optional<int> left;

    static GeneralSettings load(const IniDocument& settings);
    static GeneralSettings load(const IniFile& settings);
};

// The built-in digest that, like an empty value, means "no administrator password".
inline const QString BuiltInNoAdminPassword = QStringLiteral("6B0E4F27 A5C8D913 7F2E0B64 C1D95A38 E40B7C12");

// [admini]: what the administrator allows (1) or forbids (0), and the password digest.
struct AdminFlags
{
    QString passw;
    bool s = true; // screen saver allowed during a run
    bool e = true; // free-space label, opening the destination
    bool f = true; // formatting
    bool c = true; // query editor
    bool a = true; // automatic launch box
    bool d = true; // deleting a combo history
    bool n = true; // creating folders from the destination combo
    bool z = true; // permanent password / auto-close dialog
    bool r = true; // cutting and restoring split files
    bool l = true; // log menu and long-log question

    // False when passw is empty or the built-in value.
    bool hasPassword() const;
    // The right administrator password lifts e, f, c, a, l, r and z for this process;
    // d and n keep their values.
    void liftForAdministrator();

    static AdminFlags load(const IniDocument& settings);
    static AdminFlags load(const IniFile& settings);
};

// [explo]: the archive manager and the quick folder backup of ksv_expl.
struct ExploSettings
{
    int top = 0;
    int left = 0;
    int width = 0;
    bool ma = false; // hide "After"
    bool mb = false; // hide "Before"
    bool mt = false; // hide "%"
    bool md = false; // hide "Date"
    bool ftop = true;
    bool exploextr = false;
    bool msgextr = true;
    int level = 1;
    bool sfx = false;
    bool subdir = true;
    bool storepath = true;
    bool pass = false;
    bool update = false;
    bool date = true;
    bool eject = false;
    bool close = false;

    static ExploSettings load(const IniDocument& settings);
    static ExploSettings load(const IniFile& settings);
    // Writes every key (the windows save their state at quit).
    bool save(IniFile& settings) const;
};

namespace Settings {

// program folder + "kestrave.ini", native.
QString settingsFilePath();
// ksv_expl's file: "KESTRAVE.INI" in the program folder when it exists (any case), else "KSV_EXPL.INI".
QString explorerSettingsFilePath();

// The package's settings path (its variable iniFileName), used by the history routines and the
// package dialogs when no path is given; native. Default: settingsFilePath(). ksv_pro sets it.
QString iniFileName();
void setIniFileName(const QString& nativePath);

// [divers] icoIndex of the settings file: the icon index ksv_pro proposes when the
// self-extracting option is switched (default 1 when switched on, 0 when switched off).
int proposedIconIndex(const IniFile& settings, bool sfxOn);
// [HistoryCfgDir] last, default "C:\": the destination for a loaded query without one.
QString historyCfgDir(const IniFile& settings);

// Lists kept as "n0", "n1", ... ([KsvFile], [RunServiceKsv]): read up to the first missing key.
QStringList readNumberedList(const IniDocument& settings, const QString& section);
// Writes items as "n0".."n<k-1>" in one atomic write; keys beyond the new count stay as they are
// unless removeRest is set.
bool writeNumberedList(IniFile& settings, const QString& section, const QStringList& items,
                       bool removeRest = false);

// [div] dateinstall as stored (enciphered; see PermanentPassword.h).
QString storedPermanentPassword(const IniFile& settings);

// Small write helpers for the keys the programs write back.
bool writeBool(IniFile& settings, QLatin1String section, QLatin1String key, bool value);
bool writeInteger(IniFile& settings, QLatin1String section, QLatin1String key, int value);
bool writeString(IniFile& settings, QLatin1String section, QLatin1String key, const QString& value);

} // namespace Settings

} // namespace ksv
