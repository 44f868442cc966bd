#include "CommandRegistry.h"
#include "DeviceJsonReader.h"
#include "DeviceJsonWriter.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace hazard_desk::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Invalid in thirteen places: twelve square distance issues plus one pose issue.
std::string thirteenIssueDocument()
{
    WorkstationDocument document;
    document.extrinsics.roll = 200.0;
    json j = serializeWorkstationDocument(document);
    for (int slot = 0; slot < 12; ++slot) {
        j["templates"][slot]["lowerLimit"] = 5000.0;
    }
    return j.dump(2);
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
        write("invalid.json", thirteenIssueDocument());
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
        std::ostringstream out;
        std::ostringstream err;
        RunResult result;
        result.code = CommandRegistry::instance().dispatch(args, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    fs::path dir_;
};

struct FailureCase {
    std::vector<std::string> args;
    int code;
    const char* errContains;
};

TEST_F(ModelCommands, UsageErrorsAndUnreadableFilesExitTwo)
{
    const FailureCase cases[] = {
        {{"default", "extra"}, 2, "unexpected argument 'extra'"},
        {{"default", "--pretty"}, 2, "unknown option --pretty"},
        {{"normalize"}, 2, "missing FILE argument"},
        {{"normalize", "@default.json", "@older.json"}, 2, "unexpected argument"},
        {{"normalize", "@missing.json"}, 2, "missing.json"},
        {{"normalize", "@folder"}, 2, "it is a directory"},
        {{"validate", "/dev/zero"}, 2, "larger than 64 MiB"},
        {{"validate", "@missing.json"}, 2, "cannot read workstation JSON file"},
        {{"validate", "--device", "@device.json"}, 2, "--device needs --algorithm v1|v2"},
        {{"validate", "--device", "--algorithm", "v3", "@device.json"}, 2, "--algorithm must be v1 or v2, got 'v3'"},
        {{"validate", "--algorithm", "v1", "@default.json"}, 2, "apply only with --device"},
        {{"validate", "--require-all", "@default.json"}, 2, "apply only with --device"},
        {{"validate", "--device", "--algorithm", "v1", "@missing.json"}, 2, "cannot read device JSON file"},
        {{"convert"}, 2, "missing direction"},
        {{"convert", "sideways", "@default.json"}, 2, "unknown direction 'sideways'"},
        {{"convert", "to-workstation", "@device.json"}, 2, "needs --algorithm"},
        {{"convert", "to-workstation", "--algorithm", "v2", "--all", "@device.json"}, 2, "takes only"},
        {{"convert", "to-device", "--algorithm", "v2", "@default.json"}, 2, "takes no --algorithm"},
        {{"convert", "to-device", "--no-flags", "@default.json"}, 2, "need --base"},
        {{"convert", "to-device", "--base", "@base.json", "--all", "--template", "3", "@default.json"}, 2,
         "exclude each other"},
        {{"convert", "to-device", "--base", "@base.json", "--template", "three", "@default.json"}, 2,
         "option --template needs an integer"},
        {{"convert", "to-device", "--base", "@missing-base.json", "@default.json"}, 2, "cannot read base device JSON"},
        {{"convert", "to-device", "--base"}, 2, "option --base needs a value"},
        {{"convert", "to-device"}, 2, "missing FILE argument"},
    };
    for (const FailureCase& c : cases) {
        const RunResult r = run(c.args);
        std::string joined;
        for (const auto& a : c.args) {
            joined += a + " ";
        }
        EXPECT_EQ(r.code, c.code) << joined << "\n" << r.err;
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << joined << "\nstderr: " << r.err;
        EXPECT_TRUE(r.out.empty()) << joined;
    }
}

TEST_F(ModelCommands, InvalidInputPrintsTheIssueListAndExitsOne)
{
    const struct {
        std::vector<std::string> args;
        bool onStdout;
        std::string expected;
    } cases[] = {
        {{"normalize", "@broken.json"}, false, "$：invalid JSON syntax\n"},
        {{"validate", "@broken.json"}, true, "$：invalid JSON syntax\n"},
        {{"validate", "--device", "--algorithm", "v2", "--require-all", "@partial-device.json"}, true,
         "$device.Zones：must contain every template index from 0 to 19\n"},
        {{"validate", "--device", "--algorithm", "v1", "@default.json"}, true, "$device.R：missing required field\n"},
        {{"convert", "to-workstation", "--algorithm", "v1", "@broken.json"}, false, "$device：invalid JSON syntax\n"},
        {{"convert", "to-device", "@invalid.json"}, false, ""},
        {{"convert", "to-device", "--base", "@array-base.json", "@default.json"}, false,
         "$baseDeviceJson：must be an object\n"},
        {{"convert", "to-device", "--base", "@broken.json", "@default.json"}, false,
         "$baseDeviceJson：invalid JSON syntax\n"},
        {{"convert", "to-device", "--base", "@base.json", "--template", "25", "@default.json"}, false,
         "$deviceExport.selectedIndex：must be an integer from 0 to 19\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = run(c.args);
        EXPECT_EQ(r.code, 1) << c.args[0] << " " << c.args.back();
        const std::string& shown = c.onStdout ? r.out : r.err;
        const std::string& other = c.onStdout ? r.err : r.out;
        if (!c.expected.empty()) {
            EXPECT_EQ(shown, c.expected) << c.args.back();
        }
        EXPECT_TRUE(other.empty()) << c.args.back();
    }
}

TEST_F(ModelCommands, ValidateShowsTwelveIssuesAndCountsTheRest)
{
    const RunResult r = run({"validate", "@invalid.json"});
    EXPECT_EQ(r.code, 1);
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 13U) << r.out;
    EXPECT_EQ(lines[0], "extrinsics：roll, pitch, and yaw must stay within [-180, 180]");
    EXPECT_EQ(lines[1], "templates[0].distance：must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper");
    EXPECT_EQ(lines[11], "templates[10].distance：must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper");
    EXPECT_EQ(lines[12], "另有 1 项错误");
}

TEST_F(ModelCommands, DefaultNormalizeAndValidateSucceed)
{
    const std::string defaultText = dumpWorkstationDocument(WorkstationDocument{}, 2) + "\n";
    RunResult r = run({"default"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, defaultText);
    EXPECT_TRUE(r.err.empty());

    r = run({"normalize", "@older.json"});
    EXPECT_EQ(r.code, 0) << r.err;
    const WorkstationDocument expected = parseWorkstationDocument(olderFormDocument());
    EXPECT_EQ(r.out, dumpWorkstationDocument(expected, 2) + "\n");
    const WorkstationDocument normalized = parseWorkstationDocumentText(r.out);
    EXPECT_EQ(normalized.extrinsics.x, 10.0);
    EXPECT_EQ(normalized.templates[2].type(), TemplateType::Sector);
    EXPECT_EQ(r.out.find("posX"), std::string::npos);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"validate", "@default.json"}, std::vector<std::string>{"validate", "@older.json"},
          std::vector<std::string>{"validate", "--device", "--algorithm", "v2", "--require-all", "@device.json"},
          std::vector<std::string>{"validate", "--device", "--algorithm", "v1", "@partial-device.json"},
          std::vector<std::string>{"validate", "--device", "--algorithm=v2", "@partial-device.json"}}) {
        r = run(args);
        EXPECT_EQ(r.code, 0) << args.back() << r.out << r.err;
        EXPECT_EQ(r.out, "OK\n");
        EXPECT_TRUE(r.err.empty());
    }
}

