// The worker on its own thread against the virtual camera: requests without
// a camera, connection, the frame pump with its flow control and back-off,
// the status sample, the ground calibration, the poll and the read-back, and
// recording a stream that the virtual camera then plays back as a camera.
#include "WorkerSimHarness.h"

#include "FrameFailureBackoff.h"
#include "RecordingReader.h"

#include <QFile>
#include <cmath>
#include <functional>
#include <set>

#include <unistd.h>

namespace hazard_desk {
namespace {

const QString kConnectFirst = QStringLiteral("请先连接相机");
const QString kNoCloud = QStringLiteral("没有可用于标定的实时点云");

int countText(QSignalSpy& s, int argument, const QString& text) {
    int n = 0;
    for (const QList<QVariant>& args : s) {
        n += args.at(argument).toString() == text ? 1 : 0;
    }
    return n;
}

std::string unsupportedParameterText() {
    return R"({"unsupported": {")" + std::to_string(ZR_STRING_ALGORITHM_PARAMS) + R"(": -2}})";
}

// Every request answers with its outcome signal when there is no camera; an
// apply keeps the draft, a read always finishes.
TEST_F(WorkerSimTest, RequestsWithoutACameraAnswerWithTheirOutcome) {
    struct Case {
        const char* signal;
        std::function<void()> call;
        int messageArgument;
        QString message;
    };
    const QString draft = QStringLiteral("{\"activeIndex\":2}");
    const std::vector<Case> cases = {
        {SIGNAL(streamStateChanged(bool, QString)), [&] { request("setStreaming", Q_ARG(bool, true)); }, 1, kConnectFirst},
        {SIGNAL(algorithmChangeFinished(bool, QString)),
         [&] { request("setAlgorithmEnabled", Q_ARG(bool, true), Q_ARG(int, 4)); }, 1, kConnectFirst},
        {SIGNAL(templateSwitchFinished(bool, int, QString)), [&] { request("switchActiveTemplate", Q_ARG(int, 3)); }, 2,
         kConnectFirst},
        {SIGNAL(ioModesApplied(bool, QString)), [&] { request("setIoModes", Q_ARG(int, -1), Q_ARG(int, 1)); }, 1,
         kConnectFirst},
        {SIGNAL(groundCalibrated(bool, QVariantMap, QString)),
         [&] { request("calibrateGround", Q_ARG(QVariantMap, QVariantMap{})); }, 2, kNoCloud},
        {SIGNAL(configurationApplied(bool, QString, QString, QString, QString)),
         [&] { request("applyConfiguration", Q_ARG(QString, draft), Q_ARG(int, 4)); }, 2, kConnectFirst},
        {SIGNAL(logMessage(int, QString)), [&] { request("readDeviceConfiguration", Q_ARG(int, 4)); }, 1,
         QStringLiteral("回读参数失败：请先连接相机")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        auto outcome = spy(c.signal);
        c.call();
        ASSERT_EQ(count(*outcome), 1);
        const QList<QVariant> args = at(*outcome, 0);
        EXPECT_EQ(args.at(c.messageArgument).toString(), c.message);
        if (args.at(0).type() == QVariant::Bool) {
            EXPECT_FALSE(args.at(0).toBool());
        }
        if (args.size() == 5) {   // the apply: at the connection check, the draft kept, no read-back
            EXPECT_EQ(args.at(1).toString(), QStringLiteral("连接检查"));
            EXPECT_EQ(args.at(3).toString(), draft);
            EXPECT_TRUE(args.at(4).toString().isEmpty());
        }
    }
}

TEST_F(WorkerSimTest, ConnectionReportsTheCameraAndItsEnd) {
    auto connection = spy(SIGNAL(connectionChanged(bool, QVariantMap, QString)));
    auto mode = spy(SIGNAL(algorithmStateChanged(bool, int, QString)));
    auto version = spy(SIGNAL(algorithmVersionReady(QString)));
    auto io = spy(SIGNAL(ioHardwareModeRead(int, QString)));
    auto stream = spy(SIGNAL(streamStateChanged(bool, QString)));
    connectAndStream();
    ASSERT_EQ(count(*connection), 1);
    EXPECT_TRUE(at(*connection, 0).at(0).toBool());
    EXPECT_EQ(at(*connection, 0).at(1).toMap().value(QStringLiteral("maxDepthMm")).toInt(), 7000);
    EXPECT_EQ(at(*mode, 0).at(1).toInt(), 4);
    // The disconnection at the start clears the version, the connection sets it.
    ASSERT_EQ(count(*version), 2);
    EXPECT_EQ(at(*version, 1).at(0).toString(), QStringLiteral("ALG-2"));
    EXPECT_EQ(at(*io, 0), (QList<QVariant>{0, QString()}));

    // An empty address closes the camera and connects nothing.
    const std::int64_t closes = ZrSim_CallCount("DcCloseDevice", -1);
    request("connectDevice", Q_ARG(QVariantMap, ipMap("  ")));
    EXPECT_EQ(ZrSim_CallCount("DcCloseDevice", -1), closes + 1);
    ASSERT_EQ(count(*connection), 3);
    EXPECT_EQ(at(*connection, 1).at(2).toString(), QStringLiteral("相机已断开，句柄已释放"));
    EXPECT_EQ(at(*connection, 2), (QList<QVariant>{false, ipMap("  "), QStringLiteral("相机 IP 不能为空")}));
    EXPECT_FALSE(at(*stream, count(*stream) - 1).at(0).toBool());
    EXPECT_FALSE(capturing());
    request("disconnectDevice");   // nothing left to report
    EXPECT_EQ(count(*connection), 3);

    // A camera that does not open leaves no camera behind.
    setFault(kK7, R"({"openFails": true})");
    const QVariantMap requested{{QStringLiteral("ip"), QString::fromUtf8(kK7)}, {QStringLiteral("name"), QStringLiteral("mine")}};
    request("connectDevice", Q_ARG(QVariantMap, requested));
    EXPECT_FALSE(at(*connection, 3).at(0).toBool());
    EXPECT_EQ(at(*connection, 3).at(1).toMap(), requested);
    EXPECT_TRUE(at(*connection, 3).at(2).toString().contains(QString::fromUtf8(kK7)));
    request("setStreaming", Q_ARG(bool, true));
    EXPECT_EQ(last(*stream), (QList<QVariant>{false, kConnectFirst}));

    // A camera without I/O reports why it has no I/O mode.
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kNoIo)));
    EXPECT_EQ(last(*io).at(0).toInt(), -1);
    EXPECT_FALSE(last(*io).at(1).toString().isEmpty());
}

