// Ground calibration on a 640×480 frame: floor, a wall and a box, as the
// worker hands it over. Also reports the accuracy over 20 noisy frames.
#include "EuclideanClusterGrid.h"
#include "GroundCalibration.h"
#include "SyntheticScene.h"

#include <benchmark/benchmark.h>
#include <pcl/filters/voxel_grid.h>
#include <pcl/search/kdtree.h>
#include <pcl/segmentation/extract_clusters.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using zavov::testing::RangeNoise;
using zavov::testing::SyntheticCamera;
using zavov::testing::SyntheticScene;

constexpr double kFloorClearanceMm = 5.0;
constexpr double kRangeNoiseSigmaMm = 10.0;
constexpr int kAccuracyRuns = 20;

SyntheticScene warehouseCorner() {
    SyntheticScene scene;
    scene.wallX = 4500.0;
    scene.boxes.push_back({{1800.0, -500.0, 0.0}, {2600.0, 400.0, 700.0}});
    return scene;
}

SyntheticCamera forkliftCamera() {
    SyntheticCamera camera;
    camera.width = 640;
    camera.height = 480;
    camera.roll = 63.0;  // looking about 27° down
    camera.pitch = -178.0;
    camera.yaw = 90.0;
    camera.x = 150.0;
    camera.y = -60.0;
    camera.z = 1250.0;
    return camera;
}

hazard_desk::Extrinsics roughMount(const SyntheticCamera& truth) {
    hazard_desk::Extrinsics e;
    e.roll = truth.roll + 3.0;
    e.pitch = truth.pitch - 2.0;
    e.yaw = truth.yaw;
    e.x = truth.x;
    e.y = truth.y;
    e.z = truth.z - 150.0;
    return e;
}

void BM_CalibrateGround640x480(benchmark::State& state) {
    const SyntheticCamera truth = forkliftCamera();
    RangeNoise noise;
    noise.sigmaMm = kRangeNoiseSigmaMm;
    noise.seed = 2024;
    const auto cloud = zavov::testing::renderScene(warehouseCorner(), truth, noise);
    const hazard_desk::Extrinsics initial = roughMount(truth);
    std::uint64_t inliers = 0;
    std::uint64_t points = 0;
    for (auto _ : state) {
        const zavov::GroundCalibrationResult result = zavov::calibrateGround(cloud, initial);
        if (!result.ok) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        inliers = result.inlierCount;
        points = result.pointCount;
        benchmark::DoNotOptimize(result);
    }
    state.counters["cloudPoints"] = static_cast<double>(cloud.size());
    state.counters["fitPoints"] = static_cast<double>(points);
    state.counters["inliers"] = static_cast<double>(inliers);
}
BENCHMARK(BM_CalibrateGround640x480)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 20 frames with different noise seeds, each calibrated from the rough mount.
void BM_CalibrationAccuracy20Frames(benchmark::State& state) {
    const SyntheticCamera truth = forkliftCamera();
    const hazard_desk::Extrinsics initial = roughMount(truth);
    double maxRoll = 0.0, maxPitch = 0.0, maxHeight = 0.0;
    double sumRoll = 0.0, sumPitch = 0.0, sumHeight = 0.0;
    int failures = 0;
    for (auto _ : state) {
        for (int run = 0; run < kAccuracyRuns; ++run) {
            RangeNoise noise;
            noise.sigmaMm = kRangeNoiseSigmaMm;
            noise.seed = static_cast<std::uint32_t>(1000 + run);
            const auto cloud = zavov::testing::renderScene(warehouseCorner(), truth, noise);
            const zavov::GroundCalibrationResult result = zavov::calibrateGround(cloud, initial);
            if (!result.ok) {
                ++failures;
                continue;
            }
            const double rollError = std::abs(std::remainder(result.pose.roll - truth.roll, 360.0));
            const double pitchError =
                std::abs(std::remainder(result.pose.pitch - truth.pitch, 360.0));
            const double heightError = std::abs(result.pose.z - (truth.z - kFloorClearanceMm));
            maxRoll = std::max(maxRoll, rollError);
            maxPitch = std::max(maxPitch, pitchError);
            maxHeight = std::max(maxHeight, heightError);
            sumRoll += rollError;
            sumPitch += pitchError;
            sumHeight += heightError;
        }
    }
    const double n = kAccuracyRuns - failures > 0 ? kAccuracyRuns - failures : 1;
    state.counters["failures"] = failures;
    state.counters["rollErrMaxDeg"] = maxRoll;
    state.counters["pitchErrMaxDeg"] = maxPitch;
    state.counters["heightErrMaxMm"] = maxHeight;
    state.counters["rollErrMeanDeg"] = sumRoll / n;
    state.counters["pitchErrMeanDeg"] = sumPitch / n;
    state.counters["heightErrMeanMm"] = sumHeight / n;
    std::printf(
        "accuracy over %d frames (range noise %.0f mm): roll max %.4f deg, pitch max %.4f deg, "
        "height max %.2f mm, %d failed\n",
        kAccuracyRuns, kRangeNoiseSigmaMm, maxRoll, maxPitch, maxHeight, failures);
}
BENCHMARK(BM_CalibrationAccuracy20Frames)->Unit(benchmark::kMillisecond)->Iterations(1);

