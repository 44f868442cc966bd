#pragma once
// Little-endian building blocks of MCAP records: fixed-width integers,
// length-prefixed strings and maps, appended to a byte string.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace hazard_desk::recording::mcap {

template <typename T>
void put(std::string& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF));
    }
}

inline void putString(std::string& out, std::string_view text) {
    put<std::uint32_t>(out, static_cast<std::uint32_t>(text.size()));
    out.append(text.data(), text.size());
}

inline void putStringMap(std::string& out, const std::map<std::string, std::string>& values) {
    std::string entries;
    for (const auto& [key, value] : values) {
        putString(entries, key);
        putString(entries, value);
    }
    putString(out, entries);  // a map is its byte length and its entries
}

inline void putRecordPrefix(std::string& out, std::uint8_t opcode, std::uint64_t length) {
    out.push_back(static_cast<char>(opcode));
    put<std::uint64_t>(out, length);
}

}  // namespace hazard_desk::recording::mcap
