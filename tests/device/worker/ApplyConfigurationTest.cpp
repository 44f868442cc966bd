// The apply transaction through the worker's slot, as the window drives it:
// what it writes to the virtual camera, the signals it answers with, the
// pause and resume of the frame pump and the poll, and the failures it names.
#include "WorkerSimHarness.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <opencv2/core.hpp>

#include <nlohmann/json.hpp>

#include "DeviceJsonWriter.h"
#include "ObstacleCameraBridge.h"
#include "WorkstationDocument.h"
#include "WorkstationJsonWriter.h"
#include "geometry/CameraRays.h"
#include "geometry/ZoneMasks.h"

namespace hazard_desk {
namespace {

using nlohmann::json;

constexpr const char* kP20 = "127.0.10.2";

// A draft document whose active template `index` has its danger box end at dangerFar.
WorkstationDocument draftDocument(int index, double dangerFar, AlgorithmVersion version = AlgorithmVersion::V2) {
    WorkstationDocument document;
    document.algorithmVersion = version;
    document.activeIndex = index;
    auto& square = std::get<SquareZones>(document.templates[static_cast<std::size_t>(index)].body);
    square.emergencyStopUpper = dangerFar;
    square.decelerationUpper = dangerFar + 300.0;
    return document;
}

QString draft(int index, double dangerFar, AlgorithmVersion version = AlgorithmVersion::V2) {
    return QString::fromStdString(dumpWorkstationDocument(draftDocument(index, dangerFar, version), 2));
}

// Points the system temporary path at a directory of the test's own while it
// lives, so the masks' temporary directories can be watched.
class TemporaryPathScope {
public:
    explicit TemporaryPathScope(const QString& path) : previous_(qgetenv("TMPDIR")) { qputenv("TMPDIR", path.toUtf8()); }
    ~TemporaryPathScope() { previous_.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", previous_); }

private:
    QByteArray previous_;
};

class ApplyConfigurationTest : public WorkerSimTest {
protected:
    void SetUp() override {
        WorkerSimTest::SetUp();
        setFault("*", R"({"saveDelayMs": 0})");
        applied_ = spy(SIGNAL(configurationApplied(bool, QString, QString, QString, QString)));
        progress_ = spy(SIGNAL(deviceUpdateProgress(QString)));
        stream_ = spy(SIGNAL(streamStateChanged(bool, QString)));
        modes_ = spy(SIGNAL(algorithmStateChanged(bool, int, QString)));
        unavailable_ = spy(SIGNAL(activeConfigurationUnavailable(QString)));
        log_ = spy(SIGNAL(logMessage(int, QString)));
    }

    void connectTo(const char* ip) {
        request("connectDevice", Q_ARG(QVariantMap, ipMap(ip)));
        onWorker([&] { modes_->clear(); stream_->clear(); log_->clear(); });
    }

    void apply(const QString& workstationJson, int mode) {
        request("applyConfiguration", Q_ARG(QString, workstationJson), Q_ARG(int, mode));
    }

    QList<QVariant> outcome() {
        EXPECT_EQ(count(*applied_), 1);
        return count(*applied_) > 0 ? at(*applied_, 0) : QList<QVariant>{};
    }

    std::vector<QString> progressLines() {
        std::vector<QString> lines;
        for (int i = 0; i < count(*progress_); ++i) {
            lines.push_back(at(*progress_, i).at(0).toString());
        }
        return lines;
    }

    static std::int64_t writes() { return ZrSim_CallCount("DcSetStringValue", ZR_STRING_ALGORITHM_PARAMS); }

