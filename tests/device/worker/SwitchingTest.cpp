// Algorithm, template and I/O switching through the worker's slots against
// the virtual camera: what each switch writes, how it waits for the camera's
// confirmation, and the outcome signal it ends with.
#include "WorkerSimHarness.h"

#include <nlohmann/json.hpp>

namespace hazard_desk {
namespace {

using nlohmann::json;

std::int64_t cameraCalls() {
    std::int64_t n = 0;
    for (const char* function : {"DcGetIntValue", "DcSetIntValue", "DcGetStringValue", "DcSetStringValue",
                                 "DcSpecialControl"}) {
        n += ZrSim_CallCount(function, -1);
    }
    return n;
}

std::int64_t writes() { return ZrSim_CallCount("DcSetStringValue", ZR_STRING_ALGORITHM_PARAMS); }

class SwitchingTest : public WorkerSimTest {
protected:
    void SetUp() override {
        WorkerSimTest::SetUp();
        setFault("*", R"({"saveDelayMs": 0})");
        switched_ = spy(SIGNAL(templateSwitchFinished(bool, int, QString)));
        algorithm_ = spy(SIGNAL(algorithmChangeFinished(bool, QString)));
        modes_ = spy(SIGNAL(algorithmStateChanged(bool, int, QString)));
    }

    // A fresh worker and scene for the next case of a table.
    void restart() {
        TearDown();
        SetUp();
    }

    void connectTo(const char* ip) {
        request("connectDevice", Q_ARG(QVariantMap, ipMap(ip)));
        onWorker([&] {
            pollTimer()->stop();
            modes_->clear();
        });
    }

