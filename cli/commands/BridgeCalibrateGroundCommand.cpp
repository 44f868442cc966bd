// "calibrate-ground --ip IP [--pose roll,pitch,yaw,x,y,z]": the ground
// calibration on one live cloud of the camera.
#include <cstdlib>
#include <sstream>
#include <vector>

#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"
#include "GroundCalibration.h"

namespace hazard_desk::cli {
namespace {

constexpr std::size_t kPoseValueCount = 6;

// Six comma-separated numbers; "nan" is a number here (the calibration rejects it).
bool parsePose(const std::string& text, Extrinsics& pose)
{
    std::vector<double> values;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        const char* begin = item.c_str();
        char* end = nullptr;
        const double value = std::strtod(begin, &end);
        if (end == begin) {
            return false;
        }
        while (*end == ' ') {
            ++end;
        }
        if (*end != '\0') {
            return false;
        }
        values.push_back(value);
    }
    if (values.size() != kPoseValueCount || (!text.empty() && text.back() == ',')) {
        return false;
    }
    pose = Extrinsics{values[0], values[1], values[2], values[3], values[4], values[5]};
    return true;
}

nlohmann::ordered_json resultJson(const zavov::GroundCalibrationResult& result)
{
    nlohmann::ordered_json json;
    json["ok"] = result.ok;
    json["pose"] = nlohmann::ordered_json{{"roll", result.pose.roll}, {"pitch", result.pose.pitch},
                                          {"yaw", result.pose.yaw},   {"x", result.pose.x},
                                          {"y", result.pose.y},       {"z", result.pose.z}};
    json["pointCount"] = result.pointCount;
    json["inlierCount"] = result.inlierCount;
    json["tiltCorrection"] = result.tiltCorrection;
    json["heightCorrection"] = result.heightCorrection;
    json["rmsMillimetres"] = result.rmsMillimetres;
    json["error"] = result.error;
    return json;
}

int runCalibrateGround(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip").option("--pose");
    Extrinsics pose;
    if (!parser.parse(ctx.args) || !parser.positional().empty() || !parser.value("--ip")) {
        ctx.err << "hazard-desk-cli calibrate-ground: "
                << (!parser.error().empty() ? parser.error()
                                            : std::string("usage: calibrate-ground --ip IP [--pose roll,pitch,yaw,x,y,z]"))
                << "\n";
        return kExitUsage;
    }
    if (parser.value("--pose") && !parsePose(*parser.value("--pose"), pose)) {
        ctx.err << "hazard-desk-cli calibrate-ground: --pose needs six comma-separated numbers "
                   "roll,pitch,yaw,x,y,z, got '"
                << *parser.value("--pose") << "'\n";
        return kExitUsage;
    }
    auto bridge = connectBridge("calibrate-ground", *parser.value("--ip"), ctx);
    if (!bridge) {
        return kExitFailed;
    }
    algPlatform::FrameSet frame;
    QString error;
    const bool grabbed = grabStreamFrame(*bridge, frame, error);
    bridge->closeCamera(nullptr);
    if (!grabbed) {
        ctx.err << "hazard-desk-cli calibrate-ground: " << error.toStdString() << "\n";
        return kExitFailed;
    }
    const zavov::GroundCalibrationResult result = zavov::calibrateGround(frame.cloud.cloud, pose);
    printLine(ctx, resultJson(result));
    if (!result.ok) {
        ctx.err << "hazard-desk-cli calibrate-ground: " << result.error << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "calibrate-ground", "calibrate the mounting pose from one live view of the floor",
    "Usage: hazard-desk-cli calibrate-ground --ip IP [--pose roll,pitch,yaw,x,y,z]\n"
    "\n"
    "Connects, grabs one live point cloud and runs the ground calibration from the\n"
    "given initial pose (degrees, millimetres; default: the default mounting pose).\n"
    "Prints one JSON object: \"ok\", \"pose\" (\"roll\", \"pitch\", \"yaw\", \"x\", \"y\",\n"
    "\"z\"), \"pointCount\", \"inlierCount\", \"tiltCorrection\", \"heightCorrection\",\n"
    "\"rmsMillimetres\", \"error\". Nothing is written to the camera. Exit 1 when the\n"
    "calibration fails, 2 for a malformed --pose.\n",
    runCalibrateGround}};

}  // namespace
}  // namespace hazard_desk::cli
