// How points lie in the file: in metres, as point cloud viewers read them
// (millimetres again when read back, also from files that say they hold
// millimetres), and in chunks of their own, so reading points alone never
// touches the images' chunks; and messages of chunks that overlap in time
// come back in log-time order.
#include <gtest/gtest.h>
#include <unistd.h>

#include "McapFormat.h"
#include "McapWriter.h"
#include "ProtobufDescriptorSet.h"
#include "RecordingReader.h"
#include "RecordingSamples.h"
#include "RecordingWriter.h"
#include "foxglove/PointCloud.pb.h"

namespace recording_test {
namespace {

TEST(RecordingLayout, PointsAreStoredInMetresAndReadBackInMillimetres) {
    const std::string path = tempPath("metres.mcap");
    const SampleFrame sample = makeSample(16, 12, 5);
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(path));
    ASSERT_TRUE(writer.writeFrame(frameOf(sample, 1, 1000, false)));
    ASSERT_TRUE(writer.close());

    McapReader mcap;
    ASSERT_TRUE(mcap.open(path));
    std::uint16_t points = 0;
    for (const auto& [id, channel] : mcap.channels()) {
        if (channel.topic == "/camera/points") {
            points = id;
            EXPECT_EQ(channel.metadata.at("unit"), "m");
        }
    }
    std::vector<float> stored;
    ASSERT_TRUE(mcap.readMessages([&](const McapMessageView& m) {
        foxglove::PointCloud cloud;
        EXPECT_TRUE(cloud.ParseFromArray(m.data.data(), static_cast<int>(m.data.size())));
        stored.resize(cloud.data().size() / 4);
        std::memcpy(stored.data(), cloud.data().data(), stored.size() * 4);
        return true;
    }, {points}));
    const std::vector<float> written = packedXyz(sample);
    ASSERT_EQ(stored.size(), written.size());
    for (std::size_t i : {std::size_t{1}, std::size_t{2}, std::size_t{40}, std::size_t{200}}) {
        EXPECT_FLOAT_EQ(stored[i], written[i] / 1000.0F) << i;
    }
}

// A points channel written by another tool (or by us before points were
// stored in metres): the channel's "unit" says what the numbers are.
TEST(RecordingLayout, TheChannelsUnitDecidesTheScale) {
    struct Case {
        std::map<std::string, std::string> metadata;
        float stored;
        float millimetres;
    };
    const Case cases[] = {{{{"unit", "mm"}}, 1250.0F, 1250.0F},
                          {{{"unit", "m"}}, 1.25F, 1250.0F},
                          {{}, -0.5F, -500.0F}};
    for (const Case& c : cases) {
        const std::string path = tempPath("unit.mcap");
        McapWriter mcap;
        ASSERT_TRUE(mcap.open(path, {}));
        const std::uint16_t schema = mcap.addSchema("foxglove.PointCloud", mcap::kEncodingProtobuf,
                                                    descriptorSetOf(foxglove::PointCloud::descriptor()));
        const std::uint16_t channel = mcap.addChannel("/camera/points", schema, mcap::kEncodingProtobuf, c.metadata);
        foxglove::PointCloud cloud;
        cloud.set_point_stride(12);
        const char* names[3] = {"x", "y", "z"};
        for (int a = 0; a < 3; ++a) {
            auto* field = cloud.add_fields();
            field->set_name(names[a]);
            field->set_offset(static_cast<std::uint32_t>(4 * a));
            field->set_type(foxglove::PackedElementField::FLOAT32);
        }
        const float xyz[3] = {c.stored, 0.0F, c.stored};
        cloud.set_data(std::string(reinterpret_cast<const char*>(xyz), sizeof xyz));
        const std::string bytes = cloud.SerializeAsString();
        ASSERT_TRUE(mcap.writeMessage(channel, 1, 10, 10, {bytes}));
        ASSERT_TRUE(mcap.close());

        RecordingReader reader;
        ASSERT_TRUE(reader.open(path));
        std::vector<float> read;
        RecordingReader::Visitor visitor;
        visitor.pointsOnly = true;
        visitor.frame = [&](const RecordedFrame& f) {
            read = f.xyz;
            return true;
        };
        ASSERT_TRUE(reader.read(visitor)) << reader.error();
        EXPECT_EQ(read, (std::vector<float>{c.millimetres, 0.0F, c.millimetres}));
        std::remove(path.c_str());
    }
}

TEST(RecordingLayout, ReadingPointsAloneSkipsTheImagesChunks) {
    const std::string path = tempPath("groups.mcap");
    const SampleFrame sample = makeSample(32, 24, 9);
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(path));
    for (std::uint32_t k = 1; k <= 3; ++k) {
        ASSERT_TRUE(writer.writeFrame(frameOf(sample, k, 1000ULL * k, false)));
        RuntimeRecord runtime;
        runtime.timeNs = 1000ULL * k;
        ASSERT_TRUE(writer.writeRuntime(runtime));
    }
    ASSERT_TRUE(writer.close());

