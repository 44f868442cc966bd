#include "McapReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <zstd.h>

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include "McapFormat.h"

namespace hazard_desk::recording {

using namespace mcap;

namespace {

// Reads little-endian fields from a record's content; any read past the end
// clears ok and yields zeros, so a damaged record is noticed once at the end.
class Cursor {
public:
    explicit Cursor(std::string_view bytes) : bytes_(bytes) {}

    template <typename T>
    T get() {
        if (!take(sizeof(T))) {
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            value |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(bytes_[pos_ - sizeof(T) + i])) << (8 * i);
        }
        return static_cast<T>(value);
    }
    std::string_view bytes(std::uint64_t size) {
        if (!take(size)) {
            return {};
        }
        return bytes_.substr(pos_ - size, size);
    }
    std::string_view string() { return bytes(get<std::uint32_t>()); }
    std::map<std::string, std::string> stringMap() {
        Cursor entries(string());
        std::map<std::string, std::string> values;
        while (ok_ && entries.ok() && entries.remaining() > 0) {
            const std::string key(entries.string());
            values[key] = std::string(entries.string());
        }
        ok_ = ok_ && entries.ok();
        return values;
    }
    bool ok() const { return ok_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }

private:
    bool take(std::uint64_t size) {
        if (!ok_ || size > bytes_.size() - pos_) {
            ok_ = false;
            return false;
        }
        pos_ += static_cast<std::size_t>(size);
        return true;
    }
    std::string_view bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

std::uint64_t readU64(std::string_view bytes) {
    Cursor cursor(bytes);
    return cursor.get<std::uint64_t>();
}

}  // namespace

McapReader::McapReader() = default;

McapReader::~McapReader() {
#ifndef _WIN32
    if (mapped_ != nullptr) {
        munmap(const_cast<char*>(mapped_), static_cast<std::size_t>(size_));
    }
#endif
    ZSTD_freeDCtx(static_cast<ZSTD_DCtx*>(decompressor_));
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool McapReader::recordAt(std::uint64_t offset, std::uint64_t length, std::string& buffer, std::string_view& view) {
    if (offset > size_ || length > size_ - offset) {
        return false;
    }
    if (mapped_ != nullptr) {
        view = std::string_view(mapped_ + offset, static_cast<std::size_t>(length));
        return true;
    }
    if (!readAt(offset, static_cast<std::size_t>(length), buffer)) {
        return false;
    }
    view = buffer;
    return true;
}

bool McapReader::fail(const std::string& what) {
    if (error_.empty()) {
        error_ = path_ + ": " + what;
    }
    return false;
}

bool McapReader::readAt(std::uint64_t offset, std::size_t size, std::string& out) {
    if (offset > size_ || size > size_ - offset) {
        return false;
    }
    out.resize(size);
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
        return false;
    }
    return size == 0 || std::fread(out.data(), 1, size, file_) == size;
}

bool McapReader::open(const std::string& path) {
    path_ = path;
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        return fail(std::string("cannot open the file: ") + std::strerror(errno));
    }
    fseeko(file_, 0, SEEK_END);
    size_ = static_cast<std::uint64_t>(ftello(file_));
#ifndef _WIN32
    // Chunks are decompressed straight from the page cache, without a copy.
    if (size_ > 0) {
        void* map = mmap(nullptr, static_cast<std::size_t>(size_), PROT_READ, MAP_PRIVATE, fileno(file_), 0);
        if (map != MAP_FAILED) {
            mapped_ = static_cast<const char*>(map);
            madvise(map, static_cast<std::size_t>(size_), MADV_SEQUENTIAL);
        }
    }
#endif
    std::string magic;
    if (!readAt(0, kMagic.size(), magic) || std::memcmp(magic.data(), kMagic.data(), kMagic.size()) != 0) {
        return fail("not an MCAP file (no MCAP magic at the start)");
    }
    std::string why;
    complete_ = readSummary(why);
    if (!complete_) {
        recoveryNote_ = why;
        schemas_.clear();
        channels_.clear();
        metadata_.clear();
        chunks_.clear();
        attachments_.clear();
        statistics_.reset();
        walkDataSection();
    }
    laterStart_.assign(chunks_.size(), std::numeric_limits<std::uint64_t>::max());
    for (std::size_t i = chunks_.size(); i > 1; --i) {
        laterStart_[i - 2] = std::min(laterStart_[i - 1], chunks_[i - 1].startTime);
    }
    return error_.empty();
}

