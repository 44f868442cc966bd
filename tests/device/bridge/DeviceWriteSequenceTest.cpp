// The write sequence against the virtual camera on a clock the sleeper
// advances: the camera answers for real, the 6-second phase bounds pass at
// once, and the elapsed time says which waits ran.
#include <QTemporaryDir>

#include <cmath>
#include <string>
#include <vector>

#include "BridgeSimFixture.h"
#include "DeviceWriteSequence.h"

namespace hazard_desk {
namespace {

using nlohmann::json;

struct SequenceRun {
    DeviceWriteResult result;
    std::vector<std::string> stages;
    qint64 elapsedMs = 0;
};

class DeviceWriteSequenceTest : public BridgeSimTest {
protected:
    void SetUp() override
    {
        BridgeSimTest::SetUp();
        // The camera saves at once: the fake clock does not wait for it.
        setFault("*", R"({"saveDelayMs": 0})");
    }

    SequenceRun run(ObstacleCameraBridge& camera, const DeviceWriteRequest& request)
    {
        SequenceRun out;
        qint64 now = 0;
        DeviceWriteTiming timing;
        timing.elapsedMs = [&now]() { return now; };
        timing.sleepMs = [&now](int ms) { now += ms; };
        timing.progress = [&out](const QString& stage) { out.stages.push_back(stage.toStdString()); };
        out.result = DeviceWriteSequence(camera, timing).run(request);
        out.elapsedMs = now;
        return out;
    }

    // The camera's own JSON with template `index` moved and running.
    static json parameters(ObstacleCameraBridge& camera, int index, double dangerFar)
    {
        std::string text;
        EXPECT_TRUE(camera.readAlgorithmParams(text));
        json document = json::parse(text);
        document["Zones"][std::to_string(index)]["DangerZone"][1] = dangerFar;
        document["Zones"][std::to_string(index)]["WarningZone"][0] = dangerFar;
        document["ZoneIndex"] = index;
        return document;
    }

