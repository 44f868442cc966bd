// A recording written and read back gives the same bytes for every image,
// every point to the float's precision (NaN and zero points exact), the same
// runtime samples, calibration, camera facts and configurations; and a
// second MCAP reader written apart from ours (Python, zstandard and
// protobuf's own decoder with the schemas embedded in the file) counts the
// same messages per topic, whole and cut short.
//
// A recording cut at any byte (a crash mid-recording, a full disk, a partial
// copy) reads back every frame whose chunk is complete and nothing after; a
// damaged chunk is refused by its CRC, a damaged summary walked around.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "RecordingReader.h"
#include "RecordingTypes.h"
#include "RecordingWriter.h"

namespace recording_test {
namespace {

using namespace hazard_desk::recording;

// Synthetic frames: random depth, amplitude and colour, and XYZ with zeros,
// NaN and the extremes a float can hold.
struct SampleFrame {
    std::vector<std::uint16_t> depth;
    std::vector<std::uint16_t> amplitude;
    std::vector<float> depthFloat;
    std::vector<std::uint8_t> color;
    std::vector<float> points;  // 4 floats per point: x, y, z and a colour slot the recorder must skip
    int width = 0;
    int height = 0;
};

SampleFrame makeSample(int width, int height, unsigned seed) {
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

ImagePlane plane(const void* data, int width, int height, int bytesPerPixel, const char* encoding) {
    ImagePlane p;
    p.width = width;
    p.height = height;
    p.step = static_cast<std::uint32_t>(width * bytesPerPixel);
    p.encoding = encoding;
    p.data = static_cast<const std::uint8_t*>(data);
    return p;
}

FrameRecord frameOf(const SampleFrame& s, std::uint32_t sequence, std::uint64_t timeNs, bool floatDepth) {
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

std::string bytesOf(const void* data, std::size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

std::vector<float> packedXyz(const SampleFrame& s) {
    std::vector<float> xyz;
    for (std::size_t i = 0; i < s.points.size(); i += 4) {
        xyz.insert(xyz.end(), s.points.begin() + static_cast<long>(i), s.points.begin() + static_cast<long>(i) + 3);
    }
    return xyz;
}

// A point as read back: the file holds metres, so a coordinate may come back
// one float step off; NaN stays NaN and the camera's zero ("no return") stays
// exactly zero.
bool sameCoordinate(float read, float written) {
    if (std::isnan(written) || written == 0.0F) {
        return std::isnan(read) == std::isnan(written) && (std::isnan(read) || read == 0.0F);
    }
    return std::fabs(read - written) <= std::fabs(written) * std::numeric_limits<float>::epsilon() +
                                            std::numeric_limits<float>::min();
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The sequence numbers of the frames a reader gives back, and whether the
// file was complete; error holds why the reader stopped, if it did.
std::vector<std::uint32_t> framesIn(const std::string& path, bool& complete, std::string& error) {
    std::vector<std::uint32_t> sequences;
    RecordingReader reader;
    if (!reader.open(path)) {
        error = reader.error();
        return sequences;
    }
    complete = reader.complete();
    RecordingReader::Visitor visitor;
    visitor.frame = [&](const RecordedFrame& f) {
        sequences.push_back(f.sequence);
        return true;
    };
    if (!reader.read(visitor)) {
        error = reader.error();
    }
    return sequences;
}

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "hd_recording_" + std::to_string(::getpid()) + "_" + name;
}

RuntimeRecord runtimeSample(std::uint64_t timeNs, int verdict, int boxes) {
    RuntimeRecord r;
    r.timeNs = timeNs;
    r.ioStatus = verdict;
    r.outputChannelMask = 0x7FFFFFFF;
    r.resultError = verdict < 0 ? "当前帧没有避障算法结果" : "";
    r.measuredFps = 19.75F;
    for (int k = 0; k < boxes; ++k) {
        r.boxes.push_back(BoxRecord{100.5F * k, -3.25F, 500, 800, 1000, 1200, k % 3, k == 0 ? "pallet" : ""});
    }
    return r;
}

// The independent reader's counts equal ours; returns ours.
std::map<std::string, std::uint64_t> expectIndependentCounts(const std::string& path, bool complete) {
    const std::string command = std::string("'") + HD_PYTHON3 + "' '" + HD_INDEPENDENT_READER + "' '" + path + "' 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 4096> buffer{};
    while (pipe != nullptr && std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        output += buffer.data();
    }
    EXPECT_EQ(pipe != nullptr ? pclose(pipe) : -1, 0) << output;
    const nlohmann::json independent = nlohmann::json::parse(output, nullptr, false);
    EXPECT_TRUE(independent.is_object()) << output;
    EXPECT_EQ(independent.value("complete", !complete), complete);
    RecordingReader reader;
    std::map<std::string, std::uint64_t> counts;
    EXPECT_TRUE(reader.open(path) && reader.countMessages(counts)) << reader.error();
    for (const auto& [topic, count] : counts) {
        EXPECT_EQ(independent["counts"].value(topic, std::uint64_t{999}), count) << topic;
    }
    return counts;
}

TEST(RecordingRoundTrip, EveryImagePointSampleAndFactComesBackUnchanged) {
    const std::string path = tempPath("roundtrip.mcap");
    std::vector<SampleFrame> samples;
    std::vector<RuntimeRecord> written;
    McapWriterOptions options;
    options.chunkSize = 50000;  // several chunks, frames split across them
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(path, options)) << writer.error();
    const std::string camera = R"({"ip":"127.0.10.1","sdkDeviceType":1005,"rgbAvailable":true})";
    ASSERT_TRUE(writer.writeCameraInfo(camera, R"({"depthFx":520.0})", 1000));
    const ConfigurationRecord configurations[] = {{1000, R"({"activeTemplate":1})", R"({"ZoneIndex":1})", 4},
                                                  {5000000000ULL, R"({"activeTemplate":2})", R"({"ZoneIndex":2})", 1}};
    ASSERT_TRUE(writer.writeConfiguration(configurations[0]));
    const CalibrationRecord calibration{1000, 64, 48, 520.0, 521.5, 31.5, 23.5, {-0.05, 0.01, 0.0, 0.0, 0.001}};
    ASSERT_TRUE(writer.writeCalibration(calibration));
    for (std::uint32_t k = 0; k < 4; ++k) {
        samples.push_back(makeSample(64, 48, 17U + k));
        const std::uint64_t timeNs = 1700000000000000000ULL + k * 50000000ULL;
        ASSERT_TRUE(writer.writeFrame(frameOf(samples.back(), k + 1, timeNs, k == 2))) << writer.error();
        if (k % 2 == 0) {
            written.push_back(runtimeSample(timeNs, k == 0 ? -1 : 2, static_cast<int>(k)));
            ASSERT_TRUE(writer.writeRuntime(written.back()));
        }
    }
    ASSERT_TRUE(writer.writeConfiguration(configurations[1]));
    ASSERT_TRUE(writer.close()) << writer.error();

    RecordingReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    EXPECT_TRUE(reader.complete()) << reader.recoveryNote();
    EXPECT_GT(reader.mcap().chunkCount(), 2U);
    EXPECT_EQ(reader.cameraJson(), camera);
    EXPECT_EQ(reader.intrinsicsJson(), R"({"depthFx":520.0})");
    ASSERT_EQ(reader.configurations().size(), 2U);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(reader.configurations()[i].timeNs, configurations[i].timeNs);
        EXPECT_EQ(reader.configurations()[i].workstationJson, configurations[i].workstationJson);
        EXPECT_EQ(reader.configurations()[i].deviceJson, configurations[i].deviceJson);
        EXPECT_EQ(reader.configurations()[i].mode, configurations[i].mode);
    }
    // Points are stored in metres, as point cloud viewers read them.
    for (const auto& [id, channel] : reader.mcap().channels()) {
        EXPECT_TRUE(channel.topic != "/camera/points" || channel.metadata.at("unit") == "m");
    }

    std::vector<RecordedFrame> frames;
    std::vector<RuntimeRecord> runtime;
    std::vector<CalibrationRecord> calibrations;
    RecordingReader::Visitor visitor;
    visitor.frame = [&](const RecordedFrame& f) { frames.push_back(f); return true; };
    visitor.runtime = [&](const RuntimeRecord& r) { runtime.push_back(r); return true; };
    visitor.calibration = [&](const CalibrationRecord& c) { calibrations.push_back(c); return true; };
    ASSERT_TRUE(reader.read(visitor)) << reader.error();

    ASSERT_EQ(frames.size(), samples.size());
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const SampleFrame& s = samples[k];
        const RecordedFrame& f = frames[k];
        SCOPED_TRACE("frame " + std::to_string(k));
        EXPECT_EQ(f.sequence, k + 1);
        EXPECT_EQ(f.depth.width, s.width);
        EXPECT_EQ(f.depth.height, s.height);
        if (k == 2) {
            EXPECT_EQ(f.depth.encoding, "32FC1");
            EXPECT_EQ(f.depth.data, bytesOf(s.depthFloat.data(), s.depthFloat.size() * 4));
        } else {
            EXPECT_EQ(f.depth.encoding, "16UC1");
            EXPECT_EQ(f.depth.data, bytesOf(s.depth.data(), s.depth.size() * 2));
        }
        EXPECT_EQ(f.amplitude.data, bytesOf(s.amplitude.data(), s.amplitude.size() * 2));
        EXPECT_EQ(f.color.encoding, "bgr8");
        EXPECT_EQ(f.color.step, static_cast<std::uint32_t>(s.width * 3));
        EXPECT_EQ(f.color.data, bytesOf(s.color.data(), s.color.size()));
        const std::vector<float> xyz = packedXyz(s);
        ASSERT_EQ(f.xyz.size(), xyz.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < xyz.size(); ++i) {
            differing += sameCoordinate(f.xyz[i], xyz[i]) ? 0 : 1;
        }
        EXPECT_EQ(differing, 0U);
    }
    ASSERT_EQ(runtime.size(), written.size());
    for (std::size_t k = 0; k < runtime.size(); ++k) {
        const RuntimeRecord& a = written[k];
        const RuntimeRecord& b = runtime[k];
        EXPECT_EQ(b.timeNs, a.timeNs);
        EXPECT_EQ(b.ioStatus, a.ioStatus);
        EXPECT_EQ(b.outputChannelMask, a.outputChannelMask);
        EXPECT_EQ(b.resultError, a.resultError);
        EXPECT_EQ(b.measuredFps, a.measuredFps);
        ASSERT_EQ(b.boxes.size(), a.boxes.size());
        for (std::size_t i = 0; i < b.boxes.size(); ++i) {
            EXPECT_EQ(b.boxes[i].x, a.boxes[i].x);
            EXPECT_EQ(b.boxes[i].depth, a.boxes[i].depth);
            EXPECT_EQ(b.boxes[i].typeName, a.boxes[i].typeName);
        }
    }
    ASSERT_EQ(calibrations.size(), 1U);
    EXPECT_EQ(calibrations[0].fy, calibration.fy);
    EXPECT_EQ(calibrations[0].cx, calibration.cx);
    EXPECT_EQ(calibrations[0].distortion, calibration.distortion);

    const auto counts = expectIndependentCounts(path, true);
    EXPECT_EQ(counts.at("/camera/points"), 4U);
    std::uint64_t total = 0;
    for (const auto& [topic, count] : counts) {
        total += count;
    }
    ASSERT_TRUE(reader.mcap().statistics().has_value());
    EXPECT_EQ(reader.mcap().statistics()->messageCount, total);
    const std::string bytes = fileBytes(path);
    const std::string cutPath = tempPath("roundtrip_cut.mcap");
    writeBytes(cutPath, bytes.substr(0, bytes.size() * 3 / 5));
    const auto cutCounts = expectIndependentCounts(cutPath, false);
    EXPECT_GT(cutCounts.at("/camera/points"), 0U);
    EXPECT_LT(cutCounts.at("/camera/points"), 4U);
    std::remove(path.c_str());
    std::remove(cutPath.c_str());
}

constexpr int kFrames = 6;
constexpr int kMessagesPerFrame = 4;  // depth, amplitude, colour, points

class RecordingTruncation : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = tempPath("full.mcap");
        McapWriterOptions options;
        options.chunkSize = 1;  // every message closes its chunk: frame k's points are chunk 4k+3
        RecordingWriter writer;
        ASSERT_TRUE(writer.open(path_, options));
        ASSERT_TRUE(writer.writeCameraInfo("{}", "{}", 1));
        for (int k = 0; k < kFrames; ++k) {
            const SampleFrame sample = makeSample(32, 24, static_cast<unsigned>(k));
            ASSERT_TRUE(writer.writeFrame(frameOf(sample, static_cast<std::uint32_t>(k + 1),
                                                  1000000ULL * static_cast<std::uint64_t>(k + 1), false)));
        }
        ASSERT_TRUE(writer.close());
        bytes_ = fileBytes(path_);
        McapReader reader;
        ASSERT_TRUE(reader.open(path_));
        ASSERT_TRUE(reader.complete());
        chunkEnds_ = reader.chunkEndOffsets();
        ASSERT_EQ(chunkEnds_.size(), static_cast<std::size_t>(kFrames * kMessagesPerFrame));
    }
    void TearDown() override { std::remove(path_.c_str()); }

