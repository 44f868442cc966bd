#pragma once
// Reads an MCAP file written by us or by another tool. With an intact
// summary it takes schemas, channels, chunk, attachment and metadata indexes
// from there (checking the summary CRC); otherwise, as after a crash or a
// cut copy, it walks the data section record by record and keeps everything
// up to the last complete record. Chunks are checked against their CRC when
// they are decompressed.
//
// Messages come in log-time order even where chunks overlap in time (as when
// a writer keeps some channels in chunks of their own): chunks are
// decompressed in file order and a message is handed on once no later chunk
// starts before it, ties in file order; only the chunks still needed for
// that are held. A reader that wants only some channels skips the chunks
// that hold none of them, known from the chunk index (or from the message
// indexes after each chunk when the summary is missing).
// Not thread-safe.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "McapMessageOrder.h"

namespace hazard_desk::recording {

struct McapSchema {
    std::uint16_t id = 0;
    std::string name;
    std::string encoding;
    std::string data;
};

struct McapChannel {
    std::uint16_t id = 0;
    std::uint16_t schemaId = 0;
    std::string topic;
    std::string messageEncoding;
    std::map<std::string, std::string> metadata;
};

struct McapAttachment {
    std::uint64_t logTime = 0;
    std::uint64_t createTime = 0;
    std::string name;
    std::string mediaType;
    std::string data;
};

struct McapMetadata {
    std::string name;
    std::map<std::string, std::string> values;
};

struct McapStatistics {
    std::uint64_t messageCount = 0;
    std::uint32_t chunkCount = 0;
    std::uint64_t messageStartTime = 0;
    std::uint64_t messageEndTime = 0;
    std::map<std::uint16_t, std::uint64_t> channelMessageCounts;
};

class McapReader {
public:
    McapReader();
    ~McapReader();
    McapReader(const McapReader&) = delete;
    McapReader& operator=(const McapReader&) = delete;

    // Reads the layout of the file (not the messages). False with error()
    // when the file cannot be read or is not MCAP at all.
    bool open(const std::string& path);

    // True when the file ends with a valid footer and summary; false for a
    // file read by walking its data section (truncated or never closed).
    bool complete() const { return complete_; }
    // Why the summary was not used ("" for a complete file).
    const std::string& recoveryNote() const { return recoveryNote_; }

    const std::map<std::uint16_t, McapSchema>& schemas() const { return schemas_; }
    const std::map<std::uint16_t, McapChannel>& channels() const { return channels_; }
    const std::optional<McapStatistics>& statistics() const { return statistics_; }
    const std::vector<McapMetadata>& metadata() const { return metadata_; }
    std::size_t chunkCount() const { return chunks_.size(); }
    // File offset just past each chunk record, in file order.
    std::vector<std::uint64_t> chunkEndOffsets() const {
        std::vector<std::uint64_t> ends;
        for (const ChunkLocation& c : chunks_) {
            ends.push_back(c.offset + c.length);
        }
        return ends;
    }
    // Attachments are read on request (they may be large); the names are known at open.
    std::vector<std::string> attachmentNames() const;
    bool readAttachments(std::vector<McapAttachment>& out);

    // Visits every message, or only those of the given channels; the visitor
    // returns false to stop early. False with error() on a damaged chunk (the
    // messages of the chunks before it are visited).
    bool readMessages(const std::function<bool(const McapMessageView&)>& visitor,
                      const std::vector<std::uint16_t>& onlyChannels = {});
    // For readers that pull: reads chunk index (0 .. chunkCount() - 1, in
    // order; 0 starts over) and visits the messages that are due after it,
    // after the last chunk all that remain.
    bool readChunk(std::size_t index, const std::function<bool(const McapMessageView&)>& visitor,
                   const std::vector<std::uint16_t>& onlyChannels = {});
    // Log times of a channel's messages from the message indexes after each
    // chunk, without decompressing anything; false when the file has none.
    bool indexedLogTimes(std::uint16_t channelId, std::vector<std::uint64_t>& times);

    const std::string& error() const { return error_; }

private:
    struct ChunkLocation {
        std::uint64_t offset = 0;   // of the chunk record
        std::uint64_t length = 0;   // of the whole record
        std::uint64_t startTime = 0;
        std::uint64_t endTime = 0;
        std::vector<std::uint16_t> channels;  // empty: not known, the chunk may hold any
    };
    struct AttachmentLocation {
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        std::string name;
    };

    bool fail(const std::string& what);
    bool readAt(std::uint64_t offset, std::size_t size, std::string& out);
    bool readSummary(std::string& why);
    void walkDataSection();
    bool parseSchema(std::string_view content);
    bool parseChannel(std::string_view content);
    bool parseMetadata(std::string_view content);
    bool holdsAny(const ChunkLocation& chunk, const std::vector<std::uint16_t>& channels) const;
    // Adds the chunk's messages (of the channels asked for) to order_.
    bool decodeChunk(const ChunkLocation& chunk, const std::vector<std::uint16_t>& onlyChannels);
    bool step(std::size_t index, const std::function<bool(const McapMessageView&)>& visitor,
              const std::vector<std::uint16_t>& onlyChannels, bool& stop);

    // A view of record bytes: straight into the mapped file when it is mapped, else read into buffer.
    bool recordAt(std::uint64_t offset, std::uint64_t length, std::string& buffer, std::string_view& view);

    std::string path_;
    std::FILE* file_ = nullptr;
    const char* mapped_ = nullptr;      // the whole file, read-only, where the platform maps files
    void* decompressor_ = nullptr;      // ZSTD_DCtx, kept across chunks
    std::uint64_t size_ = 0;
    bool complete_ = false;
    std::string recoveryNote_;
    std::string error_;
    std::map<std::uint16_t, McapSchema> schemas_;
    std::map<std::uint16_t, McapChannel> channels_;
    std::optional<McapStatistics> statistics_;
    std::vector<McapMetadata> metadata_;
    std::vector<ChunkLocation> chunks_;
    std::vector<std::uint64_t> laterStart_;     // per chunk: the earliest start of the chunks after it
    std::vector<AttachmentLocation> attachments_;
    std::string record_;
    McapMessageOrder order_;
};

}  // namespace hazard_desk::recording
