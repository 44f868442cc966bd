// The tool's commands as a fleet script or an administrator sees them: exit
// codes, which stream the text goes to and its form. What the documents hold
// is the model's business and tested with the model.
#include "CliRun.h"
#include "DeviceJsonWriter.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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

std::map<fs::path, std::string> filesIn(const fs::path& folder)
{
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path()] = slurp(entry.path());
        }
    }
    return files;
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

    // "@name" arguments name files in the temporary folder.
    CliRun run(std::vector<std::string> args) const
    {
        for (std::string& arg : args) {
            if (!arg.empty() && arg.front() == '@') {
                arg = (dir_ / arg.substr(1)).string();
            }
        }
        return test::runCli(args);
    }

    fs::path dir_;
};

// No command of the table writes to any file, its input included.
TEST_F(CliCommands, ExitCodesAndWhereTheTextGoes)
{
    const struct {
        std::vector<std::string> args;
        int code;
        Shows shows;
    } cases[] = {
        {{"default", "extra"}, 2, Shows::UsageError},
        {{"normalize", "@missing.json"}, 2, Shows::UsageError},
        {{"validate", "/dev/zero"}, 2, Shows::UsageError},  // refused by its size, not read to the end
        {{"validate", "--device", "@device.json"}, 2, Shows::UsageError},
        {{"validate", "--require-all", "@default.json"}, 2, Shows::UsageError},
        {{"convert", "sideways", "@default.json"}, 2, Shows::UsageError},
        {{"convert", "to-device", "--algorithm", "v2", "@default.json"}, 2, Shows::UsageError},
        {{"convert", "to-device", "--base", "@base.json", "--all", "--template", "3", "@default.json"}, 2,
         Shows::UsageError},
        {{"normalize", "@broken.json"}, 1, Shows::IssuesOnStderr},
        {{"validate", "@invalid.json"}, 1, Shows::IssuesOnStdout},
        {{"convert", "to-device", "@invalid.json"}, 1, Shows::IssuesOnStderr},
        {{"default"}, 0, Shows::Document},
        {{"normalize", "@default.json"}, 0, Shows::Document},
        {{"convert", "to-workstation", "--algorithm", "v1", "--require-all", "@device.json"}, 0, Shows::Document},
        {{"validate", "@default.json"}, 0, Shows::Ok},
        {{"validate", "--device", "--algorithm=v2", "@partial-device.json"}, 0, Shows::Ok},
        {{"convert", "to-device", "@default.json"}, 0, Shows::DeviceLine},
        {{"convert", "to-device", "--base", "@base.json", "--all", "--no-flags", "@default.json"}, 0,
         Shows::DeviceLine},
    };
    const auto before = filesIn(dir_);
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
    EXPECT_EQ(filesIn(dir_), before);
}

// "credential set|clear" run by the real tool as an administrator runs it,
// with a home of its own so that no real store is touched: the password is
// never printed, the console shows nothing but the result unless something
// goes wrong, and nothing is left in the working folder.
TEST_F(CliCommands, RealBinaryCredentialCommands)
{
    const fs::path work = dir_ / "run";
    const fs::path home = dir_ / "home";
    fs::create_directory(work);
    fs::create_directory(home);
    const struct {
        const char* arguments;
        const char* input;
        int code;
        const char* flag;  // the JSON field printed on success
        bool flagValue;
    } steps[] = {
        {"credential set", "", 2, nullptr, false},    // no line at all
        {"credential set", "\n", 1, nullptr, false},  // empty password
        {"credential set", "Hz:secret pw\n", 0, "stored", true},
        {"credential clear", "", 0, "removed", true},
        {"credential clear", "", 0, "removed", false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.arguments);
        std::ofstream(dir_ / "stdin.txt", std::ios::binary | std::ios::trunc) << step.input;
        const std::string command = "cd \"" + work.string() + "\" && env -u XDG_CONFIG_HOME HOME=\"" + home.string() +
                                    "\" \"" + HD_CLI_BINARY + "\" " + step.arguments + " < \"" +
                                    (dir_ / "stdin.txt").string() + "\" > \"" + (dir_ / "stdout.txt").string() +
                                    "\" 2> \"" + (dir_ / "stderr.txt").string() + "\"";
        const int status = std::system(command.c_str());
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const std::string out = slurp(dir_ / "stdout.txt");
        const std::string err = slurp(dir_ / "stderr.txt");
        EXPECT_EQ(code, step.code) << err;
        EXPECT_EQ((out + err).find("secret"), std::string::npos);
        if (step.flag == nullptr) {
            EXPECT_TRUE(out.empty());
            EXPECT_FALSE(err.empty());
            continue;
        }
        EXPECT_EQ(err, "") << "the console shows warnings and errors only";
        const json printed = json::parse(out, nullptr, false);
        ASSERT_TRUE(printed.is_object()) << out;
        EXPECT_EQ(printed.value("credential", ""), "VQ8.FleetUpdate.SSH.root");
        EXPECT_TRUE(printed.contains("location"));
        EXPECT_EQ(printed.value(step.flag, !step.flagValue), step.flagValue);
    }
    EXPECT_TRUE(fs::is_empty(work));
}

}  // namespace
}  // namespace hazard_desk::cli
