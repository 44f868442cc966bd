// The worker against the virtual camera, on its own thread: connection, the
// frame pump with its flow control and back-off, the status sample, the poll
// and the ground calibration.
#include "WorkerSimHarness.h"

#include "FrameFailureBackoff.h"

#include <cmath>

namespace hazard_desk {
namespace {

// The cloud travels under its registered type name.
corVane::ColorCloudPtr cloudOf(const QVariant& value) {
    EXPECT_EQ(value.userType(), QMetaType::type("corVane::ColorCloudPtr"));
    return *static_cast<const corVane::ColorCloudPtr*>(value.constData());
}

int countText(QSignalSpy& s, int argument, const QString& text) {
    int n = 0;
    for (const QList<QVariant>& args : s) {
        n += args.at(argument).toString() == text ? 1 : 0;
    }
    return n;
}

TEST_F(WorkerSimTest, ConnectionReportsCameraModeVersionAndIoMode) {
    auto connection = spy(SIGNAL(connectionChanged(bool, QVariantMap, QString)));
    auto mode = spy(SIGNAL(algorithmStateChanged(bool, int, QString)));
    auto version = spy(SIGNAL(algorithmVersionReady(QString)));
    auto io = spy(SIGNAL(ioHardwareModeRead(int, QString)));
    auto log = spy(SIGNAL(logMessage(int, QString)));
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kK7)));

    const QList<QVariant> connected = only(*connection);
    EXPECT_TRUE(connected.at(0).toBool());
    // The descriptor as the open completed it.
    EXPECT_EQ(connected.at(1).toMap().value(QStringLiteral("maxDepthMm")).toInt(), 7000);
    EXPECT_EQ(connected.at(2).toString(), QStringLiteral("已通过 baseCamera 连接 127.0.10.1"));
    EXPECT_EQ(only(*mode), (QList<QVariant>{true, 4, QStringLiteral("设备算法模式：4")}));
    // The disconnection at the start clears the version, the connection sets it.
    ASSERT_EQ(count(*version), 2);
    EXPECT_TRUE(at(*version, 0).at(0).toString().isEmpty());
    EXPECT_EQ(at(*version, 1).at(0).toString(), QStringLiteral("ALG-2"));
    EXPECT_EQ(only(*io), (QList<QVariant>{0, QString()}));
    EXPECT_EQ(last(*log), (QList<QVariant>{0, QStringLiteral("相机连接成功：127.0.10.1")}));
    bool polling = false;
    onWorker([&] { polling = pollTimer()->isActive() && pollTimer()->interval() == 1000; });
    EXPECT_TRUE(polling);
}

TEST_F(WorkerSimTest, CameraWhoseIoModeReadFailsReportsWhy) {
    auto io = spy(SIGNAL(ioHardwareModeRead(int, QString)));
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kNoIo)));
    ASSERT_EQ(count(*io), 1);
    EXPECT_EQ(at(*io, 0).at(0).toInt(), -1);
    EXPECT_FALSE(at(*io, 0).at(1).toString().isEmpty());
}

TEST_F(WorkerSimTest, FailedOpenReportsTheErrorAndLeavesNoCamera) {
    setFault(kK7, R"({"openFails": true})");
    auto connection = spy(SIGNAL(connectionChanged(bool, QVariantMap, QString)));
    auto log = spy(SIGNAL(logMessage(int, QString)));
    auto stream = spy(SIGNAL(streamStateChanged(bool, QString)));
    const QVariantMap requested{{QStringLiteral("ip"), QString::fromUtf8(kK7)}, {QStringLiteral("name"), QStringLiteral("mine")}};
    request("connectDevice", Q_ARG(QVariantMap, requested));
    const QList<QVariant> failed = only(*connection);
    EXPECT_EQ(failed.mid(0, 2), (QList<QVariant>{false, requested}));
    const QString error = failed.at(2).toString();
    EXPECT_TRUE(error.contains(QString::fromUtf8(kK7))) << error.toStdString();
    EXPECT_EQ(only(*log), (QList<QVariant>{2, error}));
    request("setStreaming", Q_ARG(bool, true));
    EXPECT_EQ(only(*stream), (QList<QVariant>{false, QStringLiteral("请先连接相机")}));
}

