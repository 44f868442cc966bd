// The worker records its live stream into an MCAP file, and the virtual
// camera plays that file back as a camera: the replayed frames are the
// recorded ones, the replayed camera starts with the recorded configuration,
// takes a new one through the same write and read-back as a live camera, and
// its verdict follows the configuration in force.
#include "WorkerSimHarness.h"

#include <QFile>
#include <chrono>
#include <set>
#include <thread>

#include <nlohmann/json.hpp>
#include <unistd.h>

#include "RecordingReader.h"

namespace hazard_desk {
namespace {

constexpr int kRecordedFrames = 8;
constexpr const char* kReplayIp = "127.0.40.1";

std::string tempRecording(const char* name) {
    return ::testing::TempDir() + "hd_worker_" + std::to_string(::getpid()) + "_" + name;
}

std::string bytesOf(const cv::Mat& image) {
    return std::string(reinterpret_cast<const char*>(image.data), image.total() * image.elemSize());
}

// Writes the danger zone of the running (square) template, with the warning
// zone right behind it, and waits until the camera reports it back: the same
// write and read-back the apply transaction uses.
void applyDangerZone(ObstacleCameraBridge& bridge, double nearX, double farX, double halfWidth, double height) {
    const nlohmann::json dangerZone = nlohmann::json::array({nearX, farX, -halfWidth, halfWidth, 0.0, height});
    const nlohmann::json warningZone = nlohmann::json::array({farX, farX + 500.0, -halfWidth, halfWidth, 0.0, height});
    std::string text;
    QString error;
    ASSERT_TRUE(bridge.readAlgorithmParams(text, &error)) << error.toStdString();
    nlohmann::json params = nlohmann::json::parse(text);
    const std::string zone = std::to_string(params["ZoneIndex"].get<int>());
    params["Zones"][zone]["DangerZone"] = dangerZone;
    params["Zones"][zone]["WarningZone"] = warningZone;
    ASSERT_TRUE(bridge.writeAlgorithmParams(params.dump(), &error)) << error.toStdString();
    for (int attempt = 0; attempt < 100; ++attempt) {
        ASSERT_TRUE(bridge.readAlgorithmParams(text, &error)) << error.toStdString();
        if (nlohmann::json::parse(text)["Zones"][zone]["DangerZone"] == dangerZone) {
            ActiveConfiguration active;
            ASSERT_TRUE(bridge.readActiveConfiguration(active, &error)) << error.toStdString();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FAIL() << "the replayed camera never reported the written zone";
}

// The camera's verdict once a frame evaluated with the new zone has been taken.
int verdictAfterFrames(ObstacleCameraBridge& bridge) {
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    QString error;
    ObstacleRuntime runtime;
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(grabFrameRetrying(bridge, frame, amplitude, error)) << error.toStdString();
    }
    EXPECT_TRUE(bridge.readRuntime(4, runtime, &error)) << error.toStdString();
    return runtime.ioStatus;
}

TEST_F(WorkerSimTest, RecordedStreamReplaysAsACameraThatTakesNewConfigurations) {
    const std::string path = tempRecording("record.mcap");
    auto frames = spy(SIGNAL(frameReady(QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong)));
    auto recordingState = spy(SIGNAL(recordingStateChanged(bool, QString, QString, QVariantMap)));
    auto active = spy(SIGNAL(activeConfigurationUpdated(QString, QString, int)));
    connectAndStream();
    request("pollActiveRegion");
    ASSERT_EQ(count(*active), 1);
    const QString recordedConfiguration = at(*active, 0).at(0).toString();

    request("startRecording", Q_ARG(QString, QString::fromStdString(path)));
    ASSERT_EQ(count(*recordingState), 1);
    EXPECT_TRUE(at(*recordingState, 0).at(0).toBool()) << at(*recordingState, 0).at(2).toString().toStdString();
    for (int k = 0; k < kRecordedFrames; ++k) {
        ASSERT_TRUE(tickUntilFrame(*frames));
        acknowledge();
        advanceClock(600);  // a status sample with every frame
    }
    request("stopRecording");
    ASSERT_EQ(count(*recordingState), 2);
    const QList<QVariant> stopped = at(*recordingState, 1);
    EXPECT_FALSE(stopped.at(0).toBool());
    EXPECT_TRUE(stopped.at(2).toString().startsWith(QStringLiteral("录制已保存："))) << stopped.at(2).toString().toStdString();
    EXPECT_EQ(stopped.at(3).toMap().value(QStringLiteral("frames")).toInt() +
                  stopped.at(3).toMap().value(QStringLiteral("droppedFrames")).toInt(),
              kRecordedFrames);

    recording::RecordingReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    EXPECT_TRUE(reader.complete());
    ASSERT_EQ(reader.configurations().size(), 1U);
    EXPECT_EQ(QString::fromStdString(reader.configurations()[0].workstationJson), recordedConfiguration);
    EXPECT_EQ(reader.configurations()[0].mode, 4);
    EXPECT_NE(reader.intrinsicsJson().find("\"depthFx\": 60.0"), std::string::npos) << reader.intrinsicsJson();
    std::set<std::string> recordedDepths;
    std::size_t runtimeSamples = 0;
    recording::RecordingReader::Visitor visitor;
    visitor.frame = [&](const recording::RecordedFrame& f) {
        EXPECT_EQ(f.xyz.size(), 80U * 60U * 3U);
        recordedDepths.insert(f.depth.data);
        return true;
    };
    visitor.runtime = [&](const recording::RuntimeRecord&) {
        ++runtimeSamples;
        return true;
    };
    ASSERT_TRUE(reader.read(visitor)) << reader.error();
    EXPECT_GE(recordedDepths.size(), static_cast<std::size_t>(kRecordedFrames) - 1);  // noise makes each frame unique
    EXPECT_EQ(runtimeSamples, static_cast<std::size_t>(kRecordedFrames));
    request("disconnectDevice");

    // The recording as a camera of a new scene.
    const std::string scene = nlohmann::json{{"cameras", {{{"ip", kReplayIp}, {"recording", path}}}}}.dump();
    ASSERT_EQ(ZrSim_LoadSceneText(scene.c_str()), 0) << ZrSim_LastError();
    CameraDescriptor replay;
    replay.ip = QString::fromUtf8(kReplayIp);
    auto bridge = std::make_unique<ObstacleCameraBridge>(replay);
    QString openError;
    ASSERT_TRUE(bridge->openCamera(&openError) && bridge->prepareStreams(&openError)) << openError.toStdString();
    EXPECT_EQ(bridge->descriptor().sdkDeviceType, 1005);
    ActiveConfiguration start;
    QString error;
    ASSERT_TRUE(bridge->readActiveConfiguration(start, &error)) << error.toStdString();
    EXPECT_EQ(start.workstationJson, recordedConfiguration);
    QString streamError;
    ASSERT_TRUE(bridge->startStreaming(&streamError)) << streamError.toStdString();
    for (int k = 0; k < 5; ++k) {
        algPlatform::FrameSet frame;
        cv::Mat amplitude;
        ASSERT_TRUE(grabFrameRetrying(*bridge, frame, amplitude, error)) << error.toStdString();
        EXPECT_EQ(recordedDepths.count(bytesOf(frame.depth.image)), 1U) << "replayed frame " << k;
    }

    // Everything in view, floor included, inside the danger zone; then a zone beyond the camera's range.
    applyDangerZone(*bridge, 0.0, 9000.0, 9000.0, 3000.0);
    EXPECT_EQ(verdictAfterFrames(*bridge), 2);
    applyDangerZone(*bridge, 20000.0, 21000.0, 500.0, 100.0);
    EXPECT_EQ(verdictAfterFrames(*bridge), 0);
    bridge->closeCamera(nullptr);
    QFile::remove(QString::fromStdString(path));
}

TEST_F(WorkerSimTest, RecordingNeedsAStreamAndAWritableFile) {
    auto recordingState = spy(SIGNAL(recordingStateChanged(bool, QString, QString, QVariantMap)));
    request("startRecording", Q_ARG(QString, QStringLiteral("/tmp/never.mcap")));
    ASSERT_EQ(count(*recordingState), 1);
    EXPECT_EQ(at(*recordingState, 0).at(2).toString(), QStringLiteral("请先启动数据流再录制"));
    connectAndStream();
    request("startRecording", Q_ARG(QString, QStringLiteral("/nonexistent-folder/x.mcap")));
    ASSERT_EQ(count(*recordingState), 2);
    EXPECT_FALSE(at(*recordingState, 1).at(0).toBool());
    EXPECT_TRUE(at(*recordingState, 1).at(2).toString().startsWith(QStringLiteral("录制失败：/nonexistent-folder/x.mcap")))
        << at(*recordingState, 1).at(2).toString().toStdString();
}

}  // namespace
}  // namespace hazard_desk