bool McapReader::readSummary(std::string& why) {
    std::string tail;
    if (size_ < kMagic.size() + kFileTailSize || !readAt(size_ - kFileTailSize, kFileTailSize, tail)) {
        why = "file too short for a footer";
        return false;
    }
    if (std::memcmp(tail.data() + kRecordPrefixSize + kFooterContentSize, kMagic.data(), kMagic.size()) != 0 ||
        static_cast<std::uint8_t>(tail[0]) != kFooter) {
        why = "no footer: the recording was not closed";
        return false;
    }
    Cursor footer(std::string_view(tail).substr(kRecordPrefixSize, kFooterContentSize));
    const auto summaryStart = footer.get<std::uint64_t>();
    const auto offsetStart = footer.get<std::uint64_t>();
    const auto summaryCrc = footer.get<std::uint32_t>();
    const std::uint64_t footerStart = size_ - kFileTailSize;
    if (summaryStart == 0 || summaryStart > footerStart || offsetStart > footerStart) {
        why = "the footer names no summary";
        return false;
    }
    std::string summary;
    if (!readAt(summaryStart, static_cast<std::size_t>(footerStart - summaryStart), summary)) {
        why = "summary unreadable";
        return false;
    }
    if (summaryCrc != 0 &&
        crc32Of(std::string_view(tail).substr(0, kRecordPrefixSize + 16), crc32Of(summary)) != summaryCrc) {
        why = "summary CRC mismatch";
        return false;
    }
    Cursor records(summary);
    statistics_.reset();
    while (records.remaining() > 0) {
        const auto opcode = records.get<std::uint8_t>();
        const std::string_view content = records.bytes(records.get<std::uint64_t>());
        if (!records.ok()) {
            why = "summary record cut short";
            return false;
        }
        Cursor c(content);
        switch (opcode) {
        case kSchema:
            if (!parseSchema(content)) {
                why = "bad schema record in the summary";
                return false;
            }
            break;
        case kChannel:
            if (!parseChannel(content)) {
                why = "bad channel record in the summary";
                return false;
            }
            break;
        case kStatistics: {
            McapStatistics s;
            s.messageCount = c.get<std::uint64_t>();
            c.get<std::uint16_t>();
            c.get<std::uint32_t>();
            c.get<std::uint32_t>();
            c.get<std::uint32_t>();
            s.chunkCount = c.get<std::uint32_t>();
            s.messageStartTime = c.get<std::uint64_t>();
            s.messageEndTime = c.get<std::uint64_t>();
            Cursor counts(c.string());
            while (counts.ok() && counts.remaining() > 0) {
                const auto channelId = counts.get<std::uint16_t>();
                s.channelMessageCounts[channelId] = counts.get<std::uint64_t>();
            }
            if (c.ok() && counts.ok()) {
                statistics_ = s;
            }
            break;
        }
        case kChunkIndex: {
            ChunkLocation chunk;
            chunk.startTime = c.get<std::uint64_t>();
            chunk.endTime = c.get<std::uint64_t>();
            chunk.offset = c.get<std::uint64_t>();
            chunk.length = c.get<std::uint64_t>();
            Cursor indexOffsets(c.string());
            while (indexOffsets.ok() && indexOffsets.remaining() > 0) {
                chunk.channels.push_back(indexOffsets.get<std::uint16_t>());
                indexOffsets.get<std::uint64_t>();
            }
            if (!c.ok() || !indexOffsets.ok()) {
                why = "bad chunk index";
                return false;
            }
            chunks_.push_back(chunk);
            break;
        }
        case kAttachmentIndex: {
            AttachmentLocation a;
            a.offset = c.get<std::uint64_t>();
            a.length = c.get<std::uint64_t>();
            c.get<std::uint64_t>();
            c.get<std::uint64_t>();
            c.get<std::uint64_t>();
            a.name = std::string(c.string());
            if (!c.ok()) {
                why = "bad attachment index";
                return false;
            }
            attachments_.push_back(std::move(a));
            break;
        }
        case kMetadataIndex: {
            const auto offset = c.get<std::uint64_t>();
            const auto length = c.get<std::uint64_t>();
            std::string record;
            if (!c.ok() || length < kRecordPrefixSize || !readAt(offset, static_cast<std::size_t>(length), record) ||
                !parseMetadata(std::string_view(record).substr(kRecordPrefixSize))) {
                why = "bad metadata index";
                return false;
            }
            break;
        }
        default:
            break;  // summary offsets and records of later versions
        }
    }
    return true;
}

