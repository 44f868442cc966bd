#include <vector>

#include <nlohmann/json.hpp>

#include "ArgumentParser.h"
#include "CameraCommandSupport.h"
#include "CommandRegistry.h"
#include "ZrCameraK7.h"

namespace hazard_desk::cli {
namespace {

int runDiscover(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.flag("--raw");
    if (!parser.parse(ctx.args) || !parser.positional().empty()) {
        ctx.err << "hazard-desk-cli discover: "
                << (parser.error().empty() ? "unexpected argument '" + parser.positional().front() + "'"
                                           : parser.error())
                << "\n";
        return kExitUsage;
    }
    if (!parser.has("--raw")) {
        if (workstationDiscoverHandler()) {
            return workstationDiscoverHandler()(ctx);
        }
        ctx.err << "hazard-desk-cli discover: the workstation device list is not part of this build; "
                   "use 'discover --raw' for the SDK's own list\n";
        return kExitUsage;
    }

    std::vector<algPlatform::SdkDeviceRecord> records;
    const std::int32_t status = algPlatform::ZrCameraK7::listSdkDevices(records);
    if (status != 0) {
        ctx.err << "hazard-desk-cli discover: DcGetDeviceList failed, state=" << status
                << ", error=" << algPlatform::ZrCameraK7::errorText(status) << "\n";
        return kExitFailed;
    }
    for (const algPlatform::SdkDeviceRecord& record : records) {
        const algPlatform::DeviceInfo& info = record.info;
        nlohmann::ordered_json line;
        line["type"] = static_cast<std::int32_t>(info.type);
        line["id"] = info.id;
        line["serial"] = info.serial;
        line["extra1"] = info.extra1;
        line["name"] = info.name;
        line["typeName"] = info.typeName;
        line["ip"] = info.ip;
        line["extra2"] = info.extra2;
        line["extra3"] = info.extra3;
        line["handle"] = info.handle;
        line["deviceType"] = record.deviceType;
        ctx.out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    }
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "discover", "list the cameras on the network (--raw: every record the SDK lists)",
    "Usage: hazard-desk-cli discover --raw\n"
    "\n"
    "  --raw   one JSON object per line for every record the camera SDK lists, in\n"
    "          discovery order, without family filtering: \"type\", \"id\", \"serial\",\n"
    "          \"extra1\", \"name\", \"typeName\", \"ip\", \"extra2\", \"extra3\", \"handle\"\n"
    "          and the SDK device type code \"deviceType\".\n"
    "\n"
    "Without --raw: the workstation's own device list.\n",
    runDiscover}};

}  // namespace
}  // namespace hazard_desk::cli
