#include "EuclideanClusterGrid.h"

#include <Eigen/Core>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <unordered_map>

namespace zavov {

namespace {

// Cell coordinates are kept as doubles: floor() of any finite float divided by
// the cell size is exact enough and cannot overflow an integer type.
struct CellKey {
    std::array<double, 3> index;
    bool operator==(const CellKey& other) const { return index == other.index; }
};

struct CellKeyHash {
    std::size_t operator()(const CellKey& key) const {
        std::size_t seed = 0;
        for (const double v : key.index) {
            seed ^= std::hash<double>{}(v) + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2);
        }
        return seed;
    }
};

struct Cell {
    CellKey key;
    std::vector<pcl::index_t> members;
};

class DisjointSets {
public:
    explicit DisjointSets(std::size_t count) : parent_(count), size_(count, 1) {
        std::iota(parent_.begin(), parent_.end(), std::size_t{0});
    }
    std::size_t find(std::size_t i) {
        while (parent_[i] != i) {
            parent_[i] = parent_[parent_[i]];
            i = parent_[i];
        }
        return i;
    }
    void unite(std::size_t a, std::size_t b) {
        a = find(a);
        b = find(b);
        if (a == b) {
            return;
        }
        if (size_[a] < size_[b]) {
            std::swap(a, b);
        }
        parent_[b] = a;
        size_[a] += size_[b];
    }

private:
    std::vector<std::size_t> parent_;
    std::vector<std::size_t> size_;
};

// Offsets to the cells that can hold a point closer than the tolerance: a cell
// side is tolerance/√3, so up to two cells away per axis, and only offsets
// whose nearest corners are closer than the tolerance. Half of them (the
// other half is covered from the neighbour's side), nearest first.
std::vector<std::array<int, 3>> neighbourOffsets() {
    std::vector<std::array<int, 3>> offsets;
    for (int dx = -2; dx <= 2; ++dx) {
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dz = -2; dz <= 2; ++dz) {
                const std::array<int, 3> d{dx, dy, dz};
                if (d <= std::array<int, 3>{0, 0, 0}) {
                    continue;
                }
                int gapSquared = 0;
                for (const int c : d) {
                    const int gap = std::max(std::abs(c) - 1, 0);
                    gapSquared += gap * gap;
                }
                if (gapSquared < 3) {
                    offsets.push_back(d);
                }
            }
        }
    }
    std::stable_sort(offsets.begin(), offsets.end(), [](const auto& a, const auto& b) {
        return a[0] * a[0] + a[1] * a[1] + a[2] * a[2] < b[0] * b[0] + b[1] * b[1] + b[2] * b[2];
    });
    return offsets;
}

bool anyPairCloserThan(const pcl::PointCloud<pcl::PointXYZ>& cloud, const Cell& a, const Cell& b,
                       float squaredTolerance) {
    for (const pcl::index_t i : a.members) {
        const Eigen::Vector3f p = cloud[static_cast<std::size_t>(i)].getVector3fMap();
        for (const pcl::index_t j : b.members) {
            if ((cloud[static_cast<std::size_t>(j)].getVector3fMap() - p).squaredNorm() <
                squaredTolerance) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

EuclideanClusterGrid::EuclideanClusterGrid(double tolerance, std::size_t minSize,
                                           std::size_t maxSize)
    : tolerance_(tolerance), minSize_(minSize), maxSize_(maxSize) {}

std::vector<pcl::PointIndices> EuclideanClusterGrid::extract(
    const pcl::PointCloud<pcl::PointXYZ>& cloud, const pcl::Indices& indices) const {
    std::vector<pcl::PointIndices> clusters;
    if (!(tolerance_ > 0.0) || indices.empty()) {
        return clusters;
    }
    const double cellSize = tolerance_ / std::sqrt(3.0);
    const auto squaredTolerance = static_cast<float>(tolerance_ * tolerance_);

    std::vector<Cell> cells;
    std::unordered_map<CellKey, std::size_t, CellKeyHash> cellOf;
    for (const pcl::index_t index : indices) {
        const pcl::PointXYZ& p = cloud[static_cast<std::size_t>(index)];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            continue;
        }
        const CellKey key{
            {std::floor(p.x / cellSize), std::floor(p.y / cellSize), std::floor(p.z / cellSize)}};
        const auto [it, inserted] = cellOf.try_emplace(key, cells.size());
        if (inserted) {
            cells.push_back({key, {}});
        }
        cells[it->second].members.push_back(index);
    }

    const std::vector<std::array<int, 3>> offsets = neighbourOffsets();
    DisjointSets sets(cells.size());
    for (std::size_t c = 0; c < cells.size(); ++c) {
        for (const std::array<int, 3>& d : offsets) {
            const CellKey neighbourKey{{cells[c].key.index[0] + d[0], cells[c].key.index[1] + d[1],
                                        cells[c].key.index[2] + d[2]}};
            const auto it = cellOf.find(neighbourKey);
            if (it == cellOf.end() || it->second == c || sets.find(c) == sets.find(it->second)) {
                continue;
            }
            if (anyPairCloserThan(cloud, cells[c], cells[it->second], squaredTolerance)) {
                sets.unite(c, it->second);
            }
        }
    }

    std::unordered_map<std::size_t, pcl::PointIndices> byRoot;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        auto& members = byRoot[sets.find(c)].indices;
        members.insert(members.end(), cells[c].members.begin(), cells[c].members.end());
    }
    for (auto& [root, cluster] : byRoot) {
        const std::size_t size = cluster.indices.size();
        if (size >= minSize_ && size <= maxSize_) {
            std::sort(cluster.indices.begin(), cluster.indices.end());
            clusters.push_back(std::move(cluster));
        }
    }
    std::sort(clusters.begin(), clusters.end(),
              [](const pcl::PointIndices& a, const pcl::PointIndices& b) {
                  if (a.indices.size() != b.indices.size()) {
                      return a.indices.size() > b.indices.size();
                  }
                  return a.indices.front() < b.indices.front();
              });
    return clusters;
}

}  // namespace zavov
