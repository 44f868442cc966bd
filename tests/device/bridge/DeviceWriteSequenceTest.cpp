// The write sequence against the virtual camera on a clock the sleeper
// advances: the camera answers for real, the 6-second phase bounds pass at
// once, and the elapsed time says which waits ran.
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "BridgeSimFixture.h"
#include "DeviceWriteSequence.h"
#include "ZrCameraParams.h"

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
    static json changedParameters(ObstacleCameraBridge& camera, int index, double dangerFar)
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

    static std::int64_t writes() { return calls("DcSetStringValue", ZR_STRING_ALGORITHM_PARAMS); }
};

const std::vector<std::string> kWriteStages = {"暂停画面与结果刷新", "等待设备配置接口稳定", "保存参数与启动模板",
                                               "等待设备参数保存确认", "确认运行模板与参数稳定", "完成"};

// The camera reads back with float noise, which still confirms.
TEST_F(DeviceWriteSequenceTest, ConfirmedWritePassesThreeStabilityWindows)
{
    setFault(kK7, R"({"readbackRounding": 0.000001})");
    auto k7 = connected(kK7);
    const SequenceRun r = run(*k7, requestFor(4, 7, changedParameters(*k7, 7, 1234.5678901)));
    ASSERT_TRUE(r.result.ok) << r.result.message.toStdString();
    EXPECT_TRUE(r.result.saved);
    EXPECT_FALSE(r.result.masksAttempted);
    EXPECT_FALSE(r.result.streamResumed);
    EXPECT_EQ(r.result.templateIndex, 7);
    EXPECT_EQ(r.result.stage, QStringLiteral("完成"));
    EXPECT_TRUE(r.result.message.isEmpty());
    EXPECT_EQ(r.stages, kWriteStages);
    EXPECT_EQ(r.elapsedMs, 3 * DeviceWriteSequence::kStabilityWindowMs);
    EXPECT_NEAR(json::parse(r.result.readbackJson.toStdString())["Zones"]["7"]["DangerZone"][1].get<double>(),
                1234.5678901, 1e-5);
}

struct FailureCase {
    const char* name;
    const char* faults;
    int mode;                 // requested mode (the K7 runs 4)
    json (*change)(json);     // applied to the written JSON
    const char* stage;
    const char* messageStart;
    bool saved;
    qint64 elapsedMs;
};

json unchanged(json document) { return document; }

TEST_F(DeviceWriteSequenceTest, EachFailureEndsAtItsStageWithItsText)
{
    const qint64 window = DeviceWriteSequence::kStabilityWindowMs;
    const qint64 bound = DeviceWriteSequence::kPhaseTimeoutMs;
    const std::vector<FailureCase> cases = {
        {"camera never saves", R"({"neverSaves": true})", 4, unchanged, "等待设备参数保存确认",
         "启动模板未保存：期望 7，回读 1", false, window + bound},
        {"camera rounds to 0.1 mm", R"({"readbackRounding": 0.1})", 4,
         [](json d) {
             d["Zones"]["7"]["DangerZone"][1] = 1250.05;
             d["Zones"]["7"]["WarningZone"][0] = 1250.05;
             return d;
         },
         "等待设备参数保存确认", "设备回读参数与本次下发不一致：Zones.7.DangerZone：请求 [1000.0,1250.05,", false,
         window + bound},
        {"camera runs another mode", "{}", 1, unchanged, "等待设备配置接口稳定", "设备算法模式已变化：期望 1，实际 4",
         false, bound},
        {"camera refuses the JSON", "{}", 4,
         [](json d) {
             d.erase("R");
             return d;
         },
         "保存参数与启动模板", "下发避障 JSON失败（SDK=-3", false, window},
    };
    for (const FailureCase& c : cases) {
        SetUp();
        setFault(kK7, c.faults);
        auto k7 = connected(kK7);
        const SequenceRun r = run(*k7, requestFor(c.mode, 7, c.change(changedParameters(*k7, 7, 1250.0))));
        EXPECT_FALSE(r.result.ok) << c.name;
        EXPECT_EQ(r.result.saved, c.saved) << c.name;
        EXPECT_EQ(r.result.stage.toStdString(), c.stage) << c.name;
        EXPECT_EQ(r.result.message.toStdString().rfind(c.messageStart, 0), 0U)
            << c.name << ": " << r.result.message.toStdString();
        EXPECT_EQ(r.elapsedMs, c.elapsedMs) << c.name;
        k7->closeCamera();
    }
}

