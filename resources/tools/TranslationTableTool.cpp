// Maintenance tool of the embedded translation table. Run from the
// repository (or give --root; --table names another table file):
//   hd-i18n-table check            every problem, exit 1 when there is one
//   hd-i18n-table missing          the Chinese source texts without an entry,
//                                  as a skeleton to fill in (JSON on stdout)
//   hd-i18n-table merge FILE       adds the filled entries of FILE to the table
//   hd-i18n-table format           rewrites the table in its one form
//   hd-i18n-table unused           entries no source text uses (yet)
// Exit codes: 0 done, 1 problems found or a failed write, 2 usage or input.
#include "SourceTextScanner.h"
#include "TranslationTableFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace hazard_desk::i18n;

const char* const kTablePath = "resources/i18n/embedded.json";

int usage() {
    std::fputs("usage: hd-i18n-table [--root DIR] [--table FILE] check | missing | merge FILE | format | unused\n", stderr);
    return 2;
}

bool writeTable(const TranslationTableFile& table, const fs::path& path) {
    // Written beside and renamed, so a failed write leaves the table whole.
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << table.write();
        if (!out) {
            std::fprintf(stderr, "hd-i18n-table: cannot write %s\n", temporary.string().c_str());
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        std::fprintf(stderr, "hd-i18n-table: cannot replace %s: %s\n", path.string().c_str(), error.message().c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    fs::path root = fs::current_path();
    fs::path tablePath;
    while (args.size() >= 2 && (args[0] == "--root" || args[0] == "--table")) {
        (args[0] == "--root" ? root : tablePath) = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        return usage();
    }
    const std::string command = args[0];
    if (tablePath.empty()) {
        tablePath = root / kTablePath;
    }
    TranslationTableFile table;
    std::string error;
    if (!table.read(tablePath.string(), error)) {
        std::fprintf(stderr, "hd-i18n-table: %s: %s\n", tablePath.string().c_str(), error.c_str());
        return 2;
    }
    const std::vector<SourceText> texts = scanChineseTexts(root, defaultSkippedFolders());

    if (command == "check" && args.size() == 1) {
        const std::vector<Problem> problems = checkTable(table, texts);
        for (const Problem& p : problems) {
            const std::string language = p.language.empty() ? std::string() : " [" + p.language + "]";
            std::printf("%s%s: %s%s%s\n", p.key.c_str(), language.c_str(), p.what.c_str(),
                        p.where.empty() ? "" : " at ", p.where.c_str());
        }
        std::fprintf(stderr, "hd-i18n-table: %zu entries, %zu source texts, %zu problems\n", table.entries().size(),
                     texts.size(), problems.size());
        return problems.empty() ? 0 : 1;
    }
    if (command == "missing" && args.size() == 1) {
        const std::vector<SourceText> missing = missingTexts(table, texts);
        std::fputs(missingSkeleton(missing).c_str(), stdout);
        std::fprintf(stderr, "hd-i18n-table: %zu source texts without an entry\n", missing.size());
        return 0;
    }
    if (command == "merge" && args.size() == 2) {
        std::ifstream in(args[1], std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        std::map<std::string, Entry> entries;
        if (!in || !parseEntries(content.str(), entries, error)) {
            std::fprintf(stderr, "hd-i18n-table: %s: %s\n", args[1].c_str(), in ? error.c_str() : "cannot read");
            return 2;
        }
        const int changed = table.merge(entries);
        if (!writeTable(table, tablePath)) {
            return 1;
        }
        std::fprintf(stderr, "hd-i18n-table: %zu entries read, %d texts changed\n", entries.size(), changed);
        return 0;
    }
    if (command == "format" && args.size() == 1) {
        return writeTable(table, tablePath) ? 0 : 1;
    }
    if (command == "unused" && args.size() == 1) {
        std::set<std::string> used;
        for (const SourceText& text : texts) {
            used.insert(text.text);
        }
        for (const auto& [key, entry] : table.entries()) {
            if (used.count(key) == 0) {
                std::printf("%s\n", key.c_str());
            }
        }
        return 0;
    }
    return usage();
}
