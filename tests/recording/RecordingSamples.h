#pragma once
// Synthetic frames for the recording tests: random depth, amplitude and
// colour, and XYZ with zeros, NaN and the extremes a float can hold.
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "RecordingTypes.h"

namespace recording_test {

using namespace hazard_desk::recording;

struct SampleFrame {
    std::vector<std::uint16_t> depth;
    std::vector<std::uint16_t> amplitude;
    std::vector<float> depthFloat;
    std::vector<std::uint8_t> color;
    std::vector<float> points;  // 4 floats per point: x, y, z and a colour slot the recorder must skip
    int width = 0;
    int height = 0;
};

inline SampleFrame makeSample(int width, int height, unsigned seed) {
    std::mt19937 rng(seed);
    SampleFrame s;
    s.width = width;
    s.height = height;
    const std::size_t n = static_cast<std::size_t>(width) * height;
    std::uniform_int_distribution<int> u16(0, 65535);
    std::uniform_real_distribution<float> coordinate(-9000.0F, 9000.0F);
    s.depth.resize(n);
    s.amplitude.resize(n);
    s.depthFloat.resize(n);
    s.color.resize(n * 3);
    s.points.resize(n * 4);
    for (std::size_t i = 0; i < n; ++i) {
        s.depth[i] = static_cast<std::uint16_t>(i % 7 == 0 ? 0 : u16(rng));
        s.amplitude[i] = static_cast<std::uint16_t>(u16(rng));
        s.depthFloat[i] = i % 5 == 0 ? std::numeric_limits<float>::quiet_NaN() : coordinate(rng);
        for (int c = 0; c < 3; ++c) {
            s.color[i * 3 + c] = static_cast<std::uint8_t>(u16(rng) & 0xFF);
        }
        for (int a = 0; a < 3; ++a) {
            s.points[i * 4 + a] = i % 11 == 0 ? 0.0F : coordinate(rng);
        }
        s.points[i * 4 + 3] = 1.0F;
    }
    s.points[3 * 4] = std::numeric_limits<float>::quiet_NaN();
    s.points[5 * 4 + 1] = std::numeric_limits<float>::max();
    s.points[5 * 4 + 2] = -std::numeric_limits<float>::denorm_min();
    return s;
}

inline ImagePlane plane(const void* data, int width, int height, int bytesPerPixel, const char* encoding) {
    ImagePlane p;
    p.width = width;
    p.height = height;
    p.step = static_cast<std::uint32_t>(width * bytesPerPixel);
    p.encoding = encoding;
    p.data = static_cast<const std::uint8_t*>(data);
    return p;
}

inline FrameRecord frameOf(const SampleFrame& s, std::uint32_t sequence, std::uint64_t timeNs, bool floatDepth) {
    FrameRecord f;
    f.sequence = sequence;
    f.timeNs = timeNs;
    f.depth = floatDepth ? plane(s.depthFloat.data(), s.width, s.height, 4, "32FC1")
                         : plane(s.depth.data(), s.width, s.height, 2, "16UC1");
    f.amplitude = plane(s.amplitude.data(), s.width, s.height, 2, "16UC1");
    f.color = plane(s.color.data(), s.width, s.height, 3, "bgr8");
    f.points.data = reinterpret_cast<const std::uint8_t*>(s.points.data());
    f.points.count = static_cast<std::size_t>(s.width) * s.height;
    f.points.stride = 16;
    return f;
}

inline std::string bytesOf(const void* data, std::size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

inline std::vector<float> packedXyz(const SampleFrame& s) {
    std::vector<float> xyz;
    for (std::size_t i = 0; i < s.points.size(); i += 4) {
        xyz.insert(xyz.end(), s.points.begin() + static_cast<long>(i), s.points.begin() + static_cast<long>(i) + 3);
    }
    return xyz;
}

// A point as read back: the file holds metres, so a coordinate may come back
// one float step off; NaN stays NaN and the camera's zero ("no return") stays
// exactly zero.
inline bool sameCoordinate(float read, float written) {
    if (std::isnan(written) || written == 0.0F) {
        return std::isnan(read) == std::isnan(written) && (std::isnan(read) || read == 0.0F);
    }
    return std::fabs(read - written) <= std::fabs(written) * std::numeric_limits<float>::epsilon() +
                                            std::numeric_limits<float>::min();
}

inline std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "hd_recording_" + std::to_string(::getpid()) + "_" + name;
}

}  // namespace recording_test
