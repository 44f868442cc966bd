// Discovery, open/close, value records, parameter writes and intrinsics of the
// virtual camera library, through the SDK calls.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "SimApiFixture.h"

namespace sim_test {
namespace {

template <typename T>
T at(const ZrDeviceInfo& record, size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const char*>(&record) + offset, sizeof(T));
    return value;
}

std::string textAt(const ZrDeviceInfo& record, size_t offset) {
    const char* p = reinterpret_cast<const char*>(&record) + offset;
    return std::string(p, strnlen(p, 32));
}

TEST_F(SimApiTest, DiscoveryListsEveryCameraWithTheRecordLayout) {
    ZrDeviceInfo* list = nullptr;
    int32_t count = 0;
    ASSERT_EQ(DcGetDeviceList(&list, &count, 4), 0);
    ASSERT_EQ(count, 4);
    ASSERT_NE(list, nullptr);
    const ZrDeviceInfo& k7 = list[0];
    EXPECT_NE(at<uint64_t>(k7, 0), 0u);
    EXPECT_EQ(at<int32_t>(k7, 8), 1005);
    EXPECT_EQ(textAt(k7, 12), "K7-T");
    EXPECT_EQ(textAt(k7, 44), kK7);
    EXPECT_EQ(textAt(k7, 76), "SN-K7");
    EXPECT_EQ(textAt(k7, 140), "fw-k7");
    EXPECT_EQ(textAt(k7, 172), "alg-2");
    EXPECT_EQ(textAt(k7, 204), "K7 test");
    // Types the workstation filters out are listed too.
    EXPECT_EQ(at<int32_t>(list[3], 8), 5001);
    EXPECT_EQ(textAt(list[3], 44), kR8);
    // Stride of the array is the 496-byte record.
    EXPECT_EQ(textAt(*reinterpret_cast<const ZrDeviceInfo*>(reinterpret_cast<const char*>(list) + 496), 44), kP20);
}

// An unknown address is seen by the camera layer's open tests.
TEST_F(SimApiTest, OpenCloseRefusesSecondHandlesAndClosedOnes) {
    ZrDeviceInfo info{};
    const ZrHandle k7 = open(kK7);
    ASSERT_NE(k7, 0u);
    ZrHandle second = 0;
    EXPECT_EQ(DcOpenDevice(1, kK7, &second, &info), ZR_STATUS_DEVICE_BUSY);
    EXPECT_EQ(DcCloseDevice(k7), 0);
    opened_.clear();
    EXPECT_EQ(DcCloseDevice(k7), ZR_STATUS_INVALID_HANDLE);
    EXPECT_EQ(DcStartStream(k7), ZR_STATUS_INVALID_HANDLE);
    ASSERT_EQ(DcOpenDevice(1, kK7, &second, &info), 0);
    opened_.push_back(second);
    EXPECT_NE(second, k7);
    EXPECT_EQ(info.handle, second);
    EXPECT_STREQ(info.id, "K7-T");
}

TEST_F(SimApiTest, ValueRecordsCarryCurrentMaximumAndMinimum) {
    const ZrHandle k7 = open(kK7);
    const ZrHandle p20 = open(kP20);
    const ZrHandle r8 = open(kR8);
    struct Case {
        ZrHandle handle;
        int32_t id;
        int32_t status;
        int32_t current, minimum, maximum;
    };
    const Case cases[] = {
        {p20, ZR_INT_ALGORITHM_MODE, 0, 1, 0, 1},
        {p20, ZR_INT_2D_IMAGE_WIDTH, ZR_STATUS_NOT_SUPPORTED, 0, 0, 0},
        {r8, ZR_INT_IO_HARDWARE_WORK_MODE, ZR_STATUS_NOT_SUPPORTED, 0, 0, 0},
        {k7, 1999, ZR_STATUS_NOT_SUPPORTED, 0, 0, 0},
        {k7, 2001, ZR_STATUS_INVALID_ARGUMENT, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ZrIntValue value;
        std::memset(&value, 0x5A, sizeof(value));
        EXPECT_EQ(DcGetIntValue(c.handle, c.id, &value), c.status) << "id " << c.id;
        if (c.status != 0) continue;
        int32_t raw[3];
        std::memcpy(raw, reinterpret_cast<const char*>(&value) + 4, sizeof(raw));
        EXPECT_EQ(raw[0], c.current) << "id " << c.id;
        EXPECT_EQ(raw[1], c.maximum) << "id " << c.id;
        EXPECT_EQ(raw[2], c.minimum) << "id " << c.id;
    }
}

TEST_F(SimApiTest, WritesRespectLimitsReadOnlyIdsAndTheModelsModes) {
    const ZrHandle k7 = open(kK7);
    const ZrHandle p20 = open(kP20);
    struct Case {
        ZrHandle handle;
        int32_t id;
        int32_t value;
        int32_t status;
    };
    const Case cases[] = {
        {k7, ZR_INT_XYZ_UNIT, 5, ZR_STATUS_INVALID_ARGUMENT},
        {k7, ZR_INT_3D_IMAGE_WIDTH, 320, ZR_STATUS_REFUSED},
        {k7, ZR_INT_ALGORITHM_MODE, 1, ZR_STATUS_INVALID_ARGUMENT},
        {p20, ZR_INT_ALGORITHM_MODE, 4, ZR_STATUS_INVALID_ARGUMENT},
    };
    for (const Case& c : cases) EXPECT_EQ(DcSetIntValue(c.handle, c.id, c.value), c.status) << "id " << c.id;
    // The writes that succeed, and the I/O modes, are seen in the camera layer's
    // and the worker's tests.
    EXPECT_EQ(DcSetBoolValue(k7, ZR_BOOL_CONNECT_STATE, false), ZR_STATUS_REFUSED);
    EXPECT_EQ(DcSetFloatValue(k7, ZR_FLOAT_CONFIDENCE, 2.0f), ZR_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(DcSetFloatValue(k7, ZR_FLOAT_DEVICE_TEMPERATURE, 20.0f), ZR_STATUS_REFUSED);
    EXPECT_EQ(DcSetCmd(k7, 6001), ZR_STATUS_INVALID_ARGUMENT);
}

// The scene the ZR_SIM_SCENE file names: a file that does not load or is
// missing leaves no cameras and says why.
TEST(SimApiSceneFile, BrokenSceneFilesLeaveNoCamerasAndSayWhy) {
    ZrDeviceInfo* list = nullptr;
    int32_t count = 7;
    const auto dir = std::filesystem::temp_directory_path() / ("hd_sim_scene_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string good = (dir / "good.json").string();
    const std::string bad = (dir / "bad.json").string();
    nlohmann::json scene = nlohmann::json::parse(sceneText());
    scene["cameras"].erase(1);
    std::ofstream(good) << scene.dump();
    std::ofstream(bad) << "{\"cameras\": [";
    ::setenv("ZR_SIM_SCENE", good.c_str(), 1);
    ZrSim_Reset();
    ASSERT_EQ(DcGetDeviceList(&list, &count, 4), 0);
    EXPECT_EQ(count, 3);
    ::setenv("ZR_SIM_SCENE", bad.c_str(), 1);
    ZrSim_Reset();
    EXPECT_EQ(DcGetDeviceList(&list, &count, 4), ZR_STATUS_LIBRARY_NOT_READY);
    EXPECT_EQ(count, 0);
    ZrHandle handle = 0;
    EXPECT_EQ(DcOpenDevice(1, kK7, &handle, nullptr), ZR_STATUS_LIBRARY_NOT_READY);
    EXPECT_NE(std::string(DcGetErrorString(ZR_STATUS_LIBRARY_NOT_READY)).find("bad.json"), std::string::npos);
    ::setenv("ZR_SIM_SCENE", (dir / "missing.json").string().c_str(), 1);
    ZrSim_Reset();
    EXPECT_NE(std::string(ZrSim_LastError()).find("cannot read scene file"), std::string::npos);
    ::unsetenv("ZR_SIM_SCENE");
    ZrSim_Reset();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace sim_test
