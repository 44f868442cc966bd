#include "TranslationTableFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace hazard_desk::i18n {
namespace {

using nlohmann::json;

const char* const kSourceLanguage = "zh-CN";

std::vector<std::uint32_t> codePoints(const std::string& utf8) {
    std::vector<std::uint32_t> points;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        int length = 1;
        std::uint32_t code = lead;
        if (lead >= 0xF0) {
            length = 4;
            code = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            code = lead & 0x1F;
        }
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < utf8.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        }
        points.push_back(code);
        i += static_cast<std::size_t>(length);
    }
    return points;
}

// Full-width and ideographic punctuation: Chinese or Japanese typography.
bool containsCjkPunctuation(const std::string& utf8) {
    for (std::uint32_t code : codePoints(utf8)) {
        if ((code >= 0x3000 && code <= 0x303F) || (code >= 0xFF01 && code <= 0xFF5E)) {
            return true;
        }
    }
    return false;
}

bool isIdeograph(std::uint32_t code) {
    return code >= 0x4E00 && code <= 0x9FFF;
}

// The ideographs the table's Japanese column uses where it differs from the
// Chinese: a Japanese text equal to its Chinese source is a real cognate
// ("警告半径") when all its ideographs are among them, and a text left
// untranslated ("连接相机") when one is not.
std::set<std::uint32_t> japaneseKanji(const TranslationTableFile& table) {
    std::set<std::uint32_t> kanji;
    for (const auto& [key, entry] : table.entries()) {
        const auto ja = entry.find("ja-JP");
        const auto zh = entry.find("zh-CN");
        if (ja == entry.end() || (zh != entry.end() && zh->second == ja->second)) {
            continue;
        }
        for (std::uint32_t code : codePoints(ja->second)) {
            if (isIdeograph(code)) {
                kanji.insert(code);
            }
        }
    }
    return kanji;
}

bool writtenInKanji(const std::string& text, const std::set<std::uint32_t>& kanji) {
    for (std::uint32_t code : codePoints(text)) {
        if (isIdeograph(code) && kanji.count(code) == 0) {
            return false;
        }
    }
    return true;
}

std::string describe(const std::set<int>& numbers) {
    std::string text;
    for (int n : numbers) {
        text += (text.empty() ? "%" : " %") + std::to_string(n);
    }
    return text.empty() ? "none" : text;
}

bool readEntries(const json& object, std::map<std::string, Entry>& entries, std::string& error) {
    if (!object.is_object()) {
        error = "entries must be a JSON object";
        return false;
    }
    for (const auto& [key, value] : object.items()) {
        if (!value.is_object()) {
            error = "entry '" + key + "' is not an object";
            return false;
        }
        Entry entry;
        for (const auto& [language, text] : value.items()) {
            if (!language.empty() && language[0] == '_') {
                continue;
            }
            if (!text.is_string()) {
                error = "entry '" + key + "', language '" + language + "' is not a string";
                return false;
            }
            entry[language] = text.get<std::string>();
        }
        entries[key] = std::move(entry);
    }
    return true;
}

}  // namespace

const std::vector<std::string>& requiredLanguages() {
    static const std::vector<std::string> languages{"zh-CN", "en-US", "ja-JP", "vi-VN"};
    return languages;
}

bool TranslationTableFile::read(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::stringstream content;
    content << in.rdbuf();
    return parse(content.str(), error);
}

bool TranslationTableFile::parse(const std::string& text, std::string& error) {
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        error = "not a JSON object";
        return false;
    }
    version_ = root.value("version", 1);
    sourceLanguage_ = root.value("source_language", std::string(kSourceLanguage));
    description_ = root.value("description", std::string());
    entries_.clear();
    return readEntries(root.value("source_texts", json::object()), entries_, error);
}

std::string TranslationTableFile::write() const {
    std::string out = "{\n";
    out += "  \"version\": " + std::to_string(version_) + ",\n";
    out += "  \"source_language\": " + json(sourceLanguage_).dump() + ",\n";
    out += "  \"description\": " + json(description_).dump() + ",\n";
    out += "  \"source_texts\": {\n";
    std::size_t written = 0;
    for (const auto& [key, entry] : entries_) {
        out += "    " + json(key).dump() + ": {";
        bool first = true;
        const auto writeLanguage = [&](const std::string& language, const std::string& text) {
            out += (first ? "" : ", ") + json(language).dump() + ": " + json(text).dump();
            first = false;
        };
        for (const std::string& language : requiredLanguages()) {
            const auto it = entry.find(language);
            if (it != entry.end()) {
                writeLanguage(language, it->second);
            }
        }
        for (const auto& [language, text] : entry) {
            const auto& required = requiredLanguages();
            if (std::find(required.begin(), required.end(), language) == required.end()) {
                writeLanguage(language, text);
            }
        }
        out += ++written < entries_.size() ? "},\n" : "}\n";
    }
    out += "  }\n}\n";
    return out;
}

