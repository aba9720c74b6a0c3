#include "RunnerSettings.h"

#include "IniFile.h"
#include "PackagePaths.h"


namespace ksv {

RunnerSettings RunnerSettings::read(const IniFile& settings)
{
    const IniDocument snapshot = settings.snapshot();
    return {GeneralSettings::load(snapshot), AdminFlags::load(snapshot)};
}

QString startMenuShortcutFolder(const GeneralSettings& general)
{
    return AppendSlash(DossierDemarrer() + general.lnkstart);
}

QString otherShortcutFolder(const GeneralSettings& general)
{
    return AppendSlash(general.lnkother);
}

} // namespace ksv