TEST_F(WorkerSimTest, TickWhileAFrameIsUnacknowledgedGrabsNothingUntilTheAcknowledgement) {
    connectAndStream();
    auto frames = frameSpy();
    ASSERT_TRUE(tickUntilFrame(*frames));
    // Acknowledged before any tick came: the next frame waits for the next tick.
    const std::int64_t grabsAfterFirst = frameCommands();
    acknowledge();
    onWorker([] {});
    EXPECT_EQ(frameCommands(), grabsAfterFirst);
    ASSERT_TRUE(tickUntilFrame(*frames));

    const std::int64_t grabsBefore = frameCommands();
    for (int i = 0; i < 3; ++i) {
        tick();
    }
    EXPECT_EQ(frameCommands(), grabsBefore);
    EXPECT_EQ(count(*frames), 2);
    // The ticks that found a frame in flight grab once, as soon as it is
    // acknowledged (the queued grab runs before the no-op that follows it).
    acknowledge();
    onWorker([] {});
    EXPECT_EQ(frameCommands(), grabsBefore + 1);
    if (count(*frames) == 2) {
        ASSERT_TRUE(tickUntilFrame(*frames)) << "that grab timed out and no later tick got a frame";
    }
    ASSERT_EQ(count(*frames), 3);

    // The cloud, under its registered type name, names lit pixels of the depth image sent with it.
    const QList<QVariant> frame = at(*frames, 2);
    const QImage depth = frame.at(1).value<QImage>();
    ASSERT_EQ(frame.at(3).userType(), QMetaType::type("corVane::ColorCloudPtr"));
    const corVane::ColorCloudPtr cloud = *static_cast<const corVane::ColorCloudPtr*>(frame.at(3).constData());
    const auto pixels = frame.at(4).value<QVector<int>>();
    ASSERT_TRUE(cloud);
    ASSERT_FALSE(cloud->points.empty());
    EXPECT_EQ(static_cast<int>(cloud->points.size()), pixels.size());
    for (int pixel : pixels) {
        ASSERT_NE(depth.pixel(pixel % 80, pixel / 80), qRgb(0, 0, 0)) << pixel;
    }
    EXPECT_GT(frame.at(5).toLongLong(), 0);
}

