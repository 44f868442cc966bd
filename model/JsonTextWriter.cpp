#include "JsonTextWriter.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cmath>

namespace hazard_desk {

JsonTextWriter::JsonTextWriter(int indent, std::size_t reserve) : indent_(indent)
{
    text_.reserve(reserve);
}

void JsonTextWriter::newline()
{
    if (indent_ < 0) {
        return;
    }
    text_ += '\n';
    text_.append(hasMembers_.size() * static_cast<std::size_t>(indent_), ' ');
}

void JsonTextWriter::beforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasMembers_.empty()) {
        return;
    }
    if (hasMembers_.back()) {
        text_ += ',';
    }
    hasMembers_.back() = true;
    newline();
}

void JsonTextWriter::beginObject()
{
    beforeValue();
    text_ += '{';
    hasMembers_.push_back(false);
}

void JsonTextWriter::beginArray()
{
    beforeValue();
    text_ += '[';
    hasMembers_.push_back(false);
}

void JsonTextWriter::closeContainer(char bracket)
{
    const bool hadMembers = hasMembers_.back();
    hasMembers_.pop_back();
    if (hadMembers) {
        newline();
    }
    text_ += bracket;
}

void JsonTextWriter::endObject() { closeContainer('}'); }
void JsonTextWriter::endArray() { closeContainer(']'); }

void JsonTextWriter::key(std::string_view name)
{
    value(name);
    text_ += indent_ < 0 ? ":" : ": ";
    afterKey_ = true;
}

void JsonTextWriter::value(double number)
{
    beforeValue();
    if (!std::isfinite(number)) {
        text_ += "null";
        return;
    }
    std::array<char, 64> buffer{};
    // The library's own shortest round-trip formatting, so the text matches dump().
    const char* end = nlohmann::detail::to_chars(buffer.data(), buffer.data() + buffer.size(), number);
    text_.append(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
}

void JsonTextWriter::value(std::int64_t number)
{
    beforeValue();
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number);
    text_.append(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
}

void JsonTextWriter::value(bool flag)
{
    beforeValue();
    text_ += flag ? "true" : "false";
}

void JsonTextWriter::value(std::string_view text)
{
    beforeValue();
    text_ += '"';
    for (const char c : text) {
        switch (c) {
        case '"': text_ += "\\\""; break;
        case '\\': text_ += "\\\\"; break;
        case '\b': text_ += "\\b"; break;
        case '\f': text_ += "\\f"; break;
        case '\n': text_ += "\\n"; break;
        case '\r': text_ += "\\r"; break;
        case '\t': text_ += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static constexpr char kHex[] = "0123456789abcdef";
                text_ += "\\u00";
                text_ += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
                text_ += kHex[static_cast<unsigned char>(c) & 0xF];
            } else {
                text_ += c;
            }
        }
    }
    text_ += '"';
}

}  // namespace hazard_desk
