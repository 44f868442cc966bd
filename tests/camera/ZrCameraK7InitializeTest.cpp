// The virtual camera only serves sound intrinsics blocks and never a null
// data pointer with success, so this file wraps DcGetPtrValue (the test
// executable's definition takes precedence over the library's) and replaces
// chosen answers.
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

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

ZrIntrinsicsBlock block(float fx, float fy, float k1 = 0.0f)
{
    return ZrIntrinsicsBlock{fx, fy, 40.0f, 30.0f, {k1, 0.0f, 0.0f, 0.0f, 0.0f}};
}

class InitializeTest : public SimCameraTest {
protected:
    // Opens a camera of the scene; the counters then start from the open.
    std::unique_ptr<ZrCameraK7> openCamera(const std::string& ip)
    {
        auto camera = std::make_unique<ZrCameraK7>(infoFor(ip));
        EXPECT_EQ(camera->open(), 0);
        capture_.clear();
        return camera;
    }

    void TearDown() override
    {
        std::lock_guard<std::mutex> lock(gOverrideMutex);
        gOverrides.clear();
        gNullIds.clear();
    }

    static void serve(const std::map<int32_t, ZrIntrinsicsBlock>& blocks, const std::set<int32_t>& nullIds = {})
    {
        std::lock_guard<std::mutex> lock(gOverrideMutex);
        gOverrides = blocks;
        gNullIds = nullIds;
    }

    static std::int64_t setterCalls()
    {
        return calls("DcSetIntValue") + calls("DcSetFloatValue") + calls("DcSetBoolValue") +
               calls("DcSetStringValue");
    }
};