TEST_F(WorkerSimTest, EmptyIpClosesThePreviousCameraAndConnectsNothing) {
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kK7)));
    auto connection = spy(SIGNAL(connectionChanged(bool, QVariantMap, QString)));
    auto stream = spy(SIGNAL(streamStateChanged(bool, QString)));
    const std::int64_t closesBefore = ZrSim_CallCount("DcCloseDevice", -1);
    request("connectDevice", Q_ARG(QVariantMap, ipMap("  ")));
    EXPECT_EQ(ZrSim_CallCount("DcCloseDevice", -1), closesBefore + 1);
    ASSERT_EQ(count(*connection), 2);
    EXPECT_EQ(at(*connection, 0).at(0).toBool(), false);
    EXPECT_EQ(at(*connection, 0).at(1).toMap().value(QStringLiteral("ip")).toString(), QString::fromUtf8(kK7));
    EXPECT_EQ(at(*connection, 0).at(2).toString(), QStringLiteral("相机已断开，句柄已释放"));
    EXPECT_EQ(at(*connection, 1), (QList<QVariant>{false, ipMap("  "), QStringLiteral("相机 IP 不能为空")}));
    EXPECT_EQ(only(*stream), (QList<QVariant>{false, QStringLiteral("数据流已停止")}));
    // Nothing is left to stream from.
    request("setStreaming", Q_ARG(bool, true));
    EXPECT_EQ(at(*stream, 1), (QList<QVariant>{false, QStringLiteral("请先连接相机")}));
}

TEST_F(WorkerSimTest, TickWhileAFrameIsUnacknowledgedGrabsNothingUntilTheAcknowledgement) {
    connectAndStream();
    auto frames = spy(SIGNAL(frameReady(QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong)));
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

    // The images and the display cloud of one grab: every point of the cloud
    // names a lit pixel of the depth image it came with.
    const QList<QVariant> frame = at(*frames, 2);
    const QImage depth = frame.at(1).value<QImage>();
    const corVane::ColorCloudPtr cloud = cloudOf(frame.at(3));
    const auto pixels = frame.at(4).value<QVector<int>>();
    EXPECT_EQ(frame.at(0).value<QImage>().size(), QSize(80, 60));
    EXPECT_EQ(depth.size(), QSize(80, 60));
    EXPECT_FALSE(frame.at(2).value<QImage>().isNull());
    ASSERT_TRUE(cloud);
    ASSERT_FALSE(cloud->points.empty());
    ASSERT_EQ(static_cast<int>(cloud->points.size()), pixels.size());
    for (int i = 0; i < pixels.size(); ++i) {
        ASSERT_NE(depth.pixel(pixels[i] % 80, pixels[i] / 80), qRgb(0, 0, 0)) << pixels[i];
    }
    EXPECT_GT(frame.at(5).toLongLong(), 0);
}

// The back-off rule is FrameFailureBackoff's; the worker must put each of its
// steps on the capture timer and log when it says so.
TEST_F(WorkerSimTest, FailuresFollowTheBackOffAndRecoverAtTheNormalPace) {
    setFault(kK7, R"({"frameStatus": -1})");
    connectAndStream();
    auto log = spy(SIGNAL(logMessage(int, QString)));
    auto frames = spy(SIGNAL(frameReady(QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong)));
    const QString error = QStringLiteral("baseCamera 获取新帧失败");
    FrameFailureBackoff rule;
    int logged = 0;
    for (int failure = 1; failure <= 30; ++failure) {
        tick();
        const FrameFailureBackoff::Step step = rule.recordFailure(error);
        logged += step.log ? 1 : 0;
        ASSERT_EQ(captureInterval(), step.intervalMs) << failure;
        ASSERT_EQ(count(*log), logged) << failure;
    }
    EXPECT_EQ(at(*log, 0), (QList<QVariant>{1, error}));

    setFault(kK7, R"({"frameStatus": null})");
    for (int attempt = 0; attempt < 20 && count(*frames) == 0; ++attempt) {
        tick();
    }
    ASSERT_EQ(count(*frames), 1);
    EXPECT_EQ(captureInterval(), rule.recordSuccess());
}