    std::unique_ptr<QSignalSpy> applied_, progress_, stream_, modes_, unavailable_, log_;
};

TEST_F(ApplyConfigurationTest, ConfirmedV2ApplyAnswersWithTheReadBackAndPollsOnce) {
    connectTo(kK7);
    auto templates = spy(SIGNAL(activeTemplateChanged(int)));
    const QString workstationJson = draft(3, 1250.0);
    apply(workstationJson, 4);

    const QList<QVariant> result = outcome();
    ASSERT_TRUE(result.at(0).toBool()) << result.at(2).toString().toStdString();
    EXPECT_EQ(result.at(1).toString(), QStringLiteral("完成"));
    EXPECT_EQ(result.at(2).toString(), QStringLiteral("模板 3 已保存并下发，已切换为运行模板"));
    EXPECT_EQ(result.at(3).toString(), workstationJson);
    const json readBack = json::parse(result.at(4).toString().toStdString());
    EXPECT_EQ(readBack["ZoneIndex"], 3);
    EXPECT_EQ(readBack["Zones"]["3"]["DangerZone"][1], 1250.0);

    // The transaction's own template, then the poll's announcement of it.
    ASSERT_GE(count(*templates), 2);
    EXPECT_EQ(at(*templates, 0).at(0).toInt(), 3);
    EXPECT_EQ(at(*templates, 1).at(0).toInt(), 3);
    EXPECT_EQ(only(*modes_), (QList<QVariant>{true, 4, QStringLiteral("避障算法参数已生效")}));
    onWorker([&] {
        bool logged = false;
        for (const QList<QVariant>& line : *log_) {
            logged = logged || line == QList<QVariant>{0, QStringLiteral("避障参数事务完成：mode=4, template=3, scope=active")};
        }
        EXPECT_TRUE(logged);
    });

    // Not streaming: no stream signal, no resume step.
    EXPECT_EQ(count(*stream_), 0);
    const std::vector<QString> lines = progressLines();
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_EQ(lines.front(), QStringLiteral("模板 3 · 暂停画面与结果刷新（0 ms）"));
    EXPECT_EQ(lines.back(), QStringLiteral("模板 3 · 完成（900 ms）"));
    bool polling = false;
    onWorker([&] { polling = pollTimer()->isActive(); });
    EXPECT_TRUE(polling);
}

TEST_F(ApplyConfigurationTest, V1CameraGetsJsonZonesWithoutTheV2Keys) {
    // A P3 Wide offers V1 only: a request for mode 4 runs with mode 1.
    connectTo("127.0.10.3");
    apply(draft(2, 1100.0), 4);
    const QList<QVariant> result = outcome();
    ASSERT_TRUE(result.at(0).toBool()) << result.at(2).toString().toStdString();
    ASSERT_EQ(count(*modes_), 1);
    EXPECT_EQ(at(*modes_, 0).at(1).toInt(), 1);
    const json readBack = json::parse(result.at(4).toString().toStdString());
    EXPECT_EQ(readBack["Zones"]["2"]["DangerZone"][1], 1100.0);
    EXPECT_FALSE(readBack.contains("semantics"));
    EXPECT_FALSE(readBack.contains("ground_hole_param"));
}

TEST_F(ApplyConfigurationTest, StreamIsPausedAndResumedWithFreshFrames) {
    connectAndStream();
    onWorker([&] { stream_->clear(); });
    apply(draft(1, 1300.0), 4);
    ASSERT_TRUE(outcome().at(0).toBool());
    ASSERT_EQ(count(*stream_), 2);
    EXPECT_EQ(at(*stream_, 0), (QList<QVariant>{false, QStringLiteral("正在更新设备配置，画面与结果刷新已暂停")}));
    EXPECT_EQ(at(*stream_, 1), (QList<QVariant>{true, QStringLiteral("实时数据流已恢复")}));
    const std::vector<QString> lines = progressLines();
    ASSERT_GE(lines.size(), 2U);
    EXPECT_TRUE(lines[lines.size() - 2].startsWith(QStringLiteral("模板 1 · 恢复画面并确认新帧（")));
    bool pumping = false;
    onWorker([&] { pumping = captureTimer()->isActive() && captureTimer()->interval() == 50; });
    EXPECT_TRUE(pumping);
}

TEST_F(ApplyConfigurationTest, ConfirmedWriteWithoutFramesAfterwardsIsAFailureThatSaysItSaved) {
    setFault(kK7, R"({"framesStopAfterWrite": true})");
    connectAndStream();
    onWorker([&] { stream_->clear(); });
    apply(draft(1, 1300.0), 4);
    const QList<QVariant> result = outcome();
    EXPECT_FALSE(result.at(0).toBool());
    EXPECT_EQ(result.at(1).toString(), QStringLiteral("恢复画面并确认新帧"));
    EXPECT_EQ(result.at(2).toString(),
              QStringLiteral("参数与启动模板已保存，但后续步骤未完成：数据流恢复未确认：baseCamera 获取新帧失败"));
    EXPECT_TRUE(result.at(4).toString().isEmpty());
    ASSERT_GE(count(*unavailable_), 1);
    EXPECT_EQ(at(*unavailable_, 0).at(0).toString(), QStringLiteral("数据流恢复未确认：baseCamera 获取新帧失败"));
    ASSERT_EQ(count(*stream_), 2);
    EXPECT_EQ(at(*stream_, 1), (QList<QVariant>{true, QStringLiteral("数据流已启动，正在等待有效帧")}));
}

struct EarlyFailure {
    const char* name;
    std::function<QString()> draft;
    const char* stage;
    const char* messageStart;
};

TEST_F(ApplyConfigurationTest, FailuresBeforeTheWriteNameTheirStageAndWriteNothing) {
    WorkstationDocument invalid;
    std::get<SquareZones>(invalid.templates[1].body).emergencyStopUpper = 900.0;   // below lowerLimit
    const std::vector<EarlyFailure> cases = {
        {"not JSON", [] { return QStringLiteral("{"); }, "解析草稿", "$: invalid JSON syntax"},
        {"invalid zone", [&] { return QString::fromStdString(dumpWorkstationDocument(invalid, 2)); }, "解析草稿",
         "templates[1]"},
    };
    connectTo(kK7);
    for (const EarlyFailure& c : cases) {
        onWorker([&] { applied_->clear(); });
        const std::int64_t before = writes();
        apply(c.draft(), 4);
        const QList<QVariant> result = outcome();
        EXPECT_FALSE(result.at(0).toBool()) << c.name;
        EXPECT_EQ(result.at(1).toString().toStdString(), c.stage) << c.name;
        EXPECT_EQ(result.at(2).toString().toStdString().rfind(c.messageStart, 0), 0U)
            << c.name << ": " << result.at(2).toString().toStdString();
        EXPECT_TRUE(result.at(4).toString().isEmpty()) << c.name;
        EXPECT_EQ(writes(), before) << c.name;
        EXPECT_EQ(at(*log_, count(*log_) - 1),
                  (QList<QVariant>{2, QStringLiteral("%1：%2").arg(result.at(1).toString(), result.at(2).toString())}))
            << c.name;
    }
    EXPECT_EQ(count(*progress_), 0);
}

TEST_F(ApplyConfigurationTest, CameraWithTheAlgorithmOffIsNotWrittenTo) {
    connectTo(kK7);
    request("setAlgorithmEnabled", Q_ARG(bool, false), Q_ARG(int, 4));
    onWorker([&] { modes_->clear(); });
    const std::int64_t before = writes();
    apply(draft(1, 1300.0), 4);
    const QList<QVariant> result = outcome();
    EXPECT_FALSE(result.at(0).toBool());
    EXPECT_EQ(result.at(1).toString(), QStringLiteral("设置算法模式"));
    EXPECT_EQ(result.at(2).toString(), QStringLiteral("当前算法与相机型号不匹配，请先切换算法"));
    EXPECT_EQ(writes(), before);
    EXPECT_EQ(only(*modes_), (QList<QVariant>{false, 0, QStringLiteral("当前算法与相机型号不匹配，请先切换算法")}));
}

TEST_F(ApplyConfigurationTest, CameraWithoutAnObstacleAlgorithmIsNotWrittenTo) {
    // The R8 is not a workstation model: no mode is offered, the target is 0.
    connectTo("127.0.10.9");
    apply(draft(1, 1300.0), 4);
    const QList<QVariant> result = outcome();
    EXPECT_FALSE(result.at(0).toBool());
    EXPECT_EQ(result.at(1).toString(), QStringLiteral("设置算法模式"));
    EXPECT_EQ(ZrSim_CallCount("DcSetStringValue", -1), 0);
}

TEST_F(ApplyConfigurationTest, BaselineTheMergeCannotCarryIsRefusedWithItsReason) {
    // The camera's JSON nests an unknown key deeper than a merge will copy.
    connectTo(kK7);
    json nested = json::array();
    for (int depth = 0; depth < kMaxBaseJsonDepth + 5; ++depth) {
        nested = json::array({nested});
    }
    auto read = spy(SIGNAL(configurationRead(QString, QString, int)));
    request("readDeviceConfiguration", Q_ARG(int, 4));
    ASSERT_EQ(count(*read), 1);
    json baseline = json::parse(at(*read, 0).at(1).toString().toStdString());
    baseline["vendor_blob"] = nested;
    request("disconnectDevice");
    json parsed = json::parse(kBridgeTestScene);
    parsed["cameras"][0]["algorithmParams"] = baseline;
    ASSERT_EQ(ZrSim_LoadSceneText(parsed.dump().c_str()), 0) << ZrSim_LastError();
    setFault("*", R"({"saveDelayMs": 0})");
    connectTo(kK7);

    apply(draft(1, 1300.0), 4);
    const QList<QVariant> result = outcome();
    EXPECT_FALSE(result.at(0).toBool());
    EXPECT_EQ(result.at(1).toString(), QStringLiteral("回读设备基线"));
    EXPECT_TRUE(result.at(2).toString().startsWith(QStringLiteral("$baseDeviceJson"))) << result.at(2).toString().toStdString();
}

TEST_F(ApplyConfigurationTest, MaskCameraHoldsTheMasksOfTheMaskModuleAndTheirDirectoryGoes) {
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const TemporaryPathScope scope(temporary.path());
    const WorkstationDocument document = draftDocument(1, 1300.0, AlgorithmVersion::V1);

    // What the mask module makes of the draft through this camera's rays.
    CameraDescriptor descriptor;
    descriptor.ip = QString::fromUtf8(kP20);
    ObstacleCameraBridge probe(descriptor);
    ASSERT_TRUE(probe.openCamera());
    const zavov::CameraRays rays = zavov::generateCameraRays(probe);
    ASSERT_TRUE(rays.ok()) << rays.error;
    probe.closeCamera();
    const zavov::TemplateMasks expected =
        zavov::generateTemplateMasks(rays.rays, document.extrinsics, document.templates[1], zavov::MaskOptions{});
    ASSERT_TRUE(expected.ok()) << expected.error;

    connectTo(kP20);
    apply(QString::fromStdString(dumpWorkstationDocument(document, 2)), 1);
    const QList<QVariant> result = outcome();
    ASSERT_TRUE(result.at(0).toBool()) << result.at(2).toString().toStdString();
    int compared = 0;
    for (int kind = 0; kind < zavov::kMaskKindCount; ++kind) {
        const std::string name = zavov::maskFileName(kind, 1);
        std::vector<std::uint16_t> held(static_cast<std::size_t>(rays.rays.total()));
        const std::int64_t size = ZrSim_CopyMask(kP20, name.c_str(), held.data(), static_cast<std::int64_t>(held.size()));
        const std::vector<zavov::MaskImage> present = zavov::presentMaskImages(expected);
        const auto found =
            std::find_if(present.begin(), present.end(), [kind](const zavov::MaskImage& m) { return m.kind == kind; });
        if (found == present.end()) {
            EXPECT_LT(size, 0) << name << " is not a mask of a square template";
            continue;
        }
        ASSERT_EQ(size, static_cast<std::int64_t>(held.size())) << name;
        const cv::Mat onCamera(found->image.rows, found->image.cols, CV_16UC1, held.data());
        EXPECT_EQ(cv::countNonZero(onCamera != found->image), 0) << name;
        ++compared;
    }
    EXPECT_EQ(compared, 4);
    EXPECT_TRUE(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(ApplyConfigurationTest, FailedUploadLeavesTheTemplatePendingUntilItIsAppliedAgain) {
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const TemporaryPathScope scope(temporary.path());
    setFault(kP20, R"({"uploadFails": true})");
    connectTo(kP20);
    auto switched = spy(SIGNAL(templateSwitchFinished(bool, int, QString)));
    const QString pending = QStringLiteral("模板 1 的区域图下发未完成，请重新下发该模板。");

    apply(draft(1, 1300.0, AlgorithmVersion::V1), 1);
    const QList<QVariant> result = outcome();
    EXPECT_FALSE(result.at(0).toBool());
    EXPECT_EQ(result.at(1).toString(), QStringLiteral("上传 V1 掩码"));
    EXPECT_TRUE(result.at(2).toString().startsWith(
        QStringLiteral("参数与启动模板已保存，但后续步骤未完成：上传 V1 避障掩码失败（SDK=-1")))
        << result.at(2).toString().toStdString();
    // The write's own failure, then the poll: the running template's masks may not match.
    ASSERT_EQ(count(*unavailable_), 2);
    EXPECT_EQ(at(*unavailable_, 1).at(0).toString(), pending);
    request("switchActiveTemplate", Q_ARG(int, 1));
    EXPECT_EQ(at(*switched, 0), (QList<QVariant>{false, 1, pending}));
    EXPECT_TRUE(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    setFault(kP20, R"({"uploadFails": null})");
    onWorker([&] { applied_->clear(); });
    apply(draft(1, 1300.0, AlgorithmVersion::V1), 1);
    ASSERT_TRUE(outcome().at(0).toBool());
    request("switchActiveTemplate", Q_ARG(int, 1));
    EXPECT_TRUE(at(*switched, 1).at(0).toBool()) << at(*switched, 1).at(2).toString().toStdString();
}

TEST_F(ApplyConfigurationTest, MaskStepsThatFailNameTheirStageAndWriteNothing) {
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const TemporaryPathScope scope(temporary.path());
    WorkstationDocument thin = draftDocument(1, 1300.0, AlgorithmVersion::V1);
    // A wide sheet 50 mm above the camera: near and far meet on every pixel that sees it.
    thin.templates[1].body = SquareZones{100.0, 3000.0, 3500.0, -3000.0, 3000.0, 100.0, 100.01};
    struct Case {
        const char* name;
        const char* faults;
        QString draft;
        const char* stage;
        const char* messageStart;
    };
    const std::vector<Case> cases = {
        {"resolution unreadable", R"({"unsupported": {"1512": -2}})", draft(1, 1300.0, AlgorithmVersion::V1),
         "生成相机射线", "3D 原始分辨率非法：0 × 30"},
        {"zone too thin to mask", "{}", QString::fromStdString(dumpWorkstationDocument(thin, 2)), "生成 V1 掩码",
         "模板 1："},
    };
    for (const Case& c : cases) {
        setFault(kP20, c.faults);
        connectTo(kP20);
        onWorker([&] { applied_->clear(); });
        const std::int64_t before = writes();
        apply(c.draft, 1);
        const QList<QVariant> result = outcome();
        EXPECT_FALSE(result.at(0).toBool()) << c.name;
        EXPECT_EQ(result.at(1).toString().toStdString(), c.stage) << c.name;
        EXPECT_EQ(result.at(2).toString().toStdString().rfind(c.messageStart, 0), 0U)
            << c.name << ": " << result.at(2).toString().toStdString();
        EXPECT_EQ(writes(), before) << c.name;
        EXPECT_TRUE(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty()) << c.name;
        setFault(kP20, R"({"unsupported": null})");
    }
}

}  // namespace
}  // namespace hazard_desk