// The pump's pace and log follow the back-off rule, failure by failure, for
// plain failures and for a reconnecting camera; a frame restores the pace.
TEST_F(WorkerSimTest, FailedFramesFollowTheBackOffRule) {
    setFault(kK7, R"({"frameStatus": -1})");
    connectAndStream();
    auto log = spy(SIGNAL(logMessage(int, QString)));
    auto frames = frameSpy();
    FrameFailureBackoff rule;
    int logged = 0;
    for (int failure = 1; failure <= 10; ++failure) {
        tick();
        const FrameFailureBackoff::Step step = rule.recordFailure(QStringLiteral("baseCamera 获取新帧失败"));
        logged += step.log ? 1 : 0;
        ASSERT_EQ(captureInterval(), step.intervalMs) << failure;
        ASSERT_EQ(count(*log), logged) << failure;
    }
    EXPECT_EQ(at(*log, 0), (QList<QVariant>{1, QStringLiteral("baseCamera 获取新帧失败")}));

    setFault(kK7, R"({"frameStatus": null, "reconnectAfterFrames": 0, "reconnectMs": 60000})");
    tick();
    const FrameFailureBackoff::Step reconnecting = rule.recordFailure(QStringLiteral("相机正在重连"));
    EXPECT_EQ(captureInterval(), reconnecting.intervalMs);
    EXPECT_EQ(count(*log), logged + (reconnecting.log ? 1 : 0));

    setFault(kK7, R"({"reconnectAfterFrames": null})");
    for (int attempt = 0; attempt < 20 && count(*frames) == 0; ++attempt) {
        tick();
    }
    ASSERT_EQ(count(*frames), 1);
    EXPECT_EQ(captureInterval(), rule.recordSuccess());
}

// A sample at most every half second; an abnormal state is logged once per
// run of it.
TEST_F(WorkerSimTest, StatusIsSampledAtMostEveryHalfSecondAndItsErrorLoggedOnce) {
    setFault(kK7, R"({"algorithmState": 3})");
    connectAndStream();
    auto runtime = spy(SIGNAL(runtimeUpdated(QVariantMap)));
    auto log = spy(SIGNAL(logMessage(int, QString)));
    auto frames = frameSpy();
    const auto nextFrameAfter = [&](qint64 ms) {
        acknowledge();
        advanceClock(ms);
        return tickUntilFrame(*frames);
    };
    ASSERT_TRUE(tickUntilFrame(*frames));
    ASSERT_EQ(count(*runtime), 1);
    ASSERT_TRUE(nextFrameAfter(100));   // a frame, but too soon for another sample
    EXPECT_EQ(count(*runtime), 1);
    ASSERT_TRUE(nextFrameAfter(500));
    ASSERT_EQ(count(*runtime), 2);
    EXPECT_EQ(at(*runtime, 1).at(0).toMap().value(QStringLiteral("algorithmState")).toInt(), 3);
    const QString abnormal = QStringLiteral("避障算法返回异常状态：3");
    onWorker([&] { EXPECT_EQ(countText(*log, 1, abnormal), 1); });
    for (const char* state : {R"({"algorithmState": null})", R"({"algorithmState": 3})"}) {
        setFault(kK7, state);
        ASSERT_TRUE(nextFrameAfter(500));
        ASSERT_TRUE(nextFrameAfter(500));
    }
    onWorker([&] { EXPECT_EQ(countText(*log, 1, abnormal), 2); });
}