void McapReader::walkDataSection() {
    // Magic, then records; a record that does not fit in the file ends the walk.
    std::uint64_t offset = kMagic.size();
    std::string prefix;
    while (readAt(offset, kRecordPrefixSize, prefix)) {
        const auto opcode = static_cast<std::uint8_t>(prefix[0]);
        const std::uint64_t length = readU64(std::string_view(prefix).substr(1));
        const std::uint64_t end = offset + kRecordPrefixSize;
        if (length > size_ - std::min(size_, end)) {
            break;  // cut inside this record
        }
        const std::uint64_t recordLength = kRecordPrefixSize + length;
        if (opcode == kDataEnd || opcode == kFooter) {
            break;
        }
        if (opcode == kChunk) {
            ChunkLocation chunk;
            chunk.offset = offset;
            chunk.length = recordLength;
            std::string times;
            if (readAt(end, 16, times)) {
                Cursor c(times);
                chunk.startTime = c.get<std::uint64_t>();
                chunk.endTime = c.get<std::uint64_t>();
            }
            chunks_.push_back(std::move(chunk));
        } else if (opcode == kMessageIndex && !chunks_.empty()) {
            // The message indexes after a chunk name its channels.
            std::string channel;
            if (readAt(end, 2, channel)) {
                chunks_.back().channels.push_back(Cursor(channel).get<std::uint16_t>());
            }
        } else if (opcode == kAttachment) {
            std::string head;
            if (readAt(end, static_cast<std::size_t>(std::min<std::uint64_t>(length, 4096)), head)) {
                Cursor c(head);
                c.get<std::uint64_t>();
                c.get<std::uint64_t>();
                attachments_.push_back(AttachmentLocation{offset, recordLength, std::string(c.string())});
            }
        } else if (opcode == kSchema || opcode == kChannel || opcode == kMetadata) {
            std::string content;
            if (!readAt(end, static_cast<std::size_t>(length), content)) {
                break;
            }
            if (opcode == kSchema) {
                parseSchema(content);
            } else if (opcode == kChannel) {
                parseChannel(content);
            } else {
                parseMetadata(content);
            }
        }
        offset += recordLength;
    }
}

bool McapReader::parseSchema(std::string_view content) {
    Cursor c(content);
    McapSchema s;
    s.id = c.get<std::uint16_t>();
    s.name = std::string(c.string());
    s.encoding = std::string(c.string());
    s.data = std::string(c.string());
    if (!c.ok() || s.id == 0) {
        return false;
    }
    schemas_[s.id] = std::move(s);
    return true;
}

bool McapReader::parseChannel(std::string_view content) {
    Cursor c(content);
    McapChannel ch;
    ch.id = c.get<std::uint16_t>();
    ch.schemaId = c.get<std::uint16_t>();
    ch.topic = std::string(c.string());
    ch.messageEncoding = std::string(c.string());
    ch.metadata = c.stringMap();
    if (!c.ok()) {
        return false;
    }
    channels_[ch.id] = std::move(ch);
    return true;
}

