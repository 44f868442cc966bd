// Streams, frame commands, frame records and callbacks of the virtual camera
// library.

#include <atomic>
#include <chrono>

#include "SimApiFixture.h"

namespace sim_test {
namespace {

// Each frame command hands over a frame that was not delivered before, and
// none once the stream has stopped.
TEST_F(SimApiTest, FramesFollowTheCameraClockNewestFirstNeverTwice) {
    const ZrHandle k7 = open(kK7);
    ASSERT_EQ(DcStartStream(k7), 0);
    uint64_t lastHandle = 0, lastStamp = 0;
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(nextFrame(k7), 0);
        void* p = nullptr;
        ASSERT_EQ(DcGetPtrValue(k7, ZR_PTR_FRAME_DATA, &p), 0);
        const ZrFrameData* frame = static_cast<const ZrFrameData*>(p);
        EXPECT_NE(frame->frameHandle, lastHandle);
        EXPECT_GT(frame->blocks[ZR_BLOCK_DEPTH].sensorTimestamp, lastStamp);
        EXPECT_GE(frame->blocks[ZR_BLOCK_DEPTH].receiveTimestamp, frame->blocks[ZR_BLOCK_DEPTH].sensorTimestamp);
        lastHandle = frame->frameHandle;
        lastStamp = frame->blocks[ZR_BLOCK_DEPTH].sensorTimestamp;
    }
    EXPECT_EQ(DcStopStream(k7), 0);
    EXPECT_EQ(DcSetCmd(k7, ZR_CMD_GET_NEW_FRAME), ZR_STATUS_NOT_STREAMING);
}

// The unit the workstation asks for: millimetres.
TEST_F(SimApiTest, DepthAndPointDataAgreeInMillimetres) {
    const ZrHandle k7 = open(kK7);
    ASSERT_EQ(DcSetIntValue(k7, ZR_INT_XYZ_UNIT, 0), 0);
    ASSERT_EQ(DcStartStream(k7), 0);
    ASSERT_EQ(nextFrame(k7), 0);
    void* depthPtr = nullptr;
    void* xyzPtr = nullptr;
    ASSERT_EQ(DcGetPtrValue(k7, ZR_PTR_3D_DEPTH_DATA, &depthPtr), 0);
    ASSERT_EQ(DcGetPtrValue(k7, ZR_PTR_XYZ_DATA, &xyzPtr), 0);
    const auto* depth = static_cast<const uint16_t*>(depthPtr);
    const auto* xyz = static_cast<const float*>(xyzPtr);
    int hits = 0;
    for (int i = 0; i < 64 * 48; ++i) {
        if (depth[i] == 0) {
            EXPECT_EQ(xyz[i * 3 + 2], 0.0f) << "pixel " << i;
            continue;
        }
        ++hits;
        EXPECT_NEAR(xyz[i * 3 + 2], depth[i], 0.6f) << "pixel " << i;
    }
    // The pallet 1 m ahead fills the middle of the image.
    EXPECT_NEAR(depth[24 * 64 + 32], 1000, 30);
    EXPECT_GT(hits, 64 * 48 / 2);
}

void countFrame(const ZrFrameData*, void* user) {
    ++*static_cast<std::atomic<int>*>(user);
}

// The frames a callback receives and the teardown by unregister and stop are
// driven by the camera layer's tests; here closing the handle, with neither
// an unregister nor a stop, ends the callbacks.
TEST_F(SimApiTest, ClosingTheHandleEndsTheCallbacks) {
    const ZrHandle k7 = open(kK7);
    std::atomic<int> frames{0};
    ASSERT_EQ(DcRegisterFrameCallback(k7, countFrame, &frames), 0);
    ASSERT_EQ(DcStartStream(k7), 0);
    for (int i = 0; i < 400 && frames < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(DcCloseDevice(k7), 0);
    opened_.clear();
    const int afterClose = frames.load();
    EXPECT_GE(afterClose, 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(frames.load(), afterClose);
}

}  // namespace
}  // namespace sim_test
