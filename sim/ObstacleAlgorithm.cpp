#include "ObstacleAlgorithm.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <array>
#include <unordered_map>

namespace zrsim {

namespace {

constexpr int kVoteSlots = 16;  ///< object ids counted for a box's name (floor 0, objects 1..14, others 15)

// One occupied cell of the clustering grid, accumulated straight from the points.
struct Cell {
    int64_t key = 0;
    float min[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                    std::numeric_limits<float>::max()};
    float max[3] = {std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest(),
                    std::numeric_limits<float>::lowest()};
    int points = 0;
    int level = 2;
    std::array<int, kVoteSlots> votes{};
    int cluster = -1;
};

struct Cluster {
    float min[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                    std::numeric_limits<float>::max()};
    float max[3] = {std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest(),
                    std::numeric_limits<float>::lowest()};
    int points = 0;
    int level = 2;
    std::array<int, kVoteSlots> votes{};
};

int64_t cellKey(int ix, int iy, int iz) {
    return (static_cast<int64_t>(ix & 0x1FFFFF) << 42) | (static_cast<int64_t>(iy & 0x1FFFFF) << 21) |
           static_cast<int64_t>(iz & 0x1FFFFF);
}

class CellGrid {
public:
    explicit CellGrid(double tolerance) : inverseSize_(1.0f / static_cast<float>(std::max(10.0, tolerance))) {
        index_.reserve(4096);
    }

    void add(float x, float y, float z, int level, int object) {
        const int c[3] = {fastFloor(x * inverseSize_), fastFloor(y * inverseSize_), fastFloor(z * inverseSize_)};
        const int64_t key = cellKey(c[0], c[1], c[2]);
        // Neighbouring pixels mostly land in the same cell: skip the hash then.
        if (key != lastKey_ || lastIndex_ < 0) {
            auto [it, inserted] = index_.try_emplace(key, static_cast<int>(cells_.size()));
            if (inserted) {
                cells_.emplace_back();
                cells_.back().key = key;
                coords_.push_back({c[0], c[1], c[2]});
            }
            lastKey_ = key;
            lastIndex_ = it->second;
        }
        Cell& cell = cells_[lastIndex_];
        const float p[3] = {x, y, z};
        for (int a = 0; a < 3; ++a) {
            cell.min[a] = std::min(cell.min[a], p[a]);
            cell.max[a] = std::max(cell.max[a], p[a]);
        }
        ++cell.points;
        cell.level = std::min(cell.level, level);
        ++cell.votes[std::min(std::max(object, 0), kVoteSlots - 1)];
    }

    /// Cells joined with their 26 neighbours, most severe and largest first.
    std::vector<Cluster> clusters() {
        std::vector<Cluster> result;
        std::vector<int> queue;
        for (size_t start = 0; start < cells_.size(); ++start) {
            if (cells_[start].cluster >= 0) continue;
            const int id = static_cast<int>(result.size());
            result.emplace_back();
            cells_[start].cluster = id;
            queue.assign(1, static_cast<int>(start));
            while (!queue.empty()) {
                const int current = queue.back();
                queue.pop_back();
                merge(result[id], cells_[current]);
                const auto& c = coords_[current];
                for (int dx = -1; dx <= 1; ++dx) {
                    for (int dy = -1; dy <= 1; ++dy) {
                        for (int dz = -1; dz <= 1; ++dz) {
                            const auto it = index_.find(cellKey(c[0] + dx, c[1] + dy, c[2] + dz));
                            if (it == index_.end() || cells_[it->second].cluster >= 0) continue;
                            cells_[it->second].cluster = id;
                            queue.push_back(it->second);
                        }
                    }
                }
            }
        }
        std::sort(result.begin(), result.end(), [](const Cluster& a, const Cluster& b) {
            return a.level != b.level ? a.level < b.level : a.points > b.points;
        });
        return result;
    }

private:
    static void merge(Cluster& cluster, const Cell& cell) {
        for (int a = 0; a < 3; ++a) {
            cluster.min[a] = std::min(cluster.min[a], cell.min[a]);
            cluster.max[a] = std::max(cluster.max[a], cell.max[a]);
        }
        cluster.points += cell.points;
        cluster.level = std::min(cluster.level, cell.level);
        for (int k = 0; k < kVoteSlots; ++k) cluster.votes[k] += cell.votes[k];
    }