int TranslationTableFile::merge(const std::map<std::string, Entry>& entries) {
    int changed = 0;
    for (const auto& [key, entry] : entries) {
        Entry& target = entries_[key];
        for (const auto& [language, text] : entry) {
            if (!language.empty() && language[0] != '_' && target[language] != text) {
                target[language] = text;
                ++changed;
            }
        }
    }
    return changed;
}

bool parseEntries(const std::string& text, std::map<std::string, Entry>& entries, std::string& error) {
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        error = "not a JSON object";
        return false;
    }
    if (root.contains("source_texts")) {
        return readEntries(root["source_texts"], entries, error);
    }
    return readEntries(root, entries, error);
}

std::set<int> placeholders(const std::string& text) {
    std::set<int> numbers;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%' || text[i + 1] < '1' || text[i + 1] > '9') {
            continue;
        }
        int number = 0;
        std::size_t j = i + 1;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            number = number * 10 + (text[j++] - '0');
        }
        numbers.insert(number);
        i = j - 1;
    }
    return numbers;
}

std::vector<SourceText> missingTexts(const TranslationTableFile& table, const std::vector<SourceText>& texts) {
    std::vector<SourceText> missing;
    std::set<std::string> seen;
    for (const SourceText& text : texts) {
        if (table.entries().count(text.text) == 0 && seen.insert(text.text).second) {
            missing.push_back(text);
        }
    }
    return missing;
}

std::vector<Problem> checkTable(const TranslationTableFile& table, const std::vector<SourceText>& texts) {
    std::vector<Problem> problems;
    const std::set<std::uint32_t> kanji = japaneseKanji(table);
    for (const SourceText& text : missingTexts(table, texts)) {
        problems.push_back({text.text, "", "no entry", text.file + ":" + std::to_string(text.line)});
    }
    for (const auto& [key, entry] : table.entries()) {
        const std::set<int> expected = placeholders(key);
        for (const std::string& language : requiredLanguages()) {
            const auto it = entry.find(language);
            if (it == entry.end() || it->second.empty()) {
                problems.push_back({key, language, "missing translation", ""});
                continue;
            }
            const std::set<int> found = placeholders(it->second);
            if (found != expected) {
                problems.push_back({key, language, "placeholders " + describe(found) + ", the source has " + describe(expected), ""});
            }
        }
        const auto text = [&entry](const char* language) {
            const auto it = entry.find(language);
            return it == entry.end() ? std::string() : it->second;
        };
        for (const char* language : {"en-US", "vi-VN"}) {
            if (containsIdeograph(text(language))) {
                problems.push_back({key, language, "holds Chinese characters", ""});
            } else if (containsCjkPunctuation(text(language))) {
                problems.push_back({key, language, "holds full-width punctuation", ""});
            }
        }
        if (!text("ja-JP").empty() && text("ja-JP") == text("zh-CN") && !writtenInKanji(text("ja-JP"), kanji)) {
            problems.push_back({key, "ja-JP", "identical to the Chinese", ""});
        }
        if (!text("vi-VN").empty() && text("vi-VN") == text("en-US")) {
            problems.push_back({key, "vi-VN", "identical to the English", ""});
        }
    }
    return problems;
}

std::string missingSkeleton(const std::vector<SourceText>& missing) {
    // In the order a translator reads an entry: where, the source, the rest.
    nlohmann::ordered_json skeleton = nlohmann::ordered_json::object();
    for (const SourceText& text : missing) {
        nlohmann::ordered_json entry = nlohmann::ordered_json::object();
        entry["_where"] = text.file + ":" + std::to_string(text.line);
        for (const std::string& language : requiredLanguages()) {
            entry[language] = language == kSourceLanguage ? text.text : std::string();
        }
        skeleton[text.text] = entry;
    }
    return skeleton.dump(2) + "\n";
}

}  // namespace hazard_desk::i18n
