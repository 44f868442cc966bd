#pragma once
// Shared helpers of the virtual camera API tests: a fixture that loads the
// small test scene and opens cameras through the SDK calls.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "SimTestScene.h"
#include "ZrCameraApi.h"
#include "ZrSimControl.h"

namespace sim_test {

constexpr const char* kK7 = "127.0.20.1";
constexpr const char* kP20 = "127.0.20.2";
constexpr const char* kP3 = "127.0.20.3";
constexpr const char* kR8 = "127.0.20.9";

class SimApiTest : public ::testing::Test {
protected:
    void SetUp() override { load(sceneText()); }
    void TearDown() override {
        for (ZrHandle h : opened_) DcCloseDevice(h);
    }

    void load(const std::string& scene) {
        for (ZrHandle h : opened_) DcCloseDevice(h);
        opened_.clear();
        ASSERT_EQ(ZrSim_LoadSceneText(scene.c_str()), 0) << ZrSim_LastError();
    }

    ZrHandle open(const char* ip) {
        ZrHandle handle = 0;
        ZrDeviceInfo info{};
        const int32_t status = DcOpenDevice(1, ip, &handle, &info);
        EXPECT_EQ(status, 0) << ip << ": " << DcGetErrorString(status);
        if (status == 0) opened_.push_back(handle);
        return handle;
    }

    /// Polls until a frame command succeeds (bounded); returns the last status.
    static int32_t nextFrame(ZrHandle handle, int attempts = 100) {
        int32_t status = -1;
        for (int i = 0; i < attempts; ++i) {
            status = DcSetCmd(handle, ZR_CMD_GET_NEW_FRAME);
            if (status == 0 || status == -28 || status == -29) return status;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return status;
    }

    static int32_t intValue(ZrHandle handle, int32_t id) {
        ZrIntValue value{};
        const int32_t status = DcGetIntValue(handle, id, &value);
        return status == 0 ? value.current : -100000 + status;
    }

    static std::string algorithmText(ZrHandle handle) {
        const char* text = nullptr;
        EXPECT_EQ(DcGetStringValue(handle, ZR_STRING_ALGORITHM_PARAMS, &text), 0);
        return text ? text : "";
    }

    /// Waits until the camera has evaluated a few frames, then reads the verdict.
    static int settledVerdict(ZrHandle handle) {
        for (int i = 0; i < 3; ++i) EXPECT_EQ(nextFrame(handle), 0);
        int32_t io = -1;
        EXPECT_EQ(DcSpecialControl(handle, "GetObstacleIO", &io), 0);
        return io;
    }

    static int obstacleIndex(ZrHandle handle) {
        int32_t index = -1;
        EXPECT_EQ(DcSpecialControl(handle, "GetObstacleIndex", &index), 0);
        return index;
    }

    std::vector<ZrHandle> opened_;
};

}  // namespace sim_test
