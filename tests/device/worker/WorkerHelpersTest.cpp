// The worker's small helpers: failure back-off, frame-rate meter, the
// descriptor map it puts on its signals and the process's memory policy.
#include "CameraDescriptorMap.h"
#include "FrameFailureBackoff.h"
#include "FrameHeapPolicy.h"
#include "FrameRateMeter.h"

#include <gtest/gtest.h>

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
    d.serial = QStringLiteral("SN");
    d.discoveryHandle = 0x1234567890ULL;   // beyond 32 bits
    d.sdkDeviceType = 1005;
    d.maxDepthMm = 7000;
    d.rgbAvailable = true;
    d.cameraType = 0;
    const CameraDescriptor back = CameraDescriptorMap::fromMap(CameraDescriptorMap::toMap(d));
    EXPECT_EQ(back.ip, d.ip);
    EXPECT_EQ(back.serial, d.serial);
    EXPECT_EQ(back.discoveryHandle, d.discoveryHandle);
    EXPECT_EQ(back.sdkDeviceType, 1005);
    EXPECT_EQ(back.cameraType, 0);
    // What the connection reads again is not carried back.
    EXPECT_EQ(back.maxDepthMm, 0);
    EXPECT_FALSE(back.rgbAvailable);

    const CameraDescriptor sparse = CameraDescriptorMap::fromMap(QVariantMap{{QStringLiteral("ip"), QStringLiteral("127.0.0.1")}});
    EXPECT_EQ(sparse.ip, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(sparse.cameraType, -1);
    EXPECT_EQ(sparse.discoveryHandle, 0U);
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