    std::size_t expectedFrames(std::uint64_t cut) const {
        std::size_t frames = 0;
        for (int k = 0; k < kFrames; ++k) {
            frames += chunkEnds_[static_cast<std::size_t>(k * kMessagesPerFrame + 3)] <= cut ? 1 : 0;
        }
        return frames;
    }

    std::string path_;
    std::string bytes_;
    std::vector<std::uint64_t> chunkEnds_;
};

TEST_F(RecordingTruncation, EveryCutKeepsExactlyTheFramesOfItsCompleteChunks) {
    std::vector<std::uint64_t> cuts = {8, 9, 40, bytes_.size() - 1, bytes_.size() - 8, bytes_.size() - 30};
    for (std::uint64_t end : chunkEnds_) {
        cuts.insert(cuts.end(), {end - 1, end, end + 1});
    }
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::uint64_t> anywhere(8, bytes_.size() - 1);
    for (int i = 0; i < 20; ++i) {
        cuts.push_back(anywhere(rng));
    }
    const std::string cutPath = tempPath("cut.mcap");
    for (std::uint64_t cut : cuts) {
        SCOPED_TRACE("cut at byte " + std::to_string(cut) + " of " + std::to_string(bytes_.size()));
        writeBytes(cutPath, bytes_.substr(0, cut));
        bool complete = true;
        std::string error;
        const std::vector<std::uint32_t> sequences = framesIn(cutPath, complete, error);
        EXPECT_TRUE(error.empty()) << error;
        EXPECT_FALSE(complete);
        const std::size_t expected = std::min<std::size_t>(expectedFrames(cut), kFrames);
        ASSERT_EQ(sequences.size(), expected);
        for (std::size_t k = 0; k < sequences.size(); ++k) {
            EXPECT_EQ(sequences[k], k + 1);
        }
    }
    std::remove(cutPath.c_str());
}

