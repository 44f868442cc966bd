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

// Which levels a template has is the mask module's; here the line's form,
// that each level it names is written under its file names, and that a
// failed run writes nothing.
TEST_F(RaySimTest, MasksCommandPrintsOneLineWritesWhatItNamesAndFailsCleanly)
{
    const fs::path dir = fs::temp_directory_path() / ("hd_masks_cli_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    hazard_desk::WorkstationDocument document;
    document.extrinsics = {70, -180, 90, 0, 0, 600};
    std::ofstream(dir / "doc.json") << hazard_desk::dumpWorkstationDocument(document, 2);
    std::ofstream(dir / "bad.json") << R"({"version": 1})";
    const std::string doc = (dir / "doc.json").string();
    const std::string out = (dir / "out").string();

    const auto r = runCli({"masks", "--ip", kFisheye, doc, "--out", out, "--reference"});
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json line = nlohmann::json::parse(r.out);
    EXPECT_EQ(line["rays"], (nlohmann::json{{"width", 40}, {"height", 30}, {"fisheye", true}}));
    EXPECT_EQ(line["path"], "reference");
    EXPECT_TRUE(line["raysMs"].is_number() && line["masksMs"].is_number());
    ASSERT_TRUE(line["levels"].is_array() && !line["levels"].empty());
    for (const auto& level : line["levels"]) {
        for (const char* range : {"_far1.pgm", "_near1.pgm"}) {
            EXPECT_TRUE(fs::is_regular_file(dir / "out" / (level.get<std::string>() + range))) << level << range;
        }
    }

    fs::remove_all(dir / "out");
    fs::create_directories(dir / "out");
    struct Case {
        std::vector<std::string> args;
        int code;
    };
    const std::vector<Case> cases = {
        {{"masks", "--ip", kPinhole, doc}, 2},
        {{"masks", "--ip", kPinhole, doc, "--out", out, "--template", "20"}, 2},
        {{"masks", "--ip", kPinhole, (dir / "bad.json").string(), "--out", out}, 2},
        {{"masks", "--ip", "127.0.99.1", doc, "--out", out}, 1},
    };
    for (const Case& c : cases) {
        const auto failed = runCli(c.args);
        EXPECT_EQ(failed.code, c.code) << failed.err;
        EXPECT_TRUE(failed.out.empty()) << failed.out;
        EXPECT_FALSE(failed.err.empty());
    }
    setFault(kPinhole, R"({"unsupported": {"1512": -2}})");
    EXPECT_EQ(runCli({"masks", "--ip", kPinhole, doc, "--out", out}).code, 1);
    EXPECT_TRUE(fs::is_empty(dir / "out")) << "a failed run writes nothing";
    fs::remove_all(dir);
}

}  // namespace