    static int fastFloor(float v) {
        const int i = static_cast<int>(v);
        return i - static_cast<int>(v < static_cast<float>(i));  // branch-free: cells change unpredictably
    }

    float inverseSize_;
    int64_t lastKey_ = 0;
    int lastIndex_ = -1;
    std::unordered_map<int64_t, int> index_;
    std::vector<Cell> cells_;
    std::vector<std::array<int, 3>> coords_;
};

int levelOfMasks(const TemplateMasks& masks, size_t pixel, float range) {
    for (int level = 0; level < 3; ++level) {
        const auto& pair = masks.levels[level];
        if (!pair || pixel >= pair->far.size()) continue;
        const uint16_t far = pair->far[pixel];
        if (far != 0 && range >= pair->near[pixel] && range <= far) return level;
    }
    return -1;
}

// The zones of a template in the form the per-point test wants: float boxes
// checked inline, sectors through the volume, and one box around them all to
// reject most points at once.
class ZoneTester {
public:
    explicit ZoneTester(const std::vector<ZoneVolume>& zones) : zones_(zones) {
        for (int a = 0; a < 3; ++a) {
            outer_[a * 2] = std::numeric_limits<float>::max();
            outer_[a * 2 + 1] = std::numeric_limits<float>::lowest();
        }
        for (const ZoneVolume& zone : zones) {
            const auto b = zone.bounds();
            for (int a = 0; a < 3; ++a) {
                outer_[a * 2] = std::min(outer_[a * 2], static_cast<float>(b[a * 2]));
                outer_[a * 2 + 1] = std::max(outer_[a * 2 + 1], static_cast<float>(b[a * 2 + 1]));
            }
            Entry entry;
            entry.level = static_cast<int>(zone.level);
            entry.sector = zone.sector;
            for (int k = 0; k < 6; ++k) entry.box[k] = static_cast<float>(zone.box[k]);
            entries_.push_back(entry);
        }
    }

