// The worker's small helpers: failure back-off, frame-rate meter, the maps it
// puts on its signals and the process's memory policy for frames.
#include "CameraDescriptorMap.h"
#include "FrameFailureBackoff.h"
#include "FrameHeapPolicy.h"
#include "FrameRateMeter.h"
#include "RuntimeSampleMap.h"

#include <gtest/gtest.h>

#include <QVariantList>
#include <memory>

namespace hazard_desk {
namespace {

TEST(FrameFailureBackoff, IntervalsGrowWithTheRunAndOnlyFirstAndEveryThirtiethAreLogged) {
    FrameFailureBackoff backoff;
    const QString error = QStringLiteral("baseCamera 获取新帧失败");
    int logged = 0;
    for (int failure = 1; failure <= 61; ++failure) {
        const FrameFailureBackoff::Step step = backoff.recordFailure(error);
        const int expected = failure <= 2 ? 50 : failure <= 9 ? 250 : 1000;
        EXPECT_EQ(step.intervalMs, expected) << failure;
        EXPECT_EQ(step.log, failure == 1 || failure == 30 || failure == 60) << failure;
        logged += step.log ? 1 : 0;
    }
    EXPECT_EQ(logged, 3);
    EXPECT_EQ(backoff.failures(), 61);
    EXPECT_EQ(backoff.recordSuccess(), 50);
    EXPECT_EQ(backoff.failures(), 0);
    // A new run logs its first failure again.
    EXPECT_TRUE(backoff.recordFailure(error).log);
}

TEST(FrameFailureBackoff, ReconnectingCameraGetsTheSlowestPaceAtOnce) {
    FrameFailureBackoff backoff;
    const FrameFailureBackoff::Step step = backoff.recordFailure(QStringLiteral("相机正在重连"));
    EXPECT_EQ(step.intervalMs, 1000);
    EXPECT_TRUE(step.log);
    // Once the reconnection ends, a plain failure is judged by the run length.
    EXPECT_EQ(backoff.recordFailure(QStringLiteral("baseCamera 获取新帧失败")).intervalMs, 50);
}

TEST(FrameRateMeter, RateIsCountedOverAtLeastOneSecond) {
    auto now = std::make_shared<qint64>(5000);
    FrameRateMeter meter([now]() { return *now; });
    for (int frame = 0; frame < 19; ++frame) {
        *now += 50;
        meter.frameDelivered();
    }
    EXPECT_FLOAT_EQ(meter.measuredFps(), 0.0F);   // 950 ms: no window closed yet
    EXPECT_EQ(meter.frameCount(), 19);
    *now += 50;
    meter.frameDelivered();
    EXPECT_FLOAT_EQ(meter.measuredFps(), 20.0F);
    EXPECT_EQ(meter.frameCount(), 0);
    // A slow window: 5 frames over 2500 ms.
    for (int frame = 0; frame < 5; ++frame) {
        *now += 500;
        meter.frameDelivered();
    }
    EXPECT_FLOAT_EQ(meter.measuredFps(), 2.0F * 1000.0F / 1000.0F);
    meter.restart();
    EXPECT_EQ(meter.frameCount(), 0);
    EXPECT_FLOAT_EQ(meter.measuredFps(), 2.0F);
}

TEST(CameraDescriptorMap, RoundTripKeepsWhatTheConnectionDoesNotDetermine) {
    CameraDescriptor d;
    d.ip = QStringLiteral("127.0.10.1");
    d.id = QStringLiteral("k7-a");
    d.serial = QStringLiteral("SN");
    d.name = QStringLiteral("K7 test");
    d.model = QStringLiteral("K7");
    d.firmware = QStringLiteral("FW");
    d.algorithmVersion = QStringLiteral("ALG");
    d.discoveryHandle = 0x1234567890ULL;
    d.sdkDeviceType = 1005;
    d.maxDepthMm = 7000;
    d.rgbAvailable = true;
    d.cameraType = 0;
    const QVariantMap map = CameraDescriptorMap::toMap(d);
    EXPECT_EQ(map.size(), 12);
    EXPECT_EQ(map.value(QStringLiteral("maxDepthMm")).toInt(), 7000);
    EXPECT_TRUE(map.value(QStringLiteral("rgbAvailable")).toBool());
    EXPECT_EQ(map.value(QStringLiteral("discoveryHandle")).toULongLong(), 0x1234567890ULL);

    const CameraDescriptor back = CameraDescriptorMap::fromMap(map);
    EXPECT_EQ(back.ip, d.ip);
    EXPECT_EQ(back.id, d.id);
    EXPECT_EQ(back.serial, d.serial);
    EXPECT_EQ(back.name, d.name);
    EXPECT_EQ(back.model, d.model);
    EXPECT_EQ(back.firmware, d.firmware);
    EXPECT_EQ(back.algorithmVersion, d.algorithmVersion);
    EXPECT_EQ(back.discoveryHandle, d.discoveryHandle);
    EXPECT_EQ(back.sdkDeviceType, 1005);
    EXPECT_EQ(back.cameraType, 0);
    EXPECT_EQ(back.maxDepthMm, 0);
    EXPECT_FALSE(back.rgbAvailable);

    const CameraDescriptor sparse = CameraDescriptorMap::fromMap(QVariantMap{{QStringLiteral("ip"), QStringLiteral("127.0.0.1")}});
    EXPECT_EQ(sparse.ip, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(sparse.cameraType, -1);
    EXPECT_EQ(sparse.sdkDeviceType, 0);
    EXPECT_EQ(sparse.discoveryHandle, 0U);
    EXPECT_TRUE(sparse.id.isEmpty());
}

TEST(RuntimeSampleMap, CarriesEveryFieldAndOneMapPerBox) {
    ObstacleRuntime runtime;
    runtime.ioStatus = 2;
    runtime.inputStatus = 1;
    runtime.outputStatus = 3;
    runtime.inputChannelMask = 0x3;
    runtime.outputChannelMask = 0xF0000000U;
    runtime.algorithmState = 3;
    runtime.resultAvailable = true;
    runtime.cameraFps = 14.5F;
    ObstacleBox box;
    box.x = 1.5F;
    box.depth = 9.0F;
    box.typeIndex = 2;
    box.typeName = QStringLiteral("pallet");
    runtime.boxes = {box, ObstacleBox{}};
    const QVariantMap map = RuntimeSampleMap::build(runtime, 19.5F, 42);
    EXPECT_EQ(map.value(QStringLiteral("ioStatus")).toInt(), 2);
    EXPECT_EQ(map.value(QStringLiteral("inputStatus")).toInt(), 1);
    EXPECT_EQ(map.value(QStringLiteral("outputStatus")).toInt(), 3);
    EXPECT_EQ(map.value(QStringLiteral("inputChannelMask")).toUInt(), 0x3U);
    EXPECT_EQ(map.value(QStringLiteral("outputChannelMask")).toUInt(), 0xF0000000U);
    EXPECT_EQ(map.value(QStringLiteral("algorithmState")).toInt(), 3);
    EXPECT_TRUE(map.value(QStringLiteral("resultAvailable")).toBool());
    EXPECT_TRUE(map.value(QStringLiteral("resultError")).toString().isEmpty());
    EXPECT_FLOAT_EQ(map.value(QStringLiteral("cameraFps")).toFloat(), 14.5F);
    EXPECT_FLOAT_EQ(map.value(QStringLiteral("measuredFps")).toFloat(), 19.5F);
    EXPECT_EQ(map.value(QStringLiteral("latencyMs")).toInt(), 42);
    EXPECT_EQ(map.value(QStringLiteral("boxCount")).toInt(), 2);
    const QVariantList boxes = map.value(QStringLiteral("boxes")).toList();
    ASSERT_EQ(boxes.size(), 2);
    const QVariantMap first = boxes.at(0).toMap();
    EXPECT_FLOAT_EQ(first.value(QStringLiteral("x")).toFloat(), 1.5F);
    EXPECT_FLOAT_EQ(first.value(QStringLiteral("depth")).toFloat(), 9.0F);
    EXPECT_EQ(first.value(QStringLiteral("typeIndex")).toInt(), 2);
    EXPECT_EQ(first.value(QStringLiteral("typeName")).toString(), QStringLiteral("pallet"));
    EXPECT_EQ(first.size(), 8);
}

// On Linux the policy must really reach the C library (a build that cannot
// see the library's knobs silently streams with page faults on every frame).
TEST(FrameHeapPolicy, TakesEffectWhereTheCLibraryOffersIt) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer owns the heap and ignores its knobs";
#elif defined(__linux__)
    EXPECT_TRUE(FrameHeapPolicy::apply());
#else
    GTEST_SKIP() << "no heap knobs on this platform";
#endif
}

}  // namespace
}  // namespace hazard_desk
