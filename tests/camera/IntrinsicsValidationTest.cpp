// Intrinsics blocks with values a camera must never be trusted with. The
// virtual camera only serves sound blocks, so this file wraps DcGetPtrValue
// (the test executable's definition takes precedence over the library's) and
// replaces chosen blocks.
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <set>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "FrameTime.h"
#include "SimTestScene.h"
#include "ZrCameraApi.h"

namespace {

std::mutex gOverrideMutex;
std::map<int32_t, ZrIntrinsicsBlock> gOverrides;   // pointer id -> block served instead
std::set<int32_t> gNullIds;                         // pointer ids answered 0 with a null pointer

}  // namespace

extern "C" int32_t DcGetPtrValue(ZrHandle handle, int32_t id, void** value)
{
    using Fn = int32_t (*)(ZrHandle, int32_t, void**);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "DcGetPtrValue"));
    const int32_t status = real(handle, id, value);
    std::lock_guard<std::mutex> lock(gOverrideMutex);
    const auto found = gOverrides.find(id);
    if (status == 0 && found != gOverrides.end() && value != nullptr) {
        *value = &found->second;
    }
    if (status == 0 && gNullIds.count(id) != 0 && value != nullptr) {
        *value = nullptr;
    }
    return status;
}

namespace algPlatform {
namespace {

// Retries frame commands that time out while the virtual camera starts.
std::int32_t grabFrame(ZrCameraK7& camera, FrameSet& frame)
{
    std::int32_t code = 2;
    for (int attempt = 0; attempt < 200 && code == 2; ++attempt) {
        code = camera.getNewFrameSet(frame, true);
    }
    return code;
}

class IntrinsicsValidationTest : public SimCameraTest {
protected:
    void TearDown() override
    {
        std::lock_guard<std::mutex> lock(gOverrideMutex);
        gOverrides.clear();
        gNullIds.clear();
    }

    static void answerNull(int32_t id)
    {
        std::lock_guard<std::mutex> lock(gOverrideMutex);
        gNullIds.insert(id);
    }

    static void serve(int32_t id, ZrIntrinsicsBlock block)
    {
        std::lock_guard<std::mutex> lock(gOverrideMutex);
        gOverrides[id] = block;
    }

    static ZrIntrinsicsBlock block(float fx, float fy, float k1 = 0.0f)
    {
        return ZrIntrinsicsBlock{fx, fy, 40.0f, 30.0f, {k1, 0.0f, 0.0f, 0.0f, 0.0f}};
    }

