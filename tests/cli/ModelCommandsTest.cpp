#include "CliRun.h"
#include "CommandRegistry.h"
#include "DeviceJsonWriter.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace hazard_desk::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using RunResult = test::CliRun;

// Well-formed, but the pose is out of range.
std::string invalidDocument()
{
    WorkstationDocument document;
    document.extrinsics.roll = 200.0;
    return dumpWorkstationDocument(document, 2);
}

// An older hand-written file: posX/posY/posZ, type aliases and the older sector form.
json olderFormDocument()
{
    json j = serializeWorkstationDocument(WorkstationDocument{});
    j.erase("algorithmVersion");
    j["extrinsics"] = json{{"roll", 0}, {"pitch", 0}, {"yaw", 90}, {"posX", 10}, {"posY", 20}, {"posZ", 30}};
    j["activeIndex"] = 2;
    j["templates"][2] = json{{"obstacleIndex", 2},
                             {"type", "fan"},
                             {"emergencyStopUpper", 800},
                             {"decelerationUpper", 1600},
                             {"heightLower", 0},
                             {"heightUpper", 900},
                             {"sector", {{"leftAngle", -25}, {"rightAngle", 25}}}};
    j["templates"][3]["type"] = "box";
    return j;
}

class ModelCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "hd-cli-model-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        write("default.json", dumpWorkstationDocument(WorkstationDocument{}, 2));
        write("older.json", olderFormDocument().dump(2));
        write("invalid.json", invalidDocument());
        write("broken.json", "{");
        write("device.json", buildDeviceDocument(WorkstationDocument{}, json::object()).dump());
        json partial = buildDeviceDocument(WorkstationDocument{}, json::object());
        partial["Zones"] = json{{"3", partial["Zones"]["3"]}};
        write("partial-device.json", partial.dump());
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

    void write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    std::string read(const std::string& name) const
    {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // "@name" arguments name files in the temporary folder.
    RunResult run(std::vector<std::string> args) const
    {
        for (std::string& arg : args) {
            if (!arg.empty() && arg.front() == '@') {
                arg = path(arg.substr(1));
            }
        }
        return test::runCli(args);
    }

    fs::path dir_;
};

// Usage errors and unreadable files: exit 2, a message on standard error,
// nothing on standard output.
TEST_F(ModelCommands, UsageErrorsAndUnreadableFilesExitTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"default", "extra"},
        {"normalize"},
        {"normalize", "@missing.json"},
        {"normalize", "@folder"},
        {"validate", "/dev/zero"},   // refused by its size, not read to the end
        {"validate", "--device", "@device.json"},
        {"validate", "--device", "--algorithm", "v3", "@device.json"},
        {"validate", "--require-all", "@default.json"},
        {"convert", "sideways", "@default.json"},
        {"convert", "to-workstation", "@device.json"},
        {"convert", "to-device", "--algorithm", "v2", "@default.json"},
        {"convert", "to-device", "--no-flags", "@default.json"},
        {"convert", "to-device", "--base", "@base.json", "--all", "--template", "3", "@default.json"},
        {"convert", "to-device", "--base", "@base.json", "--template", "three", "@default.json"},
        {"convert", "to-device", "--base", "@missing-base.json", "@default.json"},
    };
    for (const auto& args : cases) {
        const RunResult r = run(args);
        EXPECT_EQ(r.code, 2) << args.front() << " " << args.back() << "\n" << r.err;
        EXPECT_FALSE(r.err.empty()) << args.back();
        EXPECT_TRUE(r.out.empty()) << args.back();
    }
}

// Refused input: exit 1 and the issue list, one "path：message" line each,
// on standard output for validate (it is the result) and standard error
// otherwise.
TEST_F(ModelCommands, InvalidInputExitsOneWithTheIssueList)
{
    const struct {
        std::vector<std::string> args;
        bool onStdout;
    } cases[] = {
        {{"normalize", "@broken.json"}, false},
        {{"validate", "@invalid.json"}, true},
        {{"validate", "--device", "--algorithm", "v2", "--require-all", "@partial-device.json"}, true},
        {{"convert", "to-workstation", "--algorithm", "v1", "@broken.json"}, false},
        {{"convert", "to-device", "@invalid.json"}, false},
        {{"convert", "to-device", "--base", "@array-base.json", "@default.json"}, false},
    };
    for (const auto& c : cases) {
        const RunResult r = run(c.args);
        EXPECT_EQ(r.code, 1) << c.args[0] << " " << c.args.back();
        const std::string& shown = c.onStdout ? r.out : r.err;
        EXPECT_TRUE((c.onStdout ? r.err : r.out).empty()) << c.args.back();
        ASSERT_FALSE(shown.empty()) << c.args.back();
        EXPECT_EQ(shown.back(), '\n');
        std::istringstream lines(shown);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_NE(line.find("："), std::string::npos) << line;
        }
    }
}

