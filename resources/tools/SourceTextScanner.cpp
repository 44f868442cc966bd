#include "SourceTextScanner.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>

namespace hazard_desk::i18n {
namespace {

bool isIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class Lexer {
public:
    Lexer(const std::string& source, const std::string& file) : s_(source), file_(file) {}

    std::vector<SourceText> run() {
        while (i_ < s_.size()) {
            const char c = s_[i_];
            if (c == '\n') {
                ++line_;
                ++i_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++i_;
            } else if (startsWith("//")) {
                while (i_ < s_.size() && s_[i_] != '\n') ++i_;
            } else if (startsWith("/*")) {
                skipBlockComment();
            } else if (const std::optional<std::size_t> open = stringStart()) {
                readString(*open);
            } else {
                flush();
                skipToken();
            }
        }
        flush();
        return std::move(found_);
    }

private:
    bool startsWith(const char* text) const { return s_.compare(i_, std::char_traits<char>::length(text), text) == 0; }

    void skipBlockComment() {
        const std::size_t end = s_.find("*/", i_ + 2);
        const std::size_t stop = end == std::string::npos ? s_.size() : end + 2;
        line_ += static_cast<int>(std::count(s_.begin() + static_cast<long>(i_), s_.begin() + static_cast<long>(stop), '\n'));
        i_ = stop;
    }

    // At a string literal (with its encoding prefix, raw or not): the offset
    // of the opening quote, and whether it is raw.
    std::optional<std::size_t> stringStart() {
        static const char* const kPrefixes[] = {"u8R\"", "uR\"", "UR\"", "LR\"", "R\"", "u8\"", "u\"", "U\"", "L\"", "\""};
        for (const char* prefix : kPrefixes) {
            if (startsWith(prefix)) {
                const std::size_t length = std::char_traits<char>::length(prefix);
                raw_ = length >= 2 && prefix[length - 2] == 'R';
                return i_ + length - 1;
            }
        }
        return std::nullopt;
    }

    void readString(std::size_t quote) {
        const int startLine = line_;
        std::string text;
        i_ = quote + 1;
        if (raw_) {
            const std::size_t paren = s_.find('(', i_);
            const std::string close = ")" + s_.substr(i_, paren - i_) + "\"";
            const std::size_t end = s_.find(close, paren);
            const std::size_t stop = end == std::string::npos ? s_.size() : end;
            text = s_.substr(paren + 1, stop - paren - 1);
            line_ += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
            i_ = std::min(s_.size(), stop + close.size());
        } else {
            readEscapedBody(text);
        }
        if (hasPending_) {
            pending_.text += text;
        } else {
            pending_ = SourceText{text, file_, startLine};
            hasPending_ = true;
        }
    }

    void readEscapedBody(std::string& text) {
        while (i_ < s_.size() && s_[i_] != '"') {
            const char c = s_[i_];
            if (c == '\n') {  // unterminated: stop at the line's end
                return;
            }
            if (c != '\\' || i_ + 1 >= s_.size()) {
                text += c;
                ++i_;
                continue;
            }
            const char e = s_[i_ + 1];
            i_ += 2;
            switch (e) {
                case 'n': text += '\n'; break;
                case 't': text += '\t'; break;
                case 'r': text += '\r'; break;
                case 'v': text += '\v'; break;
                case 'f': text += '\f'; break;
                case 'a': text += '\a'; break;
                case 'b': text += '\b'; break;
                case '\n': ++line_; break;  // line continuation
                case 'x': {
                    unsigned value = 0;
                    while (i_ < s_.size() && hexValue(s_[i_]) >= 0) {
                        value = value * 16 + static_cast<unsigned>(hexValue(s_[i_++]));
                    }
                    text += static_cast<char>(value & 0xFF);
                    break;
                }
                case 'u':
                case 'U': {
                    const int digits = e == 'u' ? 4 : 8;
                    std::uint32_t code = 0;
                    for (int d = 0; d < digits && i_ < s_.size() && hexValue(s_[i_]) >= 0; ++d) {
                        code = code * 16 + static_cast<std::uint32_t>(hexValue(s_[i_++]));
                    }
                    appendUtf8(text, code);
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        unsigned value = static_cast<unsigned>(e - '0');
                        for (int d = 0; d < 2 && i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '7'; ++d) {
                            value = value * 8 + static_cast<unsigned>(s_[i_++] - '0');
                        }
                        text += static_cast<char>(value & 0xFF);
                    } else {
                        text += e;  // \\ \" \' \?
                    }
            }
        }
        ++i_;  // closing quote
    }

    void skipCharLiteral() {
        ++i_;
        while (i_ < s_.size() && s_[i_] != '\'' && s_[i_] != '\n') {
            i_ += s_[i_] == '\\' ? 2 : 1;
        }
        ++i_;
    }

    void skipToken() {
        const char c = s_[i_];
        if (c == '\'') {
            skipCharLiteral();
            return;
        }
        if (isDigit(c) || (c == '.' && i_ + 1 < s_.size() && isDigit(s_[i_ + 1]))) {
            // A number, digit separators (1'000) and exponents included.
            ++i_;
            while (i_ < s_.size()) {
                const char d = s_[i_];
                const char before = s_[i_ - 1];
                const bool exponentSign = (d == '+' || d == '-') &&
                                          (before == 'e' || before == 'E' || before == 'p' || before == 'P');
                if (!isIdentifierChar(d) && d != '.' && d != '\'' && !exponentSign) break;
                ++i_;
            }
            return;
        }
        if (isIdentifierChar(c)) {
            const std::size_t start = i_;
            while (i_ < s_.size() && isIdentifierChar(s_[i_])) ++i_;
            const std::string word = s_.substr(start, i_ - start);
            if (i_ < s_.size() && s_[i_] == '\'' && (word == "u8" || word == "u" || word == "U" || word == "L")) {
                skipCharLiteral();
            }
            return;
        }
        ++i_;
    }

    void flush() {
        if (hasPending_) {
            found_.push_back(std::move(pending_));
            hasPending_ = false;
        }
    }

    const std::string& s_;
    const std::string& file_;
    std::size_t i_ = 0;
    int line_ = 1;
    bool raw_ = false;
    // The literal being read; adjacent pieces are appended to it.
    bool hasPending_ = false;
    SourceText pending_;
    std::vector<SourceText> found_;
};

bool isBuildFolder(const std::string& name) {
    return name == "build" || name.rfind("build-", 0) == 0;
}

}  // namespace

std::vector<SourceText> scanLiterals(const std::string& source, const std::string& file) {
    return Lexer(source, file).run();
}

bool containsIdeograph(const std::string& utf8) {
    // U+4E00..U+9FFF are the three-byte sequences E4 B8 80 .. E9 BF BF.
    for (std::size_t i = 0; i + 2 < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const auto second = static_cast<unsigned char>(utf8[i + 1]);
        if ((lead == 0xE4 && second >= 0xB8 && second <= 0xBF) || (lead >= 0xE5 && lead <= 0xE9 && second >= 0x80 && second <= 0xBF)) {
            return true;
        }
    }
    return false;
}

const std::vector<std::string>& defaultSkippedFolders() {
    static const std::vector<std::string> folders{"bench", "cli", "docs", "fuzz", "resources", "scripts", "sim", "tests"};
    return folders;
}

std::vector<SourceText> scanChineseTexts(const std::filesystem::path& root, const std::vector<std::string>& skip) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (const fs::directory_entry& top : fs::directory_iterator(root)) {
        const std::string name = top.path().filename().string();
        if (!top.is_directory() || name.empty() || name[0] == '.' || isBuildFolder(name) ||
            std::find(skip.begin(), skip.end(), name) != skip.end()) {
            continue;
        }
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top.path())) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp")) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<SourceText> texts;
    for (const fs::path& path : files) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        const std::string relative = fs::relative(path, root).generic_string();
        for (SourceText& literal : scanLiterals(content.str(), relative)) {
            if (containsIdeograph(literal.text)) {
                texts.push_back(std::move(literal));
            }
        }
    }
    return texts;
}

}  // namespace hazard_desk::i18n
