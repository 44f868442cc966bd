#include "CameraCommandSupport.h"

namespace hazard_desk::cli {

std::function<int(CommandContext&)>& workstationDiscoverHandler()
{
    static std::function<int(CommandContext&)> handler;
    return handler;
}

}  // namespace hazard_desk::cli
