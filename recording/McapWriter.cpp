#include "McapWriter.h"

#include <cerrno>
#include <cstring>

#include <zstd.h>

#include "McapBytes.h"
#include "McapFormat.h"

namespace hazard_desk::recording {

using namespace mcap;

McapWriter::McapWriter() = default;

McapWriter::~McapWriter() {
    if (file_ != nullptr) {
        close();
    }
    ZSTD_freeCCtx(zstd_);
}

bool McapWriter::fail(const std::string& what) {
    if (error_.empty()) {
        error_ = path_ + ": " + what;
    }
    return false;
}

bool McapWriter::writeBytes(const void* data, std::size_t size) {
    if (file_ == nullptr) {
        return fail("file is not open");
    }
    if (size != 0 && std::fwrite(data, 1, size, file_) != size) {
        return fail(std::string("write failed: ") + std::strerror(errno));
    }
    offset_ += size;
    return true;
}

bool McapWriter::writeRecord(std::uint8_t opcode, std::string_view content) {
    std::string prefix;
    putRecordPrefix(prefix, opcode, content.size());
    return writeBytes(prefix.data(), prefix.size()) && writeBytes(content.data(), content.size());
}

bool McapWriter::open(const std::string& path, const McapWriterOptions& options) {
    path_ = path;
    if (file_ != nullptr || offset_ != 0) {
        return fail("a writer writes one file only");
    }
    zstd_ = ZSTD_createCCtx();
    options_ = options;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        return fail(std::string("cannot create the file: ") + std::strerror(errno));
    }
    std::string header;
    putString(header, options_.profile);
    putString(header, options_.library);
    return writeBytes(kMagic.data(), kMagic.size()) && writeRecord(kHeader, header) && flush();
}

std::uint16_t McapWriter::addSchema(const std::string& name, const std::string& encoding, std::string_view data) {
    const auto id = static_cast<std::uint16_t>(schemaRecords_.size() + 1);
    std::string content;
    put<std::uint16_t>(content, id);
    putString(content, name);
    putString(content, encoding);
    putString(content, data);
    schemaRecords_.push_back(content);
    writeRecord(kSchema, content);
    return id;
}

std::size_t McapWriter::addChunkGroup(bool compressed) {
    OpenChunk group;
    group.compressed = compressed;
    groups_.push_back(std::move(group));
    return groups_.size() - 1;
}

std::uint16_t McapWriter::addChannel(const std::string& topic, std::uint16_t schemaId,
                                     const std::string& messageEncoding,
                                     const std::map<std::string, std::string>& metadata, std::size_t chunkGroup) {
    const auto id = static_cast<std::uint16_t>(channelRecords_.size() + 1);
    std::string content;
    put<std::uint16_t>(content, id);
    put<std::uint16_t>(content, schemaId);
    putString(content, topic);
    putString(content, messageEncoding);
    putStringMap(content, metadata);
    channelRecords_.push_back(content);
    channelCounts_[id] = 0;
    channelGroups_[id] = chunkGroup < groups_.size() ? chunkGroup : 0;
    writeRecord(kChannel, content);
    return id;
}

bool McapWriter::writeMessage(std::uint16_t channelId, std::uint32_t sequence, std::uint64_t logTimeNs,
                              std::uint64_t publishTimeNs, std::initializer_list<std::string_view> pieces) {
    if (file_ == nullptr || !error_.empty()) {
        return fail("file is not open");
    }
    const auto group = channelGroups_.find(channelId);
    if (group == channelGroups_.end()) {
        return fail("message on unknown channel " + std::to_string(channelId));
    }
    std::uint64_t size = 2 + 4 + 8 + 8;
    for (std::string_view piece : pieces) {
        size += piece.size();
    }
    if (openBytes_ == 0) {
        chunkOpened_ = std::chrono::steady_clock::now();
    }
    OpenChunk& chunk = groups_[group->second];
    std::string& records = chunk.records;
    if (records.empty()) {
        chunk.startTime = logTimeNs;
        chunk.endTime = logTimeNs;
    }
    chunk.messages[channelId].emplace_back(logTimeNs, records.size());
    const std::size_t before = records.size();
    records.reserve(records.size() + kRecordPrefixSize + size);
    putRecordPrefix(records, kMessage, size);
    put<std::uint16_t>(records, channelId);
    put<std::uint32_t>(records, sequence);
    put<std::uint64_t>(records, logTimeNs);
    put<std::uint64_t>(records, publishTimeNs);
    for (std::string_view piece : pieces) {
        records.append(piece.data(), piece.size());
    }
    openBytes_ += records.size() - before;
    chunk.startTime = std::min(chunk.startTime, logTimeNs);
    chunk.endTime = std::max(chunk.endTime, logTimeNs);
    firstTime_ = messageCount_ == 0 ? logTimeNs : std::min(firstTime_, logTimeNs);
    lastTime_ = messageCount_ == 0 ? logTimeNs : std::max(lastTime_, logTimeNs);
    ++messageCount_;
    ++channelCounts_[channelId];
    if (openBytes_ >= options_.chunkSize ||
        std::chrono::steady_clock::now() - chunkOpened_ >= options_.chunkDuration) {
        return closeChunks();
    }
    return true;
}

