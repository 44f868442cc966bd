#pragma once
// What a recording holds, as plain values with no camera or Qt types: the
// frames (images and XYZ points), the camera's runtime samples, its
// calibration and the configuration it ran. The writing side refers to the
// caller's buffers (kept alive by an owner) so a frame is handed to the
// recorder without a copy; the reading side owns its bytes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hazard_desk::recording {

// An image the recorder writes as it is: rows of step bytes.
struct ImagePlane {
    int width = 0;
    int height = 0;
    std::uint32_t step = 0;          // bytes per row
    std::string encoding;            // "16UC1", "32FC1", "mono8", "bgr8", "bgra8"
    const std::uint8_t* data = nullptr;
    std::shared_ptr<const void> owner;

    bool empty() const { return data == nullptr || width <= 0 || height <= 0; }
    std::size_t byteSize() const { return static_cast<std::size_t>(step) * static_cast<std::size_t>(height); }
};

// Points whose x, y, z are 32-bit floats at bytes 0, 4 and 8 of each point.
struct PointPlane {
    const std::uint8_t* data = nullptr;
    std::size_t count = 0;
    std::uint32_t stride = 12;
    std::shared_ptr<const void> owner;
};

struct FrameRecord {
    std::uint64_t timeNs = 0;        // camera frame time, nanoseconds since 1970
    std::uint32_t sequence = 0;      // shared by the messages of one frame
    ImagePlane depth;
    ImagePlane amplitude;
    ImagePlane color;
    PointPlane points;               // camera frame, the unit the camera delivers (mm)
};

struct BoxRecord {
    float x = 0, y = 0, z = 0;
    float width = 0, height = 0, depth = 0;
    int typeIndex = 0;
    std::string typeName;
};

struct RuntimeRecord {
    std::uint64_t timeNs = 0;
    int ioStatus = -1;               // the camera's verdict: 0 safe, 1 warning, 2 stop
    int inputStatus = -1;
    int outputStatus = -1;
    std::uint32_t inputChannelMask = 0;
    std::uint32_t outputChannelMask = 0;
    int algorithmState = -99;
    bool resultAvailable = false;
    std::string resultError;
    float cameraFps = 0;
    float measuredFps = 0;
    int latencyMs = 0;
    int algorithmMode = -1;
    std::vector<BoxRecord> boxes;
};

struct CalibrationRecord {
    std::uint64_t timeNs = 0;
    int width = 0;
    int height = 0;
    double fx = 0, fy = 0, cx = 0, cy = 0;
    std::vector<double> distortion;  // k1 k2 p1 p2 k3
};

struct ConfigurationRecord {
    std::uint64_t timeNs = 0;
    std::string workstationJson;
    std::string deviceJson;
    int mode = -1;
};

// An image as read back.
struct RecordedImage {
    int width = 0;
    int height = 0;
    std::uint32_t step = 0;
    std::string encoding;
    std::string data;

    bool empty() const { return width <= 0 || height <= 0 || data.empty(); }
};

struct RecordedFrame {
    std::uint64_t timeNs = 0;
    std::uint32_t sequence = 0;
    RecordedImage depth;
    RecordedImage amplitude;
    RecordedImage color;
    std::vector<float> xyz;          // x, y, z per point
};

}  // namespace hazard_desk::recording