TEST_F(DeviceWriteSequenceTest, TemplateControlCameraSelectsWithoutWritingAndWaitsForTheSwitch)
{
    // The camera keeps answering the old template for three reads.
    setFault(kP20, R"({"templateSwitchReads": 3})");
    auto p20 = connected(kP20);
    std::string text;
    ASSERT_TRUE(p20->readAlgorithmParams(text));
    json document = json::parse(text);
    document["ZoneIndex"] = 6;
    DeviceWriteRequest request = requestFor(1, 6, document);
    request.usesTemplateControl = true;
    request.checkFirst = true;
    const std::int64_t before = writes();
    const std::int64_t selects = calls("DcSpecialControl", -1);
    const SequenceRun r = run(*p20, request);
    ASSERT_TRUE(r.result.ok) << r.result.message.toStdString();
    EXPECT_EQ(writes(), before);
    EXPECT_GT(calls("DcSpecialControl", -1), selects);
    EXPECT_EQ(r.stages, (std::vector<std::string>{"暂停画面与结果刷新", "等待设备配置接口稳定", "切换并重载 V1 模板",
                                                  "确认运行模板与参数稳定", "完成"}));
    // Three unconfirmed reads reset the window three times.
    EXPECT_EQ(r.elapsedMs, 2 * DeviceWriteSequence::kStabilityWindowMs + 3 * DeviceWriteSequence::kPollStepMs);
    int active = -1;
    ASSERT_TRUE(p20->readActiveTemplate(active));
    EXPECT_EQ(active, 6);
}

TEST_F(DeviceWriteSequenceTest, MaskCameraUploadsAfterTheSaveAndThenSelects)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QStringList masks = writeMaskFiles(directory.path(), {"danger_far4.pgm", "danger_near4.pgm"});
    for (bool uploadFails : {false, true}) {
        SetUp();
        setFault(kP20, uploadFails ? R"({"uploadFails": true})" : "{}");
        auto p20 = connected(kP20);
        DeviceWriteRequest request = requestFor(1, 4, changedParameters(*p20, 4, 1100.0));
        request.usesTemplateControl = true;
        request.maskFiles = masks;
        const SequenceRun r = run(*p20, request);
        EXPECT_TRUE(r.result.masksAttempted);
        EXPECT_TRUE(r.result.saved);
        if (uploadFails) {
            EXPECT_FALSE(r.result.ok);
            EXPECT_FALSE(r.result.masksUploaded);
            EXPECT_EQ(r.result.stage, QStringLiteral("上传 V1 掩码"));
            EXPECT_TRUE(r.result.message.startsWith(QStringLiteral("上传 V1 避障掩码失败（SDK=-1")))
                << r.result.message.toStdString();
        } else {
            ASSERT_TRUE(r.result.ok) << r.result.message.toStdString();
            EXPECT_TRUE(r.result.masksUploaded);
            EXPECT_EQ(r.stages, (std::vector<std::string>{"暂停画面与结果刷新", "等待设备配置接口稳定",
                                                          "保存参数与启动模板", "等待设备参数保存确认", "上传 V1 掩码",
                                                          "切换并重载 V1 模板", "确认运行模板与参数稳定", "完成"}));
        }
        p20->closeCamera();
    }
}

TEST_F(DeviceWriteSequenceTest, ResumeNeedsTwoFreshFramesAndReportsAStalledStream)
{
    struct Case {
        const char* faults;
        bool resumed;
        const char* stage;
        const char* message;   // the whole message, "" for none
        bool saved;
    };
    const std::vector<Case> cases = {
        {"{}", true, "完成", "", true},
        {R"({"framesStopAfterWrite": true})", false, "恢复画面并确认新帧", "数据流恢复未确认：baseCamera 获取新帧失败",
         true},
        // An earlier failure keeps its stage, whether the stream comes back or not.
        {R"({"neverSaves": true})", true, "等待设备参数保存确认", "启动模板未保存：期望 3，回读 1", false},
        {R"({"framesStopAfterWrite": true, "neverSaves": true})", false, "等待设备参数保存确认",
         "启动模板未保存：期望 3，回读 1；数据流恢复未确认：baseCamera 获取新帧失败", false},
    };
    for (const Case& c : cases) {
        SetUp();
        setFault(kK7, c.faults);
        auto k7 = connected(kK7);
        QString error;
        ASSERT_TRUE(k7->startStreaming(&error)) << error.toStdString();
        ASSERT_TRUE(probeFrameRetrying(*k7, error)) << error.toStdString();
        DeviceWriteRequest request = requestFor(4, 3, changedParameters(*k7, 3, 1300.0));
        request.wasStreaming = true;
        const SequenceRun r = run(*k7, request);
        EXPECT_EQ(r.result.ok, c.resumed && c.saved) << c.faults;
        EXPECT_EQ(r.result.streamResumed, c.resumed) << c.faults;
        EXPECT_TRUE(r.result.streaming) << c.faults;
        EXPECT_EQ(r.result.saved, c.saved) << c.faults;
        EXPECT_EQ(r.result.stage.toStdString(), c.stage) << c.faults;
        EXPECT_EQ(r.result.message.toStdString(), c.message) << c.faults;
        EXPECT_NE(std::find(r.stages.begin(), r.stages.end(), "恢复画面并确认新帧"), r.stages.end()) << c.faults;
        k7->closeCamera();
    }
}

}  // namespace
}  // namespace hazard_desk