TEST_F(RecordingTruncation, WhatIsNotARecordingIsRefused) {
    const std::string notMcap = tempPath("not.mcap");
    for (const std::string& bytes : {std::string("{\"cameras\": []}\n"), bytes_.substr(0, 5)}) {
        writeBytes(notMcap, bytes);
        bool complete = false;
        std::string error;
        EXPECT_TRUE(framesIn(notMcap, complete, error).empty());
        EXPECT_NE(error.find("not an MCAP file"), std::string::npos) << error;
    }
    std::remove(notMcap.c_str());
}

// A damaged chunk is refused by its CRC, with the frames before it read; a
// damaged summary is outlived by walking the data.
TEST_F(RecordingTruncation, DamageIsFoundOrWalkedAround) {
    const struct {
        const char* name;
        std::uint64_t at;
        bool complete;
        bool refused;
        std::vector<std::uint32_t> frames;
    } cases[] = {
        {"middle of the second frame's depth chunk", (chunkEnds_[3] + chunkEnds_[4]) / 2, true, true, {1}},
        {"summary, past the last message index", chunkEnds_.back() + 200, false, false, {1, 2, 3, 4, 5, 6}},
    };
    const std::string damagedPath = tempPath("damaged.mcap");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string damaged = bytes_;
        damaged[c.at] = static_cast<char>(damaged[c.at] ^ 0x5A);
        writeBytes(damagedPath, damaged);
        bool complete = !c.complete;
        std::string error;
        EXPECT_EQ(framesIn(damagedPath, complete, error), c.frames);
        EXPECT_EQ(complete, c.complete);
        EXPECT_EQ(error.find("chunk at byte ") != std::string::npos, c.refused) << error;
        EXPECT_EQ(error.find("CRC mismatch") != std::string::npos || error.find("zstd data damaged") != std::string::npos,
                  c.refused)
            << error;
    }
    std::remove(damagedPath.c_str());
}

}  // namespace
}  // namespace recording_test
