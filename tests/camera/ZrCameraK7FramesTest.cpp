#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "FrameCollector.h"
#include "FrameTime.h"
#include "SimTestScene.h"
#include "ZrCameraApi.h"

namespace algPlatform {
namespace {

constexpr int kMaxFrameAttempts = 200;    // bounds every wait on the virtual camera's clock

class FramesTest : public SimCameraTest {
protected:
    std::unique_ptr<ZrCameraK7> streamingCamera(const std::string& ip, bool start = true)
    {
        auto camera = std::make_unique<ZrCameraK7>(infoFor(ip));
        EXPECT_EQ(camera->open(), 0);
        EXPECT_EQ(camera->initialize("{}"), 0);
        if (start) {
            EXPECT_EQ(camera->startStream(), 0);
        }
        capture_.clear();
        return camera;
    }
};

// A frame command may time out while the virtual camera renders its first
// frame on a slow (sanitizer) build; like the worker, try again.
std::int32_t grab(ZrCameraK7& camera, FrameSet& frame, bool withCloud)
{
    std::int32_t code = 2;
    for (int attempt = 0; attempt < kMaxFrameAttempts && code == 2; ++attempt) {
        code = camera.getNewFrameSet(frame, withCloud);
    }
    return code;
}

// One frame set through its whole life: refused before the stream runs, then
// full frames with one time everywhere, the cloud object reused, a frame
// without cloud carrying no earlier cloud, and the single reads.
TEST_F(FramesTest, PolledFramesFromStreamStartToSingleReads)
{
    auto camera = streamingCamera("127.0.10.1", false);
    FrameSet frame;
    EXPECT_EQ(camera->getNewFrameSet(frame, true), 2);
    EXPECT_TRUE(capture_.contains("[error] DcSetCmd ZR_CMD_GET_NEW_FRAME failed, state="));
    EXPECT_TRUE(frame.depth.image.empty());

    ASSERT_EQ(camera->startStream(), 0);
    const std::int64_t before = FrameTime::nowMs();
    ASSERT_EQ(grab(*camera, frame, true), 0);
    EXPECT_EQ(camera->state(), CameraState::CONNECTED);
    EXPECT_EQ(frame.depth.image.type(), CV_16UC1);
    EXPECT_EQ(frame.color.image.channels(), camera->intrinsics().colorChannels);
    ASSERT_TRUE(frame.cloud.cloud);
    EXPECT_EQ(frame.cloud.cloud->size(), 80u * 60u);   // every pixel, also those without a return
    EXPECT_NEAR(static_cast<double>(frame.timeMs), static_cast<double>(before), 60000.0);   // ms since 1970
    EXPECT_EQ(frame.color.timeMs, frame.timeMs);
    EXPECT_EQ(frame.depth.timeMs, frame.timeMs);
    EXPECT_EQ(frame.cloud.timeMs, frame.timeMs);
    EXPECT_FLOAT_EQ(frame.intrinsics.depthFx, 60.0f);

    const auto* cloudBefore = frame.cloud.cloud.get();
    ASSERT_EQ(grab(*camera, frame, true), 0);
    EXPECT_EQ(frame.cloud.cloud.get(), cloudBefore);

    // Without a cloud the depth image still comes from the point data.
    const std::int64_t pointReads = calls("DcGetPtrValue", ZR_PTR_XYZ_DATA);
    ASSERT_EQ(grab(*camera, frame, false), 0);
    EXPECT_FALSE(frame.cloud.cloud) << "the earlier cloud would pass for this frame's";
    EXPECT_FALSE(frame.depth.image.empty());
    EXPECT_EQ(calls("DcGetPtrValue", ZR_PTR_XYZ_DATA), pointReads + 1);

    ImageFrame depth;
    ImageFrame color;
    CloudFrame cloud;
    EXPECT_EQ(camera->getDepthImage(depth), 0);
    EXPECT_EQ(camera->getColorImage(color), 0);
    EXPECT_EQ(camera->getPointCloud(cloud), 0);
    EXPECT_EQ(depth.image.size(), frame.depth.image.size());
    EXPECT_EQ(color.timeMs, camera->lastFrameTimeMs());
    ASSERT_TRUE(cloud.cloud);
    EXPECT_EQ(cloud.cloud->size(), 80u * 60u);
}

TEST_F(FramesTest, FramesOfAnotherSizeThanTheStoredGeometryAreRefused)
{
    // Binning is applied after the geometry was read: the camera then sends
    // 40x30 frames while the stored geometry says 80x60.
    auto camera = std::make_unique<ZrCameraK7>(infoFor("127.0.10.1"));
    ASSERT_EQ(camera->open(), 0);
    ASSERT_EQ(camera->initialize(R"({"int": {"ZR_INT_3D_BINNING_MODE": 1}})"), 0);
    ASSERT_EQ(camera->startStream(), 0);
    FrameSet frame;
    EXPECT_EQ(grab(*camera, frame, true), 1);
    EXPECT_TRUE(frame.depth.image.empty());
    EXPECT_TRUE(capture_.contains("[error] K7 frame refused, its depth block differs from the stored geometry, "
                                  "ip=127.0.10.1"));
    EXPECT_TRUE(capture_.contains("stored=80x60/type2/channels1, frame=40x30/type2/channels1"));
    ImageFrame depth;
    CloudFrame cloud;
    EXPECT_EQ(camera->getDepthImage(depth), 1);
    EXPECT_EQ(camera->getPointCloud(cloud), 1);
    EXPECT_EQ(calls("DcGetPtrValue", ZR_PTR_XYZ_DATA), 0) << "nothing is copied from the smaller buffer";
}

// How one frame command ends for each answer of the camera: -28 and -29 still
// carry a frame, the colour image is optional, the point data is not.
TEST_F(FramesTest, FrameAnswersAndTheirCodes)
{
    struct Case {
        const char* faults;
        std::int32_t code;
        bool color;
        const char* logged;
    };
    const Case cases[] = {
        {R"({"frameStatus": -28})", 0, true, ""},
        {R"({"frameStatus": -29})", 0, true, ""},
        {R"({"unsupported": {"6001": -4}})", 0, false,
         "[warning] getNewFrameSet continues without optional color image, ip=127.0.10.1"},
        {R"({"unsupported": {"6004": -4}})", 1, false,
         "[error] getNewFrameSet failed while reading depth image, ip=127.0.10.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        reloadScene();
        setFault("127.0.10.1", c.faults);
        auto camera = streamingCamera("127.0.10.1");
        FrameSet frame;
        EXPECT_EQ(grab(*camera, frame, true), c.code);
        EXPECT_EQ(frame.depth.image.empty(), c.code != 0);
        if (c.code == 0) {
            EXPECT_EQ(frame.color.image.empty(), !c.color);
        }
        EXPECT_TRUE(capture_.contains(c.logged)) << capture_.text();
    }
}

TEST_F(FramesTest, ReconnectingLinkGivesCodeThreeUntilFramesResume)
{
    setFault("127.0.10.1", R"({"reconnectAfterFrames": 1, "reconnectMs": 150})");
    auto camera = streamingCamera("127.0.10.1");
    FrameSet frame;
    ASSERT_EQ(grab(*camera, frame, false), 0);
    int code = grab(*camera, frame, false);
    EXPECT_EQ(code, 3);
    EXPECT_TRUE(capture_.contains("[warning] DcSetCmd GET_NEW_FRAME reconnecting, state=-5, error="));
    for (int attempt = 0; attempt < kMaxFrameAttempts && code == 3; ++attempt) {
        EXPECT_EQ(camera->state(), CameraState::CONNECTING);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        code = grab(*camera, frame, false);
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(camera->state(), CameraState::CONNECTED);
}

// Callback streaming walked once: frames with their cloud, a second start
// replacing the first callback, a restart from inside the callback refused,
// and nothing delivered after the stop returned.
TEST_F(FramesTest, CallbackStreamStartReplaceAndStop)
{
    auto camera = streamingCamera("127.0.10.1", false);
    FrameCollector first;
    ASSERT_EQ(camera->startCallbackStream(true, first.callback()), 0);
    EXPECT_EQ(camera->state(), CameraState::CONNECTED);
    ASSERT_TRUE(first.waitFor(3));
    const FrameSet frame = first.last();
    EXPECT_EQ(frame.color.image.cols, 80);
    ASSERT_TRUE(frame.cloud.cloud);
    EXPECT_EQ(frame.cloud.cloud->size(), 80u * 60u);
    EXPECT_EQ(frame.cloud.timeMs, frame.timeMs);
    EXPECT_EQ(frame.depth.timeMs, frame.timeMs);

    FrameCollector second;
    std::atomic<int> restartStatus{-1};
    ASSERT_EQ(camera->startCallbackStream(false,
                                          [&](FrameSet& f) {
                                              if (restartStatus < 0) {
                                                  restartStatus = camera->startCallbackStream(false, [](FrameSet&) {});
                                              }
                                              second.add(f);
                                          }),
              0);
    const int firstCount = first.count();
    ASSERT_TRUE(second.waitFor(3)) << "the running stream goes on";
    EXPECT_EQ(first.count(), firstCount);
    EXPECT_FALSE(second.last().cloud.cloud);   // no cloud asked for
    EXPECT_EQ(restartStatus, 1);
    EXPECT_TRUE(capture_.contains("[error] K7 callback stream restart refused inside its own callback, ip=127.0.10.1"));

    EXPECT_EQ(camera->stopCallbackStream(), 0);
    const int stoppedAt = second.count();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(second.count(), stoppedAt);
    EXPECT_EQ(calls("DcRegisterFrameCallback"), 2);
    EXPECT_EQ(calls("DcUnregisterFrameCallback"), 2);
    EXPECT_EQ(capture_.count("[info] K7 first frame metadata, ip=127.0.10.1"), 2u);   // once per start
    EXPECT_FALSE(capture_.contains("K7 unsupported depth frame"));
    EXPECT_FALSE(capture_.contains("K7 stored depth metadata differs"));
}

// Callback streams the camera cannot run as asked: a start that fails undoes
// its registration (a later stop has nothing to undo); a stop that fails keeps
// the callback stored until a stop succeeds; a frame without readable point
// data comes without cloud; a frame the camera marks bad is skipped.
TEST_F(FramesTest, CallbackStreamFaults)
{
    struct Case {
        const char* fault;
        std::int32_t startCode;
        std::int32_t stopCode;
        std::int64_t unregisters;   // once every stop is done
        bool delivered;
        bool withCloud;
        const char* logged;
    };
    const Case cases[] = {
        {R"({"callbackRegisterFails": true})", 1, 0, 0, false, false,
         "[error] DcRegisterFrameCallback failed, state=-1, error="},
        {R"({"streamStartFails": true})", 1, 0, 1, false, false,
         "[error] DcStartStream(callback) failed, state=-1, error="},
        {R"({"streamStopFails": true})", 0, 1, 1, true, true, "[error] DcStopStream(callback) failed, state=-1, error="},
        {R"({"frameHandleReadFails": true})", 0, 0, 1, true, false, ""},
        {R"({"frameStatus": -3})", 0, 0, 1, false, false, "[warning] K7 callback frame skipped, state=-3, error="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        reloadScene();
        auto camera = streamingCamera("127.0.10.1", false);
        setFault("127.0.10.1", c.fault);
        FrameCollector collector;
        EXPECT_EQ(camera->startCallbackStream(true, collector.callback()), c.startCode);
        if (c.startCode == 0) {
            for (int i = 0; i < kMaxFrameAttempts && collector.count() < 2 && !capture_.contains("frame skipped"); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        EXPECT_EQ(camera->stopCallbackStream(), c.stopCode);
        if (c.stopCode != 0) {
            EXPECT_FALSE(capture_.contains("K7 callback stream stopped")) << "the callback stays stored";
            setFault("127.0.10.1", R"({"streamStopFails": null})");
            EXPECT_EQ(camera->stopCallbackStream(), 0);
            EXPECT_TRUE(capture_.contains("[info] K7 callback stream stopped, ip=127.0.10.1"));
        }
        EXPECT_TRUE(capture_.contains(c.logged)) << capture_.text();
        EXPECT_EQ(calls("DcUnregisterFrameCallback"), c.unregisters);
        EXPECT_EQ(calls("DcStopStream") > 0, c.startCode == 0);
        if (!c.delivered) {
            EXPECT_EQ(collector.count(), 0);
            continue;
        }
        ASSERT_GE(collector.count(), 2);
        EXPECT_EQ(collector.last().cloud.cloud != nullptr, c.withCloud);
        EXPECT_EQ(collector.last().depth.image.cols, 80) << "the images come with the record itself";
    }
}

TEST_F(FramesTest, DestroyingTheCameraWhileCallbacksFlow)
{
    FrameCollector collector;
    {
        auto camera = streamingCamera("127.0.10.1", false);
        ASSERT_EQ(camera->startCallbackStream(true, collector.callback()), 0);
        ASSERT_TRUE(collector.waitFor(2));
    }
    const int atDestruction = collector.count();
    EXPECT_TRUE(capture_.contains("[info] K7 camera closed, ip=127.0.10.1"));
    EXPECT_EQ(calls("DcCloseDevice"), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(collector.count(), atDestruction);
    // The camera allows one open handle: opening again proves the first was closed.
    ZrCameraK7 again(infoFor("127.0.10.1"));
    EXPECT_EQ(again.open(), 0);
}

TEST_F(FramesTest, PollingBesideCommandsFromAnotherThread)
{
    auto camera = streamingCamera("127.0.10.1");
    std::atomic<bool> done{false};
    std::thread commands([&] {
        while (!done) {
            camera->executeCommand("ZR_CMD_RETURN_VERSION");
        }
    });
    int good = 0;
    for (int i = 0; i < 5; ++i) {
        FrameSet frame;
        good += grab(*camera, frame, true) == 0 ? 1 : 0;
    }
    done = true;
    commands.join();
    EXPECT_EQ(good, 5);
}

}  // namespace
}  // namespace algPlatform
