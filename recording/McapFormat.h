#pragma once
// Constants of the MCAP container shared by our writer and reader: the magic,
// the record opcodes and the encodings we use.
#include <array>
#include <cstdint>
#include <string_view>

#include <zlib.h>

namespace hazard_desk::recording::mcap {

// "\x89MCAP0\r\n": the file starts and ends with it; '0' is the major version.
constexpr std::array<std::uint8_t, 8> kMagic = {0x89, 'M', 'C', 'A', 'P', 0x30, '\r', '\n'};

enum Opcode : std::uint8_t {
    kHeader = 0x01,
    kFooter = 0x02,
    kSchema = 0x03,
    kChannel = 0x04,
    kMessage = 0x05,
    kChunk = 0x06,
    kMessageIndex = 0x07,
    kChunkIndex = 0x08,
    kAttachment = 0x09,
    kAttachmentIndex = 0x0A,
    kStatistics = 0x0B,
    kMetadata = 0x0C,
    kMetadataIndex = 0x0D,
    kSummaryOffset = 0x0E,
    kDataEnd = 0x0F,
};

// Opcode byte and the 64-bit content length in front of every record.
constexpr std::uint64_t kRecordPrefixSize = 9;
// Footer content: summary start, summary offset start, summary CRC.
constexpr std::uint64_t kFooterContentSize = 8 + 8 + 4;
// The footer record and the closing magic.
constexpr std::uint64_t kFileTailSize = kRecordPrefixSize + kFooterContentSize + 8;

constexpr const char* kCompressionZstd = "zstd";
constexpr const char* kEncodingProtobuf = "protobuf";

// The CRC-32 the format uses for records, chunks and the summary; crc carries
// a running value over several pieces.
inline std::uint32_t crc32Of(std::string_view bytes, std::uint32_t crc = 0) {
    return static_cast<std::uint32_t>(
        ::crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

}  // namespace hazard_desk::recording::mcap
