#include "FrameFileWriter.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <pcl/io/pcd_io.h>

namespace algPlatform {
namespace {

namespace fs = std::filesystem;

const std::string kStamp = "20260102_030405_006";

class FrameFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override { folder = fs::temp_directory_path() / ("hd_frames_" + std::to_string(std::random_device{}())); }
    void TearDown() override { fs::remove_all(folder); }
    std::set<std::string> names() const {
        std::set<std::string> result;
        for (const auto& entry : fs::directory_iterator(folder)) {
            result.insert(entry.path().filename().string());
        }
        return result;
    }
    fs::path folder;
};

corVane::ColorCloudPtr cloudOf(std::initializer_list<std::array<float, 4>> points) {
    auto cloud = std::make_shared<corVane::ColorCloud>();
    for (const auto& [x, y, z, shade] : points) {
        pcl::PointXYZRGB p(static_cast<std::uint8_t>(shade), 255 - static_cast<std::uint8_t>(shade), 7);
        p.x = x;
        p.y = y;
        p.z = z;
        cloud->push_back(p);
    }
    return cloud;
}

cv::Mat randomImage(int type) {
    cv::Mat image(3, 5, type);
    cv::randu(image, 0, CV_MAT_DEPTH(type) == CV_16U ? 65535 : 255);
    return image;
}

TEST_F(FrameFileWriterTest, WritesEachImageItHasAndTheCloudOnlyWithPoints) {
    const auto points = cloudOf({{1.0f, 2.0f, 3.0f, 10}});
    struct Case {
        cv::Mat rgb, depth, amplitude;
        corVane::ColorCloudPtr cloud;
        std::set<std::string> expected;
    };
    const Case cases[] = {
        {{}, randomImage(CV_16UC1), {}, cloudOf({}), {"depth_" + kStamp + ".png"}},
        {{}, randomImage(CV_8UC3), {}, points, {"depth_" + kStamp + ".png", "cloud_" + kStamp + ".pcd"}},
        {randomImage(CV_8UC3), randomImage(CV_8UC4), randomImage(CV_8UC1), nullptr,
         {"rgb_" + kStamp + ".png", "depth_" + kStamp + ".png", "amplitude_" + kStamp + ".png"}},
    };
    for (const Case& c : cases) {
        fs::remove_all(folder);
        const FrameFileWriter::Files files{{{"rgb", c.rgb}, {"depth", c.depth}, {"amplitude", c.amplitude}}, c.cloud};
        const auto result = FrameFileWriter::write(files, folder.string(), kStamp);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(names(), c.expected);
        EXPECT_EQ(result.written.size(), c.expected.size());
        for (const auto& image : files.images) {
            if (!image.image.empty()) {
                const cv::Mat back = cv::imread((folder / (image.name + "_" + kStamp + ".png")).string(),
                                                cv::IMREAD_UNCHANGED);
                ASSERT_EQ(back.type(), image.image.type()) << image.name;
                EXPECT_EQ(cv::norm(back, image.image, cv::NORM_INF), 0.0) << image.name;
            }
        }
    }
}

TEST_F(FrameFileWriterTest, CloudReadsBackThroughPclBehindTheLibrarysBinaryHeader) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto cloud = cloudOf({{-1.5f, 2.25f, 3000.0f, 255}, {nan, nan, nan, 0}, {1e6f, -1e-3f, 12.5f, 128}});
    ASSERT_TRUE(FrameFileWriter::write(FrameFileWriter::Files{{}, cloud}, folder.string(), kStamp).ok);
    const fs::path path = folder / ("cloud_" + kStamp + ".pcd");

    corVane::ColorCloud back;
    ASSERT_EQ(pcl::io::loadPCDFile(path.string(), back), 0);
    ASSERT_EQ(back.size(), cloud->size());
    for (std::size_t i = 0; i < cloud->size(); ++i) {
        const auto same = [](float x, float y) { return (std::isnan(x) && std::isnan(y)) || x == y; };
        const auto& a = (*cloud)[i];
        EXPECT_TRUE(same(a.x, back[i].x) && same(a.y, back[i].y) && same(a.z, back[i].z)) << i;
        EXPECT_EQ(a.rgba, back[i].rgba) << i;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string header = pcl::PCDWriter::generateHeader(*cloud) + "DATA binary\n";
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    EXPECT_EQ(bytes.size(), header.size() + 16 * cloud->size());
}

TEST_F(FrameFileWriterTest, AFileThatCannotBeWrittenStopsTheExportAndLeavesNoPartialFile) {
    const std::string depth = "depth_" + kStamp + ".png";
    const std::string cloud = "cloud_" + kStamp + ".pcd";
    for (const std::string& blocked : {depth, cloud}) {
        fs::remove_all(folder);
        fs::create_directories(folder / blocked / "kept");   // a folder holds the file's name
        const auto result = FrameFileWriter::write(
            FrameFileWriter::Files{{{"depth", randomImage(CV_16UC1)}}, cloudOf({{1, 2, 3, 4}})}, folder.string(), kStamp);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error.rfind("cannot write '" + (folder / blocked).string() + "': ", 0), 0U) << result.error;
        // Files before the failure stay whole; nothing after it and no temporary file.
        EXPECT_EQ(names(), (blocked == depth ? std::set<std::string>{depth} : std::set<std::string>{depth, cloud}));
        EXPECT_EQ(result.written.size(), blocked == depth ? 0U : 1U);
    }
}

}  // namespace
}  // namespace algPlatform
