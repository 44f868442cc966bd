#include "RecordingPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include <nlohmann/json.hpp>

#include "RecordingFrameCursor.h"
#include "SimLog.h"

namespace zrsim {

namespace {

using hazard_desk::recording::RecordedFrame;
using hazard_desk::recording::RecordedImage;
using hazard_desk::recording::RecordingFrameCursor;

// Copies a one-channel 16-bit image (or a float one, rounded and clamped) into pixels.
void copyU16(const RecordedImage& image, int width, int height, PixelBuffer<uint16_t>& out) {
    out.assign(static_cast<size_t>(width) * height, 0);
    if (image.width != width || image.height != height) return;
    for (int row = 0; row < height; ++row) {
        const char* src = image.data.data() + static_cast<size_t>(row) * image.step;
        uint16_t* dst = out.data() + static_cast<size_t>(row) * width;
        if (image.encoding == "16UC1" || image.encoding == "mono16") {
            std::memcpy(dst, src, static_cast<size_t>(width) * 2);
        } else if (image.encoding == "32FC1") {
            for (int x = 0; x < width; ++x) {
                float v = 0.0f;
                std::memcpy(&v, src + x * 4, 4);
                dst[x] = std::isfinite(v) && v > 0.0f ? static_cast<uint16_t>(std::min(v + 0.5f, 65535.0f)) : 0;
            }
        } else if (image.encoding == "mono8") {
            for (int x = 0; x < width; ++x) dst[x] = static_cast<uint8_t>(src[x]);
        }
    }
}

std::string textOf(const nlohmann::json& object, const char* key, const std::string& fallback) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() && !it->get<std::string>().empty() ? it->get<std::string>()
                                                                                     : fallback;
}

template <typename T>
T numberOf(const nlohmann::json& object, const char* key, T fallback) {
    const auto it = object.find(key);
    return it != object.end() && it->is_number() ? it->get<T>() : fallback;
}

// Scene texts must stay below 32 bytes.
std::string clipped(std::string text) {
    if (text.size() > 31) text.resize(31);
    return text;
}

}  // namespace

RecordingPlayer::RecordingPlayer(const CameraSetup& setup)
    : setup_(setup), cursor_(std::make_unique<RecordingFrameCursor>()) {
    usable_ = cursor_->open(setup.recording);
    if (!usable_) logError("camera " + setup.ip + " cannot play its recording: " + cursor_->error());
}

RecordingPlayer::~RecordingPlayer() = default;

void RecordingPlayer::renderFrame(double, uint64_t, bool withColor, float xyzToMm, RenderedFrame& frame) {
    const int w = setup_.depth.width;
    const int h = setup_.depth.height;
    const size_t count = static_cast<size_t>(w) * h;
    frame.width = w;
    frame.height = h;
    frame.xyzToMm = xyzToMm;
    RecordedFrame recorded;
    bool have = usable_ && cursor_->next(recorded);
    if (!have && usable_) {
        // The end of the recording (or a damaged chunk): start again from the first frame.
        if (!cursor_->error().empty()) logWarning("camera " + setup_.ip + " recording: " + cursor_->error());
        cursor_->rewind();
        ++loops_;
        have = cursor_->next(recorded);
        if (!have) {
            usable_ = false;
            logError("camera " + setup_.ip + " recording has no playable frame");
        }
    }
    copyU16(recorded.depth, w, h, frame.depth);
    copyU16(recorded.amplitude, w, h, frame.amplitude);
    frame.xyz.assign(count * 3, 0.0f);
    const size_t points = std::min(count, recorded.xyz.size() / 3);
    const float scale = 1.0f / xyzToMm;  // recorded in millimetres
    for (size_t i = 0; i < points * 3; ++i) frame.xyz[i] = recorded.xyz[i] * scale;
    // A replayed return has no scene object behind it.
    frame.hitObject.assign(count, -1);
    for (size_t i = 0; i < count; ++i) {
        if (frame.depth[i] != 0) frame.hitObject[i] = kUnknownObject;
    }
    frame.color.clear();
    frame.colorWidth = frame.colorHeight = 0;
    const RecordedImage& color = recorded.color;
    if (withColor && color.encoding == "bgr8" && !color.empty()) {
        frame.colorWidth = color.width;
        frame.colorHeight = color.height;
        frame.color.resize(static_cast<size_t>(color.width) * color.height * 3);
        for (int row = 0; row < color.height; ++row) {
            std::memcpy(frame.color.data() + static_cast<size_t>(row) * color.width * 3,
                        color.data.data() + static_cast<size_t>(row) * color.step, static_cast<size_t>(color.width) * 3);
        }
    }
}