bool McapWriter::closeChunks() {
    bool ok = true;
    for (OpenChunk& chunk : groups_) {
        ok = closeChunk(chunk) && ok;
    }
    openBytes_ = 0;
    if (!ok) {
        return false;
    }
    // Finished chunks go to the operating system now: a crash later loses
    // only the chunks that are still open.
    if (file_ != nullptr && std::fflush(file_) != 0) {
        return fail(std::string("flush failed: ") + std::strerror(errno));
    }
    return error_.empty();
}

bool McapWriter::closeChunk(OpenChunk& chunk) {
    const std::string& records = chunk.records;
    if (records.empty()) {
        return error_.empty();
    }
    std::string_view stored = records;
    const char* compression = "";
    if (chunk.compressed) {
        compressed_.resize(ZSTD_compressBound(records.size()));
        const std::size_t compressedSize = ZSTD_compressCCtx(zstd_, compressed_.data(), compressed_.size(),
                                                             records.data(), records.size(), options_.zstdLevel);
        if (ZSTD_isError(compressedSize) != 0U) {
            return fail(std::string("zstd compression failed: ") + ZSTD_getErrorName(compressedSize));
        }
        if (compressedSize < records.size()) {
            stored = std::string_view(compressed_.data(), compressedSize);
            compression = kCompressionZstd;
        }
    }
    std::string head;
    put<std::uint64_t>(head, chunk.startTime);
    put<std::uint64_t>(head, chunk.endTime);
    put<std::uint64_t>(head, records.size());
    put<std::uint32_t>(head, crc32Of(records));
    putString(head, compression);
    put<std::uint64_t>(head, stored.size());

    ChunkIndexEntry entry;
    entry.startTime = chunk.startTime;
    entry.endTime = chunk.endTime;
    entry.offset = offset_;
    entry.compression = compression;
    entry.compressedSize = stored.size();
    entry.uncompressedSize = records.size();
    std::string prefix;
    putRecordPrefix(prefix, kChunk, head.size() + stored.size());
    entry.length = prefix.size() + head.size() + stored.size();
    bool ok = writeBytes(prefix.data(), prefix.size()) && writeBytes(head.data(), head.size()) &&
              writeBytes(stored.data(), stored.size());

    const std::uint64_t indexStart = offset_;
    for (const auto& [channelId, entries] : chunk.messages) {
        std::string content;
        put<std::uint16_t>(content, channelId);
        put<std::uint32_t>(content, static_cast<std::uint32_t>(entries.size() * 16));
        for (const auto& [time, position] : entries) {
            put<std::uint64_t>(content, time);
            put<std::uint64_t>(content, position);
        }
        entry.messageIndexOffsets[channelId] = offset_;
        ok = ok && writeRecord(kMessageIndex, content);
    }
    entry.messageIndexLength = offset_ - indexStart;
    chunk.records.clear();
    chunk.messages.clear();
    if (!ok) {
        return false;
    }
    chunkIndexes_.push_back(std::move(entry));
    return true;
}

bool McapWriter::flush() { return closeChunks(); }

bool McapWriter::writeAttachment(const std::string& name, const std::string& mediaType, std::string_view data,
                                 std::uint64_t logTimeNs, std::uint64_t createTimeNs) {
    std::string content;
    put<std::uint64_t>(content, logTimeNs);
    put<std::uint64_t>(content, createTimeNs);
    putString(content, name);
    putString(content, mediaType);
    put<std::uint64_t>(content, data.size());
    content.append(data.data(), data.size());
    put<std::uint32_t>(content, crc32Of(content));
    IndexEntry entry{offset_, kRecordPrefixSize + content.size(), logTimeNs, createTimeNs, data.size(), name,
                     mediaType};
    if (!writeRecord(kAttachment, content) || !flush()) {
        return false;
    }
    attachmentIndexes_.push_back(std::move(entry));
    return true;
}

bool McapWriter::writeMetadata(const std::string& name, const std::map<std::string, std::string>& values) {
    std::string content;
    putString(content, name);
    putStringMap(content, values);
    IndexEntry entry;
    entry.offset = offset_;
    entry.length = kRecordPrefixSize + content.size();
    entry.name = name;
    if (!writeRecord(kMetadata, content) || !flush()) {
        return false;
    }
    metadataIndexes_.push_back(std::move(entry));
    return true;
}

