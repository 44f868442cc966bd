#include "CliLogging.h"

#include <gtest/gtest.h>

#include <map>

namespace hazard_desk::cli {
namespace {

CliLogging::Environment environmentOf(std::map<std::string, std::string> values)
{
    return [values](const char* name) -> std::optional<std::string> {
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
    };
}

#ifndef _WIN32
TEST(CliLogging, LogDirectoryFollowsTheStateFolder)
{
    struct Case {
        std::map<std::string, std::string> environment;
        std::string expected;
    };
    const Case cases[] = {
        {{{"XDG_STATE_HOME", "/srv/state"}, {"HOME", "/home/ada"}}, "/srv/state/hazard-desk/logs"},
        {{{"XDG_STATE_HOME", "relative/state"}, {"HOME", "/home/ada"}}, "/home/ada/.local/state/hazard-desk/logs"},
        {{{"XDG_STATE_HOME", ""}, {"HOME", "/home/ada"}}, "/home/ada/.local/state/hazard-desk/logs"},
        {{{"HOME", "/home/ada"}}, "/home/ada/.local/state/hazard-desk/logs"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CliLogging::logDirectory(environmentOf(c.environment)), c.expected);
    }
}
#endif

TEST(CliLogging, LogLevelOptionIsTakenOutOfTheArguments)
{
    struct Case {
        std::vector<std::string> args;
        bool ok;
        spdlog::level::level_enum level;
        std::vector<std::string> rest;
    };
    const Case cases[] = {
        {{"--log-level", "debug", "validate", "a.json"}, true, spdlog::level::debug, {"validate", "a.json"}},
        {{"validate", "--log-level=error", "a.json"}, true, spdlog::level::err, {"validate", "a.json"}},
        {{"--log-level", "info", "discover", "--log-level", "off"}, true, spdlog::level::off, {"discover"}},
        {{"validate", "--log-level"}, false, spdlog::level::warn, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        spdlog::level::level_enum level = spdlog::level::warn;
        std::string error;
        EXPECT_EQ(CliLogging::takeConsoleLevel(args, level, error), c.ok) << c.args.front();
        if (c.ok) {
            EXPECT_EQ(level, c.level);
            EXPECT_EQ(args, c.rest);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

}  // namespace
}  // namespace hazard_desk::cli
