// The tool's commands as a fleet script or an administrator sees them: exit
// codes, which stream the text goes to and its form. What the documents hold
// is the model's business and tested with the model.
#include "CliLogging.h"
#include "CliRun.h"
#include "CommandRegistry.h"
#include "DeviceJsonWriter.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace hazard_desk::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::CliRun;

std::string slurp(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What a command leaves on its two streams.
enum class Shows {
    UsageError,       // a message on standard error, nothing on standard output
    IssuesOnStdout,   // one "path：message" line per issue, as validate's result
    IssuesOnStderr,   // the same lines, on standard error
    Document,         // one indented workstation document
    Ok,               // "OK"
    DeviceLine,       // the camera's form, on one line
};

class CliCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "hd-cli-model-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        WorkstationDocument outOfRange;
        outOfRange.extrinsics.roll = 200.0;
        write("default.json", dumpWorkstationDocument(WorkstationDocument{}, 2));
        write("invalid.json", dumpWorkstationDocument(outOfRange, 2));
        write("broken.json", "{");
        json device = buildDeviceDocument(WorkstationDocument{}, json::object());
        write("device.json", device.dump());
        device["Zones"] = json{{"3", device["Zones"]["3"]}};
        write("partial-device.json", device.dump());
        write("base.json", R"({"R":[1,0,0,0,1,0,0,0,1],"T":[1,2,3],"ZoneIndex":0,"vendor":{"build":7},)"
                           R"("semantics":true,"Zones":{"3":{"ZoneType":"square","Extra":1}}})");
        write("array-base.json", "[1, 2]");
        fs::create_directory(dir_ / "folder");
    }

    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // "@name" arguments name files in the temporary folder.
    CliRun run(std::vector<std::string> args) const
    {
        for (std::string& arg : args) {
            if (!arg.empty() && arg.front() == '@') {
                arg = path(arg.substr(1));
            }
        }
        return test::runCli(args);
    }

    // The real tool, as a fleet script runs it: standard output and error
    // apart, input read from a file.
    CliRun runBinary(const std::string& arguments, const fs::path& folder, const std::string& environment = {},
                     const std::string& input = {}) const
    {
        const fs::path in = dir_ / "binary-stdin.txt";
        const fs::path out = dir_ / "binary-stdout.txt";
        const fs::path err = dir_ / "binary-stderr.txt";
        std::ofstream(in, std::ios::binary | std::ios::trunc) << input;
        const std::string command = "cd \"" + folder.string() + "\" && " + environment + "\"" + HD_CLI_BINARY + "\" " +
                                    arguments + " < \"" + in.string() + "\" > \"" + out.string() + "\" 2> \"" +
                                    err.string() + "\"";
        const int status = std::system(command.c_str());
        CliRun result;
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = slurp(out);
        result.err = slurp(err);
        return result;
    }

    fs::path dir_;
};

