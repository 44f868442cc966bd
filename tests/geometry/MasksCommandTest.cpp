// "hazard-desk-cli masks": exit codes, the JSON line and the files written.
#include "CommandRegistry.h"
#include "RaySimScene.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct CommandRun {
    int code;
    std::string out;
    std::string err;
};

CommandRun run(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int code = hazard_desk::cli::CommandRegistry::instance().dispatch(args, out, err);
    return {code, out.str(), err.str()};
}

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

TEST_F(MasksCommandTest, WritesThePresentMasksAndPrintsOneLine)
{
    const std::string out = (directory_ / "out").string();
    fs::create_directories(out);
    const CommandRun active = run({"masks", "--ip", kFisheye, file("doc.json"), "--out", out});
    ASSERT_EQ(active.code, 0) << active.err;
    const nlohmann::json line = nlohmann::json::parse(active.out);
    EXPECT_EQ(line["rays"], (nlohmann::json{{"width", 40}, {"height", 30}, {"fisheye", true}}));
    EXPECT_EQ(line["levels"], (nlohmann::json{"danger", "warn"}));
    EXPECT_EQ(line["path"], "fast");
    EXPECT_TRUE(line["raysMs"].is_number() && line["masksMs"].is_number());
    for (const char* name : {"danger_far1.pgm", "danger_near1.pgm", "warn_far1.pgm", "warn_near1.pgm"}) {
        EXPECT_TRUE(fs::is_regular_file(fs::path(out) / name)) << name;
    }
    EXPECT_FALSE(fs::exists(fs::path(out) / "notify_far1.pgm"));

    const CommandRun reference =
        run({"masks", "--ip", kPinhole, file("doc.json"), "--out", out, "--template", "4", "--reference"});
    ASSERT_EQ(reference.code, 0) << reference.err;
    const nlohmann::json referenceLine = nlohmann::json::parse(reference.out);
    EXPECT_EQ(referenceLine["levels"], (nlohmann::json{"danger", "warn", "notify"}));
    EXPECT_EQ(referenceLine["path"], "reference");
    EXPECT_TRUE(fs::is_regular_file(fs::path(out) / "notify_near4.pgm"));
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
        const CommandRun r = run(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_FALSE(r.err.empty());
    }
    setFault(kPinhole, R"({"unsupported": {"1512": -2}})");
    const CommandRun noWidth = run({"masks", "--ip", kPinhole, file("doc.json"), "--out", out});
    EXPECT_EQ(noWidth.code, 1);
    EXPECT_NE(noWidth.err.find("3D 原始分辨率非法：0 × 36"), std::string::npos) << noWidth.err;
    EXPECT_FALSE(fs::exists(directory_ / "danger_far1.pgm")) << "a failed run writes nothing";
}

}  // namespace