TEST_F(WorkerSimTest, CalibrationNeedsALiveCloudAndWritesNothingToTheCamera) {
    const QVariantMap pose{{QStringLiteral("roll"), 75.0}, {QStringLiteral("pitch"), -180.0},
                           {QStringLiteral("yaw"), 90.0},  {QStringLiteral("x"), 0.0},
                           {QStringLiteral("y"), 0.0},     {QStringLiteral("z"), 600.0}};
    auto calibrated = spy(SIGNAL(groundCalibrated(bool, QVariantMap, QString)));
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kK7)));
    request("calibrateGround", Q_ARG(QVariantMap, pose));   // connected, not streaming
    connectAndStream();
    request("calibrateGround", Q_ARG(QVariantMap, pose));   // streaming, no frame yet
    ASSERT_EQ(count(*calibrated), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(at(*calibrated, i), (QList<QVariant>{false, QVariantMap{}, kNoCloud}));
    }

    auto frames = frameSpy();
    ASSERT_TRUE(tickUntilFrame(*frames));
    const std::int64_t writesBefore = ZrSim_CallCount("DcSetStringValue", -1) + ZrSim_CallCount("DcSetIntValue", -1);
    request("calibrateGround", Q_ARG(QVariantMap, pose));
    const QList<QVariant> result = at(*calibrated, 2);
    ASSERT_TRUE(result.at(0).toBool()) << result.at(2).toString().toStdString();
    const QVariantMap extrinsics = result.at(1).toMap();
    EXPECT_EQ(extrinsics.value(QStringLiteral("initialPose")).toMap(), pose);
    EXPECT_GT(extrinsics.value(QStringLiteral("inliers")).toULongLong(), 0U);
    // The test scene mounts the K7 at roll 75, pitch -180, 600 mm high; yaw is kept.
    EXPECT_NEAR(extrinsics.value(QStringLiteral("roll")).toDouble(), 75.0, 1.0);
    EXPECT_NEAR(std::abs(extrinsics.value(QStringLiteral("pitch")).toDouble()), 180.0, 1.0);
    EXPECT_NEAR(extrinsics.value(QStringLiteral("z")).toDouble(), 600.0, 20.0);
    EXPECT_DOUBLE_EQ(extrinsics.value(QStringLiteral("yaw")).toDouble(), 90.0);
    EXPECT_EQ(ZrSim_CallCount("DcSetStringValue", -1) + ZrSim_CallCount("DcSetIntValue", -1), writesBefore);
    // The cloud goes with the camera.
    request("disconnectDevice");
    request("calibrateGround", Q_ARG(QVariantMap, pose));
    EXPECT_EQ(at(*calibrated, 3).at(2).toString(), kNoCloud);
}

