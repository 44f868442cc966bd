#pragma once
// The image export's module log ("logs/SshExport.log"). Messages name hosts,
// folders and exit codes, never a password.
#include <memory>

#include <spdlog/logger.h>

namespace hazard_desk {

const std::shared_ptr<spdlog::logger>& sshLog();

}  // namespace hazard_desk
