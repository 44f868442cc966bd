// A recording of ours read by a second MCAP reader written apart from ours
// (Python, zstandard and protobuf's own decoder with the schemas embedded in
// the file) gives the same message count per topic, whole and cut short.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "RecordingReader.h"
#include "RecordingSamples.h"
#include "RecordingWriter.h"

namespace recording_test {
namespace {

nlohmann::json runIndependentReader(const std::string& path) {
    const std::string command = std::string("'") + HD_PYTHON3 + "' '" + HD_INDEPENDENT_READER + "' '" + path + "' 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 4096> buffer{};
    while (pipe != nullptr && std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        output += buffer.data();
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    EXPECT_EQ(status, 0) << output;
    return nlohmann::json::parse(output, nullptr, false);
}

std::map<std::string, std::uint64_t> ourCounts(const std::string& path) {
    RecordingReader reader;
    EXPECT_TRUE(reader.open(path)) << reader.error();
    std::map<std::string, std::uint64_t> counts;
    EXPECT_TRUE(reader.countMessages(counts)) << reader.error();
    return counts;
}

TEST(IndependentReader, CountsTheSameMessagesPerTopicWholeAndCutShort) {
    const std::string path = tempPath("independent.mcap");
    McapWriterOptions options;
    options.chunkSize = 30000;
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(path, options));
    ASSERT_TRUE(writer.writeCameraInfo("{}", "{}", 1));
    ASSERT_TRUE(writer.writeCalibration(CalibrationRecord{1, 40, 30, 100, 100, 19.5, 14.5, {0, 0, 0, 0, 0}}));
    const SampleFrame sample = makeSample(40, 30, 3);
    for (int k = 0; k < 12; ++k) {
        ASSERT_TRUE(writer.writeFrame(frameOf(sample, static_cast<std::uint32_t>(k + 1), 1000ULL * (k + 1), k == 3)));
        RuntimeRecord runtime;
        runtime.timeNs = 1000ULL * (k + 1);
        runtime.ioStatus = k % 3;
        runtime.boxes.resize(static_cast<std::size_t>(k % 4));
        ASSERT_TRUE(writer.writeRuntime(runtime));
    }
    ASSERT_TRUE(writer.close());

    const nlohmann::json whole = runIndependentReader(path);
    ASSERT_TRUE(whole.is_object());
    EXPECT_TRUE(whole["complete"].get<bool>());
    const auto counts = ourCounts(path);
    EXPECT_EQ(counts.at("/camera/points"), 12U);
    EXPECT_EQ(counts.at("/obstacle/runtime"), 12U);
    for (const auto& [topic, count] : counts) {
        EXPECT_EQ(whole["counts"].value(topic, std::uint64_t{999}), count) << topic;
    }

    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cutPath = tempPath("independent_cut.mcap");
    std::ofstream(cutPath, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() * 3 / 5));
    const nlohmann::json cut = runIndependentReader(cutPath);
    ASSERT_TRUE(cut.is_object());
    EXPECT_FALSE(cut["complete"].get<bool>());
    const auto cutCounts = ourCounts(cutPath);
    EXPECT_LT(cutCounts.at("/camera/points"), 12U);
    EXPECT_GT(cutCounts.at("/camera/points"), 0U);
    for (const auto& [topic, count] : cutCounts) {
        EXPECT_EQ(cut["counts"].value(topic, std::uint64_t{999}), count) << topic;
    }
    std::remove(path.c_str());
    std::remove(cutPath.c_str());
}

}  // namespace
}  // namespace recording_test