    // The frames fill one chunk of images and runtime samples, then one of
    // points; a byte near the end of the first (its compressed data) is damaged.
    std::string bytes = fileBytes(path);
    std::vector<std::uint64_t> ends;
    {
        McapReader mcap;
        ASSERT_TRUE(mcap.open(path));
        ends = mcap.chunkEndOffsets();
    }
    ASSERT_GE(ends.size(), 2U);
    bytes[ends[0] - 100] ^= 0x5A;
    writeBytes(path, bytes);

    auto frames = [&](bool pointsOnly, std::string& error) {
        RecordingReader reader;
        EXPECT_TRUE(reader.open(path));
        std::vector<std::uint32_t> sequences;
        RecordingReader::Visitor visitor;
        visitor.pointsOnly = pointsOnly;
        visitor.frame = [&](const RecordedFrame& f) {
            sequences.push_back(f.sequence);
            EXPECT_EQ(f.xyz.size(), sample.points.size() / 4 * 3);
            return true;
        };
        if (!reader.read(visitor)) {
            error = reader.error();
        }
        return sequences;
    };
    std::string error;
    EXPECT_TRUE(frames(false, error).empty());
    EXPECT_NE(error.find("chunk at byte"), std::string::npos) << error;
    error.clear();
    EXPECT_EQ(frames(true, error), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_TRUE(error.empty()) << error;
    std::remove(path.c_str());
}

// Channels in chunk groups of their own, one of them logged late: whatever
// the chunks, messages come back in log-time order, equal times in the order
// they were written; asking for one channel gives its messages alone.
TEST(McapChunkGroups, MessagesComeBackInLogTimeOrderAcrossGroups) {
    const std::string path = tempPath("order.mcap");
    McapWriterOptions options;
    options.chunkSize = 64;  // a pair of chunks closed every few messages
    McapWriter mcap;
    ASSERT_TRUE(mcap.open(path, options));
    const std::size_t apart = mcap.addChunkGroup(false);
    const std::uint16_t early = mcap.addChannel("/early", 0, "json");
    const std::uint16_t late = mcap.addChannel("/late", 0, "json", {}, apart);
    std::vector<std::pair<std::uint64_t, std::string>> written;
    for (std::uint64_t t = 20; t <= 200; t += 10) {
        const std::string e = "e" + std::to_string(t);
        const std::string l = "l" + std::to_string(t - 15);  // logged 15 later than it happened
        ASSERT_TRUE(mcap.writeMessage(early, 0, t, t, {e}));
        ASSERT_TRUE(mcap.writeMessage(late, 0, t - 15, t - 15, {l}));
        written.emplace_back(t, e);
        written.emplace_back(t - 15, l);
    }
    ASSERT_TRUE(mcap.writeMessage(early, 0, 200, 200, {"e200b"}));
    written.emplace_back(200, "e200b");
    ASSERT_TRUE(mcap.close());
    EXPECT_GT(mcap.chunkCount(), 10U);
    std::stable_sort(written.begin(), written.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    McapReader reader;
    ASSERT_TRUE(reader.open(path));
    std::vector<std::pair<std::uint64_t, std::string>> read;
    ASSERT_TRUE(reader.readMessages([&](const McapMessageView& m) {
        read.emplace_back(m.logTime, std::string(m.data));
        return true;
    }));
    EXPECT_EQ(read, written);

    // Pulled chunk by chunk, as the replaying camera does, and for one channel only.
    std::vector<std::string> lateOnly;
    for (std::size_t i = 0; i < reader.chunkCount(); ++i) {
        ASSERT_TRUE(reader.readChunk(i, [&](const McapMessageView& m) {
            lateOnly.emplace_back(m.data);
            return true;
        }, {late}));
    }
    std::vector<std::string> expected;
    for (const auto& [time, text] : written) {
        if (text[0] == 'l') {
            expected.push_back(text);
        }
    }
    EXPECT_EQ(lateOnly, expected);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace recording_test
