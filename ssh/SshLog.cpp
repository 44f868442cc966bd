#include "SshLog.h"

#include "ZrLogger.h"

namespace hazard_desk {

const std::shared_ptr<spdlog::logger>& sshLog()
{
    static const std::shared_ptr<spdlog::logger> logger =
        algPlatform::ZrLogger::getLogger("SshExport", "logs/SshExport.log");
    return logger;
}

}  // namespace hazard_desk
