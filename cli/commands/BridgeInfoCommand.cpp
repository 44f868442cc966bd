// "info --ip IP": the connected camera's completed descriptor, the SDK
// version, the algorithm mode and the model's capability profile.
#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"
#include "CameraCapabilities.h"

namespace hazard_desk::cli {
namespace {

int runInfo(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip");
    if (!parser.parse(ctx.args) || !parser.positional().empty() || !parser.value("--ip")) {
        ctx.err << "hazard-desk-cli info: "
                << (!parser.error().empty() ? parser.error() : std::string("usage: info --ip IP")) << "\n";
        return kExitUsage;
    }
    auto bridge = connectBridge("info", *parser.value("--ip"), ctx);
    if (!bridge) {
        return kExitFailed;
    }
    const CameraDescriptor& d = bridge->descriptor();
    int mode = -1;
    QString modeError;
    bridge->readAlgorithmMode(mode, &modeError);
    const algPlatform::CapabilityProfile profile = algPlatform::capabilityProfile(d.sdkDeviceType, d.cameraType);

    nlohmann::ordered_json json;
    json["descriptor"] = descriptorJson(d);
    json["sdkVersion"] = ObstacleCameraBridge::sdkVersion().toStdString();
    json["algorithmMode"] = mode;
    if (!modeError.isEmpty()) {
        json["algorithmModeError"] = modeError.toStdString();
    }
    nlohmann::ordered_json capabilities;
    capabilities["v1Offered"] = profile.v1Offered;
    capabilities["v2Offered"] = profile.v2Offered;
    capabilities["groundCalibration"] = profile.groundCalibration;
    capabilities["ioMode"] = profile.ioMode;
    capabilities["recommendedMode"] = static_cast<int>(profile.recommendedMode);
    capabilities["supported"] = profile.supported();
    capabilities["usesTemplateControl"] = algPlatform::usesTemplateControl(d.sdkDeviceType, mode);
    json["capabilities"] = capabilities;
    printLine(ctx, json);
    bridge->closeCamera(nullptr);
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "info", "connect to a camera and print its descriptor, SDK version, algorithm mode and capabilities",
    "Usage: hazard-desk-cli info --ip IP\n"
    "\n"
    "Opens the camera and prepares its streams as the workstation does, then prints one\n"
    "JSON object: \"descriptor\" (ip, id, serial, name, model, firmware, algorithmVersion,\n"
    "discoveryHandle, sdkDeviceType, maxDepthMm, rgbAvailable, cameraType), \"sdkVersion\",\n"
    "\"algorithmMode\" (-1 when unreadable, with \"algorithmModeError\") and \"capabilities\"\n"
    "(v1Offered, v2Offered, groundCalibration, ioMode, recommendedMode, supported,\n"
    "usesTemplateControl for the current mode).\n"
    "Exit 1 when the camera cannot be connected.\n",
    runInfo}};

}  // namespace
}  // namespace hazard_desk::cli