bool McapWriter::close() {
    if (file_ == nullptr) {
        return error_.empty();
    }
    closeChunks();
    std::string dataEnd;
    put<std::uint32_t>(dataEnd, 0);  // no CRC over the data section: each chunk and attachment has its own
    writeRecord(kDataEnd, dataEnd);

    // The summary, grouped by opcode; each group gets a summary offset record.
    const std::uint64_t summaryStart = offset_;
    std::string summary;
    std::string offsets;
    auto group = [&](std::uint8_t opcode, const std::vector<std::string>& records) {
        if (records.empty()) {
            return;
        }
        const std::uint64_t start = summaryStart + summary.size();
        for (const std::string& content : records) {
            putRecordPrefix(summary, opcode, content.size());
            summary += content;
        }
        std::string offset;
        put<std::uint8_t>(offset, opcode);
        put<std::uint64_t>(offset, start);
        put<std::uint64_t>(offset, summaryStart + summary.size() - start);
        putRecordPrefix(offsets, kSummaryOffset, offset.size());
        offsets += offset;
    };
    group(kSchema, schemaRecords_);
    group(kChannel, channelRecords_);

    std::string statistics;
    put<std::uint64_t>(statistics, messageCount_);
    put<std::uint16_t>(statistics, static_cast<std::uint16_t>(schemaRecords_.size()));
    put<std::uint32_t>(statistics, static_cast<std::uint32_t>(channelRecords_.size()));
    put<std::uint32_t>(statistics, static_cast<std::uint32_t>(attachmentIndexes_.size()));
    put<std::uint32_t>(statistics, static_cast<std::uint32_t>(metadataIndexes_.size()));
    put<std::uint32_t>(statistics, static_cast<std::uint32_t>(chunkIndexes_.size()));
    put<std::uint64_t>(statistics, firstTime_);
    put<std::uint64_t>(statistics, lastTime_);
    std::string counts;
    for (const auto& [channelId, count] : channelCounts_) {
        put<std::uint16_t>(counts, channelId);
        put<std::uint64_t>(counts, count);
    }
    putString(statistics, counts);
    group(kStatistics, {statistics});

    std::vector<std::string> chunkIndexRecords;
    for (const ChunkIndexEntry& c : chunkIndexes_) {
        std::string content;
        put<std::uint64_t>(content, c.startTime);
        put<std::uint64_t>(content, c.endTime);
        put<std::uint64_t>(content, c.offset);
        put<std::uint64_t>(content, c.length);
        std::string offsetsMap;
        for (const auto& [channelId, position] : c.messageIndexOffsets) {
            put<std::uint16_t>(offsetsMap, channelId);
            put<std::uint64_t>(offsetsMap, position);
        }
        putString(content, offsetsMap);
        put<std::uint64_t>(content, c.messageIndexLength);
        putString(content, c.compression);
        put<std::uint64_t>(content, c.compressedSize);
        put<std::uint64_t>(content, c.uncompressedSize);
        chunkIndexRecords.push_back(std::move(content));
    }
    group(kChunkIndex, chunkIndexRecords);

    std::vector<std::string> attachmentIndexRecords;
    for (const IndexEntry& a : attachmentIndexes_) {
        std::string content;
        put<std::uint64_t>(content, a.offset);
        put<std::uint64_t>(content, a.length);
        put<std::uint64_t>(content, a.logTime);
        put<std::uint64_t>(content, a.createTime);
        put<std::uint64_t>(content, a.dataSize);
        putString(content, a.name);
        putString(content, a.mediaType);
        attachmentIndexRecords.push_back(std::move(content));
    }
    group(kAttachmentIndex, attachmentIndexRecords);

    std::vector<std::string> metadataIndexRecords;
    for (const IndexEntry& m : metadataIndexes_) {
        std::string content;
        put<std::uint64_t>(content, m.offset);
        put<std::uint64_t>(content, m.length);
        putString(content, m.name);
        metadataIndexRecords.push_back(std::move(content));
    }
    group(kMetadataIndex, metadataIndexRecords);

    // The footer's CRC covers the summary, the summary offsets and the
    // footer itself up to the CRC field.
    std::string footer;
    putRecordPrefix(footer, kFooter, kFooterContentSize);
    put<std::uint64_t>(footer, summaryStart);
    put<std::uint64_t>(footer, summaryStart + summary.size());
    const std::uint32_t crc = crc32Of(footer, crc32Of(offsets, crc32Of(summary)));
    put<std::uint32_t>(footer, crc);
    writeBytes(summary.data(), summary.size());
    writeBytes(offsets.data(), offsets.size());
    writeBytes(footer.data(), footer.size());
    writeBytes(kMagic.data(), kMagic.size());
    if (std::fclose(file_) != 0) {
        fail(std::string("close failed: ") + std::strerror(errno));
    }
    file_ = nullptr;
    return error_.empty();
}

}  // namespace hazard_desk::recording
