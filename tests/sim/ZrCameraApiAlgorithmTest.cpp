// The stored algorithm parameter JSON, template and mode switching, the
// obstacle verdict and boxes, V1 mask upload and persistence.

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>

#include <opencv2/imgcodecs.hpp>

#include "SimApiFixture.h"

namespace sim_test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

fs::path freshDirectory(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("hd_sim_test_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST_F(SimApiTest, InvalidParameterWritesAreRefusedAndChangeNothing) {
    const ZrHandle k7 = open(kK7);
    const std::string before = algorithmText(k7);
    json good = deviceParams(500.0, 300.0, 1200.0, 2000.0);
    auto without = [&](const char* key) {
        json d = good;
        d.erase(key);
        return d.dump();
    };
    auto with = [&](const char* key, json value) {
        json d = good;
        d[key] = value;
        return d.dump();
    };
    const std::string refused[] = {"{", "[]", "\"text\"", without("R"), without("T"), without("ZoneIndex"),
                                   without("Zones"), with("R", json::array({1, 0, 0})), with("T", "0,0,500"),
                                   with("ZoneIndex", 20), with("ZoneIndex", 1.5), with("Zones", json::array())};
    for (const std::string& text : refused) {
        EXPECT_EQ(DcSetStringValue(k7, ZR_STRING_ALGORITHM_PARAMS, text.c_str()), ZR_STATUS_INVALID_ARGUMENT) << text;
        EXPECT_EQ(algorithmText(k7), before);
    }
    const ZrHandle r8 = open(kR8);
    EXPECT_EQ(DcSetStringValue(r8, ZR_STRING_ALGORITHM_PARAMS, good.dump().c_str()), ZR_STATUS_NOT_SUPPORTED);
}

TEST_F(SimApiTest, SavesSettleAfterTheDelayAndRoundingIsApplied) {
    const ZrHandle k7 = open(kK7);
    const std::string before = algorithmText(k7);
    json next = deviceParams(500.0, 300.3, 1200.0, 2000.0);
    next["ZoneIndex"] = 4;

    ASSERT_EQ(ZrSim_SetFault(kK7, R"({"saveDelayMs": 30, "readbackRounding": 0.5})"), 0);
    ASSERT_EQ(DcSetStringValue(k7, ZR_STRING_ALGORITHM_PARAMS, next.dump().c_str()), 0);
    std::string after = algorithmText(k7);
    for (int i = 0; i < 400 && after == before; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        after = algorithmText(k7);
    }
    const json stored = json::parse(after);
    EXPECT_EQ(stored["ZoneIndex"], 4);
    EXPECT_DOUBLE_EQ(stored["Zones"]["1"]["DangerZone"][0].get<double>(), 300.5);
    EXPECT_EQ(obstacleIndex(k7), 4);
}

// The verdict as the SDK hands it over: GetObstacleIO, the outputs (OUT1 =
// stop, OUT2 = warning) and the box record of the frame's algorithm block, V2
// for the K7 and V1 for the P3 Wide. The P3 still has its factory pose (50 mm
// high), so the pallet 1 m ahead reaches into its factory danger zone
// 1000..1200. Where the boxes stand against the zones is the evaluation's own
// test.
TEST_F(SimApiTest, VerdictFollowsThePalletThroughTheZones) {
    struct Case {
        const char* ip;
        double palletX;
        int verdict, outputs;   // outputs -1: the model has none
        int32_t recordType;
    };
    const Case cases[] = {
        {kK7, 1000.0, 2, 1, ZR_FRAME_TYPE_ALGORITHM_V2},
        {kK7, 1500.0, 1, 2, ZR_FRAME_TYPE_ALGORITHM_V2},
        {kP3, 1000.0, 2, -1, ZR_FRAME_TYPE_ALGORITHM_V1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " " + std::to_string(c.palletX));
        load(sceneText(c.palletX));
        const ZrHandle handle = open(c.ip);
        ASSERT_EQ(DcStartStream(handle), 0);
        EXPECT_EQ(settledVerdict(handle), c.verdict);
        if (c.outputs >= 0) {
            EXPECT_EQ(intValue(handle, ZR_INT_IO_OUTPUT_STATUS), c.outputs);
        }
        void* p = nullptr;
        ASSERT_EQ(DcGetPtrValue(handle, ZR_PTR_FRAME_DATA, &p), 0);
        const ZrFrameBlock& block = static_cast<const ZrFrameData*>(p)->blocks[ZR_BLOCK_ALGORITHM];
        EXPECT_EQ(block.type, c.recordType);
        const auto* output = static_cast<const ZrAlgorithmOutput*>(block.data);
        ASSERT_GE(output->boxCount, 1);
        const char* box = static_cast<const char*>(output->boxes);
        float x = 0;
        std::memcpy(&x, box + 68, 4);
        EXPECT_NEAR(x, c.palletX, 40.0);
        if (c.recordType == ZR_FRAME_TYPE_ALGORITHM_V2) {
            int32_t level = -1, nameLength = 0;
            std::memcpy(&level, box + 80, 4);
            std::memcpy(&nameLength, box + 144, 4);
            EXPECT_EQ(level, 2 - c.verdict);   // 0 danger, 1 warning
            EXPECT_EQ(std::string(box + 148, nameLength), "pallet");
        }
    }
}

TEST_F(SimApiTest, VerdictUsesTheConfiguredPoseNotTheTrueMount) {
    const ZrHandle k7 = open(kK7);
    ASSERT_EQ(DcStartStream(k7), 0);
    EXPECT_EQ(settledVerdict(k7), 2);
    json shifted = deviceParams(500.0, 300.0, 1200.0, 2000.0);
    shifted["T"] = json::array({-2000.0, 0.0, 500.0});  // configured 2 m behind its real place
    ASSERT_EQ(DcSetStringValue(k7, ZR_STRING_ALGORITHM_PARAMS, shifted.dump().c_str()), 0);
    settledVerdict(k7);
    EXPECT_EQ(settledVerdict(k7), 0);
}

void writeMask(const fs::path& path, int width, int height, uint16_t value, int depth = CV_16U) {
    cv::Mat mask(height, width, depth, cv::Scalar(value));
    ASSERT_TRUE(cv::imwrite(path.string(), mask));
}

int32_t upload(ZrHandle handle, const std::vector<fs::path>& paths) {
    std::vector<std::string> texts;
    for (const auto& p : paths) texts.push_back(p.string());
    std::vector<const char*> pointers;
    for (const auto& t : texts) pointers.push_back(t.c_str());
    ZrFileList list{pointers.data(), static_cast<int32_t>(pointers.size())};
    return DcUpLoadFiles(handle, &list, 4);
}

// V1 masks walked once, with a state directory: uploads are checked, the
// masks of the running template drive the verdict, and parameters, modes and
// masks come back after the cameras "reboot" from their flash.
TEST_F(SimApiTest, MasksDriveTheV1VerdictAndEverythingSurvivesARestart) {
    const fs::path state = freshDirectory("state");
    const fs::path dir = freshDirectory("masks");
    ::setenv("ZR_SIM_STATE_DIR", state.string().c_str(), 1);
    ZrSim_Reset();
    load(sceneText());
    writeMask(dir / "danger_far1.pgm", 40, 30, 65535);
    writeMask(dir / "danger_near1.pgm", 40, 30, 0);
    writeMask(dir / "warn_far1.pgm", 40, 30, 0);
    writeMask(dir / "warn_near1.pgm", 40, 30, 65535);
    writeMask(dir / "danger_near2.pgm", 40, 30, 200, CV_8U);
    writeMask(dir / "mask1.pgm", 40, 30, 0);
    {
        const ZrHandle p20 = open(kP20);
        const std::vector<fs::path> refused[] = {
            {dir / "danger_near2.pgm"},                        // 8-bit
            {dir / "mask1.pgm"},                               // not a mask name
            {dir / "danger_far1.pgm"},                         // pair incomplete
            {dir / "danger_far1.pgm", dir / "danger_near5.pgm"},  // file missing
        };
        for (const auto& paths : refused) EXPECT_EQ(upload(p20, paths), ZR_STATUS_FILE_ERROR) << paths.front();

        ASSERT_EQ(DcStartStream(p20), 0);
        EXPECT_EQ(settledVerdict(p20), 0);  // no masks for the running template yet
        ASSERT_EQ(upload(p20, {dir / "danger_far1.pgm", dir / "danger_near1.pgm", dir / "warn_far1.pgm",
                               dir / "warn_near1.pgm"}),
                  0)
            << ZrSim_LastError();
        settledVerdict(p20);
        EXPECT_EQ(settledVerdict(p20), 2);

        int32_t other = 3;  // a template without masks
        ASSERT_EQ(DcSpecialControl(p20, "SetObstacleMode", &other), 0);
        settledVerdict(p20);
        EXPECT_EQ(settledVerdict(p20), 0);

        json params = json::parse(algorithmText(p20));
        params["Zones"]["7"]["DangerZone"][0] = 123.0;
        ASSERT_EQ(DcSetStringValue(p20, ZR_STRING_ALGORITHM_PARAMS, params.dump().c_str()), 0);
        ASSERT_EQ(DcSetIntValue(p20, ZR_INT_IO_HARDWARE_WORK_MODE, 1), 0);
    }
    fs::remove_all(dir);  // the camera keeps its own copies
    for (const auto& entry : fs::recursive_directory_iterator(state)) EXPECT_NE(entry.path().extension(), ".tmp");
    load(sceneText());
    const ZrHandle p20 = open(kP20);
    const json params = json::parse(algorithmText(p20));
    EXPECT_DOUBLE_EQ(params["Zones"]["7"]["DangerZone"][0].get<double>(), 123.0);
    EXPECT_EQ(obstacleIndex(p20), 3);
    EXPECT_EQ(intValue(p20, ZR_INT_IO_HARDWARE_WORK_MODE), 1);
    int32_t first = 1;
    ASSERT_EQ(DcSpecialControl(p20, "SetObstacleMode", &first), 0);
    ASSERT_EQ(DcStartStream(p20), 0);
    settledVerdict(p20);
    EXPECT_EQ(settledVerdict(p20), 2);  // the stored masks of template 1 are back
    ::unsetenv("ZR_SIM_STATE_DIR");
    ZrSim_Reset();
    fs::remove_all(state);
}

}  // namespace
}  // namespace sim_test