    std::unique_ptr<ZrCameraK7> openCamera()
    {
        auto camera = std::make_unique<ZrCameraK7>(infoFor("127.0.10.1"));
        EXPECT_EQ(camera->open(), 0);
        capture_.clear();
        return camera;
    }
};

// Which intrinsics block the camera is trusted with: a new block that is
// missing or holds unusable values gives way to the legacy one; without a
// usable depth block initialising fails, without a colour block only the
// colour part is cleared.
TEST_F(IntrinsicsValidationTest, BlocksFallBackToTheLegacyIdsAndBadOnesAreNeverUsed)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        const char* faults;
        std::map<int32_t, ZrIntrinsicsBlock> served;
        std::int32_t status;
        float depthFx;
        const char* logged;
    };
    const Case cases[] = {
        {"new ids unsupported", R"({"unsupported": {"6011": -2, "6010": -2}})", {}, 0, 60.0f,
         "depth_fx=60, depth_fy=61, depth_source=legacy, color_available=true"},
        {"zero fx", "{}", {{ZR_PTR_3D_NEW_INTRIC_PARAM, block(0.0f, 50.0f)}, {ZR_PTR_3D_INTRIC_PARAM, block(77.0f, 78.0f)}},
         0, 77.0f, "depth_fx=77, depth_fy=78, depth_source=legacy"},
        {"negative fy", "{}", {{ZR_PTR_3D_NEW_INTRIC_PARAM, block(50.0f, -1.0f)}, {ZR_PTR_3D_INTRIC_PARAM, block(77.0f, 78.0f)}},
         0, 77.0f, "depth_source=legacy"},
        {"NaN fx", "{}", {{ZR_PTR_3D_NEW_INTRIC_PARAM, block(nan, 50.0f)}, {ZR_PTR_3D_INTRIC_PARAM, block(77.0f, 78.0f)}},
         0, 77.0f, "depth_source=legacy"},
        {"infinite distortion", "{}",
         {{ZR_PTR_3D_NEW_INTRIC_PARAM, block(50.0f, 50.0f, inf)}, {ZR_PTR_3D_INTRIC_PARAM, block(77.0f, 78.0f)}}, 0, 77.0f,
         "depth_source=legacy"},
        {"NaN distortion", "{}",
         {{ZR_PTR_3D_NEW_INTRIC_PARAM, block(50.0f, 50.0f, nan)}, {ZR_PTR_3D_INTRIC_PARAM, block(77.0f, 78.0f)}}, 0, 77.0f,
         "depth_source=legacy"},
        {"no depth block", R"({"unsupported": {"6011": -2, "6006": -3}})", {}, -3, 0.0f,
         "[error] Read depth intrinsics (new/legacy) failed, state=-3, error="},
        {"both depth blocks bad", "{}",
         {{ZR_PTR_3D_NEW_INTRIC_PARAM, block(0.0f, 50.0f)}, {ZR_PTR_3D_INTRIC_PARAM, block(50.0f, nan)}}, -4, 0.0f,
         "[error] Read depth intrinsics (new/legacy) failed, state=-4"},
        {"no colour block", R"({"unsupported": {"6010": -2, "6005": -2}})", {}, 0, 60.0f,
         "color_available=false, color=0x0, color_fx=0, color_fy=0, color_read_state=-2"},
        {"both colour blocks bad", "{}",
         {{ZR_PTR_2D_NEW_INTRIC_PARAM, block(inf, 50.0f)}, {ZR_PTR_2D_INTRIC_PARAM, block(-5.0f, 50.0f)}}, 0, 60.0f,
         "depth_source=new, color_available=false, color=0x0, color_fx=0, color_fy=0, color_read_state=-4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kCameraTestScene), 0);
        setFault("127.0.10.1", c.faults);
        {
            std::lock_guard<std::mutex> lock(gOverrideMutex);
            gOverrides = c.served;
        }
        auto camera = openCamera();
        EXPECT_EQ(camera->initialize("{}"), c.status);
        EXPECT_FLOAT_EQ(camera->intrinsics().depthFx, c.depthFx);
        EXPECT_TRUE(capture_.contains(c.logged)) << capture_.text();
    }
}

// A success without data must not pass as a frame.
TEST_F(IntrinsicsValidationTest, NullDataPointersFailTheFrame)
{
    auto camera = openCamera();
    ASSERT_EQ(camera->initialize("{}"), 0);
    ASSERT_EQ(camera->startStream(), 0);
    answerNull(ZR_PTR_3D_DEPTH_DATA);
    FrameSet frame;
    EXPECT_EQ(grabFrame(*camera, frame), 1);
    EXPECT_TRUE(capture_.contains("[error] getNewFrameSet failed while reading depth image, ip=127.0.10.1"));

    answerNull(ZR_PTR_XYZ_DATA);
    CloudFrame cloud;
    EXPECT_EQ(camera->getPointCloud(cloud), 1);
    EXPECT_FALSE(cloud.cloud);

    answerNull(ZR_PTR_2D_IMAGE_DATA);
    ImageFrame color;
    EXPECT_EQ(camera->getColorImage(color), 1);
    EXPECT_TRUE(color.image.empty());

    // The frame time falls back to the wall clock when the frame record is missing.
    {
        std::lock_guard<std::mutex> lock(gOverrideMutex);
        gNullIds = {ZR_PTR_FRAME_DATA};
    }
    const std::int64_t before = FrameTime::nowMs();
    ASSERT_EQ(grabFrame(*camera, frame), 0);
    EXPECT_GE(frame.timeMs, before);
    EXPECT_LE(frame.timeMs, FrameTime::nowMs());
    EXPECT_TRUE(capture_.contains("[debug] DcGetPtrValue ZR_PTR_FRAME_DATA unavailable, state=0"));
}

}  // namespace
}  // namespace algPlatform
