// The configuration commands of hazard-desk-cli, run in-process against the
// virtual camera: exit codes and the form of what they print.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <nlohmann/json.hpp>

#include "../bridge/BridgeSimFixture.h"
#include "CliRun.h"
#include "WorkstationDocument.h"
#include "ZoneBodies.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

namespace hazard_desk::cli {
namespace {

constexpr const char* kK7 = "127.0.10.1";
constexpr const char* kAbsent = "127.0.99.1";

class WorkerCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kBridgeTestScene), 0) << ZrSim_LastError();
        ASSERT_EQ(ZrSim_SetFault("*", R"({"saveDelayMs": 0})"), 0);
        ASSERT_TRUE(directory_.isValid());
    }

    int run(const std::vector<std::string>& args) {
        last_ = test::runCli(args);
        return last_.code;
    }

    nlohmann::ordered_json outputLine() const { return nlohmann::ordered_json::parse(last_.out); }

    std::string file(const std::string& name, const std::string& text) {
        const std::string path = directory_.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path) << text;
        return path;
    }

    static void expectKeys(const nlohmann::ordered_json& line, const std::vector<const char*>& keys) {
        std::vector<std::string> present;
        for (auto it = line.begin(); it != line.end(); ++it) {
            present.push_back(it.key());
        }
        EXPECT_EQ(present, std::vector<std::string>(keys.begin(), keys.end())) << line.dump();
    }

    QTemporaryDir directory_;
    test::CliRun last_;
};

TEST_F(WorkerCommandsTest, ApplyPrintsProgressThenOneOutcomeLine) {
    WorkstationDocument document;
    document.activeIndex = 2;
    const std::string draft = file("draft.json", dumpWorkstationDocument(document, 2));
    ASSERT_EQ(run({"apply", "--ip", kK7, draft}), 0) << last_.err;
    const nlohmann::ordered_json line = outputLine();
    expectKeys(line, {"ok", "stage", "message", "saved", "durationMs", "templateIndex"});
    EXPECT_EQ(line["ok"], true);
    EXPECT_EQ(line["saved"], true);
    EXPECT_EQ(line["templateIndex"], 2);
    EXPECT_NE(last_.err.find("模板 2 · 暂停画面与结果刷新（"), std::string::npos) << last_.err;

    const struct {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"apply", "--ip", kK7, file("broken.json", "{")}, 1},
        {{"apply", "--ip", kAbsent, draft}, 1},
        {{"apply", "--ip", kK7, directory_.filePath("missing.json").toStdString()}, 2},
        {{"apply", draft}, 2},
        {{"apply", "--ip", kK7}, 2},
        {{"apply", "--ip", kK7, "--mode", "2", draft}, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.code) << c.args.back() << ": " << last_.err;
        if (c.code == 1) {
            EXPECT_EQ(outputLine()["ok"], false);
            EXPECT_EQ(outputLine()["saved"], false);
            EXPECT_EQ(outputLine()["templateIndex"], -1);
        } else {
            EXPECT_TRUE(last_.out.empty());
        }
    }
}

TEST_F(WorkerCommandsTest, ReadPrintsTheRunningDocumentOrTheReason) {
    ASSERT_EQ(run({"read", "--ip", kK7}), 0) << last_.err;
    EXPECT_EQ(parseWorkstationDocumentText(last_.out).algorithmVersion, AlgorithmVersion::V2);

    ASSERT_EQ(ZrSim_SetFault(kK7, R"({"unsupported": {"4005": -13}})"), 0);
    EXPECT_EQ(run({"read", "--ip", kK7}), 1);
    EXPECT_TRUE(last_.out.empty());
    EXPECT_FALSE(last_.err.empty());
    EXPECT_EQ(run({"read", "--ip", kAbsent}), 1);
    EXPECT_EQ(run({"read"}), 2);
    EXPECT_EQ(run({"read", "--ip", kK7, "--mode", "0"}), 2);
}

TEST_F(WorkerCommandsTest, SwitchesPrintTheirOutcomeAndExitZeroOnlyWhenConfirmed) {
    const struct {
        std::vector<std::string> args;
        int code;
        std::vector<const char*> keys;
    } cases[] = {
        {{"switch-template", "--ip", kK7, "4"}, 0, {"ok", "message", "templateIndex", "durationMs"}},
        {{"switch-template", "--ip", kK7, "20"}, 1, {"ok", "message", "templateIndex", "durationMs"}},
        {{"algorithm", "--ip", kK7, "off"}, 0, {"ok", "message", "mode"}},
        {{"algorithm", "--ip", kK7, "on"}, 0, {"ok", "message", "mode"}},
        {{"algorithm", "--ip", kAbsent, "on"}, 1, {"ok", "message", "mode"}},
        {{"io", "--ip", kK7, "--work", "1"}, 0, {"ok", "message", "hardwareMode"}},
        {{"io", "--ip", kK7, "--hardware", "1"}, 0, {"ok", "message", "hardwareMode"}},
        {{"switch-template", "--ip", kK7}, 2, {}},
        {{"switch-template", "--ip", kK7, "x"}, 2, {}},
        {{"algorithm", "--ip", kK7, "maybe"}, 2, {}},
        {{"io", "--ip", kK7}, 2, {}},
        {{"io", "--ip", kK7, "--hardware", "2"}, 2, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.code) << c.args.front() << " " << c.args.back() << ": " << last_.err;
        if (c.keys.empty()) {
            EXPECT_TRUE(last_.out.empty());
            continue;
        }
        const nlohmann::ordered_json line = outputLine();
        expectKeys(line, c.keys);
        EXPECT_EQ(line["ok"], c.code == 0);
    }
}

TEST_F(WorkerCommandsTest, DiffExitsLikeDiffWithOneLinePerChangedField) {
    WorkstationDocument document;
    const std::string same = file("same.json", dumpWorkstationDocument(document, 2));
    std::get<SquareZones>(document.templates[1].body).emergencyStopUpper = 1150.0;
    const std::string changed = file("changed.json", dumpWorkstationDocument(document, 2));

    ASSERT_EQ(run({"diff", same, same}), 0) << last_.err;
    EXPECT_EQ(outputLine(), nlohmann::ordered_json::parse(R"({"equal": true, "differences": 0})"));

    ASSERT_EQ(run({"diff", same, changed}), 1) << last_.err;
    const std::vector<nlohmann::ordered_json> lines = last_.jsonLines();
    ASSERT_GE(lines.size(), 2U);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        expectKeys(lines[i], {"path", "before", "after"});
    }
    EXPECT_EQ(lines.back(), (nlohmann::ordered_json{{"equal", false}, {"differences", lines.size() - 1}}));

    // Against the camera: the test K7 runs the factory parameters, template 1.
    EXPECT_EQ(run({"diff", "--ip", kK7, changed}), 1) << last_.err;
    const struct {
        std::vector<std::string> args;
    } troubles[] = {
        {{"diff", same}},
        {{"diff", same, same, same}},
        {{"diff", "--ip", kK7, same, same}},
        {{"diff", same, file("broken.json", "{")}},
        {{"diff", same, directory_.filePath("missing.json").toStdString()}},
        {{"diff", "--ip", kAbsent, same}},
    };
    for (const auto& c : troubles) {
        EXPECT_EQ(run(c.args), 2) << c.args.back() << ": " << last_.err;
        EXPECT_TRUE(last_.out.empty());
    }
}

}  // namespace
}  // namespace hazard_desk::cli
