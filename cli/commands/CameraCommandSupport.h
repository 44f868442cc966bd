#pragma once

#include <functional>

#include "CommandRegistry.h"

namespace hazard_desk::cli {

// "discover" without "--raw" lists the workstation's own devices, which the
// obstacle bridge provides: its command file installs the handler here at
// static-initialisation time.
std::function<int(CommandContext&)>& workstationDiscoverHandler();

}  // namespace hazard_desk::cli
