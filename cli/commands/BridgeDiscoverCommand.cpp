// "discover" without "--raw": the workstation's device list from the bridge.
#include "BridgeCommandSupport.h"
#include "CameraCommandSupport.h"

namespace hazard_desk::cli {
namespace {

int runWorkstationDiscover(CommandContext& ctx)
{
    QString error;
    const std::vector<CameraDescriptor> devices = ObstacleCameraBridge::listDevices(&error);
    if (!error.isEmpty()) {
        ctx.err << "hazard-desk-cli discover: " << error.toStdString() << "\n";
        return kExitFailed;
    }
    for (const CameraDescriptor& descriptor : devices) {
        printLine(ctx, descriptorJson(descriptor));
    }
    return kExitOk;
}

const bool kInstalled = [] {
    workstationDiscoverHandler() = runWorkstationDiscover;
    return true;
}();

}  // namespace
}  // namespace hazard_desk::cli
