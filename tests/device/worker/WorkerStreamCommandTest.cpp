// "hazard-desk-cli stream" run in-process against the virtual camera: exit
// codes and the form of its summary line.
#include "../bridge/BridgeSimFixture.h"
#include "CliRun.h"

namespace hazard_desk {
namespace {

using test::runCli;
using WorkerStreamCommandTest = BridgeSimTest;

TEST_F(WorkerStreamCommandTest, SummarisesAStreamOfTheWorker) {
    const test::CliRun r = runCli({"stream", "--ip", kK7, "--seconds", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json line = nlohmann::json::parse(r.out);
    for (const char* key : {"frames", "measuredFps", "latencyMsMedian", "latencyMsP95", "runtimeSamples", "ioStatus",
                            "algorithmMode", "errors"}) {
        EXPECT_TRUE(line.contains(key)) << key;
    }
    EXPECT_GT(line["frames"].get<int>(), 0);
    EXPECT_TRUE(line["errors"].empty()) << line["errors"].dump();
}

TEST_F(WorkerStreamCommandTest, FailsClearlyWithoutACameraOrWithBadArguments) {
    setFault(kK7, R"({"openFails": true})");
    const test::CliRun failed = runCli({"stream", "--ip", kK7, "--seconds", "1"});
    EXPECT_EQ(failed.code, 1);
    EXPECT_TRUE(failed.out.empty());
    EXPECT_NE(failed.err.find(kK7), std::string::npos) << failed.err;
    EXPECT_EQ(runCli({"stream"}).code, 2);
    EXPECT_EQ(runCli({"stream", "--ip", kK7, "--seconds", "0"}).code, 2);
    EXPECT_EQ(runCli({"stream", "--ip", kK7, "--frames", "3"}).code, 2);
}

}  // namespace
}  // namespace hazard_desk
