// "hazard-desk-cli stream" run in-process against the virtual camera.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "../bridge/BridgeSimFixture.h"
#include "CommandRegistry.h"
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
        out_.str("");
        err_.str("");
        return CommandRegistry::instance().dispatch(args, out_, err_);
    }

    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(WorkerStreamCommandTest, SummarisesAStreamOfTheWorker) {
    ASSERT_EQ(run({"stream", "--ip", "127.0.10.1", "--seconds", "1"}), 0) << err_.str();
    const nlohmann::json line = nlohmann::json::parse(out_.str());
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
    EXPECT_TRUE(out_.str().empty());
    EXPECT_NE(err_.str().find("127.0.10.1"), std::string::npos) << err_.str();

    EXPECT_EQ(run({"stream"}), 2);
    EXPECT_EQ(run({"stream", "--ip", "127.0.10.1", "--seconds", "0"}), 2);
    EXPECT_EQ(run({"stream", "--ip", "127.0.10.1", "--frames", "3"}), 2);
}

}  // namespace
}  // namespace hazard_desk::cli