// The running configuration is announced once; failures slow the poll down
// and announce their reason once; a read-back announces and restarts the poll.
TEST_F(WorkerSimTest, PollAndReadBackAnnounceTheRunningConfigurationOnce) {
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kK7)));
    EXPECT_TRUE(polling());
    onWorker([&] { pollTimer()->stop(); });
    auto updated = spy(SIGNAL(activeConfigurationUpdated(QString, QString, int)));
    auto unavailable = spy(SIGNAL(activeConfigurationUnavailable(QString)));
    auto read = spy(SIGNAL(configurationRead(QString, QString, int)));
    auto finished = spy(SIGNAL(configurationReadFinished()));
    auto log = spy(SIGNAL(logMessage(int, QString)));
    request("pollActiveRegion");
    request("pollActiveRegion");
    EXPECT_EQ(count(*updated), 1);

    setFault(kK7, unsupportedParameterText().c_str());
    std::vector<int> intervals;
    for (int poll = 0; poll < 4; ++poll) {
        request("pollActiveRegion");
        intervals.push_back(pollInterval());
    }
    EXPECT_EQ(intervals, (std::vector<int>{2000, 4000, 8000, 8000}));
    EXPECT_EQ(count(*unavailable), 1);
    request("readDeviceConfiguration", Q_ARG(int, 4));
    EXPECT_EQ(count(*read), 0);
    EXPECT_EQ(count(*finished), 1);
    EXPECT_EQ(last(*log), (QList<QVariant>{2, last(*unavailable).at(0).toString()}));

    // A K7 offers V2 only: a request for V1 reads what the camera runs.
    setFault(kK7, R"({"unsupported": null})");
    auto io = spy(SIGNAL(ioHardwareModeRead(int, QString)));
    request("readDeviceConfiguration", Q_ARG(int, 1));
    ASSERT_EQ(count(*read), 1);
    EXPECT_EQ(at(*read, 0).at(2).toInt(), 4);
    ASSERT_EQ(count(*updated), 2);   // announced again after being unavailable
    EXPECT_EQ(at(*updated, 1), at(*read, 0));
    EXPECT_EQ(count(*io), 1) << "a read always refreshes the I/O mode";
    EXPECT_EQ(count(*finished), 2);
    EXPECT_TRUE(polling());
    EXPECT_EQ(pollInterval(), 1000);
    request("pollActiveRegion");
    EXPECT_EQ(count(*updated), 2);
}

std::string replayRecordingPath() {
    return ::testing::TempDir() + "hd_worker_" + std::to_string(::getpid()) + "_record.mcap";
}

