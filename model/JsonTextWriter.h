#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hazard_desk {

// Streams JSON text in exactly the layout of nlohmann::json::dump(indent):
// indent < 0 is compact, otherwise one member per line, `indent` spaces per
// level, ": " after keys, doubles in the library's shortest round-trip form
// ("1000.0"), non-finite doubles as null. Writing text directly avoids building
// a JSON tree of maps only to print it. The caller writes object members in
// ascending key order, as the library's sorted objects would print them.
class JsonTextWriter {
public:
    explicit JsonTextWriter(int indent, std::size_t reserve = 0);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name);

    void value(double number);
    void value(std::int64_t number);
    void value(std::int32_t number) { value(static_cast<std::int64_t>(number)); }
    void value(bool flag);
    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }

    std::string take() { return std::move(text_); }

private:
    void beforeValue();
    void closeContainer(char bracket);
    void newline();

    int indent_;
    std::string text_;
    // Per open container: has it any member yet.
    std::vector<bool> hasMembers_;
    bool afterKey_ = false;
};

}  // namespace hazard_desk