    static DeviceWriteRequest requestFor(int mode, int index, json deviceJson)
    {
        DeviceWriteRequest request;
        request.mode = mode;
        request.templateIndex = index;
        request.deviceJson = std::move(deviceJson);
        return request;
    }

};

struct OutcomeCase {
    const char* name;
    const char* faults;
    bool streaming;           // the stream ran before the write
    bool resumed;             // ... and fresh frames came after it
    int mode;                 // requested mode (the K7 runs 4)
    double dangerFar;         // written; negative: a document the camera refuses
    const char* stage;
    std::string messageStart;
    bool saved;
    qint64 elapsedMs;         // -1: not checked
};

// A confirmed write passes three stability windows; each failure ends at its
// stage with its text, after the waits it ran. A running stream must show
// fresh frames again, or the write is not reported as done.
TEST_F(DeviceWriteSequenceTest, EachOutcomeEndsAtItsStageWithItsText)
{
    const qint64 window = DeviceWriteSequence::kStabilityWindowMs;
    const qint64 bound = DeviceWriteSequence::kPhaseTimeoutMs;
    const std::string stalled = "数据流恢复未确认：baseCamera 获取新帧失败";
    const std::vector<OutcomeCase> cases = {
        {"float noise confirms", R"({"readbackRounding": 0.000001})", false, false, 4, 1234.5678901, "完成", "", true,
         3 * window},
        {"camera never saves", R"({"neverSaves": true})", false, false, 4, 1250.0, "等待设备参数保存确认",
         "启动模板未保存：期望 7，回读 1", false, window + bound},
        {"camera rounds to 0.1 mm", R"({"readbackRounding": 0.1})", false, false, 4, 1250.05, "等待设备参数保存确认",
         "设备回读参数与本次下发不一致：Zones.7.DangerZone：请求 [1000.0,1250.05,", false, window + bound},
        {"camera runs another mode", "{}", false, false, 1, 1250.0, "等待设备配置接口稳定",
         "设备算法模式已变化：期望 1，实际 4", false, bound},
        {"camera refuses the JSON", "{}", false, false, 4, -1250.0, "保存参数与启动模板", "下发避障 JSON失败（SDK=-3", false,
         window},
        {"stream comes back", "{}", true, true, 4, 1300.0, "完成", "", true, -1},
        {"stream stalls", R"({"framesStopAfterWrite": true})", true, false, 4, 1300.0, "恢复画面并确认新帧", stalled, true, -1},
        // An earlier failure keeps its stage, and the stalled stream is added to its message.
        {"stream stalls after a failure", R"({"framesStopAfterWrite": true, "neverSaves": true})", true, false, 4,
         1300.0, "等待设备参数保存确认", "启动模板未保存：期望 7，回读 1；" + stalled, false, -1},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        setFault(kK7, c.faults);
        auto k7 = connected(kK7);
        QString error;
        if (c.streaming) {
            ASSERT_TRUE(k7->startStreaming(&error)) << error.toStdString();
            ASSERT_TRUE(retrying([&] { return k7->probeFrame(&error); })) << error.toStdString();
        }
        DeviceWriteRequest request = requestFor(c.mode, 7, parameters(*k7, 7, std::abs(c.dangerFar)));
        if (c.dangerFar < 0.0) {
            request.deviceJson.erase("R");
        }
        request.wasStreaming = c.streaming;
        const SequenceRun r = run(*k7, request);
        EXPECT_EQ(r.result.ok, c.saved && c.resumed == c.streaming);
        EXPECT_EQ(r.result.saved, c.saved);
        EXPECT_EQ(r.result.streamResumed, c.resumed);
        EXPECT_EQ(r.result.streaming, c.streaming);
        EXPECT_EQ(r.result.stage.toStdString(), c.stage);
        // The message starts with the row's text; a success has none.
        const std::string message = r.result.message.toStdString();
        EXPECT_EQ(c.messageStart.empty() ? message : message.substr(0, c.messageStart.size()), c.messageStart);
        if (c.elapsedMs >= 0) {
            EXPECT_EQ(r.elapsedMs, c.elapsedMs);
        }
        if (c.saved && !c.streaming) {
            EXPECT_EQ(r.stages, (std::vector<std::string>{"暂停画面与结果刷新", "等待设备配置接口稳定",
                                                          "保存参数与启动模板", "等待设备参数保存确认",
                                                          "确认运行模板与参数稳定", "完成"}));
            const json readBack = json::parse(r.result.readbackJson.toStdString());
            EXPECT_NEAR(readBack["Zones"]["7"]["DangerZone"][1].get<double>(), c.dangerFar, 1e-5);
        }
        k7->closeCamera();
    }
}

// A template-control camera saves its JSON, then takes the masks, and only
// then selects the template.
TEST_F(DeviceWriteSequenceTest, TemplateControlCameraUploadsAfterTheSaveAndThenSelects)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QStringList masks = writeMaskFiles(directory.path(), {"danger_far4.pgm", "danger_near4.pgm"});
    auto p20 = connected(kP20);
    DeviceWriteRequest request = requestFor(1, 4, parameters(*p20, 4, 1100.0));
    request.usesTemplateControl = true;
    request.maskFiles = masks;
    const SequenceRun r = run(*p20, request);
    ASSERT_TRUE(r.result.ok) << r.result.message.toStdString();
    EXPECT_TRUE(r.result.masksUploaded);
    EXPECT_EQ(r.stages, (std::vector<std::string>{"暂停画面与结果刷新", "等待设备配置接口稳定", "保存参数与启动模板",
                                                  "等待设备参数保存确认", "上传 V1 掩码", "切换并重载 V1 模板",
                                                  "确认运行模板与参数稳定", "完成"}));
    int active = -1;
    ASSERT_TRUE(p20->readActiveTemplate(active));
    EXPECT_EQ(active, 4);
}

}  // namespace
}  // namespace hazard_desk
