#include "PlatformBackends.h"

#include "DriveServices_linux.h"
#include "DriveServices_simulated.h"
#include "PlatformEnvironment.h"
#include "SystemActions_linux.h"
#include "SystemActions_simulated.h"

namespace ksv {

std::unique_ptr<DriveServices> createDriveServices()
{
    const auto& env = PlatformEnvironment::current();
    if (env.simulated)
        return std::make_unique<SimulatedDriveServices>(env.drivesFile);
    return std::make_unique<LinuxDriveServices>();
}

std::unique_ptr<SystemActions> createSystemActions()
{
    if (PlatformEnvironment::current().simulated)
        return std::make_unique<SimulatedSystemActions>();
    return std::make_unique<LinuxSystemActions>();
}

} // namespace ksv
