// The worker on its own thread against the virtual camera: requests without
// a camera, connection, the frame pump with its flow control and back-off,
// and recording the live stream and playing it back.
#include "WorkerSimHarness.h"

#include "RecordingReader.h"

#include <QFile>
#include <opencv2/core.hpp>
#include <set>

#include <unistd.h>

namespace hazard_desk {
namespace {

const QString kConnectFirst = QStringLiteral("请先连接相机");
const QString kNoCloud = QStringLiteral("没有可用于标定的实时点云");

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
}

// The pump slows down with the length of a run of failed frames (50 ms for
// two, 250 ms up to the ninth, then 1 s) and logs the first and every
// thirtieth; a reconnecting camera gets 1 s at once; a frame restores 50 ms.
TEST_F(WorkerSimTest, FailedFramesBackOffAndAreLoggedSparingly) {
    setFault(kK7, R"({"frameStatus": -1})");
    connectAndStream();
    auto log = spy(SIGNAL(logMessage(int, QString)));
    auto frames = frameSpy();
    int logged = 0;
    for (int failure = 1; failure <= 61; ++failure) {
        tick();
        logged += failure == 1 || failure % 30 == 0 ? 1 : 0;
        ASSERT_EQ(captureInterval(), failure <= 2 ? 50 : failure <= 9 ? 250 : 1000) << failure;
        ASSERT_EQ(count(*log), logged) << failure;
    }
    EXPECT_EQ(last(*log), (QList<QVariant>{1, QStringLiteral("baseCamera 获取新帧失败")}));

    setFault(kK7, R"({"frameStatus": null})");
    ASSERT_TRUE(tickUntilFrame(*frames));
    EXPECT_EQ(captureInterval(), 50);
    acknowledge();
    setFault(kK7, R"({"reconnectAfterFrames": 0, "reconnectMs": 60000})");
    tick();
    EXPECT_EQ(captureInterval(), 1000);
    EXPECT_EQ(last(*log), (QList<QVariant>{1, QStringLiteral("相机正在重连")}));
}

// Recording needs a stream; the file holds the configuration the camera ran,
// each frame and a status sample with each. The virtual camera then plays the
// file back as a camera running that configuration, frame by recorded frame.
TEST_F(WorkerSimTest, RecordedStreamKeepsItsConfigurationAndReplaysAsACamera) {
    constexpr int kRecordedFrames = 8;
    const std::string path = ::testing::TempDir() + "hd_worker_" + std::to_string(::getpid()) + "_record.mcap";
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

    request("startRecording", Q_ARG(QString, QString::fromStdString(path)));
    EXPECT_TRUE(at(*recordingState, 2).at(0).toBool()) << at(*recordingState, 2).at(2).toString().toStdString();
    for (int k = 0; k < kRecordedFrames; ++k) {
        ASSERT_TRUE(tickUntilFrame(*frames));
        acknowledge();
        advanceClock(600);  // a status sample with every frame
    }
    request("stopRecording");
    const QVariantMap figures = at(*recordingState, 3).at(3).toMap();
    const int kept = figures.value(QStringLiteral("frames")).toInt();
    EXPECT_EQ(kept + figures.value(QStringLiteral("droppedFrames")).toInt(), kRecordedFrames);

    recording::RecordingReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    EXPECT_TRUE(reader.complete());
    ASSERT_EQ(reader.configurations().size(), 1U);
    EXPECT_EQ(QString::fromStdString(reader.configurations()[0].workstationJson), at(*active, 0).at(0).toString());
    std::set<std::string> recordedDepths;  // sensor noise makes each frame's depth unique
    std::size_t runtimeSamples = 0;
    recording::RecordingReader::Visitor visitor;
    visitor.frame = [&](const recording::RecordedFrame& f) {
        recordedDepths.insert(f.depth.data);
        return true;
    };
    visitor.runtime = [&](const recording::RuntimeRecord&) { return ++runtimeSamples > 0; };
    ASSERT_TRUE(reader.read(visitor)) << reader.error();
    EXPECT_EQ(recordedDepths.size(), static_cast<std::size_t>(kept));
    EXPECT_EQ(runtimeSamples, static_cast<std::size_t>(kRecordedFrames));
    request("disconnectDevice");

    const std::string scene = nlohmann::json{{"cameras", {{{"ip", "127.0.40.1"}, {"recording", path}}}}}.dump();
    ASSERT_EQ(ZrSim_LoadSceneText(scene.c_str()), 0) << ZrSim_LastError();
    auto replay = connected(QStringLiteral("127.0.40.1"));
    QString error;
    ActiveConfiguration running;
    ASSERT_TRUE(replay->readActiveConfiguration(running, &error)) << error.toStdString();
    EXPECT_EQ(running.workstationJson, at(*active, 0).at(0).toString());
    ASSERT_TRUE(replay->startStreaming(&error)) << error.toStdString();
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(retrying([&] { return replay->grabFrame(frame, amplitude, &error); })) << error.toStdString();
        const cv::Mat& image = frame.depth.image;
        const std::string bytes(reinterpret_cast<const char*>(image.data), image.total() * image.elemSize());
        EXPECT_EQ(recordedDepths.count(bytes), 1U) << "replayed frame " << k;
    }
    replay->closeCamera(nullptr);
    QFile::remove(QString::fromStdString(path));
}

}  // namespace
}  // namespace hazard_desk
