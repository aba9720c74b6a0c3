#pragma once

#include <memory>

namespace ksv {

class DriveServices;
class SystemActions;

// The one place that chooses a backend: the simulated one with KESTRAVE_PLATFORM=simulated,
// else the real desktop's.
std::unique_ptr<DriveServices> createDriveServices();
std::unique_ptr<SystemActions> createSystemActions();

} // namespace ksv