// The floor points that reach the clustering step: the frame turned into the
// mounting orientation (metres), sampled at 1 cm, within 3 cm of the floor.
struct FloorPoints {
    pcl::PointCloud<pcl::PointXYZ>::Ptr cloud;
    pcl::Indices indices;
};

FloorPoints floorPointsOfTheFrame() {
    const SyntheticCamera truth = forkliftCamera();
    const auto frame = zavov::testing::renderScene(warehouseCorner(), truth);
    const Eigen::Matrix3f rotation =
        zavov::testing::cameraRotation(truth.roll, truth.pitch, truth.yaw).cast<float>();
    auto levelled = std::make_shared<pcl::PointCloud<pcl::PointXYZ>>();
    for (const auto& p : frame) {
        if (p.x != 0.0f || p.y != 0.0f || p.z != 0.0f) {
            pcl::PointXYZ q;
            q.getVector3fMap() = rotation * (p.getVector3fMap() / 1000.0f);
            levelled->push_back(q);
        }
    }
    FloorPoints floor{std::make_shared<pcl::PointCloud<pcl::PointXYZ>>(), {}};
    pcl::VoxelGrid<pcl::PointXYZ> grid;
    grid.setInputCloud(levelled);
    grid.setLeafSize(0.01f, 0.01f, 0.01f);
    grid.filter(*floor.cloud);
    const auto floorZ = static_cast<float>(-truth.z / 1000.0);
    for (std::size_t i = 0; i < floor.cloud->size(); ++i) {
        if (std::abs((*floor.cloud)[i].z - floorZ) < 0.03f) {
            floor.indices.push_back(static_cast<pcl::index_t>(i));
        }
    }
    return floor;
}

void BM_FloorClusteringGrid(benchmark::State& state) {
    const FloorPoints floor = floorPointsOfTheFrame();
    std::size_t largest = 0;
    for (auto _ : state) {
        const auto clusters =
            zavov::EuclideanClusterGrid(0.2, 10, 2147483647).extract(*floor.cloud, floor.indices);
        largest = clusters.empty() ? 0 : clusters.front().indices.size();
    }
    state.counters["floorPoints"] = static_cast<double>(floor.indices.size());
    state.counters["largestCluster"] = static_cast<double>(largest);
}
BENCHMARK(BM_FloorClusteringGrid)->Unit(benchmark::kMillisecond);

// Baseline: the k-d tree cluster extraction of the point-cloud library on the
// same points.
void BM_FloorClusteringKdTreeBaseline(benchmark::State& state) {
    const FloorPoints floor = floorPointsOfTheFrame();
    auto indices = std::make_shared<pcl::Indices>(floor.indices);
    std::size_t largest = 0;
    for (auto _ : state) {
        pcl::EuclideanClusterExtraction<pcl::PointXYZ> extraction;
        extraction.setClusterTolerance(0.2);
        extraction.setMinClusterSize(10);
        extraction.setMaxClusterSize(2147483647);
        extraction.setSearchMethod(std::make_shared<pcl::search::KdTree<pcl::PointXYZ>>());
        extraction.setInputCloud(floor.cloud);
        extraction.setIndices(indices);
        std::vector<pcl::PointIndices> clusters;
        extraction.extract(clusters);
        largest = clusters.empty() ? 0 : clusters.front().indices.size();
    }
    state.counters["floorPoints"] = static_cast<double>(floor.indices.size());
    state.counters["largestCluster"] = static_cast<double>(largest);
}
BENCHMARK(BM_FloorClusteringKdTreeBaseline)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
