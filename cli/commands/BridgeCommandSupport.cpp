#include "BridgeCommandSupport.h"

#include <chrono>
#include <thread>

#include "CameraCommandSupport.h"

namespace hazard_desk::cli {

namespace {

// A freshly started stream delivers its first frame after a few frame periods.
constexpr int kFrameAttempts = 60;
constexpr auto kFrameRetryDelay = std::chrono::milliseconds(50);

}  // namespace

std::unique_ptr<ObstacleCameraBridge> connectBridge(const std::string& command, const std::string& ip,
                                                    CommandContext& ctx)
{
    CameraDescriptor descriptor;
    descriptor.ip = QString::fromStdString(ip);
    auto bridge = std::make_unique<ObstacleCameraBridge>(descriptor);
    QString error;
    if (!bridge->openCamera(&error) || !bridge->prepareStreams(&error)) {
        ctx.err << "hazard-desk-cli " << command << ": " << error.toStdString() << "\n";
        bridge->closeCamera(nullptr);
        return nullptr;
    }
    return bridge;
}

bool grabStreamFrame(ObstacleCameraBridge& bridge, algPlatform::FrameSet& frame, QString& error)
{
    if (!bridge.startStreaming(&error)) {
        return false;
    }
    cv::Mat amplitude;
    for (int attempt = 0; attempt < kFrameAttempts; ++attempt) {
        if (bridge.grabFrame(frame, amplitude, &error)) {
            return true;
        }
        std::this_thread::sleep_for(kFrameRetryDelay);
    }
    return false;
}

nlohmann::ordered_json descriptorJson(const CameraDescriptor& d)
{
    nlohmann::ordered_json json;
    json["ip"] = d.ip.toStdString();
    json["id"] = d.id.toStdString();
    json["serial"] = d.serial.toStdString();
    json["name"] = d.name.toStdString();
    json["model"] = d.model.toStdString();
    json["firmware"] = d.firmware.toStdString();
    json["algorithmVersion"] = d.algorithmVersion.toStdString();
    json["discoveryHandle"] = static_cast<std::uint64_t>(d.discoveryHandle);
    json["sdkDeviceType"] = d.sdkDeviceType;
    json["maxDepthMm"] = d.maxDepthMm;
    json["rgbAvailable"] = d.rgbAvailable;
    json["cameraType"] = d.cameraType;
    return json;
}

nlohmann::ordered_json runtimeJson(const ObstacleRuntime& r)
{
    nlohmann::ordered_json json;
    json["ioStatus"] = r.ioStatus;
    json["inputStatus"] = r.inputStatus;
    json["outputStatus"] = r.outputStatus;
    json["inputChannelMask"] = static_cast<std::uint32_t>(r.inputChannelMask);
    json["outputChannelMask"] = static_cast<std::uint32_t>(r.outputChannelMask);
    json["algorithmState"] = r.algorithmState;
    json["resultAvailable"] = r.resultAvailable;
    json["resultError"] = r.resultError.toStdString();
    json["cameraFps"] = r.cameraFps;
    nlohmann::ordered_json boxes = nlohmann::ordered_json::array();
    for (const ObstacleBox& box : r.boxes) {
        nlohmann::ordered_json b;
        b["x"] = box.x;
        b["y"] = box.y;
        b["z"] = box.z;
        b["width"] = box.width;
        b["height"] = box.height;
        b["depth"] = box.depth;
        b["typeIndex"] = box.typeIndex;
        b["typeName"] = box.typeName.toStdString();
        boxes.push_back(std::move(b));
    }
    json["boxes"] = std::move(boxes);
    return json;
}

void printLine(CommandContext& ctx, const nlohmann::ordered_json& value)
{
    ctx.out << value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

}  // namespace hazard_desk::cli
