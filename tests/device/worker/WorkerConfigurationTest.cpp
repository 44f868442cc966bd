// The worker's configuration transactions through its slots, as the window
// drives them, against the virtual camera: apply, template, algorithm and I/O
// switches, what each writes, the signals it answers with and the failures
// it names. The write sequence's own stages are the sequence's to test.
#include "WorkerSimHarness.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <opencv2/core.hpp>

#include "DeviceJsonWriter.h"
#include "WorkstationDocument.h"
#include "WorkstationJsonWriter.h"
#include "geometry/CameraRays.h"
#include "geometry/ZoneMasks.h"

namespace hazard_desk {
namespace {

using nlohmann::json;

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

QString draftText(const WorkstationDocument& document) {
    return QString::fromStdString(dumpWorkstationDocument(document, 2));
}

QString draft(int index, double dangerFar, AlgorithmVersion version = AlgorithmVersion::V2) {
    return draftText(draftDocument(index, dangerFar, version));
}

// Points the system temporary path at a directory of the test's own while it
// lives, so the masks' temporary directories can be watched.
class TemporaryPathScope {
public:
    explicit TemporaryPathScope(const QString& path) : previous_(qgetenv("TMPDIR")) { qputenv("TMPDIR", path.toUtf8()); }
    ~TemporaryPathScope() { previous_.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", previous_); }
    bool leftNothing() const {
        return QDir(QString::fromUtf8(qgetenv("TMPDIR"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty();
    }

private:
    QByteArray previous_;
};

std::int64_t parameterWrites() { return ZrSim_CallCount("DcSetStringValue", ZR_STRING_ALGORITHM_PARAMS); }

class WorkerConfigurationTest : public WorkerSimTest {
protected:
    void SetUp() override {
        WorkerSimTest::SetUp();
        setFault("*", R"({"saveDelayMs": 0})");
        applied_ = spy(SIGNAL(configurationApplied(bool, QString, QString, QString, QString)));
        switched_ = spy(SIGNAL(templateSwitchFinished(bool, int, QString)));
        modes_ = spy(SIGNAL(algorithmStateChanged(bool, int, QString)));
        unavailable_ = spy(SIGNAL(activeConfigurationUnavailable(QString)));
        templates_ = spy(SIGNAL(activeTemplateChanged(int)));
        log_ = spy(SIGNAL(logMessage(int, QString)));
    }

    void connectTo(const char* ip) {
        request("connectDevice", Q_ARG(QVariantMap, ipMap(ip)));
        onWorker([&] {
            pollTimer()->stop();
            modes_->clear();
            templates_->clear();
            log_->clear();
        });
    }

    QList<QVariant> apply(const QString& workstationJson, int mode) {
        onWorker([&] { applied_->clear(); });
        request("applyConfiguration", Q_ARG(QString, workstationJson), Q_ARG(int, mode));
        EXPECT_EQ(count(*applied_), 1);
        return count(*applied_) > 0 ? at(*applied_, 0) : QList<QVariant>{};
    }

    std::unique_ptr<QSignalSpy> applied_, switched_, modes_, unavailable_, templates_, log_;
};

TEST_F(WorkerConfigurationTest, FailuresBeforeTheWriteNameTheirStageAndWriteNothing) {
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const TemporaryPathScope scope(temporary.path());
    WorkstationDocument invalid;
    std::get<SquareZones>(invalid.templates[1].body).emergencyStopUpper = 900.0;   // below lowerLimit
    WorkstationDocument thin = draftDocument(1, 1300.0, AlgorithmVersion::V1);
    // A wide sheet 50 mm above the camera: near and far meet on every pixel that sees it.
    thin.templates[1].body = SquareZones{100.0, 3000.0, 3500.0, -3000.0, 3000.0, 100.0, 100.01};
    const auto algorithmOff = [this] { request("setAlgorithmEnabled", Q_ARG(bool, false), Q_ARG(int, 4)); };
    // The camera's JSON nests an unknown key deeper than a merge will copy.
    const auto deepBaseline = [this] {
        json nested = json::array();
        for (int depth = 0; depth < kMaxBaseJsonDepth + 5; ++depth) {
            nested = json::array({nested});
        }
        json scene = json::parse(kBridgeTestScene);
        scene["cameras"][0]["algorithmParams"] = json{{"vendor_blob", nested}};
        ASSERT_EQ(ZrSim_LoadSceneText(scene.dump().c_str()), 0) << ZrSim_LastError();
    };
    struct Case {
        const char* name;
        const char* ip;
        const char* faults;
        std::function<void()> before;   // before connecting
        std::function<void()> after;    // after connecting
        QString draft;
        int mode;
        const char* stage;
        const char* messageStart;
    };
    const std::vector<Case> cases = {
        {"not JSON", kK7, "{}", {}, {}, QStringLiteral("{"), 4, "解析草稿", "$: invalid JSON syntax"},
        {"invalid zone", kK7, "{}", {}, {}, draftText(invalid), 4, "解析草稿", "templates[1]"},
        {"algorithm off", kK7, "{}", {}, algorithmOff, draft(1, 1300.0), 4, "设置算法模式", ""},
        {"no algorithm", kR8, "{}", {}, algorithmOff, draft(1, 1300.0), 4, "设置算法模式", ""},
        {"baseline too deep", kK7, "{}", deepBaseline, {}, draft(1, 1300.0), 4, "回读设备基线", "$baseDeviceJson"},
        {"resolution unreadable", kP20, R"({"unsupported": {"1512": -2}})", {}, {},
         draft(1, 1300.0, AlgorithmVersion::V1), 1, "生成相机射线", "3D 原始分辨率非法：0 × 30"},
        {"zone too thin to mask", kP20, "{}", {}, {}, draftText(thin), 1, "生成 V1 掩码", "模板 1："},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        if (c.before) {
            c.before();
        }
        setFault(c.ip, c.faults);
        connectTo(c.ip);
        if (c.after) {
            c.after();
        }
        const std::int64_t before = parameterWrites();
        const QList<QVariant> result = apply(c.draft, c.mode);
        ASSERT_EQ(result.size(), 5);
        EXPECT_FALSE(result.at(0).toBool());
        EXPECT_EQ(result.at(1).toString().toStdString(), c.stage);
        EXPECT_TRUE(result.at(2).toString().startsWith(QString::fromUtf8(c.messageStart)))
            << result.at(2).toString().toStdString();
        EXPECT_TRUE(result.at(4).toString().isEmpty());
        EXPECT_EQ(parameterWrites(), before);
        EXPECT_EQ(last(*log_), (QList<QVariant>{2, QStringLiteral("%1：%2").arg(result.at(1).toString(),
                                                                               result.at(2).toString())}));
        EXPECT_TRUE(scope.leftNothing());
    }
}

// A failed upload leaves the template pending (announced, and refused as a
// switch) until an apply succeeds; the camera then holds exactly the masks
// the mask module makes through its rays, and no temporary file is left.
TEST_F(WorkerConfigurationTest, StreamingMaskCameraTakesTheMasksOfTheMaskModuleOnceAnUploadSucceeds) {
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const TemporaryPathScope scope(temporary.path());
    const WorkstationDocument document = draftDocument(1, 1300.0, AlgorithmVersion::V1);
    // What the mask module makes of the draft through this camera's rays.
    auto probe = bridgeFor(kP20);
    ASSERT_TRUE(probe->openCamera());
    const zavov::CameraRays rays = zavov::generateCameraRays(*probe);
    ASSERT_TRUE(rays.ok()) << rays.error;
    probe->closeCamera();
    const zavov::TemplateMasks expected =
        zavov::generateTemplateMasks(rays.rays, document.extrinsics, document.templates[1], zavov::MaskOptions{});
    ASSERT_TRUE(expected.ok()) << expected.error;
    setFault(kP20, R"({"uploadFails": true})");
    connectAndStream(kP20);
    const QString pending = QStringLiteral("模板 1 的区域图下发未完成，请重新下发该模板。");
    QList<QVariant> result = apply(draftText(document), 1);
    EXPECT_FALSE(result.at(0).toBool());
    EXPECT_EQ(result.at(1).toString(), QStringLiteral("上传 V1 掩码"));
    EXPECT_TRUE(result.at(2).toString().startsWith(
        QStringLiteral("参数与启动模板已保存，但后续步骤未完成：上传 V1 避障掩码失败（SDK=-1")))
        << result.at(2).toString().toStdString();
    // The write's own failure, then the poll: the running template's masks may not match.
    ASSERT_EQ(count(*unavailable_), 2);
    EXPECT_EQ(at(*unavailable_, 1).at(0).toString(), pending);
    request("switchActiveTemplate", Q_ARG(int, 1));
    EXPECT_EQ(last(*switched_), (QList<QVariant>{false, 1, pending}));
    EXPECT_TRUE(scope.leftNothing());

    // Applied again: the answer keeps the draft and carries the read-back, the
    // template is announced, and the pump pauses for the write and comes back.
    setFault(kP20, R"({"uploadFails": null})");
    auto stream = spy(SIGNAL(streamStateChanged(bool, QString)));
    onWorker([&] { templates_->clear(); });
    result = apply(draftText(document), 1);
    ASSERT_TRUE(result.at(0).toBool()) << result.at(2).toString().toStdString();
    EXPECT_EQ(result.at(3).toString(), draftText(document));
    EXPECT_EQ(json::parse(result.at(4).toString().toStdString())["Zones"]["1"]["DangerZone"][1], 1300.0);
    ASSERT_GE(count(*templates_), 1);
    EXPECT_EQ(at(*templates_, 0).at(0).toInt(), 1);
    ASSERT_EQ(count(*stream), 2);
    EXPECT_EQ(at(*stream, 0), (QList<QVariant>{false, QStringLiteral("正在更新设备配置，画面与结果刷新已暂停")}));
    EXPECT_EQ(at(*stream, 1), (QList<QVariant>{true, QStringLiteral("实时数据流已恢复")}));
    EXPECT_TRUE(capturing());
    EXPECT_TRUE(polling());
    request("switchActiveTemplate", Q_ARG(int, 1));
    EXPECT_TRUE(last(*switched_).at(0).toBool()) << last(*switched_).at(2).toString().toStdString();
    EXPECT_TRUE(scope.leftNothing());

    const std::vector<zavov::MaskImage> present = zavov::presentMaskImages(expected);
    int compared = 0;
    for (int kind = 0; kind < zavov::kMaskKindCount; ++kind) {
        const std::string name = zavov::maskFileName(kind, 1);
        std::vector<std::uint16_t> held(static_cast<std::size_t>(rays.rays.total()));
        const std::int64_t size = ZrSim_CopyMask(kP20, name.c_str(), held.data(), static_cast<std::int64_t>(held.size()));
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
}

// A JSON camera writes the new ZoneIndex (nothing when it already runs it), a
// mask camera only selects; a refused switch names its reason, a failed one
// its stage, and the poll shows what the camera still runs.
TEST_F(WorkerConfigurationTest, TemplateSwitchesWriteWhatTheCameraNeeds) {
    const QString range = QStringLiteral("模板编号必须在 0 到 19 之间");
    const QString done = QStringLiteral("已切换到模板 %1，并保存为启动模板");
    struct Case {
        const char* ip;
        const char* faults;
        bool oneTemplate;   // the camera holds template 1 only
        int index;
        QList<QVariant> outcome;
        std::int64_t writes;
    };
    const std::vector<Case> cases = {
        {kK7, "{}", false, 20, {false, 20, range}, 0},
        {kK7, "{}", false, -1, {false, -1, range}, 0},
        {kK7, "{}", false, 1, {true, 1, done.arg(1)}, 0},
        {kK7, "{}", false, 6, {true, 6, done.arg(6)}, 1},
        {kP20, "{}", false, 6, {true, 6, done.arg(6)}, 0},
        {kK7, "{}", true, 9, {false, 9, QStringLiteral("设备尚未配置模板 9，请先下发该模板再切换。")}, 0},
        {kK7, R"({"neverSaves": true})", false, 5,
         {false, -1, QStringLiteral("等待设备参数保存确认：启动模板未保存：期望 5，回读 1")}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " " + std::to_string(c.index) + c.faults);
        restart();
        if (c.oneTemplate) {
            json scene = json::parse(kBridgeTestScene);
            scene["cameras"][0]["algorithmParams"] = json::parse(R"({"R": [1, 0, 0, 0, 1, 0, 0, 0, 1], "T": [0, 0, 600],
                "ZoneIndex": 1, "Zones": {"1": {"ZoneType": "square", "DangerZone": [1000, 1200, -500, 500, 50, 1000],
                "WarningZone": [1200, 1300, -500, 500, 50, 1000], "NotifyZone": []}}})");
            ASSERT_EQ(ZrSim_LoadSceneText(scene.dump().c_str()), 0) << ZrSim_LastError();
        }
        setFault(c.ip, c.faults);
        connectTo(c.ip);
        auto updated = spy(SIGNAL(activeConfigurationUpdated(QString, QString, int)));
        const std::int64_t writes = parameterWrites();
        request("switchActiveTemplate", Q_ARG(int, c.index));
        EXPECT_EQ(last(*switched_), c.outcome);
        EXPECT_EQ(parameterWrites() - writes, c.writes);
        if (c.outcome.at(0).toBool()) {
            ASSERT_GE(count(*templates_), 1);
            EXPECT_EQ(at(*templates_, 0).at(0).toInt(), c.index);
        }
        if (c.outcome.at(1).toInt() == -1 && c.index >= 0) {
            EXPECT_EQ(count(*updated), 1) << "the poll shows what the camera still runs";
        }
    }
}

TEST_F(WorkerConfigurationTest, AlgorithmSwitchIsConfirmedOnTheFifthReadOrNeverWithItsText) {
    std::unique_ptr<QSignalSpy> algorithm;
    struct Case {
        int laggingReads;
        bool confirmed;
        QString message;
    };
    const std::vector<Case> cases = {
        {4, true, QStringLiteral("避障算法已停止")},
        {5, false, QStringLiteral("算法切换未确认：目标 0，设备当前 4。")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.laggingReads);
        restart();
        algorithm = spy(SIGNAL(algorithmChangeFinished(bool, QString)));
        setFault(kK7, (R"({"modeConfirmReads": )" + std::to_string(c.laggingReads) + "}").c_str());
        connectTo(kK7);
        const std::int64_t reads = ZrSim_CallCount("DcGetIntValue", ZR_INT_ALGORITHM_MODE);
        request("setAlgorithmEnabled", Q_ARG(bool, false), Q_ARG(int, 4));
        EXPECT_EQ(last(*algorithm), (QList<QVariant>{c.confirmed, c.message}));
        // Five confirmation reads, then the poll's one.
        EXPECT_EQ(ZrSim_CallCount("DcGetIntValue", ZR_INT_ALGORITHM_MODE) - reads, 6);
        const int running = c.confirmed ? 0 : 4;
        EXPECT_EQ(at(*modes_, 0), (QList<QVariant>{!c.confirmed, running, QStringLiteral("设备算法模式：%1").arg(running)}));
    }
}


// Only the modes asked for are written; the hardware mode is read back and
// compared whenever it was asked for.
TEST_F(WorkerConfigurationTest, IoModesWriteWhatIsAskedAndReadTheHardwareModeBack) {
    struct Case {
        const char* faults;
        int work;
        int hardware;
        QString message;   // of a failure, "" for success
        std::int64_t workWrites;
        std::int64_t hardwareWrites;
        int hardwareReads;
    };
    const std::vector<Case> cases = {
        {"{}", 1, -1, {}, 1, 0, 0},
        {"{}", 0, 0, {}, 1, 1, 1},
        {R"({"ioHardwareModeIgnored": true})", -1, 1, QStringLiteral("IO 模式回读不一致：请求 1，设备 0"), 0, 1, 1},
        {"{}", 0, 2, QStringLiteral("请选择有效的 IO 模式"), 0, 0, 1},
        {R"({"unsupported": {"1530": -2}})", 0, -1, formatSdkError(QStringLiteral("设置 IO 工作模式"), -2), 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.faults) + std::to_string(c.work) + "," + std::to_string(c.hardware));
        restart();
        setFault(kK7, c.faults);
        connectTo(kK7);
        auto applied = spy(SIGNAL(ioModesApplied(bool, QString)));
        auto hardware = spy(SIGNAL(ioHardwareModeRead(int, QString)));
        const std::int64_t work = ZrSim_CallCount("DcSetIntValue", ZR_INT_IO_WORK_MODE);
        const std::int64_t written = ZrSim_CallCount("DcSetIntValue", ZR_INT_IO_HARDWARE_WORK_MODE);
        request("setIoModes", Q_ARG(int, c.work), Q_ARG(int, c.hardware));
        const bool ok = c.message.isEmpty();
        EXPECT_EQ(last(*applied), (QList<QVariant>{ok, ok ? QStringLiteral("IO 模式已下发") : c.message}));
        EXPECT_EQ(ZrSim_CallCount("DcSetIntValue", ZR_INT_IO_WORK_MODE) - work, c.workWrites);
        EXPECT_EQ(ZrSim_CallCount("DcSetIntValue", ZR_INT_IO_HARDWARE_WORK_MODE) - written, c.hardwareWrites);
        EXPECT_EQ(count(*hardware), c.hardwareReads);
    }
}

}  // namespace
}  // namespace hazard_desk
