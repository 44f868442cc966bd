#pragma once
// The embedded translation table as a source file: read, checked against
// the Chinese texts of the sources, merged with new entries and written back
// in its one form (one entry per line, sorted by source text, the languages
// in a fixed order), so that a change to it is a readable diff.
#include "SourceTextScanner.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace hazard_desk::i18n {

// The languages every entry must give, in the order they are written.
const std::vector<std::string>& requiredLanguages();

using Entry = std::map<std::string, std::string>;  // language code → text

struct Problem {
    std::string key;
    std::string language;  // empty when the problem is the entry's
    std::string what;
    std::string where;  // a source place, when known
};

class TranslationTableFile {
public:
    // A file that cannot be read or parsed gives an error text.
    bool read(const std::string& path, std::string& error);
    bool parse(const std::string& text, std::string& error);
    std::string write() const;

    const std::map<std::string, Entry>& entries() const { return entries_; }
    // Adds or replaces entries; members whose name starts with "_" (notes in
    // a skeleton) are dropped. Returns how many entries changed.
    int merge(const std::map<std::string, Entry>& entries);

private:
    int version_ = 1;
    std::string sourceLanguage_ = "zh-CN";
    std::string description_;
    std::map<std::string, Entry> entries_;
};

// Parses entries from either a whole table ("source_texts") or a bare
// object of entries, the form `missing` prints.
bool parseEntries(const std::string& text, std::map<std::string, Entry>& entries, std::string& error);

// The placeholder numbers of a text (%1, %2 …).
std::set<int> placeholders(const std::string& text);

// Entries the table lacks for the source texts, each once, first place kept.
std::vector<SourceText> missingTexts(const TranslationTableFile& table, const std::vector<SourceText>& texts);

// Every problem of the table against the source texts: a text without an
// entry, an entry without one of the required languages, a translation that
// drops or adds a placeholder, a translation left in another language (an
// ideograph or full-width punctuation in English or Vietnamese, Japanese
// identical to the Chinese with a character Japanese does not use elsewhere
// in the table, Vietnamese identical to the English).
std::vector<Problem> checkTable(const TranslationTableFile& table, const std::vector<SourceText>& texts);

// A skeleton of the missing entries, ready to be filled in and merged.
std::string missingSkeleton(const std::vector<SourceText>& missing);

}  // namespace hazard_desk::i18n
