// The embedded translation table against the workstation's sources: every
// Chinese text has an entry with all four languages and the same
// placeholders. The check itself is tested on small tables.
#include "SourceTextScanner.h"
#include "TranslationTableFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace hazard_desk::i18n;

std::string problemsText(const std::vector<Problem>& problems, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < problems.size() && i < limit; ++i) {
        const Problem& p = problems[i];
        text += "  " + p.key + (p.language.empty() ? "" : " [" + p.language + "]") + ": " + p.what +
                (p.where.empty() ? "" : " at " + p.where) + "\n";
    }
    if (problems.size() > limit) {
        text += "  … and " + std::to_string(problems.size() - limit) + " more\n";
    }
    return text;
}

TEST(EmbeddedTable, CoversEveryChineseTextOfTheSources) {
    const std::filesystem::path root(HD_SOURCE_ROOT);
    TranslationTableFile table;
    std::string error;
    ASSERT_TRUE(table.read((root / "resources/i18n/embedded.json").string(), error)) << error;
    const std::vector<SourceText> texts = scanChineseTexts(root, defaultSkippedFolders());
    ASSERT_GT(texts.size(), 100u) << "the scan found too few texts to be looking at the sources";
    const std::vector<Problem> problems = checkTable(table, texts);
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems; scripts/i18n-table.sh missing lists the texts "
                                  << "without an entry:\n"
                                  << problemsText(problems, 40);
}

TEST(EmbeddedTable, IsWrittenInItsOneForm) {
    const std::filesystem::path root(HD_SOURCE_ROOT);
    TranslationTableFile table;
    std::string error;
    const std::string path = (root / "resources/i18n/embedded.json").string();
    ASSERT_TRUE(table.read(path, error)) << error;
    std::ifstream in(path, std::ios::binary);
    const std::string onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(onDisk == table.write()) << "run scripts/i18n-table.sh format";
}

TEST(TranslationTableCheck, FindsWhatATranslatorGotWrong) {
    struct Case {
        const char* name;
        const char* entry;        // the entry of "模板 %1 · %2"
        const char* language;     // the problem expected, empty for none
        const char* what;
    };
    const Case cases[] = {
        {"complete", R"({"zh-CN": "模板 %1 · %2", "en-US": "Template %1 · %2", "ja-JP": "テンプレート %1 · %2", "vi-VN": "Mẫu %1 · %2"})", "", ""},
        {"order may change", R"({"zh-CN": "模板 %1 · %2", "en-US": "%2 of template %1", "ja-JP": "テンプレート %1 · %2", "vi-VN": "Mẫu %1 · %2"})", "", ""},
        {"language missing", R"({"zh-CN": "模板 %1 · %2", "en-US": "Template %1 · %2", "ja-JP": "テンプレート %1 · %2"})", "vi-VN", "missing translation"},
        {"language empty", R"({"zh-CN": "模板 %1 · %2", "en-US": "", "ja-JP": "テンプレート %1 · %2", "vi-VN": "Mẫu %1 · %2"})", "en-US", "missing translation"},
        {"placeholder dropped", R"({"zh-CN": "模板 %1 · %2", "en-US": "Template %1", "ja-JP": "テンプレート %1 · %2", "vi-VN": "Mẫu %1 · %2"})", "en-US", "placeholders %1, the source has %1 %2"},
        {"placeholder renumbered", R"({"zh-CN": "模板 %1 · %2", "en-US": "Template %1 · %2", "ja-JP": "テンプレート %1 · %2", "vi-VN": "Mẫu %1 · %12"})", "vi-VN", "placeholders %1 %12, the source has %1 %2"},
        {"left in Chinese", R"({"zh-CN": "模板 %1 · %2", "en-US": "模板 %1 · %2", "ja-JP": "テンプレート %1 · %2", "vi-VN": "Mẫu %1 · %2"})", "en-US", "holds Chinese characters"},
        {"Chinese punctuation", R"({"zh-CN": "模板 %1 · %2", "en-US": "Template %1：%2", "ja-JP": "テンプレート %1 · %2", "vi-VN": "Mẫu %1 · %2"})", "en-US", "holds full-width punctuation"},
        {"Japanese copied from Chinese", R"({"zh-CN": "模板 %1 · %2", "en-US": "Template %1 · %2", "ja-JP": "模板 %1 · %2", "vi-VN": "Mẫu %1 · %2"})", "ja-JP", "identical to the Chinese"},
        {"Vietnamese copied from English", R"({"zh-CN": "模板 %1 · %2", "en-US": "Template %1 · %2", "ja-JP": "テンプレート %1 · %2", "vi-VN": "Template %1 · %2"})", "vi-VN", "identical to the English"},
    };
    for (const Case& c : cases) {
        TranslationTableFile table;
        std::string error;
        ASSERT_TRUE(table.parse(std::string(R"({"source_texts": {"模板 %1 · %2": )") + c.entry + "}}", error))
            << c.name << ": " << error;
        const std::vector<Problem> problems = checkTable(table, {{"模板 %1 · %2", "ui/A.cpp", 3}});
        if (std::string(c.language).empty()) {
            EXPECT_TRUE(problems.empty()) << c.name << "\n" << problemsText(problems, 5);
            continue;
        }
        ASSERT_EQ(problems.size(), 1u) << c.name << "\n" << problemsText(problems, 5);
        EXPECT_EQ(problems[0].language, c.language) << c.name;
        EXPECT_EQ(problems[0].what, c.what) << c.name;
    }
}