TEST_F(WorkerSimTest, ReconnectingCameraIsRetriedAfterASecondAtOnce) {
    connectAndStream();
    setFault(kK7, R"({"reconnectAfterFrames": 0, "reconnectMs": 60000})");
    auto log = spy(SIGNAL(logMessage(int, QString)));
    tick();
    const QString reconnecting = QStringLiteral("相机正在重连");
    EXPECT_EQ(captureInterval(), FrameFailureBackoff().recordFailure(reconnecting).intervalMs);
    EXPECT_EQ(only(*log), (QList<QVariant>{1, reconnecting}));
}

TEST_F(WorkerSimTest, StatusIsSampledAtMostEveryHalfSecondAndItsErrorLoggedOnce) {
    setFault(kK7, R"({"algorithmState": 3})");
    connectAndStream();
    auto runtime = spy(SIGNAL(runtimeUpdated(QVariantMap)));
    auto log = spy(SIGNAL(logMessage(int, QString)));
    auto frames = spy(SIGNAL(frameReady(QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong)));
    const QString abnormal = QStringLiteral("避障算法返回异常状态：3");

    ASSERT_TRUE(tickUntilFrame(*frames));
    ASSERT_EQ(count(*runtime), 1);
    acknowledge();
    advanceClock(100);
    ASSERT_TRUE(tickUntilFrame(*frames));   // a frame, but too soon for another sample
    EXPECT_EQ(count(*runtime), 1);
    for (int sample = 0; sample < 2; ++sample) {
        acknowledge();
        advanceClock(500);
        ASSERT_TRUE(tickUntilFrame(*frames));
    }
    ASSERT_EQ(count(*runtime), 3);
    onWorker([&] { EXPECT_EQ(countText(*log, 1, abnormal), 1); });

    const QVariantMap map = at(*runtime, 2).at(0).toMap();
    EXPECT_EQ(map.value(QStringLiteral("algorithmState")).toInt(), 3);
    EXPECT_GE(map.value(QStringLiteral("latencyMs")).toInt(), 0);
    EXPECT_EQ(map.value(QStringLiteral("boxCount")).toInt(), map.value(QStringLiteral("boxes")).toList().size());

    // The state recovers (nothing logged), then fails again: logged once more.
    setFault(kK7, R"({"algorithmState": null})");
    for (int i = 0; i < 3; ++i) {
        acknowledge();
        advanceClock(500);
        ASSERT_TRUE(tickUntilFrame(*frames));
    }
    setFault(kK7, R"({"algorithmState": 3})");
    for (int i = 0; i < 3; ++i) {
        acknowledge();
        advanceClock(500);
        ASSERT_TRUE(tickUntilFrame(*frames));
    }
    onWorker([&] { EXPECT_EQ(countText(*log, 1, abnormal), 2); });
}

TEST_F(WorkerSimTest, DisconnectReleasesTheCameraAndReportsIt) {
    connectAndStream();
    auto frames = spy(SIGNAL(frameReady(QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong)));
    ASSERT_TRUE(tickUntilFrame(*frames));
    auto connection = spy(SIGNAL(connectionChanged(bool, QVariantMap, QString)));
    auto stream = spy(SIGNAL(streamStateChanged(bool, QString)));
    request("disconnectDevice");
    EXPECT_EQ(only(*stream), (QList<QVariant>{false, QStringLiteral("数据流已停止")}));
    const QList<QVariant> disconnected = only(*connection);
    EXPECT_FALSE(disconnected.at(0).toBool());
    EXPECT_EQ(disconnected.at(1).toMap().value(QStringLiteral("ip")).toString(), QString::fromUtf8(kK7));
    EXPECT_EQ(disconnected.at(2).toString(), QStringLiteral("相机已断开，句柄已释放"));
    // A second disconnection has nothing to report.
    request("disconnectDevice");
    EXPECT_EQ(count(*connection), 1);
    EXPECT_EQ(count(*stream), 1);
    // The cloud went with the camera.
    auto calibrated = spy(SIGNAL(groundCalibrated(bool, QVariantMap, QString)));
    const QVariantMap noPose;
    request("calibrateGround", Q_ARG(QVariantMap, noPose));
    EXPECT_EQ(at(*calibrated, 0).at(2).toString(), QStringLiteral("没有可用于标定的实时点云"));
}

