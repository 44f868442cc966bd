// The worker's small helpers: failure back-off, frame-rate meter, the
// descriptor map of its connection signal and the process's memory policy
// for frames.
#include "CameraDescriptorMap.h"
#include "FrameFailureBackoff.h"
#include "FrameHeapPolicy.h"
#include "FrameRateMeter.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

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

// A connection request carries the window's descriptor back to the worker;
// what the connection itself determines (depth range, colour) is not taken.
TEST(CameraDescriptorMap, RoundTripKeepsWhatTheConnectionDoesNotDetermine) {
    const CameraDescriptor d{QStringLiteral("127.0.10.1"), QStringLiteral("k7-a"), QStringLiteral("SN"),
                             QStringLiteral("K7 test"), QStringLiteral("K7"), QStringLiteral("FW"),
                             QStringLiteral("ALG"), 0x1234567890ULL, 1005, 7000, true, 0};
    const CameraDescriptor back = CameraDescriptorMap::fromMap(CameraDescriptorMap::toMap(d));
    EXPECT_EQ((std::vector<QString>{back.ip, back.id, back.serial, back.name, back.model, back.firmware,
                                    back.algorithmVersion}),
              (std::vector<QString>{d.ip, d.id, d.serial, d.name, d.model, d.firmware, d.algorithmVersion}));
    EXPECT_EQ(back.discoveryHandle, d.discoveryHandle);
    EXPECT_EQ(back.sdkDeviceType, 1005);
    EXPECT_EQ(back.cameraType, 0);
    EXPECT_EQ(back.maxDepthMm, 0);
    EXPECT_FALSE(back.rgbAvailable);

    const CameraDescriptor sparse = CameraDescriptorMap::fromMap(QVariantMap{{QStringLiteral("ip"), QStringLiteral("127.0.0.1")}});
    EXPECT_EQ(sparse.ip, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(sparse.cameraType, -1);
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