    std::unique_ptr<QSignalSpy> switched_, algorithm_, modes_;
};

TEST_F(SwitchingTest, TemplateOutOfRangeIsRefusedWithoutAskingTheCamera) {
    connectTo(kK7);
    for (int index : {20, -1}) {
        const std::int64_t before = cameraCalls();
        request("switchActiveTemplate", Q_ARG(int, index));
        EXPECT_EQ(cameraCalls(), before) << index;
        EXPECT_EQ(last(*switched_), (QList<QVariant>{false, index, QStringLiteral("模板编号必须在 0 到 19 之间")}));
    }
}

TEST_F(SwitchingTest, SwitchToTheRunningTemplateWritesNothing) {
    connectTo(kK7);
    auto templates = spy(SIGNAL(activeTemplateChanged(int)));
    const std::int64_t before = writes();
    request("switchActiveTemplate", Q_ARG(int, 1));
    EXPECT_EQ(writes(), before);
    EXPECT_EQ(last(*switched_), (QList<QVariant>{true, 1, QStringLiteral("已切换到模板 1，并保存为启动模板")}));
    ASSERT_GE(count(*templates), 1);
    EXPECT_EQ(at(*templates, 0).at(0).toInt(), 1);
    EXPECT_EQ(writeNow_->load(), 600) << "two stability windows, no save phase";
}

TEST_F(SwitchingTest, JsonCameraWritesTheNewZoneIndexAndMaskCameraOnlySelects) {
    struct Case {
        const char* ip;
        std::int64_t writes;
    };
    for (const Case& c : {Case{kK7, 1}, Case{"127.0.10.2", 0}}) {
        restart();
        connectTo(c.ip);
        auto templates = spy(SIGNAL(activeTemplateChanged(int)));
        const std::int64_t before = writes();
        request("switchActiveTemplate", Q_ARG(int, 6));
        EXPECT_EQ(writes() - before, c.writes) << c.ip;
        EXPECT_EQ(last(*switched_), (QList<QVariant>{true, 6, QStringLiteral("已切换到模板 6，并保存为启动模板")}))
            << c.ip;
        ASSERT_GE(count(*templates), 1) << c.ip;
        EXPECT_EQ(at(*templates, 0).at(0).toInt(), 6) << c.ip;
    }
}

TEST_F(SwitchingTest, TemplateTheCameraDoesNotHoldIsRefused) {
    json scene = json::parse(kBridgeTestScene);
    scene["cameras"][0]["algorithmParams"] = json::parse(R"({
        "R": [1, 0, 0, 0, 1, 0, 0, 0, 1], "T": [0, 0, 600], "ZoneIndex": 1,
        "Zones": {"1": {"ZoneType": "square", "DangerZone": [1000, 1200, -500, 500, 50, 1000],
                        "WarningZone": [1200, 1300, -500, 500, 50, 1000], "NotifyZone": []}}})");
    ASSERT_EQ(ZrSim_LoadSceneText(scene.dump().c_str()), 0) << ZrSim_LastError();
    connectTo(kK7);
    const std::int64_t before = writes();
    request("switchActiveTemplate", Q_ARG(int, 9));
    EXPECT_EQ(writes(), before);
    EXPECT_EQ(last(*switched_),
              (QList<QVariant>{false, 9, QStringLiteral("设备尚未配置模板 9，请先下发该模板再切换。")}));
}

TEST_F(SwitchingTest, FailedSwitchNamesTheStageAndPollsTheTruth) {
    setFault(kK7, R"({"neverSaves": true})");
    connectTo(kK7);
    auto updated = spy(SIGNAL(activeConfigurationUpdated(QString, QString, int)));
    request("switchActiveTemplate", Q_ARG(int, 5));
    const QList<QVariant> result = last(*switched_);
    EXPECT_FALSE(result.at(0).toBool());
    EXPECT_EQ(result.at(1).toInt(), -1);
    EXPECT_EQ(result.at(2).toString(), QStringLiteral("等待设备参数保存确认：启动模板未保存：期望 5，回读 1"));
    EXPECT_EQ(count(*updated), 1) << "the poll shows what the camera still runs";
}

TEST_F(SwitchingTest, ModeConfirmedOnTheFifthReadOrNeverWithItsText) {
    struct Case {
        int laggingReads;
        bool confirmed;
        int sleeps;
        QString message;
    };
    const std::vector<Case> cases = {
        {4, true, 4, QStringLiteral("避障算法已停止")},
        {5, false, 4, QStringLiteral("算法切换未确认：目标 0，设备当前 4。")},
    };
    for (const Case& c : cases) {
        restart();
        setFault(kK7, (R"({"modeConfirmReads": )" + std::to_string(c.laggingReads) + "}").c_str());
        connectTo(kK7);
        sleeps_->store(0);
        const std::int64_t reads = ZrSim_CallCount("DcGetIntValue", ZR_INT_ALGORITHM_MODE);
        request("setAlgorithmEnabled", Q_ARG(bool, false), Q_ARG(int, 4));
        EXPECT_EQ(last(*algorithm_), (QList<QVariant>{c.confirmed, c.message})) << c.laggingReads;
        EXPECT_EQ(sleeps_->load(), c.sleeps) << c.laggingReads;
        // Five confirmation reads, then the poll's one: the camera runs no algorithm now.
        EXPECT_EQ(ZrSim_CallCount("DcGetIntValue", ZR_INT_ALGORITHM_MODE) - reads, 6) << c.laggingReads;
        ASSERT_GE(count(*modes_), 1);
        EXPECT_EQ(at(*modes_, 0), (QList<QVariant>{c.confirmed ? false : true, c.confirmed ? 0 : 4,
                                                   QStringLiteral("设备算法模式：%1").arg(c.confirmed ? 0 : 4)}));
    }
}

TEST_F(SwitchingTest, EnablingTargetsTheModelsOwnModeAndReadsItsConfiguration) {
    connectTo(kK7);
    request("setAlgorithmEnabled", Q_ARG(bool, false), Q_ARG(int, 4));
    auto read = spy(SIGNAL(configurationRead(QString, QString, int)));
    auto version = spy(SIGNAL(algorithmVersionReady(QString)));
    // The K7 runs V2: asking for V1 still enables V2.
    request("setAlgorithmEnabled", Q_ARG(bool, true), Q_ARG(int, 1));
    EXPECT_EQ(last(*algorithm_), (QList<QVariant>{true, QStringLiteral("已切换到避障 V2，参数和运行区域已刷新")}));
    ASSERT_EQ(count(*read), 1);
    EXPECT_EQ(at(*read, 0).at(2).toInt(), 4);
    EXPECT_EQ(last(*version).at(0).toString(), QStringLiteral("ALG-2"));
}

TEST_F(SwitchingTest, IoModesAreReadBackOnlyWhenTheHardwareModeWasSet) {
    struct Case {
        const char* faults;
        int work;
        int hardware;
        bool ok;
        QString message;
        int hardwareReads;   // ioHardwareModeRead signals
    };
    const std::vector<Case> cases = {
        {"{}", 1, -1, true, QStringLiteral("IO 模式已下发"), 0},
        {"{}", -1, 1, true, QStringLiteral("IO 模式已下发"), 1},
        {R"({"ioHardwareModeIgnored": true})", -1, 1, false, QStringLiteral("IO 模式回读不一致：请求 1，设备 0"), 1},
        {"{}", 0, 2, false, QStringLiteral("请选择有效的 IO 模式"), 1},
    };
    for (const Case& c : cases) {
        restart();
        setFault(kK7, c.faults);
        connectTo(kK7);
        auto applied = spy(SIGNAL(ioModesApplied(bool, QString)));
        auto hardware = spy(SIGNAL(ioHardwareModeRead(int, QString)));
        auto log = spy(SIGNAL(logMessage(int, QString)));
        const std::int64_t reads = ZrSim_CallCount("DcGetIntValue", ZR_INT_IO_HARDWARE_WORK_MODE);
        request("setIoModes", Q_ARG(int, c.work), Q_ARG(int, c.hardware));
        EXPECT_EQ(last(*applied), (QList<QVariant>{c.ok, c.message})) << c.faults << c.hardware;
        EXPECT_EQ(count(*hardware), c.hardwareReads) << c.faults << c.hardware;
        EXPECT_EQ(ZrSim_CallCount("DcGetIntValue", ZR_INT_IO_HARDWARE_WORK_MODE) - reads, c.hardwareReads);
        EXPECT_EQ(last(*log), (QList<QVariant>{c.ok ? 0 : 2, c.ok ? QStringLiteral("IO 模式下发完成") : c.message}));
    }
}

}  // namespace
}  // namespace hazard_desk
