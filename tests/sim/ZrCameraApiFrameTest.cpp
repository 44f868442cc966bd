// Streams, frame commands, frame records, callbacks and the frame faults of
// the virtual camera library.

#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>

#include "SimApiFixture.h"

namespace sim_test {
namespace {

const ZrFrameData* frameData(ZrHandle handle) {
    void* p = nullptr;
    EXPECT_EQ(DcGetPtrValue(handle, ZR_PTR_FRAME_DATA, &p), 0);
    return static_cast<const ZrFrameData*>(p);
}

TEST_F(SimApiTest, FramesFollowTheCameraClockNewestFirstNeverTwice) {
    const ZrHandle k7 = open(kK7);
    ASSERT_EQ(DcSetBoolValue(k7, ZR_BOOL_ENABLE_2D_STREAM, true), 0);
    ASSERT_EQ(DcStartStream(k7), 0);
    uint64_t lastHandle = 0, lastStamp = 0;
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(nextFrame(k7), 0);
        const ZrFrameData* frame = frameData(k7);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->status, 0);
        // Each command hands over a frame that was not delivered before.
        EXPECT_NE(frame->frameHandle, lastHandle);
        EXPECT_GT(frame->blocks[ZR_BLOCK_DEPTH].sensorTimestamp, lastStamp);
        lastHandle = frame->frameHandle;
        lastStamp = frame->blocks[ZR_BLOCK_DEPTH].sensorTimestamp;
        EXPECT_GE(frame->blocks[ZR_BLOCK_DEPTH].receiveTimestamp, frame->blocks[ZR_BLOCK_DEPTH].sensorTimestamp);
        EXPECT_EQ(frame->blocks[ZR_BLOCK_COLOR].width, 32);
    }
    // Sensor time stamps are microseconds since 1970.
    const auto nowUs = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_LE(lastStamp, static_cast<uint64_t>(nowUs));
    EXPECT_GT(lastStamp, static_cast<uint64_t>(nowUs) - 60000000ull);
    EXPECT_EQ(DcStopStream(k7), 0);
    EXPECT_EQ(DcSetCmd(k7, ZR_CMD_GET_NEW_FRAME), ZR_STATUS_NOT_STREAMING);   // no frame after the stop
}

TEST_F(SimApiTest, DepthAndPointDataAgreeInMillimetresAndMetres) {
    const ZrHandle k7 = open(kK7);
    ASSERT_EQ(DcStartStream(k7), 0);
    for (int unit : {0, 1}) {
        ASSERT_EQ(DcSetIntValue(k7, ZR_INT_XYZ_UNIT, unit), 0);
        for (int i = 0; i < 3; ++i) ASSERT_EQ(nextFrame(k7), 0);  // the first may be in the old unit
        void* depthPtr = nullptr;
        void* xyzPtr = nullptr;
        ASSERT_EQ(DcGetPtrValue(k7, ZR_PTR_3D_DEPTH_DATA, &depthPtr), 0);
        ASSERT_EQ(DcGetPtrValue(k7, ZR_PTR_XYZ_DATA, &xyzPtr), 0);
        const auto* depth = static_cast<const uint16_t*>(depthPtr);
        const auto* xyz = static_cast<const float*>(xyzPtr);
        const float scale = unit == 0 ? 1.0f : 1000.0f;
        int hits = 0;
        for (int i = 0; i < 64 * 48; ++i) {
            if (depth[i] == 0) {
                EXPECT_EQ(xyz[i * 3 + 2], 0.0f);
                continue;
            }
            ++hits;
            EXPECT_NEAR(xyz[i * 3 + 2] * scale, depth[i], 0.6f) << "pixel " << i;
        }
        // The pallet 1 m ahead fills the middle of the image.
        const int centre = 24 * 64 + 32;
        EXPECT_NEAR(depth[centre], 1000, 30);
        EXPECT_GT(hits, 64 * 48 / 2);
    }
}

// What each fault does is seen by the camera, bridge and write tests that
// use it; here only the fault switch's own checks.
TEST_F(SimApiTest, FaultsThatDoNotParseAreRefusedWithAReason) {
    ASSERT_EQ(ZrSim_SetFault(kP3, R"({"openFails": -1})"), 0);
    ZrHandle handle = 0;
    EXPECT_EQ(DcOpenDevice(1, kP3, &handle, nullptr), -1);   // the status given is the status answered
    const std::pair<const char*, const char*> refused[] = {
        {kK7, R"({"noSuchFault": 1})"}, {kK7, R"({"frameStatus": "x"})"}, {kK7, R"({"unsupported": {"abc": 2}})"},
        {kK7, "[1]"}, {"127.0.99.1", R"({"frameStatus": -28})"}};
    for (const auto& [ip, fault] : refused) {
        EXPECT_NE(ZrSim_SetFault(ip, fault), 0) << fault;
        EXPECT_STRNE(ZrSim_LastError(), "") << fault;
    }
}

struct CallbackProbe {
    std::atomic<int> frames{0};
    std::atomic<int> badFrames{0};
    std::atomic<int> cloudReads{0};
};

void onFrame(const ZrFrameData* frame, void* user) {
    auto* probe = static_cast<CallbackProbe*>(user);
    if (!frame || frame->blocks[ZR_BLOCK_DEPTH].width != 64 || frame->blocks[ZR_BLOCK_DEPTH].data == nullptr) {
        ++probe->badFrames;
        return;
    }
    void* xyz = nullptr;
    if (DcGetPtrValue(frame->frameHandle, ZR_PTR_XYZ_DATA, &xyz) == 0 && xyz) ++probe->cloudReads;
    ++probe->frames;
}

// The unregister and stop that end a callback stream are driven by the camera
// layer's tests; here the callback runs beside a polling thread until the
// handle is closed.
TEST_F(SimApiTest, CallbackStreamAndPollingThreadRunAtOnceUntilClose) {
    const ZrHandle k7 = open(kK7);
    CallbackProbe probe;
    ASSERT_EQ(DcRegisterFrameCallback(k7, onFrame, &probe), 0);
    ASSERT_EQ(DcStartStream(k7), 0);
    std::atomic<int> polled{0}, pollErrors{0};
    std::thread poller([&] {
        for (int i = 0; i < 15; ++i) {
            if (nextFrame(k7) != 0) {
                ++pollErrors;
                continue;
            }
            void* p = nullptr;
            if (DcGetPtrValue(k7, ZR_PTR_ALGORITHM_OUTPUT, &p) != 0 || !p) ++pollErrors;
            if (DcGetPtrValue(k7, ZR_PTR_XYZ_DATA, &p) != 0 || !p) ++pollErrors;
            ++polled;
        }
    });
    poller.join();
    EXPECT_EQ(DcRegisterFrameCallback(k7, nullptr, nullptr), ZR_STATUS_INVALID_ARGUMENT);
    // Closing the handle, with neither an unregister nor a stop, ends the callbacks.
    ASSERT_EQ(DcCloseDevice(k7), 0);
    opened_.clear();
    const int afterClose = probe.frames.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(probe.frames.load(), afterClose);
    EXPECT_EQ(polled.load(), 15);
    EXPECT_EQ(pollErrors.load(), 0);
    EXPECT_GT(probe.frames.load(), 0);
    EXPECT_EQ(probe.cloudReads.load(), probe.frames.load());
    EXPECT_EQ(probe.badFrames.load(), 0);
}

}  // namespace
}  // namespace sim_test