TEST_F(ModelCommands, SuccessPrintsOneDocumentOrOk)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"default"}, std::vector<std::string>{"normalize", "@older.json"},
          std::vector<std::string>{"convert", "to-workstation", "--algorithm", "v1", "--require-all", "@device.json"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.code, 0) << args.back() << r.err;
        EXPECT_TRUE(r.err.empty());
        EXPECT_EQ(r.out.rfind("{\n  \"activeIndex\"", 0), 0U) << r.out;
        EXPECT_NO_THROW((void)parseWorkstationDocumentText(r.out)) << args.back();
    }

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"validate", "@older.json"},
          std::vector<std::string>{"validate", "--device", "--algorithm=v2", "@partial-device.json"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.code, 0) << args.back() << r.out << r.err;
        EXPECT_EQ(r.out, "OK\n");
    }

    // The camera form is one line; a base keeps the camera's own keys.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"convert", "to-device", "@default.json"},
          std::vector<std::string>{"convert", "to-device", "--base", "@base.json", "--all", "--no-flags",
                                   "@older.json"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);
        const json line = json::parse(r.out);
        EXPECT_TRUE(line.contains("Zones")) << r.out;
        EXPECT_EQ(line.contains("vendor"), args.size() > 3);
    }
}

TEST_F(ModelCommands, NothingIsWrittenToAnyFile)
{
    std::vector<std::pair<fs::path, std::string>> before;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        if (entry.is_regular_file()) {
            before.emplace_back(entry.path(), read(entry.path().filename().string()));
        }
    }
    (void)run({"normalize", "@older.json"});
    (void)run({"convert", "to-device", "--base", "@base.json", "--all", "@older.json"});
    (void)run({"convert", "to-workstation", "--algorithm", "v2", "@device.json"});
    (void)run({"validate", "@invalid.json"});
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        files += entry.is_regular_file() ? 1U : 0U;
    }
    EXPECT_EQ(files, before.size());
    for (const auto& [file, text] : before) {
        EXPECT_EQ(read(file.filename().string()), text) << file;
    }
}

// The real tool, as a fleet script runs it: standard output and standard error apart.
RunResult runBinary(const std::string& arguments, const fs::path& folder, const std::string& environment = {})
{
    const fs::path outFile = folder / "binary-stdout.txt";
    const fs::path errFile = folder / "binary-stderr.txt";
    const std::string command = std::string("cd \"") + folder.string() + "\" && " + environment + "\"" + HD_CLI_BINARY + "\" "
                                + arguments + " > \"" + outFile.string() + "\" 2> \"" + errFile.string() + "\"";
    const int status = std::system(command.c_str());
    RunResult result;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto slurp = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    result.out = slurp(outFile);
    result.err = slurp(errFile);
    return result;
}

// Start-up log lines of linked layers may precede the result; the result is
// the document that starts on the first line reading "{".
std::string documentPart(const std::string& out)
{
    if (out.rfind("{\n", 0) == 0) {
        return out;
    }
    const auto at = out.find("\n{\n");
    return at == std::string::npos ? out : out.substr(at + 1);
}

TEST_F(ModelCommands, RealBinaryExitCodes)
{
    const fs::path work = dir_ / "run";
    fs::create_directory(work);
    RunResult r = runBinary("default", work);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NO_THROW((void)parseWorkstationDocumentText(documentPart(r.out))) << r.out;

    r = runBinary("validate \"" + path("invalid.json") + "\"", work);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("extrinsics："), std::string::npos) << r.out;

    r = runBinary("normalize \"" + path("nowhere.json") + "\"", work);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("nowhere.json"), std::string::npos);
    EXPECT_EQ(r.out.find("nowhere.json"), std::string::npos);
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

TEST_F(ModelCommands, RealBinaryKeepsLogsOutOfTheWorkingFolder)
{
    const fs::path work = dir_ / "quiet";
    fs::create_directory(work);
    const std::string state = "XDG_STATE_HOME=\"" + (dir_ / "state").string() + "\" ";
    RunResult r = runBinary("validate \"" + path("default.json") + "\"", work, state);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "") << "the console shows warnings and errors only";
    EXPECT_FALSE(fs::exists(work / "logs"));

    r = runBinary("--log-level loud validate \"" + path("default.json") + "\"", work, state);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("unknown log level 'loud'"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace hazard_desk::cli
