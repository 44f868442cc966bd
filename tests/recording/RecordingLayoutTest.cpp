// How points lie in the file: in metres, as point cloud viewers read them
// (millimetres again when read back, also from files that say they hold
// millimetres), and in chunks of their own, so reading points alone never
// touches the images' chunks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "McapFormat.h"
#include "McapWriter.h"
#include "ProtobufDescriptorSet.h"
#include "RecordingReader.h"
#include "RecordingSamples.h"
#include "RecordingWriter.h"
#include "foxglove/PointCloud.pb.h"

namespace recording_test {
namespace {

std::vector<float> cloudData(const foxglove::PointCloud& cloud) {
    std::vector<float> values(cloud.data().size() / 4);
    std::memcpy(values.data(), cloud.data().data(), values.size() * 4);
    return values;
}

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
        stored = cloudData(cloud);
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
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::vector<std::uint64_t> ends;
    {
        McapReader mcap;
        ASSERT_TRUE(mcap.open(path));
        ends = mcap.chunkEndOffsets();
    }
    ASSERT_GE(ends.size(), 2U);
    bytes[ends[0] - 100] ^= 0x5A;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

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

}  // namespace
}  // namespace recording_test