TEST_F(ModelCommands, ConvertDrivesTheModelConversions)
{
    RunResult r = run({"convert", "to-workstation", "--algorithm", "v1", "--require-all", "@device.json"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, dumpWorkstationDocument(parseDeviceDocumentText(read("device.json"), AlgorithmVersion::V1, true),
                                             2) + "\n");

    r = run({"convert", "to-device", "@default.json"});
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);   // one line
    EXPECT_EQ(json::parse(r.out), buildDeviceDocument(WorkstationDocument{}, json::object()));

    const json base = json::parse(read("base.json"));
    const struct {
        std::vector<std::string> extra;
        DeviceMergeOptions options;
    } merges[] = {
        {{}, DeviceMergeOptions{}},
        {{"--template", "3"}, DeviceMergeOptions{false, 3, true, true}},
        {{"--all", "--no-extrinsics", "--no-flags"}, DeviceMergeOptions{true, std::nullopt, false, false}},
        {{"--template=0", "--no-flags"}, DeviceMergeOptions{false, 0, true, false}},
    };
    for (const auto& m : merges) {
        std::vector<std::string> args{"convert", "to-device", "--base", "@base.json"};
        args.insert(args.end(), m.extra.begin(), m.extra.end());
        args.push_back("@older.json");
        r = run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        const json expected = mergeIntoDeviceDocument(parseWorkstationDocument(olderFormDocument()), base, m.options);
        EXPECT_EQ(json::parse(r.out), expected);
        EXPECT_EQ(json::parse(r.out)["vendor"]["build"], 7);
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

TEST_F(ModelCommands, HelpDocumentsEveryModelCommand)
{
    for (const char* name : {"default", "normalize", "validate", "convert"}) {
        const RunResult r = run({name, "--help"});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out.rfind(std::string("Usage: hazard-desk-cli ") + name, 0), 0U) << r.out;
        EXPECT_NE(r.out.find("Exit codes"), std::string::npos) << name;
    }
    const RunResult overview = run({"--help"});
    for (const char* name : {"default", "normalize", "validate", "convert"}) {
        EXPECT_NE(overview.out.find(std::string("  ") + name), std::string::npos) << name;
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
    EXPECT_EQ(parseWorkstationDocumentText(documentPart(r.out)), WorkstationDocument{});

    r = runBinary("validate \"" + path("invalid.json") + "\"", work);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("另有 1 项错误"), std::string::npos);

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
