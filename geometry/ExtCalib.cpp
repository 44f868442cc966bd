#include "ExtCalib.h"

#include "EuclideanClusterGrid.h"

#include <Eigen/Geometry>
#include <pcl/filters/passthrough.h>
#include <pcl/filters/voxel_grid.h>
#include <pcl/kdtree/kdtree_flann.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <vector>

namespace zavov {

namespace {

using Cloud = pcl::PointCloud<pcl::PointXYZ>;

// All working lengths are metres.
// Only points less than this far above the expected floor take part.
constexpr float kMaxHeightAboveFloor = 1.0f;
constexpr float kPassThroughUpperLimit = 1e6f;
constexpr float kVoxelLeafSize = 0.01f;
constexpr std::size_t kMaxPlaneSeeds = 200;
constexpr float kSeedNeighbourRadius = 0.2f;
constexpr std::size_t kMinSeedNeighbours = 10;
constexpr float kPlaneInlierDistance = 0.03f;
constexpr double kMaxFloorTiltRad = 0.7853981633974483;  // 45°
constexpr double kClusterTolerance = 0.2;
constexpr std::size_t kMinClusterSize = 10;
constexpr std::size_t kMaxClusterSize = 2147483647;
// The corrected pose puts the floor 5 mm below z = 0, so floor noise does not
// reach zones that start just above the floor.
constexpr double kFloorClearance = 0.005;

// No camera returns a point this far away (metres). Dropping such faulty
// returns keeps the down-sampling grid's cell arithmetic within range; the
// pass-through alone would keep them, as it keeps everything above its upper
// limit.
constexpr float kMaxWorkingDistance = 1000.0f;

bool withinWorkingVolume(const pcl::PointXYZ& p) {
    return std::abs(p.x) <= kMaxWorkingDistance && std::abs(p.y) <= kMaxWorkingDistance &&
           std::abs(p.z) <= kMaxWorkingDistance;
}

struct PlaneCandidate {
    PlaneCoefficients plane;
    std::size_t inlierCount = 0;
};

double angleToUp(const Eigen::Vector3f& normal) {
    const Eigen::Vector3d n = normal.cast<double>();
    const Eigen::Vector3d up = Eigen::Vector3d::UnitZ();
    return std::atan2(n.cross(up).norm(), n.dot(up));
}

// Seed from the system's random device; should the device be unavailable,
// the clock still gives every run other seeds.
std::uint32_t systemSeed() {
    try {
        return std::random_device{}();
    } catch (const std::exception&) {
        return static_cast<std::uint32_t>(
            std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

// Rotation turning the (upward) normal onto +Z.
Eigen::Matrix3f levellingRotation(const Eigen::Vector3f& normal) {
    const Eigen::Vector3f n = normal.normalized();
    const Eigen::Vector3f axis = n.cross(Eigen::Vector3f::UnitZ());
    const float sinAngle = axis.norm();
    if (!(sinAngle > 0.0f)) {
        return Eigen::Matrix3f::Identity();
    }
    const float angle = std::atan2(sinAngle, n.dot(Eigen::Vector3f::UnitZ()));
    return Eigen::AngleAxisf(angle, axis / sinAngle).toRotationMatrix();
}

std::vector<PlaneCandidate> findPlaneCandidates(const Cloud::ConstPtr& cloud,
                                                std::mt19937& generator) {
    std::vector<PlaneCandidate> candidates;
    const std::size_t pointCount = cloud->size();
    if (pointCount == 0) {
        return candidates;
    }
    std::uniform_int_distribution<std::size_t> pick(0, pointCount - 1);
    std::set<std::size_t> seeds;
    const std::size_t draws = std::min(kMaxPlaneSeeds, pointCount);
    for (std::size_t i = 0; i < draws; ++i) {
        seeds.insert(pick(generator));
    }

    pcl::KdTreeFLANN<pcl::PointXYZ> tree;
    tree.setInputCloud(cloud);
    std::vector<PlaneCoefficients> planes;
    pcl::Indices neighbours;
    std::vector<float> squaredDistances;
    for (const std::size_t seed : seeds) {
        tree.radiusSearch((*cloud)[seed], kSeedNeighbourRadius, neighbours, squaredDistances);
        if (neighbours.size() < kMinSeedNeighbours) {
            continue;
        }
        const std::optional<PlaneCoefficients> plane = fitPlane(*cloud, neighbours);
        if (!plane) {
            continue;
        }
        planes.push_back(*plane);
    }
    const std::vector<std::size_t> inlierCounts =
        countPlaneInliers(*cloud, planes, kPlaneInlierDistance);
    for (std::size_t i = 0; i < planes.size(); ++i) {
        candidates.push_back({planes[i], inlierCounts[i]});
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const PlaneCandidate& a, const PlaneCandidate& b) {
                  return a.inlierCount > b.inlierCount;
              });
    return candidates;
}

}  // namespace

ExtCalib::ExtCalib(const Eigen::Matrix4f& initialPose) : initialPose_(initialPose) {}

ExtCalib::~ExtCalib() = default;

void ExtCalib::setRandomSeed(std::uint32_t seed) { seed_ = seed; }

void ExtCalib::resetResults() {
    pointCount_ = 0;
    inlierCount_ = 0;
    rms_ = 0.0;
    outputValid_ = false;
}

int ExtCalib::calibrate(const Cloud& cloud, Eigen::Matrix4f& result, float scale) {
    resetResults();
    if (!std::isfinite(scale) || !(scale > 0.0f)) {
        return kInvalidInput;
    }

    // Metres, turned into the mounting orientation: z is height relative to
    // the camera, the floor is expected at -h.
    const Eigen::Matrix3f initialRotation = initialPose_.topLeftCorner<3, 3>();
    const float height = initialPose_(2, 3) / scale;
    auto levelled = std::make_shared<Cloud>();
    levelled->reserve(cloud.size());
    for (const pcl::PointXYZ& p : cloud) {
        pcl::PointXYZ q;
        q.getVector3fMap() = initialRotation * (p.getVector3fMap() / scale);
        if (withinWorkingVolume(q)) {
            levelled->push_back(q);
        }
    }

    // Keep what lies below 1 m above the expected floor (negative mode
    // removes the points inside the limits).
    auto nearFloor = std::make_shared<Cloud>();
    pcl::PassThrough<pcl::PointXYZ> passThrough;
    passThrough.setInputCloud(levelled);
    passThrough.setFilterFieldName("z");
    passThrough.setFilterLimits(kMaxHeightAboveFloor - height, kPassThroughUpperLimit);
    passThrough.setNegative(true);
    passThrough.filter(*nearFloor);
    if (nearFloor->empty()) {
        return kNoPlaneCandidate;
    }

    auto sampled = std::make_shared<Cloud>();
    pcl::VoxelGrid<pcl::PointXYZ> voxelGrid;
    voxelGrid.setInputCloud(nearFloor);
    voxelGrid.setLeafSize(kVoxelLeafSize, kVoxelLeafSize, kVoxelLeafSize);
    voxelGrid.filter(*sampled);
    pointCount_ = sampled->size();

    std::mt19937 generator(seed_ ? *seed_ : systemSeed());
    const std::vector<PlaneCandidate> candidates = findPlaneCandidates(sampled, generator);
    if (candidates.empty()) {
        return kNoPlaneCandidate;
    }

    std::optional<PlaneCoefficients> floorCandidate;
    for (const PlaneCandidate& candidate : candidates) {
        const PlaneCoefficients upwards = candidate.plane.orientedUpwards();
        if (angleToUp(upwards.normal()) <= kMaxFloorTiltRad) {
            floorCandidate = upwards;
            break;
        }
    }
    if (!floorCandidate) {
        return kNoHorizontalPlane;
    }

    // The floor is the largest connected piece of the candidate plane; other
    // surfaces that happen to lie in the same plane are dropped.
    const pcl::Indices candidateInliers =
        planeInliers(*sampled, *floorCandidate, kPlaneInlierDistance);
    const std::vector<pcl::PointIndices> clusters =
        EuclideanClusterGrid(kClusterTolerance, kMinClusterSize, kMaxClusterSize)
            .extract(*sampled, candidateInliers);
    if (clusters.empty()) {
        return kClusteringFailed;
    }
    const pcl::Indices& floorPoints = clusters.front().indices;  // largest first

    const std::optional<PlaneCoefficients> refitted = fitPlane(*sampled, floorPoints);
    if (!refitted) {
        return kPlaneFound;  // outputValid() stays false
    }
    const PlaneCoefficients floorPlane = refitted->orientedUpwards();
    double squaredSum = 0.0;
    std::uint64_t inliers = 0;
    for (const pcl::index_t index : floorPoints) {
        const double distance = floorPlane.distanceTo((*sampled)[static_cast<std::size_t>(index)]);
        if (distance < kPlaneInlierDistance) {
            squaredSum += distance * distance;
            ++inliers;
        }
    }
    inlierCount_ = inliers;
    rms_ = inliers > 0 ? std::sqrt(squaredSum / static_cast<double>(inliers))
                       : std::numeric_limits<double>::quiet_NaN();

    const Eigen::Matrix3f levelling = levellingRotation(floorPlane.normal());
    const Eigen::Matrix3f correctedRotation = levelling * initialRotation;

    // Height: the floor points under the corrected rotation and the initial
    // translation lie at mean z; move the camera so they lie at -5 mm.
    double zSum = 0.0;
    for (const pcl::index_t index : floorPoints) {
        const Eigen::Vector3f p = (*sampled)[static_cast<std::size_t>(index)].getVector3fMap();
        zSum += static_cast<double>((levelling * p).z()) + static_cast<double>(height);
    }
    const double meanZ = zSum / static_cast<double>(floorPoints.size());
    const double correctedHeight =
        static_cast<double>(scale) * (static_cast<double>(height) - meanZ - kFloorClearance);

    result = Eigen::Matrix4f::Identity();
    result.topLeftCorner<3, 3>() = correctedRotation;
    result(0, 3) = initialPose_(0, 3);
    result(1, 3) = initialPose_(1, 3);
    result(2, 3) = static_cast<float>(correctedHeight);
    outputValid_ = correctedRotation.allFinite() && std::isfinite(result(2, 3)) && inliers > 0 &&
                   std::isfinite(rms_);
    return kPlaneFound;
}

}  // namespace zavov