bool McapReader::parseMetadata(std::string_view content) {
    Cursor c(content);
    McapMetadata m;
    m.name = std::string(c.string());
    m.values = c.stringMap();
    if (!c.ok()) {
        return false;
    }
    metadata_.push_back(std::move(m));
    return true;
}

std::vector<std::string> McapReader::attachmentNames() const {
    std::vector<std::string> names;
    for (const AttachmentLocation& a : attachments_) {
        names.push_back(a.name);
    }
    return names;
}

bool McapReader::readAttachments(std::vector<McapAttachment>& out) {
    out.clear();
    for (const AttachmentLocation& location : attachments_) {
        std::string record;
        if (location.length < kRecordPrefixSize || !readAt(location.offset, location.length, record) ||
            static_cast<std::uint8_t>(record[0]) != kAttachment) {
            return fail("attachment '" + location.name + "' unreadable");
        }
        const std::string_view content = std::string_view(record).substr(kRecordPrefixSize);
        Cursor c(content);
        McapAttachment a;
        a.logTime = c.get<std::uint64_t>();
        a.createTime = c.get<std::uint64_t>();
        a.name = std::string(c.string());
        a.mediaType = std::string(c.string());
        a.data = std::string(c.bytes(c.get<std::uint64_t>()));
        const std::size_t covered = content.size() - c.remaining();
        const auto crc = c.get<std::uint32_t>();
        if (!c.ok()) {
            return fail("attachment '" + location.name + "' cut short");
        }
        if (crc != 0 && crc != crc32Of(content.substr(0, covered))) {
            return fail("attachment '" + a.name + "' CRC mismatch");
        }
        out.push_back(std::move(a));
    }
    return true;
}

bool McapReader::holdsAny(const ChunkLocation& chunk, const std::vector<std::uint16_t>& channels) const {
    if (channels.empty() || chunk.channels.empty()) {
        return true;
    }
    for (std::uint16_t id : chunk.channels) {
        if (std::find(channels.begin(), channels.end(), id) != channels.end()) {
            return true;
        }
    }
    return false;
}

bool McapReader::readMessages(const std::function<bool(const McapMessageView&)>& visitor,
                              const std::vector<std::uint16_t>& onlyChannels) {
    order_.clear();
    bool stop = false;
    for (std::size_t i = 0; i < chunks_.size() && !stop; ++i) {
        if (!step(i, visitor, onlyChannels, stop)) {
            return false;
        }
    }
    return true;
}

bool McapReader::readChunk(std::size_t index, const std::function<bool(const McapMessageView&)>& visitor,
                           const std::vector<std::uint16_t>& onlyChannels) {
    if (index >= chunks_.size()) {
        return false;
    }
    if (index == 0) {
        order_.clear();
    }
    bool stop = false;
    return step(index, visitor, onlyChannels, stop);
}

bool McapReader::step(std::size_t index, const std::function<bool(const McapMessageView&)>& visitor,
                      const std::vector<std::uint16_t>& onlyChannels, bool& stop) {
    const ChunkLocation& chunk = chunks_[index];
    const bool ok = !holdsAny(chunk, onlyChannels) || decodeChunk(chunk, onlyChannels);
    // After a damaged chunk nothing more comes: what the chunks before it held is due now.
    stop = !order_.visitDue(ok ? laterStart_[index] : std::numeric_limits<std::uint64_t>::max(), visitor);
    return ok;
}

