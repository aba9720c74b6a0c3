#include "Settings.h"

#include "PackageConstants.h"
#include "PackagePaths.h"
#include "ProgramFolder.h"
#include "SettingsKeys.h"

#include <QDir>

namespace ksv {

namespace K = SettingsKeys;

namespace {

std::optional<int> optionalInteger(const IniDocument& doc, QLatin1String section, QLatin1String key)
{
    QString text;
    int value = 0;
    if (doc.value(section, key, &text) && IniDocument::parseInteger(text, &value))
        return value;
    return std::nullopt;
}

// A file of the program folder found without regard to case; empty when there is none.
QString programFileAnyCase(const QString& name)
{
    const QDir folder(ProgramFolder::native());
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder.filePath(entry);
    }
    return {};
}

} // namespace

GeneralSettings GeneralSettings::load(const IniDocument& ini)
{
    namespace g = K::general;
    const QLatin1String s = K::General;
    GeneralSettings out;
    out.lnkstart = ini.readString(s, g::lnkstart, NameRepSauvegarde);
    out.lnkother = ini.readString(s, g::lnkother, DossierBureau() + QStringLiteral("BackupMyFiles\\"));
    out.bstartsav = ini.readBool(s, g::bstartsav, out.bstartsav);
    out.botherlnk = ini.readBool(s, g::botherlnk, out.botherlnk);
    out.wav = ini.readBool(s, g::wav, out.wav);
    out.automate = ini.readBool(s, g::automate, out.automate);
    out.gif = ini.readBool(s, g::gif, out.gif);
    out.dm = ini.readBool(s, g::dm, out.dm);
    out.vhint = ini.readBool(s, g::vhint, out.vhint);
    out.DskTurnGame = ini.readBool(s, g::DskTurnGame, out.DskTurnGame);
    out.voirzip = ini.readBool(s, g::voirzip, out.voirzip);
    out.log = ini.readBool(s, g::log, out.log);
    out.timeoutsec = ini.readInteger(s, g::timeoutsec, out.timeoutsec);
    out.split = ini.readInteger(s, g::split, out.split);
    out.maxwrite = ini.readInteger(s, g::maxwrite, out.maxwrite);
    out.logline = ini.readInteger(s, g::logline, out.logline);
    out.top = optionalInteger(ini, s, g::top);
    out.left = optionalInteger(ini, s, g::left);
    return out;
}

GeneralSettings GeneralSettings::load(const IniFile& settings)
{
    return load(settings.snapshot());
}

bool AdminFlags::hasPassword() const
{
    const QString p = passw.trimmed();
    return !p.isEmpty() && p != BuiltInNoAdminPassword;
}

void AdminFlags::liftForAdministrator()
{
    e = f = c = a = l = r = z = true;
}

AdminFlags AdminFlags::load(const IniDocument& ini)
{
    namespace a = K::admini;
    const QLatin1String s = K::Admini;
    AdminFlags out;
    out.passw = ini.readString(s, a::passw);
    out.s = ini.readBool(s, a::s, true);
    out.e = ini.readBool(s, a::e, true);
    out.f = ini.readBool(s, a::f, true);
    out.c = ini.readBool(s, a::c, true);
    out.a = ini.readBool(s, a::a, true);
    out.d = ini.readBool(s, a::d, true);
    out.n = ini.readBool(s, a::n, true);
    out.z = ini.readBool(s, a::z, true);
    out.r = ini.readBool(s, a::r, true);
    out.l = ini.readBool(s, a::l, true);
    return out;
}

AdminFlags AdminFlags::load(const IniFile& settings)
{
    return load(settings.snapshot());
}

ExploSettings ExploSettings::load(const IniDocument& ini)
{
    namespace x = K::explo;
    const QLatin1String s = K::Explo;
    ExploSettings out;
    out.top = ini.readInteger(s, x::top, out.top);
    out.left = ini.readInteger(s, x::left, out.left);
    out.width = ini.readInteger(s, x::width, out.width);
    out.ma = ini.readBool(s, x::ma, out.ma);
    out.mb = ini.readBool(s, x::mb, out.mb);
    out.mt = ini.readBool(s, x::mt, out.mt);
    out.md = ini.readBool(s, x::md, out.md);
    out.ftop = ini.readBool(s, x::ftop, out.ftop);
    out.exploextr = ini.readBool(s, x::exploextr, out.exploextr);
    out.msgextr = ini.readBool(s, x::msgextr, out.msgextr);
    out.level = ini.readInteger(s, x::level, out.level);
    out.sfx = ini.readBool(s, x::sfx, out.sfx);
    out.subdir = ini.readBool(s, x::subdir, out.subdir);
    out.storepath = ini.readBool(s, x::storepath, out.storepath);
    out.pass = ini.readBool(s, x::pass, out.pass);
    out.update = ini.readBool(s, x::update, out.update);
    out.date = ini.readBool(s, x::date, out.date);
    out.eject = ini.readBool(s, x::eject, out.eject);
    out.close = ini.readBool(s, x::close, out.close);
    return out;
}