TEST(TranslationTableCheck, MissingTextsAreListedOnceWithTheirFirstPlace) {
    TranslationTableFile table;
    std::string error;
    ASSERT_TRUE(table.parse(R"({"source_texts": {}})", error));
    const std::vector<SourceText> missing =
        missingTexts(table, {{"连接相机", "ui/A.cpp", 3}, {"连接相机", "ui/B.cpp", 9}, {"断开相机", "ui/B.cpp", 10}});
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0].file + ":" + std::to_string(missing[0].line), "ui/A.cpp:3");
    // The skeleton merges back as entries; its notes are dropped.
    std::map<std::string, Entry> entries;
    ASSERT_TRUE(parseEntries(missingSkeleton(missing), entries, error)) << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries["连接相机"].count("_where"), 0u);
    EXPECT_EQ(entries["连接相机"]["zh-CN"], "连接相机");
}

TEST(TranslationTableFile, MergeKeepsTheTableSortedAndRoundTrips) {
    TranslationTableFile table;
    std::string error;
    ASSERT_TRUE(table.parse(
        R"({"version": 1, "source_language": "zh-CN", "description": "d", "source_texts": {"乙": {"vi-VN": "B", "zh-CN": "乙"}}})",
        error));
    std::map<std::string, Entry> added;
    ASSERT_TRUE(parseEntries(R"({"甲\n二": {"zh-CN": "甲\n二", "en-US": "A \"one\"", "_where": "ui/A.cpp:1"}})", added, error));
    EXPECT_EQ(table.merge(added), 2);
    const std::string written = table.write();
    EXPECT_EQ(written,
              "{\n  \"version\": 1,\n  \"source_language\": \"zh-CN\",\n  \"description\": \"d\",\n  \"source_texts\": {\n"
              "    \"乙\": {\"zh-CN\": \"乙\", \"vi-VN\": \"B\"},\n"
              "    \"甲\\n二\": {\"zh-CN\": \"甲\\n二\", \"en-US\": \"A \\\"one\\\"\"}\n  }\n}\n");
    TranslationTableFile reread;
    ASSERT_TRUE(reread.parse(written, error)) << error;
    EXPECT_EQ(reread.entries(), table.entries());
}

}  // namespace