TEST_F(WorkerSimTest, StreamingStartsAndStopsWithItsMessages) {
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kK7)));
    auto stream = spy(SIGNAL(streamStateChanged(bool, QString)));
    request("setStreaming", Q_ARG(bool, true));
    bool running = false;
    onWorker([&] { running = captureTimer()->isActive(); });
    EXPECT_TRUE(running);
    request("setStreaming", Q_ARG(bool, false));
    onWorker([&] { running = captureTimer()->isActive(); });
    EXPECT_FALSE(running);
    ASSERT_EQ(count(*stream), 2);
    EXPECT_EQ(at(*stream, 0), (QList<QVariant>{true, QStringLiteral("实时数据流已启动")}));
    EXPECT_EQ(at(*stream, 1), (QList<QVariant>{false, QStringLiteral("实时数据流已停止")}));
}

TEST_F(WorkerSimTest, CalibrationFindsTheMountFromTheLiveCloudAndWritesNothingToTheCamera) {
    // The test scene mounts the K7 at roll 75, pitch -180, 600 mm high; the
    // draft's pose is a little off.
    const QVariantMap pose{{QStringLiteral("roll"), 71.0}, {QStringLiteral("pitch"), -178.0},
                           {QStringLiteral("yaw"), 90.0},  {QStringLiteral("x"), 0.0},
                           {QStringLiteral("y"), 0.0},     {QStringLiteral("z"), 450.0}};
    auto calibrated = spy(SIGNAL(groundCalibrated(bool, QVariantMap, QString)));
    const QString noCloud = QStringLiteral("没有可用于标定的实时点云");

    request("connectDevice", Q_ARG(QVariantMap, ipMap(kK7)));
    request("calibrateGround", Q_ARG(QVariantMap, pose));   // connected, not streaming
    connectAndStream();
    request("calibrateGround", Q_ARG(QVariantMap, pose));   // streaming, no frame yet
    ASSERT_EQ(count(*calibrated), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(at(*calibrated, i), (QList<QVariant>{false, QVariantMap{}, noCloud}));
    }

    auto frames = spy(SIGNAL(frameReady(QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong)));
    ASSERT_TRUE(tickUntilFrame(*frames));
    const std::int64_t writesBefore = ZrSim_CallCount("DcSetStringValue", -1) + ZrSim_CallCount("DcSetIntValue", -1);
    request("calibrateGround", Q_ARG(QVariantMap, pose));
    ASSERT_EQ(count(*calibrated), 3);
    const QList<QVariant> result = at(*calibrated, 2);
    ASSERT_TRUE(result.at(0).toBool()) << result.at(2).toString().toStdString();
    const QVariantMap extrinsics = result.at(1).toMap();
    EXPECT_EQ(extrinsics.value(QStringLiteral("initialPose")).toMap(), pose);
    EXPECT_GT(extrinsics.value(QStringLiteral("inliers")).toULongLong(), 0U);
    EXPECT_DOUBLE_EQ(extrinsics.value(QStringLiteral("yaw")).toDouble(), 90.0);
    EXPECT_NEAR(extrinsics.value(QStringLiteral("roll")).toDouble(), 75.0, 1.0);
    EXPECT_NEAR(std::abs(extrinsics.value(QStringLiteral("pitch")).toDouble()), 180.0, 1.0);
    EXPECT_NEAR(extrinsics.value(QStringLiteral("z")).toDouble(), 600.0, 20.0);
    EXPECT_TRUE(result.at(2).toString().startsWith(QStringLiteral("ZAVOV 地面标定完成：")));
    EXPECT_TRUE(result.at(2).toString().endsWith(QStringLiteral("；仅写入草稿")));
    EXPECT_EQ(ZrSim_CallCount("DcSetStringValue", -1) + ZrSim_CallCount("DcSetIntValue", -1), writesBefore);
}

