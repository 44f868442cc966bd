// "hazard-desk-cli masks": exit codes, the JSON line and the files written.
#include "CliRun.h"
#include "RaySimScene.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

using hazard_desk::test::runCli;

class MasksCommandTest : public RaySimTest {
protected:
    void SetUp() override
    {
        RaySimTest::SetUp();
        directory_ = fs::temp_directory_path() / ("hd_masks_cli_" + std::to_string(::getpid()));
        fs::remove_all(directory_);
        fs::create_directories(directory_);
        hazard_desk::WorkstationDocument document;
        document.extrinsics = {70, -180, 90, 0, 0, 600};
        document.templates[4] = hazard_desk::defaultZoneTemplate(4, hazard_desk::TemplateType::SquareFree);
        writeText(directory_ / "doc.json", hazard_desk::dumpWorkstationDocument(document, 2));
    }
    void TearDown() override { fs::remove_all(directory_); }

    static void writeText(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }
    std::string file(const char* name) const { return (directory_ / name).string(); }

    fs::path directory_;
};

// Which levels a template has is the mask module's; here the line's form
// and that each level it names is written under its file names.
TEST_F(MasksCommandTest, PrintsOneLineAndWritesTheMasksItNames)
{
    const struct {
        std::vector<std::string> options;
        const char* path;
        const char* index;   // the active template, or the chosen one
    } cases[] = {{{}, "fast", "1"}, {{"--template", "4", "--reference"}, "reference", "4"}};
    for (const auto& c : cases) {
        const fs::path out = directory_ / c.path;
        fs::create_directories(out);
        std::vector<std::string> args{"masks", "--ip", kFisheye, file("doc.json"), "--out", out.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = runCli(args);
        ASSERT_EQ(r.code, 0) << r.err;
        const nlohmann::json line = nlohmann::json::parse(r.out);
        EXPECT_EQ(line["rays"], (nlohmann::json{{"width", 40}, {"height", 30}, {"fisheye", true}}));
        EXPECT_EQ(line["path"], c.path);
        EXPECT_TRUE(line["raysMs"].is_number() && line["masksMs"].is_number());
        ASSERT_TRUE(line["levels"].is_array() && !line["levels"].empty());
        for (const auto& level : line["levels"]) {
            for (const char* range : {"_far", "_near"}) {
                EXPECT_TRUE(fs::is_regular_file(out / (level.get<std::string>() + range + c.index + ".pgm")))
                    << level << range << c.index;
            }
        }
    }
}

TEST_F(MasksCommandTest, ExitCodes)
{
    writeText(directory_ / "bad.json", R"({"version": 1})");
    hazard_desk::WorkstationDocument flat;
    flat.extrinsics = {90, -180, 90, 0, 0, 600};
    flat.templates[1].body = hazard_desk::FreeBoxZones{{2000, 2000.4, -3000, 3000, 0, 2000},
                                                       {2500, 3000, -900, 900, 0, 800},
                                                       {3000, 4000, -900, 900, 0, 800}};
    writeText(directory_ / "flat.json", hazard_desk::dumpWorkstationDocument(flat, 2));
    const std::string out = directory_.string();
    struct Case {
        std::vector<std::string> args;
        int code;
    };
    const std::vector<Case> cases = {
        {{"masks", "--ip", kPinhole, file("doc.json")}, 2},
        {{"masks", "--ip", kPinhole, "--out", out}, 2},
        {{"masks", "--ip", kPinhole, file("doc.json"), "--out", out, "--template", "20"}, 2},
        {{"masks", "--ip", kPinhole, file("doc.json"), "--out", file("missing")}, 2},
        {{"masks", "--ip", kPinhole, file("missing.json"), "--out", out}, 2},
        {{"masks", "--ip", kPinhole, file("bad.json"), "--out", out}, 2},
        {{"masks", "--ip", "127.0.99.1", file("doc.json"), "--out", out}, 1},
        {{"masks", "--ip", kPinhole, file("flat.json"), "--out", out}, 1},
    };
    for (const Case& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_FALSE(r.err.empty());
    }
    setFault(kPinhole, R"({"unsupported": {"1512": -2}})");
    const auto noWidth = runCli({"masks", "--ip", kPinhole, file("doc.json"), "--out", out});
    EXPECT_EQ(noWidth.code, 1);
    EXPECT_FALSE(fs::exists(directory_ / "danger_far1.pgm")) << "a failed run writes nothing";
}

}  // namespace