// The worker records its live stream; the virtual camera plays the file back
// as a camera with the recorded frames and configuration, whose verdict
// follows the configuration it is given.
TEST_F(WorkerSimTest, RecordedStreamReplaysAsACameraThatTakesNewConfigurations) {
    constexpr int kRecordedFrames = 8;
    const std::string path = replayRecordingPath();
    auto frames = frameSpy();
    auto recordingState = spy(SIGNAL(recordingStateChanged(bool, QString, QString, QVariantMap)));
    auto active = spy(SIGNAL(activeConfigurationUpdated(QString, QString, int)));
    request("startRecording", Q_ARG(QString, QString::fromStdString(path)));
    EXPECT_EQ(at(*recordingState, 0).at(2).toString(), QStringLiteral("请先启动数据流再录制"));
    connectAndStream();
    request("startRecording", Q_ARG(QString, QStringLiteral("/nonexistent-folder/x.mcap")));
    EXPECT_FALSE(at(*recordingState, 1).at(0).toBool());
    EXPECT_TRUE(at(*recordingState, 1).at(2).toString().startsWith(QStringLiteral("录制失败：/nonexistent-folder/x.mcap")));
    request("pollActiveRegion");
    const QString recordedConfiguration = at(*active, 0).at(0).toString();

    request("startRecording", Q_ARG(QString, QString::fromStdString(path)));
    EXPECT_TRUE(at(*recordingState, 2).at(0).toBool()) << at(*recordingState, 2).at(2).toString().toStdString();
    for (int k = 0; k < kRecordedFrames; ++k) {
        ASSERT_TRUE(tickUntilFrame(*frames));
        acknowledge();
        advanceClock(600);  // a status sample with every frame
    }
    request("stopRecording");
    const QList<QVariant> stopped = at(*recordingState, 3);
    EXPECT_FALSE(stopped.at(0).toBool());
    EXPECT_TRUE(stopped.at(2).toString().startsWith(QStringLiteral("录制已保存："))) << stopped.at(2).toString().toStdString();
    const QVariantMap figures = stopped.at(3).toMap();
    EXPECT_EQ(figures.value(QStringLiteral("frames")).toInt() + figures.value(QStringLiteral("droppedFrames")).toInt(),
              kRecordedFrames);

    recording::RecordingReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    EXPECT_TRUE(reader.complete());
    ASSERT_EQ(reader.configurations().size(), 1U);
    EXPECT_EQ(QString::fromStdString(reader.configurations()[0].workstationJson), recordedConfiguration);
    EXPECT_NE(reader.intrinsicsJson().find("\"depthFx\": 60.0"), std::string::npos) << reader.intrinsicsJson();
    std::set<std::string> recordedDepths;
    std::size_t runtimeSamples = 0;
    recording::RecordingReader::Visitor visitor;
    visitor.frame = [&](const recording::RecordedFrame& f) {
        recordedDepths.insert(f.depth.data);
        return true;
    };
    visitor.runtime = [&](const recording::RuntimeRecord&) { return ++runtimeSamples > 0; };
    ASSERT_TRUE(reader.read(visitor)) << reader.error();
    EXPECT_GE(recordedDepths.size(), static_cast<std::size_t>(kRecordedFrames) - 1);  // noise makes each frame unique
    EXPECT_EQ(runtimeSamples, static_cast<std::size_t>(kRecordedFrames));
    request("disconnectDevice");

    const std::string scene = nlohmann::json{{"cameras", {{{"ip", "127.0.40.1"}, {"recording", path}}}}}.dump();
    ASSERT_EQ(ZrSim_LoadSceneText(scene.c_str()), 0) << ZrSim_LastError();
    CameraDescriptor replay;
    replay.ip = QStringLiteral("127.0.40.1");
    ObstacleCameraBridge bridge(replay);
    QString error;
    ASSERT_TRUE(bridge.openCamera(&error) && bridge.prepareStreams(&error)) << error.toStdString();
    EXPECT_EQ(bridge.descriptor().sdkDeviceType, 1005);
    ActiveConfiguration start;
    ASSERT_TRUE(bridge.readActiveConfiguration(start, &error)) << error.toStdString();
    EXPECT_EQ(start.workstationJson, recordedConfiguration);
    ASSERT_TRUE(bridge.startStreaming(&error)) << error.toStdString();
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    for (int k = 0; k < 5; ++k) {
        ASSERT_TRUE(grabFrameRetrying(bridge, frame, amplitude, error)) << error.toStdString();
        const cv::Mat& image = frame.depth.image;
        const std::string bytes(reinterpret_cast<const char*>(image.data), image.total() * image.elemSize());
        EXPECT_EQ(recordedDepths.count(bytes), 1U) << "replayed frame " << k;
    }
    // Everything in view inside the danger zone; then a zone beyond the camera's range.
    struct Zone {
        double nearX, farX, halfWidth, height;
        int verdict;
    };
    for (const Zone& zone : {Zone{0.0, 9000.0, 9000.0, 3000.0, 2}, Zone{20000.0, 21000.0, 500.0, 100.0, 0}}) {
        applyDangerZone(bridge, zone.nearX, zone.farX, zone.halfWidth, zone.height);
        for (int k = 0; k < 3; ++k) {   // a frame evaluated with the new zone
            ASSERT_TRUE(grabFrameRetrying(bridge, frame, amplitude, error)) << error.toStdString();
        }
        ObstacleRuntime runtime;
        EXPECT_TRUE(bridge.readRuntime(4, runtime, &error)) << error.toStdString();
        EXPECT_EQ(runtime.ioStatus, zone.verdict);
    }
    bridge.closeCamera(nullptr);
    QFile::remove(QString::fromStdString(path));
}

}  // namespace
}  // namespace hazard_desk
