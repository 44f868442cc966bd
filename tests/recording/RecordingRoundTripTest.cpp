// A recording written and read back gives the same bytes for every image,
// every point to the float's precision (NaN and zero points exact), the same
// runtime samples, calibration, camera facts and configurations; and a
// second MCAP reader written apart from ours (Python, zstandard and
// protobuf's own decoder with the schemas embedded in the file) counts the
// same messages per topic, whole and cut short.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "RecordingReader.h"
#include "RecordingSamples.h"
#include "RecordingWriter.h"

namespace recording_test {
namespace {

struct Written {
    std::vector<SampleFrame> samples;
    std::vector<bool> floatDepth;
    std::vector<RuntimeRecord> runtime;
};

RuntimeRecord runtimeSample(std::uint64_t timeNs, int verdict, int boxes) {
    RuntimeRecord r;
    r.timeNs = timeNs;
    r.ioStatus = verdict;
    r.inputStatus = 1;
    r.outputStatus = 2;
    r.inputChannelMask = 3;
    r.outputChannelMask = 0x7FFFFFFF;
    r.algorithmState = 0;
    r.resultAvailable = verdict >= 0;
    r.resultError = verdict < 0 ? "当前帧没有避障算法结果" : "";
    r.cameraFps = 20.0F;
    r.measuredFps = 19.75F;
    r.latencyMs = 12;
    r.algorithmMode = 4;
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
    Written w;
    McapWriterOptions options;
    options.chunkSize = 50000;  // several chunks, frames split across them
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(path, options)) << writer.error();
    ASSERT_TRUE(writer.writeCameraInfo(R"({"ip":"127.0.10.1","sdkDeviceType":1005,"rgbAvailable":true})",
                                       R"({"depthFx":520.0})", 1000));
    ConfigurationRecord first{1000, R"({"activeTemplate":1})", R"({"ZoneIndex":1})", 4};
    ConfigurationRecord second{5000000000ULL, R"({"activeTemplate":2})", R"({"ZoneIndex":2})", 1};
    ASSERT_TRUE(writer.writeConfiguration(first));
    CalibrationRecord calibration{1000, 64, 48, 520.0, 521.5, 31.5, 23.5, {-0.05, 0.01, 0.0, 0.0, 0.001}};
    ASSERT_TRUE(writer.writeCalibration(calibration));
    const int width = 64;
    const int height = 48;
    for (int k = 0; k < 4; ++k) {
        w.samples.push_back(makeSample(width, height, 17U + static_cast<unsigned>(k)));
        w.floatDepth.push_back(k == 2);
        const std::uint64_t timeNs = 1700000000000000000ULL + static_cast<std::uint64_t>(k) * 50000000ULL;
        ASSERT_TRUE(writer.writeFrame(frameOf(w.samples.back(), static_cast<std::uint32_t>(k + 1), timeNs,
                                              w.floatDepth.back())))
            << writer.error();
        if (k % 2 == 0) {
            w.runtime.push_back(runtimeSample(timeNs, k == 0 ? -1 : 2, k));
            ASSERT_TRUE(writer.writeRuntime(w.runtime.back()));
        }
    }
    ASSERT_TRUE(writer.writeConfiguration(second));
    ASSERT_TRUE(writer.close()) << writer.error();

    RecordingReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    EXPECT_TRUE(reader.complete()) << reader.recoveryNote();
    EXPECT_GT(reader.mcap().chunkCount(), 2U);
    EXPECT_EQ(reader.cameraJson(), R"({"ip":"127.0.10.1","sdkDeviceType":1005,"rgbAvailable":true})");
    EXPECT_EQ(reader.intrinsicsJson(), R"({"depthFx":520.0})");
    ASSERT_EQ(reader.configurations().size(), 2U);
    EXPECT_EQ(reader.configurations()[1].workstationJson, second.workstationJson);
    EXPECT_EQ(reader.configurations()[1].deviceJson, second.deviceJson);
    EXPECT_EQ(reader.configurations()[1].mode, 1);
    EXPECT_EQ(reader.configurations()[0].timeNs, 1000U);