bool setupFromRecording(const std::string& path, CameraSetup& setup, std::string& error) {
    RecordingFrameCursor cursor;
    if (!cursor.open(path)) {
        error = "recording '" + path + "': " + cursor.error();
        return false;
    }
    RecordedFrame first;
    if (!cursor.next(first) || first.depth.empty()) {
        error = "recording '" + path + "' has no frame with a depth image" +
                (cursor.error().empty() ? std::string() : ": " + cursor.error());
        return false;
    }
    const nlohmann::json camera = nlohmann::json::parse(cursor.reader().cameraJson(), nullptr, false);
    const nlohmann::json intrinsics = nlohmann::json::parse(cursor.reader().intrinsicsJson(), nullptr, false);
    const nlohmann::json none = nlohmann::json::object();
    const nlohmann::json& c = camera.is_object() ? camera : none;
    const nlohmann::json& in = intrinsics.is_object() ? intrinsics : none;
    setup.recording = path;
    setup.id = clipped(textOf(c, "id", setup.id));
    setup.serial = clipped(textOf(c, "serial", setup.serial));
    setup.name = clipped(textOf(c, "name", setup.name));
    setup.firmware = clipped(textOf(c, "firmware", setup.firmware));
    setup.algorithmVersion = clipped(textOf(c, "algorithmVersion", setup.algorithmVersion));
    setup.deviceType = numberOf<int>(c, "sdkDeviceType", setup.deviceType);

    DepthSensorSpec& d = setup.depth;
    d.width = first.depth.width;
    d.height = first.depth.height;
    d.fx = numberOf<double>(in, "depthFx", d.fx);
    d.fy = numberOf<double>(in, "depthFy", d.fy);
    d.cx = numberOf<double>(in, "depthCx", (d.width - 1) / 2.0);
    d.cy = numberOf<double>(in, "depthCy", (d.height - 1) / 2.0);
    if (in.contains("depthDistortion") && in["depthDistortion"].is_array()) {
        for (size_t i = 0; i < d.distortion.size() && i < in["depthDistortion"].size(); ++i) {
            if (in["depthDistortion"][i].is_number()) d.distortion[i] = in["depthDistortion"][i].get<double>();
        }
    }
    const int maxDepth = numberOf<int>(c, "maxDepthMm", 0);
    if (maxDepth >= 100) d.maxDepthMm = std::min(maxDepth, 65535);
    const double fps = cursor.recordedFps();
    d.fps = fps > 0.0 ? std::clamp(static_cast<int>(std::lround(fps)), 1, 120) : d.fps;

    setup.color.reset();
    if (!first.color.empty() && first.color.encoding == "bgr8") {
        setup.color = ColorSensorSpec{first.color.width, first.color.height};
    }
    // The configuration in force when the recording began is the camera's stored one.
    const auto& configurations = cursor.reader().configurations();
    if (!configurations.empty()) {
        const auto& start = configurations.front();
        const nlohmann::json params = nlohmann::json::parse(start.deviceJson, nullptr, false);
        if (params.is_object()) setup.algorithmParams = params;
        if (start.mode == 0 || start.mode == 1 || start.mode == 4) setup.algorithmMode = start.mode;
    }
    setup.noiseMm = 0.0;
    return true;
}

}  // namespace zrsim
