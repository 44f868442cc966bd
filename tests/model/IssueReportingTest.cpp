#include "IssueListFormatter.h"
#include "ParameterValidationError.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace hazard_desk {
namespace {

ValidationIssueList numberedIssues(std::size_t count)
{
    ValidationIssueList issues;
    for (std::size_t i = 0; i < count; ++i) {
        issues.push_back({"templates[" + std::to_string(i) + "].distance", "message " + std::to_string(i)});
    }
    return issues;
}

TEST(ParameterValidationError, TextHasOneLinePerIssueAndNeverNone)
{
    const ValidationIssueList issues{{"$.extrinsics.roll", "missing required field"},
                                     {"", "a message without a place"}};
    const ParameterValidationError error(issues);
    EXPECT_EQ(error.issues(), issues);
    EXPECT_STREQ(error.what(), "$.extrinsics.roll: missing required field\na message without a place");

    const ParameterValidationError empty(ValidationIssueList{});
    ASSERT_EQ(empty.issues().size(), 1U);
    EXPECT_FALSE(empty.issues()[0].message.empty());
    EXPECT_STRNE(empty.what(), "");
}

TEST(FormatIssueList, ShowsTwelveLinesAndCountsTheRest)
{
    const struct {
        std::size_t count;
        std::size_t lines;
        const char* lastLine;
    } cases[] = {
        {0, 0, ""},
        {1, 1, "templates[0].distance：message 0"},
        {12, 12, "templates[11].distance：message 11"},
        {13, 13, "另有 1 项错误"},
        {40, 13, "另有 28 项错误"},
    };
    for (const auto& c : cases) {
        const std::string text = formatIssueList(numberedIssues(c.count));
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        ASSERT_EQ(lines.size(), c.lines) << c.count;
        if (c.lines > 0) {
            EXPECT_EQ(lines.front(), "templates[0].distance：message 0");
            EXPECT_EQ(lines.back(), c.lastLine) << c.count;
            EXPECT_NE(text.back(), '\n');
        } else {
            EXPECT_TRUE(text.empty());
        }
        if (c.count > 12) {
            EXPECT_EQ(lines[11], "templates[11].distance：message 11");
        }
    }
    EXPECT_EQ(formatIssueList({{"", "only a message"}}), "：only a message");
}

}  // namespace
}  // namespace hazard_desk