// What a configuration text makes the camera do, for each way it can go: the
// typed sections (a later "sdk" entry replacing an earlier one), texts that
// keep the stream defaults, write statuses that are skipped or stop, geometry
// and colour reads that fail, and the intrinsics block the camera is trusted
// with: a new block that is missing or holds unusable values gives way to the
// legacy one; without a usable depth block initialising fails, without a
// colour block only the colour part is cleared. A logged piece starting with
// '!' must not be logged; intrinsics are read exactly when initialising succeeds.
TEST_F(InitializeTest, ConfigurationsAndWhatTheyApply)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const ZrIntrinsicsBlock legacy = block(77.0f, 78.0f);
    const std::int32_t newDepth = ZR_PTR_3D_NEW_INTRIC_PARAM;
    const std::int32_t oldDepth = ZR_PTR_3D_INTRIC_PARAM;
    struct Case {
        const char* faults;
        std::map<int32_t, ZrIntrinsicsBlock> served;
        const char* text;
        std::int32_t status;
        std::int64_t setters;
        std::vector<std::string> logged;
        const char* ip = "127.0.10.1";
    };
    const std::vector<Case> cases = {
        {"{}", {}, "{}", 0, 2,
         {"K7 apply SDK bool param, name=ZR_BOOL_ENABLE_3D_DEPTH_STREAM, cmd=3002, value=true",
          "K7 apply SDK bool param, name=ZR_BOOL_ENABLE_2D_STREAM, cmd=3011, value=true",
          "[info] Camera intrinsics loaded, ip=127.0.10.1, depth=80x60, depth_fx=60, depth_fy=61, depth_source=new, "
          "color_available=true, color=80x60"}},
        {"{}", {}, "", 0, 2, {}},
        {"{}", {}, "not json", 0, 2, {}},
        {"{}", {}, "[1, 2]", 0, 2, {}},
        {"{}", {}, R"({
            "enable_depth_stream": "off",
            "int": {"gain": 3, "ZR_INT_MAX_DEPTH": "0x1000"},
            "double": {"confidence": 0.5},
            "float": [{"cmd": "filter_level", "value": "0.25"}],
            "bool": {"enable_rgb_stream": 0},
            "string": {"custom_id": 7},
            "sdk": {"int": {"1005": 9}, "string": [{"command": "custom_id", "value": "dock"}]}})",
         0, 7,
         {"K7 apply SDK int param, name=1005, cmd=1005, value=9,", "name=ZR_INT_MAX_DEPTH, cmd=1012, value=4096,",
          "K7 apply SDK float param, name=confidence, cmd=2008, value=0.5,", "name=filter_level, cmd=2001, value=0.25,",
          "K7 apply SDK string param, name=custom_id, cmd=4010, value=dock,",
          "name=enable_depth_stream, cmd=3002, value=false,", "name=enable_rgb_stream, cmd=3011, value=false,"}},
        {"{}", {}, R"({
            "int": {"no_such_int": 1, "gain": "loud", "2001": 4},
            "bool": {"no_such_bool": true, "enable_rgb_stream": "maybe"}})",
         0, 2,
         {"[warning] K7 unknown SDK int param ignored, name=no_such_int, ip=127.0.10.1",
          "[warning] K7 unknown SDK int param ignored, name=2001, ip=127.0.10.1",
          "[warning] K7 unknown SDK bool param ignored, name=no_such_bool, ip=127.0.10.1", "!name=gain"}},
        {R"({"unsupported": {"1005": -2}})", {}, R"({"int": {"gain": 3}})", 0, 3,
         {"[error] gain failed, state=-2, error="}},
        {R"({"unsupported": {"1005": -1}})", {}, R"({"int": {"gain": 3}})", 1, 1,
         {"[error] gain failed, state=-1, error="}},
        {R"({"unsupported": {"1021": -2}})", {}, "{}", 0, 2,
         {"[error] K7 SDK call failed, expr=DcGetIntValue(device_info_.handle, ZR_INT_3D_IMAGE_WIDTH, &int_value), "
          "state=-2, error="}},
        {R"({"unsupported": {"1026": -1}})", {}, "{}", 1, 0,
         {"expr=DcGetIntValue(device_info_.handle, ZR_INT_3D_DEPTH_DATA_TYPE, &int_value), state=-1"}},
        // Ordered lists that make no call, are no list, or stop part way at a value that does not convert.
        {"{}", {}, R"({"sdk": {"calls": []}, "int": {"gain": 1}})", 0, 0, {}},
        {"{}", {}, R"({"sdk": {"calls": {"type": "int"}}})", 1, 0, {"[error] K7 sdk.calls must be an array, ip=127.0.10.1"}},
        // An ordered list with any invalid call makes none of them; each invalid call is named.
        {"{}", {}, R"({"sdk": {"calls": [5, {"type": "sleep", "sleep_ms": 0}, {"type": "int", "value": 1},
            {"type": "int", "name": "gain"}, {"type": "text", "name": "custom_id", "value": "x"},
            {"name": "no_such", "value": 1}, {"type": "float", "name": "gain", "value": 1},
            {"type": "int", "name": "gain", "value": 2}]}})",
         1, 0,
         {"index=0, reason=item is not object,", "index=1, reason=sleep call missing positive delay_ms,",
          "index=2, reason=missing name/cmd,", "index=3, reason=missing value,",
          "index=4, reason=unknown type or command: text:custom_id,", "index=5, reason=unknown type or command: :no_such,",
          "index=6, reason=unknown type or command: float:gain,", "!index=7"}},
        {"{}", {}, R"({"sdk": {"calls": [{"type": "int", "name": "gain", "value": 2},
                                        {"type": "Double", "name": "confidence", "value": "0.5x"},
                                        {"type": "int", "name": "max_depth", "value": 4000}]}})",
         1, 1,
         {"[error] K7 invalid ordered SDK call, index=1, reason=invalid float value for confidence, ip=127.0.10.1"}},
        // Colour: refused when enabled, unreadable, or absent from the model.
        {R"({"colorUnavailable": true})", {}, "{}", 0, 2, {"color_available=false, color=0x0, color_fx=0, color_fy=0"}},
        {R"({"unsupported": {"1041": -7, "1046": -2}})", {}, "{}", 0, 1,
         {"[warning] K7 optional 2D feature unavailable, feature=1041, state=-7, ip=127.0.10.1", "!feature=1046",
          "!cmd=3011", "color_available=false"}},
        {"{}", {}, R"({"enable_rgb_stream": true})", 0, 1,
         {"!cmd=3011", "color_available=false, color=0x0, color_fx=0, color_fy=0, color_read_state=-4"}, "127.0.10.2"},
        // The intrinsics fall-back, for depth and colour: the new block, else
        // the legacy one (the new one unreadable or holding a zero, negative or
        // non-finite value), else no intrinsics: initialising fails for depth,
        // only the colour part is cleared for colour.
        {R"({"unsupported": {"6011": -2, "6010": -2}})", {}, "{}", 0, 2,
         {"depth_fx=60, depth_fy=61, depth_source=legacy, color_available=true"}},
        {"{}", {{newDepth, block(0.0f, 50.0f)}, {oldDepth, legacy}}, "{}", 0, 2,
         {"depth_fx=77, depth_fy=78, depth_source=legacy"}},
        {"{}", {{newDepth, block(50.0f, -1.0f)}, {oldDepth, legacy}}, "{}", 0, 2, {"depth_fx=77, depth_fy=78"}},
        {"{}", {{newDepth, block(50.0f, 50.0f, nan)}, {oldDepth, legacy}}, "{}", 0, 2, {"depth_fx=77, depth_fy=78"}},
        {R"({"unsupported": {"6011": -2, "6006": -3}})", {}, "{}", -3, 2,
         {"[error] Read depth intrinsics (new/legacy) failed, state=-3, error="}},
        {"{}", {{newDepth, block(0.0f, 50.0f)}, {oldDepth, block(50.0f, nan)}}, "{}", -4, 2,
         {"[error] Read depth intrinsics (new/legacy) failed, state=-4"}},
        {R"({"unsupported": {"6010": -2, "6005": -2}})", {}, "{}", 0, 2,
         {"color_available=false, color=0x0, color_fx=0, color_fy=0, color_read_state=-2"}},
        {"{}", {{ZR_PTR_2D_NEW_INTRIC_PARAM, block(inf, 50.0f)}, {ZR_PTR_2D_INTRIC_PARAM, block(-5.0f, 50.0f)}}, "{}",
         0, 2, {"depth_source=new, color_available=false, color=0x0, color_fx=0, color_fy=0, color_read_state=-4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " " + c.faults + " " + c.text);
        reloadScene();
        setFault(c.ip, c.faults);
        serve(c.served);
        auto camera = openCamera(c.ip);
        EXPECT_EQ(camera->initialize(c.text), c.status);
        EXPECT_EQ(setterCalls(), c.setters);
        EXPECT_EQ(capture_.contains("Camera intrinsics loaded"), c.status == 0);
        if (c.status == 0) {
            EXPECT_EQ(camera->intrinsics().colorAvailable(), capture_.contains("color_available=true"));
            std::ostringstream fx;   // the stored block is the one logged
            fx << "depth_fx=" << camera->intrinsics().depthFx << ", depth_fy=" << camera->intrinsics().depthFy << ",";
            EXPECT_TRUE(capture_.contains(fx.str())) << fx.str();
        }
        for (const std::string& piece : c.logged) {
            if (piece[0] == '!') {
                EXPECT_FALSE(capture_.contains(piece.substr(1))) << piece;
            } else {
                EXPECT_TRUE(capture_.contains(piece)) << piece << "\n" << capture_.text();
            }
        }
    }
}