TEST_F(CliCommands, ExitCodesAndWhereTheTextGoes)
{
    const struct {
        std::vector<std::string> args;
        int code;
        Shows shows;
    } cases[] = {
        {{"default", "extra"}, 2, Shows::UsageError},
        {{"normalize"}, 2, Shows::UsageError},
        {{"normalize", "@missing.json"}, 2, Shows::UsageError},
        {{"normalize", "@folder"}, 2, Shows::UsageError},
        {{"validate", "/dev/zero"}, 2, Shows::UsageError},  // refused by its size, not read to the end
        {{"validate", "--device", "@device.json"}, 2, Shows::UsageError},
        {{"validate", "--device", "--algorithm", "v3", "@device.json"}, 2, Shows::UsageError},
        {{"validate", "--require-all", "@default.json"}, 2, Shows::UsageError},
        {{"convert", "sideways", "@default.json"}, 2, Shows::UsageError},
        {{"convert", "to-workstation", "@device.json"}, 2, Shows::UsageError},
        {{"convert", "to-device", "--algorithm", "v2", "@default.json"}, 2, Shows::UsageError},
        {{"convert", "to-device", "--no-flags", "@default.json"}, 2, Shows::UsageError},
        {{"convert", "to-device", "--base", "@base.json", "--all", "--template", "3", "@default.json"}, 2,
         Shows::UsageError},
        {{"convert", "to-device", "--base", "@base.json", "--template", "three", "@default.json"}, 2,
         Shows::UsageError},
        {{"convert", "to-device", "--base", "@missing-base.json", "@default.json"}, 2, Shows::UsageError},
        {{"normalize", "@broken.json"}, 1, Shows::IssuesOnStderr},
        {{"validate", "@invalid.json"}, 1, Shows::IssuesOnStdout},
        {{"validate", "--device", "--algorithm", "v2", "--require-all", "@partial-device.json"}, 1,
         Shows::IssuesOnStdout},
        {{"convert", "to-workstation", "--algorithm", "v1", "@broken.json"}, 1, Shows::IssuesOnStderr},
        {{"convert", "to-device", "@invalid.json"}, 1, Shows::IssuesOnStderr},
        {{"convert", "to-device", "--base", "@array-base.json", "@default.json"}, 1, Shows::IssuesOnStderr},
        {{"default"}, 0, Shows::Document},
        {{"normalize", "@default.json"}, 0, Shows::Document},
        {{"convert", "to-workstation", "--algorithm", "v1", "--require-all", "@device.json"}, 0, Shows::Document},
        {{"validate", "@default.json"}, 0, Shows::Ok},
        {{"validate", "--device", "--algorithm=v2", "@partial-device.json"}, 0, Shows::Ok},
        {{"convert", "to-device", "@default.json"}, 0, Shows::DeviceLine},
        {{"convert", "to-device", "--base", "@base.json", "--all", "--no-flags", "@default.json"}, 0,
         Shows::DeviceLine},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        const CliRun r = run(c.args);
        EXPECT_EQ(r.code, c.code) << r.out << r.err;
        if (c.shows == Shows::UsageError) {
            EXPECT_FALSE(r.err.empty());
            EXPECT_TRUE(r.out.empty());
        } else if (c.shows == Shows::IssuesOnStdout || c.shows == Shows::IssuesOnStderr) {
            const bool onStdout = c.shows == Shows::IssuesOnStdout;
            const std::string& shown = onStdout ? r.out : r.err;
            EXPECT_TRUE((onStdout ? r.err : r.out).empty());
            ASSERT_FALSE(shown.empty());
            EXPECT_EQ(shown.back(), '\n');
            std::istringstream lines(shown);
            for (std::string line; std::getline(lines, line);) {
                EXPECT_NE(line.find("："), std::string::npos) << line;
            }
        } else if (c.shows == Shows::Document) {
            EXPECT_TRUE(r.err.empty());
            EXPECT_EQ(r.out.rfind("{\n  \"activeIndex\"", 0), 0U) << r.out;
            EXPECT_NO_THROW((void)parseWorkstationDocumentText(r.out));
        } else if (c.shows == Shows::Ok) {
            EXPECT_EQ(r.out, "OK\n");
        } else {
            EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);
            const json line = json::parse(r.out);
            EXPECT_TRUE(line.contains("Zones")) << r.out;
            const bool withBase = std::count(c.args.begin(), c.args.end(), "--base") == 1;
            EXPECT_EQ(line.contains("vendor"), withBase) << "a base keeps the camera's own keys";
        }
    }
}

TEST_F(CliCommands, NothingIsWrittenToAnyFile)
{
    std::map<fs::path, std::string> before;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        if (entry.is_regular_file()) {
            before[entry.path()] = slurp(entry.path());
        }
    }
    (void)run({"normalize", "@default.json"});
    (void)run({"convert", "to-device", "--base", "@base.json", "--all", "@default.json"});
    (void)run({"convert", "to-workstation", "--algorithm", "v2", "@device.json"});
    (void)run({"validate", "@invalid.json"});
    std::map<fs::path, std::string> after;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        if (entry.is_regular_file()) {
            after[entry.path()] = slurp(entry.path());
        }
    }
    EXPECT_EQ(after, before);
}