    std::vector<RecordedFrame> frames;
    std::vector<RuntimeRecord> runtime;
    std::vector<CalibrationRecord> calibrations;
    RecordingReader::Visitor visitor;
    visitor.frame = [&](const RecordedFrame& f) { frames.push_back(f); return true; };
    visitor.runtime = [&](const RuntimeRecord& r) { runtime.push_back(r); return true; };
    visitor.calibration = [&](const CalibrationRecord& c) { calibrations.push_back(c); return true; };
    ASSERT_TRUE(reader.read(visitor)) << reader.error();

    ASSERT_EQ(frames.size(), w.samples.size());
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const SampleFrame& s = w.samples[k];
        const RecordedFrame& f = frames[k];
        SCOPED_TRACE("frame " + std::to_string(k));
        EXPECT_EQ(f.sequence, k + 1);
        EXPECT_EQ(f.depth.width, width);
        EXPECT_EQ(f.depth.height, height);
        if (w.floatDepth[k]) {
            EXPECT_EQ(f.depth.encoding, "32FC1");
            EXPECT_EQ(f.depth.data, bytesOf(s.depthFloat.data(), s.depthFloat.size() * 4));
        } else {
            EXPECT_EQ(f.depth.encoding, "16UC1");
            EXPECT_EQ(f.depth.data, bytesOf(s.depth.data(), s.depth.size() * 2));
        }
        EXPECT_EQ(f.amplitude.data, bytesOf(s.amplitude.data(), s.amplitude.size() * 2));
        EXPECT_EQ(f.color.encoding, "bgr8");
        EXPECT_EQ(f.color.step, static_cast<std::uint32_t>(width * 3));
        EXPECT_EQ(f.color.data, bytesOf(s.color.data(), s.color.size()));
        const std::vector<float> xyz = packedXyz(s);
        ASSERT_EQ(f.xyz.size(), xyz.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < xyz.size(); ++i) {
            differing += sameCoordinate(f.xyz[i], xyz[i]) ? 0 : 1;
        }
        EXPECT_EQ(differing, 0U);
    }
    ASSERT_EQ(runtime.size(), w.runtime.size());
    for (std::size_t k = 0; k < runtime.size(); ++k) {
        const RuntimeRecord& a = w.runtime[k];
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
    EXPECT_EQ(calibrations[0].fy, 521.5);
    EXPECT_EQ(calibrations[0].cx, 31.5);
    EXPECT_EQ(calibrations[0].distortion, calibration.distortion);

    std::map<std::string, std::uint64_t> counts;
    ASSERT_TRUE(reader.countMessages(counts));
    ASSERT_TRUE(reader.mcap().statistics().has_value());
    std::uint64_t total = 0;
    for (const auto& [topic, count] : counts) {
        total += count;
    }
    EXPECT_EQ(reader.mcap().statistics()->messageCount, total);
    EXPECT_EQ(counts["/camera/points"], 4U);

    EXPECT_EQ(expectIndependentCounts(path, true), counts);
    const std::string bytes = fileBytes(path);
    const std::string cutPath = tempPath("roundtrip_cut.mcap");
    writeBytes(cutPath, bytes.substr(0, bytes.size() * 3 / 5));
    const auto cutCounts = expectIndependentCounts(cutPath, false);
    EXPECT_GT(cutCounts.at("/camera/points"), 0U);
    EXPECT_LT(cutCounts.at("/camera/points"), 4U);
    std::remove(path.c_str());
    std::remove(cutPath.c_str());
}

TEST(RecordingRoundTrip, UnwritablePathFailsAtOpenWithThePath) {
    RecordingWriter writer;
    EXPECT_FALSE(writer.open("/nonexistent-folder/x.mcap"));
    EXPECT_NE(writer.error().find("/nonexistent-folder/x.mcap"), std::string::npos) << writer.error();
}

}  // namespace
}  // namespace recording_test