// Every form an ordered call may take, made in order with its delays, and
// nothing else: no stream defaults, the typed sections ignored.
TEST_F(InitializeTest, OrderedCallsRunInOrderWithTheirDelays)
{
    const std::pair<const char*, std::vector<const char*>> rows[] = {
        {R"({"type": "Integer", "name": "gain", "value": "0x5"})",
         {"K7 apply ordered SDK int call, index=0, name=gain, cmd=1005, value=5, ip=127.0.10.1"}},
        {R"({"type": "delay", "sleep_ms": 5})", {"K7 ordered SDK delay, delay_ms=5, ip=127.0.10.1"}},
        {R"({"type": "Double", "name": "confidence", "value": "0.5", "after_ms": 7})",
         {"K7 apply ordered SDK float call, index=2, name=confidence, cmd=2008, value=0.5",
          "K7 ordered SDK delay, delay_ms=7, ip=127.0.10.1"}},
        {R"({"name": "enable_rgb_stream", "value": true, "delay_ms": "x", "sleep_ms": 0})",
         {"K7 apply ordered SDK bool call, index=3, name=enable_rgb_stream, cmd=3011, value=true"}},
        {R"({"kind": "string", "cmd": "custom_id", "value": 12})",
         {"K7 apply ordered SDK string call, index=4, name=custom_id, cmd=4010, value=12"}},
        {R"({"value_type": "boolean", "command": "3002", "value": "on", "delay_ms": -4})",
         {"K7 apply ordered SDK bool call, index=5, name=3002, cmd=3002, value=true"}},
    };
    std::string list;
    for (const auto& row : rows) {
        list += (list.empty() ? "" : ", ") + std::string(row.first);
    }
    auto camera = openCamera("127.0.10.1");
    ASSERT_EQ(camera->initialize(R"({"int": {"gain": 3}, "sdk": {"calls": [)" + list + "]}}"), 0);
    EXPECT_EQ(setterCalls(), 5);
    EXPECT_EQ(capture_.count("K7 ordered SDK delay"), 2u);
    const std::string log = capture_.text();
    std::size_t previous = 0;
    for (const auto& row : rows) {
        for (const char* piece : row.second) {
            const std::size_t position = log.find(piece, previous);
            ASSERT_NE(position, std::string::npos) << piece << "\n" << log;
            previous = position;
        }
    }
}

