#pragma once
// Writes an MCAP file: messages batched into zstd-compressed chunks, each
// followed by its message indexes and flushed to the file at once, so a
// process that dies mid-recording leaves every finished chunk readable; on
// close the data end, the summary (schemas, channels, statistics, chunk,
// attachment and metadata indexes), the summary offsets and the footer.
//
// Channels can be put in chunk groups of their own: each group fills its own
// chunk, and the open chunks of all groups are closed together, so they
// cover the same span of time. A reader that wants only some channels then
// skips the other groups' chunks through the chunk indexes. A group may be
// stored uncompressed, for data zstd barely shrinks; any chunk zstd does not
// shrink at all is stored uncompressed too.
// Not thread-safe: one thread writes.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct ZSTD_CCtx_s;

namespace hazard_desk::recording {

struct McapWriterOptions {
    std::string profile;                       // empty: no well-known profile
    std::string library = "hazard-desk";
    std::uint64_t chunkSize = 4u << 20;        // uncompressed bytes before a chunk is closed
    std::chrono::milliseconds chunkDuration{1000};  // a chunk is closed at the latest after this
    int zstdLevel = 1;
};

class McapWriter {
public:
    McapWriter();
    ~McapWriter();
    McapWriter(const McapWriter&) = delete;
    McapWriter& operator=(const McapWriter&) = delete;

    // Creates (truncates) the file and writes the magic and the header.
    bool open(const std::string& path, const McapWriterOptions& options);
    bool isOpen() const { return file_ != nullptr; }

    // Ids start at 1 and are written at once, ahead of any message that uses them.
    std::uint16_t addSchema(const std::string& name, const std::string& encoding, std::string_view data);
    // Group 0, zstd-compressed, exists from the start; the new group's number is returned.
    std::size_t addChunkGroup(bool compressed);
    std::uint16_t addChannel(const std::string& topic, std::uint16_t schemaId, const std::string& messageEncoding,
                             const std::map<std::string, std::string>& metadata = {}, std::size_t chunkGroup = 0);

    // One message; its data is the concatenation of pieces (so a large
    // payload is not copied once more just to join it to its header).
    bool writeMessage(std::uint16_t channelId, std::uint32_t sequence, std::uint64_t logTimeNs,
                      std::uint64_t publishTimeNs, std::initializer_list<std::string_view> pieces);
    bool writeAttachment(const std::string& name, const std::string& mediaType, std::string_view data,
                         std::uint64_t logTimeNs, std::uint64_t createTimeNs);
    bool writeMetadata(const std::string& name, const std::map<std::string, std::string>& values);

    // Closes the open chunks and writes them out now.
    bool flush();
    // Writes the rest of the file and closes it; false when anything failed.
    bool close();

    // The first failure, with the path; empty while all is well.
    const std::string& error() const { return error_; }
    std::uint64_t bytesWritten() const { return offset_; }
    std::uint64_t messageCount() const { return messageCount_; }
    std::uint32_t chunkCount() const { return static_cast<std::uint32_t>(chunkIndexes_.size()); }

private:
    struct ChunkIndexEntry {
        std::uint64_t startTime = 0;
        std::uint64_t endTime = 0;
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        std::map<std::uint16_t, std::uint64_t> messageIndexOffsets;
        std::uint64_t messageIndexLength = 0;
        std::string compression;
        std::uint64_t compressedSize = 0;
        std::uint64_t uncompressedSize = 0;
    };
    struct IndexEntry {
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        std::uint64_t logTime = 0;
        std::uint64_t createTime = 0;
        std::uint64_t dataSize = 0;
        std::string name;
        std::string mediaType;
    };

    bool writeBytes(const void* data, std::size_t size);
    bool writeRecord(std::uint8_t opcode, std::string_view content);
    // The records of one group's open chunk.
    struct OpenChunk {
        bool compressed = true;
        std::string records;
        std::uint64_t startTime = 0;
        std::uint64_t endTime = 0;
        std::map<std::uint16_t, std::vector<std::pair<std::uint64_t, std::uint64_t>>> messages;  // time, position
    };

    bool fail(const std::string& what);
    bool closeChunks();
    bool closeChunk(OpenChunk& chunk);

    McapWriterOptions options_;
    std::string path_;
    std::FILE* file_ = nullptr;
    std::uint64_t offset_ = 0;
    std::string error_;
    ZSTD_CCtx_s* zstd_ = nullptr;

    std::vector<std::string> schemaRecords_;    // content of each Schema record, for the summary
    std::vector<std::string> channelRecords_;
    std::map<std::uint16_t, std::uint64_t> channelCounts_;
    std::map<std::uint16_t, std::size_t> channelGroups_;
    std::uint64_t messageCount_ = 0;
    std::uint64_t firstTime_ = 0;
    std::uint64_t lastTime_ = 0;

    std::vector<OpenChunk> groups_{OpenChunk{}};
    std::uint64_t openBytes_ = 0;                // uncompressed bytes in all open chunks
    std::string compressed_;
    std::chrono::steady_clock::time_point chunkOpened_{};

    std::vector<ChunkIndexEntry> chunkIndexes_;
    std::vector<IndexEntry> attachmentIndexes_;
    std::vector<IndexEntry> metadataIndexes_;
};

}  // namespace hazard_desk::recording
