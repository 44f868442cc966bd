#include "BaseCamera.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "FrameCollector.h"

namespace algPlatform {
namespace {

// A camera that produces numbered frames, every third one failing, to
// exercise the default poll-thread streaming of the base class.
class CountingCamera : public BaseCamera {
public:
    ~CountingCamera() override { stopCallbackStream(); }

    void idleHook() override {}
    std::int32_t initialize(const std::string&) override { return 0; }
    std::vector<DeviceInfo> discover() override { return {}; }
    std::int32_t open() override { return 0; }
    std::int32_t close() override { return 0; }
    std::int32_t startStream() override
    {
        ++starts;
        return startStatus;
    }
    std::int32_t stopStream() override
    {
        ++stops;
        return stopStatus;
    }
    std::int32_t applyConfig(const std::string&) override { return 0; }
    bool isNotConnected() override { return false; }
    std::int32_t executeCommand(const std::string&) override { return 0; }
    std::int32_t auxiliaryCode() override { return 0; }
    std::int32_t getNewFrameSet(FrameSet& frame, bool withCloud) override
    {
        const int n = ++reads;
        if (withCloud) {
            cloudRequests++;
        }
        if (n % 3 == 0) {
            return 1;
        }
        frame.timeMs = n;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 0;
    }
    std::int32_t getColorImage(ImageFrame&) override { return 0; }
    std::int32_t getDepthImage(ImageFrame&) override { return 0; }
    std::int32_t getPointCloud(CloudFrame&) override { return 0; }
    CameraType cameraType() const override { return CameraType::MECH_CAMERA; }

    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    std::atomic<int> reads{0};
    std::atomic<int> cloudRequests{0};
    std::int32_t startStatus = 0;
    std::int32_t stopStatus = 0;
};

// An empty callback or a stream that does not start is refused; then the
// poll thread delivers the good frames until the stop, whose status it returns.
TEST(BaseCameraTest, PollThreadDeliversGoodFramesUntilStopped)
{
    CountingCamera camera;
    EXPECT_EQ(camera.startCallbackStream(true, FrameCallback()), 1);
    EXPECT_EQ(camera.starts, 0);
    camera.startStatus = 1;
    EXPECT_EQ(camera.startCallbackStream(true, [](FrameSet&) {}), 1);
    EXPECT_EQ(camera.stopCallbackStream(), 0);
    EXPECT_EQ(camera.stops, 0);   // the stream was never opened by the poll thread

    camera.startStatus = 0;
    camera.stopStatus = 7;
    FrameCollector frames;
    std::atomic<int> failedReads{0};
    ASSERT_EQ(camera.startCallbackStream(true,
                                         [&](FrameSet& frame) {
                                             failedReads += frame.timeMs % 3 == 0 ? 1 : 0;
                                             frames.add(frame);
                                         }),
              0);
    ASSERT_TRUE(frames.waitFor(4));
    EXPECT_EQ(camera.stopCallbackStream(), 7);   // the stream stop's status
    EXPECT_EQ(camera.stops, 1);
    EXPECT_EQ(camera.stopCallbackStream(), 0);   // second stop: nothing to stop
    EXPECT_EQ(camera.stops, 1);
    EXPECT_EQ(failedReads, 0) << "a failed read reached the callback";
    EXPECT_EQ(camera.cloudRequests, camera.reads);
}

// A restart from inside the callback is refused and the stream goes on; a
// restart from outside replaces the poll thread.
TEST(BaseCameraTest, RestartsFromInsideAndOutsideTheCallback)
{
    CountingCamera camera;
    FrameCollector first;
    FrameCollector second;
    std::atomic<int> restartStatus{-1};
    ASSERT_EQ(camera.startCallbackStream(false,
                                         [&](FrameSet& frame) {
                                             // Asked on the first frame, which may come before the
                                             // start has stored its thread.
                                             if (first.count() == 0) {
                                                 restartStatus = camera.startCallbackStream(false, [](FrameSet&) {});
                                             }
                                             first.add(frame);
                                         }),
              0);
    ASSERT_TRUE(first.waitFor(3)) << "the running stream goes on";
    EXPECT_EQ(restartStatus, 1);
    EXPECT_EQ(camera.starts, 1);

    ASSERT_EQ(camera.startCallbackStream(false, second.callback()), 0);
    const int firstAfterRestart = first.count();
    ASSERT_TRUE(second.waitFor(2));
    EXPECT_EQ(first.count(), firstAfterRestart);
    EXPECT_EQ(camera.stopCallbackStream(), 0);
    EXPECT_EQ(camera.starts, 2);
    EXPECT_EQ(camera.stops, 2);
}

}  // namespace
}  // namespace algPlatform
