#pragma once

#include <functional>

#include "CommandRegistry.h"

namespace hazard_desk::cli {

// The commands print their results on standard output, so the camera layer's
// colour console sinks (which also write there) are silenced; the log files
// keep everything.
void silenceConsoleLogging();

// "discover" without "--raw" lists the workstation's own devices, which the
// obstacle bridge provides: its command file installs the handler here at
// static-initialisation time.
std::function<int(CommandContext&)>& workstationDiscoverHandler();

}  // namespace hazard_desk::cli
