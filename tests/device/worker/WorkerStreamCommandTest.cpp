// "hazard-desk-cli stream" run in-process against the virtual camera.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "../bridge/BridgeSimFixture.h"
#include "CliRun.h"
#include "ZrSimControl.h"

namespace hazard_desk::cli {
namespace {

class WorkerStreamCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kBridgeTestScene), 0) << ZrSim_LastError();
    }

    int run(const std::vector<std::string>& args) {
        last_ = test::runCli(args);
        return last_.code;
    }

    test::CliRun last_;
};

TEST_F(WorkerStreamCommandTest, SummarisesAStreamOfTheWorker) {
    ASSERT_EQ(run({"stream", "--ip", "127.0.10.1", "--seconds", "1"}), 0) << last_.err;
    const nlohmann::json line = nlohmann::json::parse(last_.out);
    for (const char* key : {"frames", "measuredFps", "latencyMsMedian", "latencyMsP95", "runtimeSamples", "ioStatus",
                            "algorithmMode", "errors"}) {
        EXPECT_TRUE(line.contains(key)) << key;
    }
    EXPECT_GT(line["frames"].get<int>(), 0);
    EXPECT_GT(line["measuredFps"].get<double>(), 0.0);
    EXPECT_GE(line["runtimeSamples"].get<int>(), 1);
    EXPECT_EQ(line["algorithmMode"].get<int>(), 4);
    EXPECT_TRUE(line["errors"].empty()) << line["errors"].dump();
}

TEST_F(WorkerStreamCommandTest, FailsClearlyWithoutACameraOrWithBadArguments) {
    ASSERT_EQ(ZrSim_SetFault("127.0.10.1", R"({"openFails": true})"), 0) << ZrSim_LastError();
    EXPECT_EQ(run({"stream", "--ip", "127.0.10.1", "--seconds", "1"}), 1);
    EXPECT_TRUE(last_.out.empty());
    EXPECT_NE(last_.err.find("127.0.10.1"), std::string::npos) << last_.err;

    EXPECT_EQ(run({"stream"}), 2);
    EXPECT_EQ(run({"stream", "--ip", "127.0.10.1", "--seconds", "0"}), 2);
    EXPECT_EQ(run({"stream", "--ip", "127.0.10.1", "--frames", "3"}), 2);
}

}  // namespace
}  // namespace hazard_desk::cli
