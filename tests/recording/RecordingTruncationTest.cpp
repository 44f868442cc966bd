// A recording cut at any byte (a crash mid-recording, a full disk, a partial
// copy) reads back every frame whose chunk is complete and nothing after;
// a damaged chunk is refused by its CRC.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "RecordingReader.h"
#include "RecordingSamples.h"
#include "RecordingWriter.h"

namespace recording_test {
namespace {

constexpr int kFrames = 6;
constexpr int kMessagesPerFrame = 4;  // depth, amplitude, colour, points

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
            samples_.push_back(makeSample(32, 24, static_cast<unsigned>(k)));
            ASSERT_TRUE(writer.writeFrame(frameOf(samples_.back(), static_cast<std::uint32_t>(k + 1),
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
    std::vector<SampleFrame> samples_;
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

TEST_F(RecordingTruncation, ADamagedChunkIsRefusedByItsCrc) {
    // A byte in the middle of the second frame's depth chunk.
    std::string damaged = bytes_;
    const std::uint64_t at = (chunkEnds_[3] + chunkEnds_[4]) / 2;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
    const std::string damagedPath = tempPath("damaged.mcap");
    writeBytes(damagedPath, damaged);
    bool complete = false;
    std::string error;
    const std::vector<std::uint32_t> sequences = framesIn(damagedPath, complete, error);
    EXPECT_TRUE(complete);
    EXPECT_NE(error.find("chunk at byte "), std::string::npos) << error;
    EXPECT_TRUE(error.find("CRC mismatch") != std::string::npos || error.find("zstd data damaged") != std::string::npos)
        << error;
    EXPECT_EQ(sequences, std::vector<std::uint32_t>{1});
    std::remove(damagedPath.c_str());
}

TEST_F(RecordingTruncation, ADamagedSummaryFallsBackToWalkingTheData) {
    std::string damaged = bytes_;
    damaged[chunkEnds_.back() + 200] ^= 0x01;  // past the last message index: inside the summary
    const std::string damagedPath = tempPath("summary.mcap");
    writeBytes(damagedPath, damaged);
    bool complete = true;
    std::string error;
    const std::vector<std::uint32_t> sequences = framesIn(damagedPath, complete, error);
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_FALSE(complete);
    EXPECT_EQ(sequences.size(), static_cast<std::size_t>(kFrames));
    std::remove(damagedPath.c_str());
}

}  // namespace
}  // namespace recording_test