// A success without data must not pass as a frame.
TEST_F(InitializeTest, NullDataPointersFailTheFrame)
{
    auto camera = openCamera("127.0.10.1");
    ASSERT_EQ(camera->initialize("{}"), 0);
    ASSERT_EQ(camera->startStream(), 0);
    serve({}, {ZR_PTR_3D_DEPTH_DATA});
    FrameSet frame;
    EXPECT_EQ(grabFrame(*camera, frame), 1);
    EXPECT_TRUE(capture_.contains("[error] getNewFrameSet failed while reading depth image, ip=127.0.10.1"));

    serve({}, {ZR_PTR_3D_DEPTH_DATA, ZR_PTR_XYZ_DATA});
    CloudFrame cloud;
    EXPECT_EQ(camera->getPointCloud(cloud), 1);
    EXPECT_FALSE(cloud.cloud);

    serve({}, {ZR_PTR_3D_DEPTH_DATA, ZR_PTR_XYZ_DATA, ZR_PTR_2D_IMAGE_DATA});
    ImageFrame color;
    EXPECT_EQ(camera->getColorImage(color), 1);
    EXPECT_TRUE(color.image.empty());

    // The frame time falls back to the wall clock when the frame record is missing.
    serve({}, {ZR_PTR_FRAME_DATA});
    const std::int64_t before = FrameTime::nowMs();
    ASSERT_EQ(grabFrame(*camera, frame), 0);
    EXPECT_GE(frame.timeMs, before);
    EXPECT_LE(frame.timeMs, FrameTime::nowMs());
    EXPECT_TRUE(capture_.contains("[debug] DcGetPtrValue ZR_PTR_FRAME_DATA unavailable, state=0"));
}

}  // namespace
}  // namespace algPlatform