bool McapReader::indexedLogTimes(std::uint16_t channelId, std::vector<std::uint64_t>& times) {
    times.clear();
    bool found = false;
    std::string prefix;
    std::string content;
    for (const ChunkLocation& chunk : chunks_) {
        // Message index records follow their chunk directly.
        std::uint64_t offset = chunk.offset + chunk.length;
        while (readAt(offset, kRecordPrefixSize, prefix) && static_cast<std::uint8_t>(prefix[0]) == kMessageIndex) {
            const std::uint64_t length = readU64(std::string_view(prefix).substr(1));
            if (!readAt(offset + kRecordPrefixSize, static_cast<std::size_t>(length), content)) {
                break;
            }
            Cursor c(content);
            if (c.get<std::uint16_t>() == channelId) {
                found = true;
                Cursor entries(c.string());
                while (entries.ok() && entries.remaining() >= 16) {
                    times.push_back(entries.get<std::uint64_t>());
                    entries.get<std::uint64_t>();
                }
            }
            offset += kRecordPrefixSize + length;
        }
    }
    return found;
}

bool McapReader::decodeChunk(const ChunkLocation& chunk, const std::vector<std::uint16_t>& onlyChannels) {
    const std::string where = "chunk at byte " + std::to_string(chunk.offset);
    std::string_view record;
    if (chunk.length < kRecordPrefixSize || !recordAt(chunk.offset, chunk.length, record_, record) ||
        static_cast<std::uint8_t>(record[0]) != kChunk) {
        return fail(where + " unreadable");
    }
    Cursor c(record.substr(kRecordPrefixSize));
    c.get<std::uint64_t>();
    c.get<std::uint64_t>();
    const auto uncompressedSize = c.get<std::uint64_t>();
    const auto crc = c.get<std::uint32_t>();
    const std::string compression(c.string());
    const std::string_view data = c.bytes(c.get<std::uint64_t>());
    if (!c.ok()) {
        return fail(where + " cut short");
    }
    std::string& buffer = order_.nextBuffer();
    std::string_view records;
    if (compression.empty()) {
        // Stored as it is: read in place from the mapped file, else kept apart from the next record read.
        if (mapped_ != nullptr) {
            records = data;
        } else {
            buffer.assign(data.data(), data.size());
            records = buffer;
        }
    } else if (compression == kCompressionZstd) {
        buffer.resize(static_cast<std::size_t>(uncompressedSize));
        if (decompressor_ == nullptr) {
            decompressor_ = ZSTD_createDCtx();
        }
        const std::size_t n = ZSTD_decompressDCtx(static_cast<ZSTD_DCtx*>(decompressor_), buffer.data(),
                                                  buffer.size(), data.data(), data.size());
        if (ZSTD_isError(n) != 0U || n != uncompressedSize) {
            return fail(where + ": zstd data damaged");
        }
        records = buffer;
    } else {
        return fail(where + ": compression '" + compression + "' not supported");
    }
    if (records.size() != uncompressedSize) {
        return fail(where + ": size differs from its header");
    }
    if (crc != 0 && crc32Of(records) != crc) {
        return fail(where + ": CRC mismatch");
    }
    Cursor r(records);
    while (r.remaining() > 0) {
        const auto opcode = r.get<std::uint8_t>();
        const std::string_view content = r.bytes(r.get<std::uint64_t>());
        if (!r.ok()) {
            return fail(where + ": record cut short");
        }
        if (opcode == kSchema) {
            parseSchema(content);
        } else if (opcode == kChannel) {
            parseChannel(content);
        } else if (opcode == kMessage) {
            Cursor m(content);
            McapMessageView view;
            view.channelId = m.get<std::uint16_t>();
            view.sequence = m.get<std::uint32_t>();
            view.logTime = m.get<std::uint64_t>();
            view.publishTime = m.get<std::uint64_t>();
            if (!m.ok()) {
                return fail(where + ": message cut short");
            }
            view.data = content.substr(content.size() - m.remaining());
            if (onlyChannels.empty() ||
                std::find(onlyChannels.begin(), onlyChannels.end(), view.channelId) != onlyChannels.end()) {
                order_.add(view);
            }
        }
    }
    return true;
}

}  // namespace hazard_desk::recording