    int level(float x, float y, float z) const {
        // One combined test (no short-circuit): most points fail it, in no predictable order.
        const bool outside = (x < outer_[0]) | (x > outer_[1]) | (y < outer_[2]) | (y > outer_[3]) |
                             (z < outer_[4]) | (z > outer_[5]);
        if (outside) return -1;
        int best = -1;
        for (size_t k = 0; k < entries_.size(); ++k) {
            const Entry& e = entries_[k];
            if (best >= 0 && e.level >= best) continue;
            const bool inside = e.sector ? zones_[k].contains(x, y, z)
                                         : (x >= e.box[0]) & (x <= e.box[1]) & (y >= e.box[2]) & (y <= e.box[3]) &
                                               (z >= e.box[4]) & (z <= e.box[5]);
            if (inside) best = e.level;
        }
        return best;
    }

private:
    struct Entry {
        int level = 0;
        bool sector = false;
        float box[6] = {0, 0, 0, 0, 0, 0};
    };
    const std::vector<ZoneVolume>& zones_;
    std::vector<Entry> entries_;
    float outer_[6];
};

std::string nameOf(const Cluster& cluster, const std::vector<std::string>& labels) {
    int object = 0;
    for (int k = 1; k < kVoteSlots; ++k) {
        if (cluster.votes[k] > cluster.votes[object]) object = k;
    }
    if (object == 0) return "ground";
    if (object < kVoteSlots - 1 && static_cast<size_t>(object - 1) < labels.size() && !labels[object - 1].empty()) {
        return labels[object - 1];
    }
    return "obstacle";
}

template <typename BoxT>
void fillBox(BoxT& box, const Cluster& cluster, int id) {
    std::memset(&box, 0, sizeof(box));
    box.id = id;
    box.pointCount = cluster.points * kClusterStride * kClusterStride;
    box.width = cluster.max[0] - cluster.min[0];
    box.height = cluster.max[1] - cluster.min[1];
    box.depth = cluster.max[2] - cluster.min[2];
    box.x = (cluster.max[0] + cluster.min[0]) / 2.0f;
    box.y = (cluster.max[1] + cluster.min[1]) / 2.0f;
    box.z = (cluster.max[2] + cluster.min[2]) / 2.0f;
    box.typeIndex = cluster.level;
}

}  // namespace

void evaluateObstacles(const AlgorithmConfig& config, RenderedFrame& frame) {
    const size_t count = static_cast<size_t>(frame.width) * frame.height;
    const Eigen::Matrix3f r = config.pose.rotation.cast<float>();
    const Eigen::Vector3f t = config.pose.translation.cast<float>();
    const float toMm = frame.xyzToMm;
    CellGrid grid(config.clusterToleranceMm);
    const ZoneTester zoneTester(config.zones);
    int counts[3] = {0, 0, 0};
    const bool haveZones = config.masks != nullptr || !config.zones.empty();
    const size_t width = static_cast<size_t>(frame.width);
    for (size_t i = 0, column = 0, row = 0; haveZones && i < count; ++i, ++column) {
        if (column == width) column = 0, ++row;
        if (frame.depth[i] == 0) continue;
        const Eigen::Vector3f camera(frame.xyz[i * 3] * toMm, frame.xyz[i * 3 + 1] * toMm, frame.xyz[i * 3 + 2] * toMm);
        const Eigen::Vector3f vehicle = r * camera + t;
        const int level = config.masks ? levelOfMasks(*config.masks, i, camera.norm())
                                       : zoneTester.level(vehicle.x(), vehicle.y(), vehicle.z());
        if (level < 0) continue;
        ++counts[level];
        // Boxes come from every second pixel of every second row; the verdict counts them all.
        if (column % kClusterStride == 0 && row % kClusterStride == 0) {
            grid.add(vehicle.x(), vehicle.y(), vehicle.z(), level, frame.hitObject[i]);
        }
    }
    frame.ioStatus = counts[0] >= kVerdictMinPoints ? 2 : (counts[1] >= kVerdictMinPoints ? 1 : 0);

    std::vector<Cluster> clusters = grid.clusters();
    clusters.erase(std::remove_if(clusters.begin(), clusters.end(),
                                  [](const Cluster& c) {
                                      return c.points * kClusterStride * kClusterStride < kMinClusterPoints;
                                  }),
                   clusters.end());
    if (clusters.size() > static_cast<size_t>(kMaxBoxes)) clusters.resize(kMaxBoxes);
    frame.boxesV1.clear();
    frame.boxesV2.clear();
    for (size_t k = 0; k < clusters.size(); ++k) {
        if (config.v2) {
            ZrObstacleBoxV2 box;
            fillBox(box, clusters[k], static_cast<int>(k));
            const std::string name = nameOf(clusters[k], config.objectLabels);
            const size_t length = std::min(name.size(), sizeof(box.name) - 1);
            std::memcpy(box.name, name.data(), length);
            box.nameLength = static_cast<int32_t>(length);
            frame.boxesV2.push_back(box);
        } else {
            ZrObstacleBoxV1 box;
            fillBox(box, clusters[k], static_cast<int>(k));
            frame.boxesV1.push_back(box);
        }
    }
    frame.algorithmRan = true;
    frame.output = ZrAlgorithmOutput{};
    frame.output.state = config.state;
    frame.output.ioStatus = frame.ioStatus;
    frame.output.zoneIndex = config.zoneIndex;
    frame.output.boxCount = static_cast<int32_t>(clusters.size());
}

}  // namespace zrsim