TEST_F(WorkerSimTest, PollAnnouncesTheRunningConfigurationOnceAndBacksOffOnFailures) {
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kK7)));
    onWorker([&] { pollTimer()->stop(); });
    auto updated = spy(SIGNAL(activeConfigurationUpdated(QString, QString, int)));
    auto unavailable = spy(SIGNAL(activeConfigurationUnavailable(QString)));
    request("pollActiveRegion");
    request("pollActiveRegion");
    EXPECT_EQ(count(*updated), 1);
    EXPECT_EQ(count(*unavailable), 0);

    // The camera stops answering its parameter text.
    setFault(kK7, (std::string(R"({"unsupported": {")") + std::to_string(ZR_STRING_ALGORITHM_PARAMS) +
                   R"(": -2}})").c_str());
    std::vector<int> intervals;
    for (int poll = 0; poll < 4; ++poll) {
        request("pollActiveRegion");
        onWorker([&] { intervals.push_back(pollTimer()->interval()); });
    }
    EXPECT_EQ(intervals, (std::vector<int>{2000, 4000, 8000, 8000}));
    EXPECT_EQ(count(*unavailable), 1);   // the same reason is announced once

    setFault(kK7, R"({"unsupported": null})");
    request("pollActiveRegion");
    int interval = 0;
    onWorker([&] { interval = pollTimer()->interval(); });
    EXPECT_EQ(interval, 1000);
    EXPECT_EQ(count(*updated), 2);   // announced again after being unavailable
}

TEST_F(WorkerSimTest, ReadBackAnnouncesTheCameraConfigurationAndRestartsThePoll) {
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kK7)));
    auto read = spy(SIGNAL(configurationRead(QString, QString, int)));
    auto updated = spy(SIGNAL(activeConfigurationUpdated(QString, QString, int)));
    auto finished = spy(SIGNAL(configurationReadFinished()));
    auto io = spy(SIGNAL(ioHardwareModeRead(int, QString)));
    auto log = spy(SIGNAL(logMessage(int, QString)));
    // A K7 offers V2 only: a request for V1 reads what the camera runs.
    request("readDeviceConfiguration", Q_ARG(int, 1));

    const QList<QVariant> result = only(*read);
    EXPECT_EQ(result.at(2).toInt(), 4);
    EXPECT_TRUE(result.at(0).toString().contains(QStringLiteral("\"activeIndex\""))) << result.at(0).toString().toStdString();
    EXPECT_FALSE(result.at(1).toString().isEmpty());
    EXPECT_EQ(only(*updated), result);
    EXPECT_EQ(count(*io), 1) << "a read always refreshes the I/O mode";
    EXPECT_EQ(count(*finished), 1);
    EXPECT_EQ(last(*log), (QList<QVariant>{0, QStringLiteral("已回读并解析设备避障参数（未知字段保留）")}));
    bool polling = false;
    onWorker([&] { polling = pollTimer()->isActive() && pollTimer()->interval() == 1000; });
    EXPECT_TRUE(polling);

    // The running configuration is known now: the next poll has nothing new.
    request("pollActiveRegion");
    EXPECT_EQ(count(*updated), 1);
}

TEST_F(WorkerSimTest, FailedReadBackReportsWhyAndSlowsThePoll) {
    request("connectDevice", Q_ARG(QVariantMap, ipMap(kK7)));
    setFault(kK7, (std::string(R"({"unsupported": {")") + std::to_string(ZR_STRING_ALGORITHM_PARAMS) +
                   R"(": -2}})").c_str());
    auto read = spy(SIGNAL(configurationRead(QString, QString, int)));
    auto unavailable = spy(SIGNAL(activeConfigurationUnavailable(QString)));
    auto finished = spy(SIGNAL(configurationReadFinished()));
    auto log = spy(SIGNAL(logMessage(int, QString)));
    request("readDeviceConfiguration", Q_ARG(int, 4));

    EXPECT_EQ(count(*read), 0);
    const QString reason = only(*unavailable).at(0).toString();
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(only(*log), (QList<QVariant>{2, reason}));
    EXPECT_EQ(count(*finished), 1);
    int interval = 0;
    onWorker([&] { interval = pollTimer()->interval(); });
    EXPECT_EQ(interval, 2000);
}

}  // namespace
}  // namespace hazard_desk