// The real tool keeps its log out of the working folder, and off the console
// unless something goes wrong.
TEST_F(CliCommands, RealBinaryLogging)
{
    const fs::path work = dir_ / "run";
    fs::create_directory(work);
    const std::string state = "XDG_STATE_HOME=\"" + (dir_ / "state").string() + "\" ";
    CliRun r = runBinary("default", work, state);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "") << "the console shows warnings and errors only";
    EXPECT_FALSE(fs::exists(work / "logs"));

    r = runBinary("--log-level loud default", work, state);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("unknown log level 'loud'"), std::string::npos) << r.err;
}

// "credential set|clear" run as an administrator would, with a home of its
// own so that no real store is touched.
TEST_F(CliCommands, CredentialExitCodesAndOutput)
{
    const fs::path home = dir_ / "home";
    fs::create_directory(home);
    const std::string environment = "env -u XDG_CONFIG_HOME HOME=\"" + home.string() + "\" ";
    const struct {
        const char* arguments;
        const char* input;
        int code;
        const char* flag;  // the JSON field printed on success
        bool flagValue;
    } steps[] = {
        {"credential rotate", "", 2, nullptr, false},
        {"credential set", "", 2, nullptr, false},    // no line at all
        {"credential set", "\n", 1, nullptr, false},  // empty password
        {"credential set", "Hz:secret pw\n", 0, "stored", true},
        {"credential clear", "", 0, "removed", true},
        {"credential clear", "", 0, "removed", false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.arguments);
        const CliRun r = runBinary(step.arguments, home, environment, step.input);
        EXPECT_EQ(r.code, step.code) << r.err;
        EXPECT_EQ((r.out + r.err).find("secret"), std::string::npos);
        if (step.flag == nullptr) {
            EXPECT_TRUE(r.out.empty());
            EXPECT_FALSE(r.err.empty());
            continue;
        }
        const json printed = json::parse(r.out, nullptr, false);
        ASSERT_TRUE(printed.is_object()) << r.out;
        EXPECT_EQ(printed.value("credential", ""), "VQ8.FleetUpdate.SSH.root");
        EXPECT_TRUE(printed.contains("location"));
        EXPECT_EQ(printed.value(step.flag, !step.flagValue), step.flagValue);
    }
}

// Commands that are not linked into the tool (the camera commands, a module
// loaded on demand) are asked for once, only when a command is not found or
// the whole list is shown; a failed load is reported, not hidden.
TEST(CommandRegistryLoader, LoadsOnlyWhenACommandIsMissing)
{
    const struct {
        std::vector<std::string> args;
        bool loaderSucceeds;
        int code;
        int loads;
        const char* inErr;
    } cases[] = {
        {{"local"}, true, 0, 0, ""},
        {{"--version"}, true, 0, 0, ""},
        {{"loaded"}, true, 0, 1, ""},
        {{"--help"}, true, 0, 1, ""},
        {{"loaded"}, false, 2, 1, "module missing"},
        {{"--help"}, false, 0, 1, "module missing"},
        {{"local"}, false, 0, 0, ""},
    };
    for (const auto& c : cases) {
        CommandRegistry registry;
        registry.add({"local", "a linked command", "", [](CommandContext&) { return 0; }});
        int loads = 0;
        registry.setCommandLoader([&](CommandRegistry& target, std::string& error) {
            ++loads;
            if (!c.loaderSucceeds) {
                error = "module missing";
                return false;
            }
            target.add({"loaded", "a command from the module", "", [](CommandContext&) { return 0; }});
            return true;
        });
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(registry.dispatch(c.args, out, err), c.code) << c.args.front();
        (void)registry.dispatch(c.args, out, err);
        EXPECT_EQ(loads, c.loads) << c.args.front();
        EXPECT_NE(err.str().find(c.inErr), std::string::npos) << c.args.front() << ": " << err.str();
        if (c.args.front() == "--help" && c.loaderSucceeds) {
            EXPECT_NE(out.str().find("  loaded"), std::string::npos);
        }
    }
}

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
