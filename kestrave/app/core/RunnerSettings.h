#pragma once

#include "Settings.h"

#include <QString>

namespace ksv {

class IniFile;

// What the settings loader reads at every start and run: the general settings and the
// administrator flags, from one snapshot of the settings file.
struct RunnerSettings
{
    GeneralSettings general;
    AdminFlags admin;

    static RunnerSettings read(const IniFile& settings);
};

// The two shortcut folders (DOS form, trailing "\"): the Start-menu programs folder + lnkstart,
// and lnkother.
QString startMenuShortcutFolder(const GeneralSettings& general);
QString otherShortcutFolder(const GeneralSettings& general);

} // namespace ksv