ExploSettings ExploSettings::load(const IniFile& settings)
{
    return load(settings.snapshot());
}

bool ExploSettings::save(IniFile& settings) const
{
    namespace x = K::explo;
    return settings.update([this](IniDocument& doc) {
        const QLatin1String s = K::Explo;
        const auto b = [](bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); };
        const auto i = [](int v) { return QString::number(v); };
        doc.setValue(s, x::top, i(top));
        doc.setValue(s, x::left, i(left));
        doc.setValue(s, x::width, i(width));
        doc.setValue(s, x::ma, b(ma));
        doc.setValue(s, x::mb, b(mb));
        doc.setValue(s, x::mt, b(mt));
        doc.setValue(s, x::md, b(md));
        doc.setValue(s, x::ftop, b(ftop));
        doc.setValue(s, x::exploextr, b(exploextr));
        doc.setValue(s, x::msgextr, b(msgextr));
        doc.setValue(s, x::level, i(level));
        doc.setValue(s, x::sfx, b(sfx));
        doc.setValue(s, x::subdir, b(subdir));
        doc.setValue(s, x::storepath, b(storepath));
        doc.setValue(s, x::pass, b(pass));
        doc.setValue(s, x::update, b(update));
        doc.setValue(s, x::date, b(date));
        doc.setValue(s, x::eject, b(eject));
        doc.setValue(s, x::close, b(close));
    });
}

namespace Settings {

QString settingsFilePath()
{
    return ProgramFolder::native() + K::SettingsFileName;
}

QString explorerSettingsFilePath()
{
    const QString shared = programFileAnyCase(K::SettingsFileName);
    if (!shared.isEmpty())
        return shared;
    const QString own = programFileAnyCase(K::ExplorerSettingsFileName);
    if (!own.isEmpty())
        return own;
    return ProgramFolder::native() + K::ExplorerSettingsFileName;
}

namespace {
QString& iniFileNameStore()
{
    static QString path;
    return path;
}
} // namespace

QString iniFileName()
{
    const QString& set = iniFileNameStore();
    return set.isEmpty() ? settingsFilePath() : set;
}

void setIniFileName(const QString& nativePath)
{
    iniFileNameStore() = nativePath;
}

int proposedIconIndex(const IniFile& settings, bool sfxOn)
{
    return settings.readInteger(K::Divers, K::settingsDivers::icoIndex, sfxOn ? 1 : 0);
}

QString historyCfgDir(const IniFile& settings)
{
    return settings.readString(K::HistoryCfgDir, K::history::last, K::history::HistoryCfgDirDefault);
}

QStringList readNumberedList(const IniDocument& settings, const QString& section)
{
    QStringList out;
    for (int i = 0;; ++i) {
        QString value;
        if (!settings.value(section, K::history::itemPrefix + QString::number(i), &value))
            break;
        out.append(value);
    }
    return out;
}

bool writeNumberedList(IniFile& settings, const QString& section, const QStringList& items, bool removeRest)
{
    return settings.update([&](IniDocument& doc) {
        for (qsizetype i = 0; i < items.size(); ++i)
            doc.setValue(section, K::history::itemPrefix + QString::number(i), items.at(i));
        if (!removeRest)
            return;
        for (qsizetype i = items.size();; ++i) {
            if (!doc.removeKey(section, K::history::itemPrefix + QString::number(i)))
                break;
        }
    });
}

QString storedPermanentPassword(const IniFile& settings)
{
    return settings.readString(K::Div, K::div::dateinstall);
}

bool writeBool(IniFile& settings, QLatin1String section, QLatin1String key, bool value)
{
    return settings.writeBool(section, key, value);
}

bool writeInteger(IniFile& settings, QLatin1String section, QLatin1String key, int value)
{
    return settings.writeInteger(section, key, value);
}

bool writeString(IniFile& settings, QLatin1String section, QLatin1String key, const QString& value)
{
    return settings.writeString(section, key, value);
}

} // namespace Settings

} // namespace ksv
