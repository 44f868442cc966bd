#include "SourceTextScanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hazard_desk::i18n::scanLiterals;

std::vector<std::string> literals(const std::string& source) {
    std::vector<std::string> texts;
    for (const auto& found : scanLiterals(source, "x.cpp")) {
        texts.push_back(found.text);
    }
    return texts;
}

TEST(SourceTextScanner, FindsLiteralsAsTheCompilerSeesThem) {
    struct Case {
        const char* name;
        std::string source;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"comments skipped", "// \"连接\"\n/* \"断开\" */ f(\"启动\");", {"启动"}},
        {"adjacent pieces joined", "QStringLiteral(\"一键视角\\n\"\n   // note\n   \"鼠标\")", {"一键视角\n鼠标"}},
        {"separate arguments stay separate", "f(\"甲\", \"乙\")", {"甲", "乙"}},
        {"escapes decoded", "\"a\\t\\\"b\\\\\\x41\\101\\u4e2d\"", {"a\t\"b\\AA中"}},
        {"raw string as written", "R\"x(模板 \"%1\"\\n)x\" \"尾\"", {"模板 \"%1\"\\n尾"}},
        {"encoding prefixes", "u8\"甲\" u\"乙\" L'c' u'd'", {"甲乙"}},
        {"char literals and digit separators", "int n = 1'000; char q = '\"'; f(\"丙\");", {"丙"}},
        {"quote inside a char literal", "c == '\\'' ? \"丁\" : \"\"", {"丁", ""}},
        {"include paths are literals too", "#include \"Foo.h\"\n", {"Foo.h"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(literals(c.source), c.expected) << c.name;
    }
}

TEST(SourceTextScanner, ReportsTheLineOfTheFirstPiece) {
    const auto found = scanLiterals("a\n/* two\nlines */ f(\"甲\"\n  \"乙\");\ng(\"丙\");", "ui/A.cpp");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].line, 3);
    EXPECT_EQ(found[1].line, 5);
    EXPECT_EQ(found[1].file, "ui/A.cpp");
}

TEST(SourceTextScanner, IdeographsAreTheUnifiedBlockOnly) {
    using hazard_desk::i18n::containsIdeograph;
    EXPECT_TRUE(containsIdeograph("mode 一"));   // U+4E00, first of the block
    EXPECT_TRUE(containsIdeograph("鿿"));        // U+9FFF, last of the block
    EXPECT_FALSE(containsIdeograph("テンプレート"));
    EXPECT_FALSE(containsIdeograph("Tiếng Việt：（）"));
}

}  // namespace
