#include "CloudVertexBuilder.h"

#include "ThreadName.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace hazard_desk {
namespace {

constexpr std::uint64_t kCellIndexMask = (std::uint64_t{1} << 21) - 1;
constexpr std::uint64_t kEmptySlot = ~std::uint64_t{0};  // packed keys use 63 bits only
constexpr std::size_t kInitialSlots = 4096;
// A camera frame thinned at the default grid keeps roughly one point in
// four; the sets and the kept list are sized for that and grow if needed.
constexpr std::size_t kExpectedPointsPerCell = 4;

// Open-addressing set of cell keys; grows at half load. The view keeps one
// point per cell, so the set stays far smaller than the cloud.
class CellKeySet {
public:
    // Sized for about expectedKeys keys at most half load, so a set that
    // guesses right never grows.
    explicit CellKeySet(std::size_t expectedKeys = 0) {
        std::size_t slots = kInitialSlots;
        while (slots < expectedKeys * 2) {
            slots *= 2;
        }
        slots_.assign(slots, kEmptySlot);
        mask_ = slots - 1;
    }

    // True when the key was not in the set yet.
    bool insert(std::uint64_t key) {
        if ((size_ + 1) * 2 > slots_.size()) {
            grow();
        }
        if (placeKey(slots_, mask_, key)) {
            ++size_;
            return true;
        }
        return false;
    }

private:
    static bool placeKey(std::vector<std::uint64_t>& slots, std::size_t mask, std::uint64_t key) {
        std::size_t slot = static_cast<std::size_t>(CloudVertexBuilder::fnv1a(key)) & mask;
        while (slots[slot] != kEmptySlot) {
            if (slots[slot] == key) {
                return false;
            }
            slot = (slot + 1) & mask;
        }
        slots[slot] = key;
        return true;
    }

    void grow() {
        std::vector<std::uint64_t> larger(slots_.size() * 2, kEmptySlot);
        const std::size_t largerMask = larger.size() - 1;
        for (std::uint64_t key : slots_) {
            if (key != kEmptySlot) {
                placeKey(larger, largerMask, key);
            }
        }
        slots_.swap(larger);
        mask_ = largerMask;
    }

    std::vector<std::uint64_t> slots_;
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
};

struct FillResult {
    float boundsMin[3] = {1e30f, 1e30f, 1e30f};
    float boundsMax[3] = {-1e30f, -1e30f, -1e30f};
};

bool isFinitePoint(const pcl::PointXYZRGB& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Runs job(0..workers-1), the first on the calling thread.
template <typename Job>
void runWorkers(int workers, const Job& job) {
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(workers > 1 ? workers - 1 : 0));
    for (int w = 1; w < workers; ++w) {
        threads.emplace_back([&job, w] {
            ThreadName::setCurrent(CloudVertexBuilder::kWorkerThreadName);
            job(w);
        });
    }
    job(0);
    for (auto& thread : threads) {
        thread.join();
    }
}

std::size_t chunkBegin(std::size_t total, int workers, int worker) {
    return total * static_cast<std::size_t>(worker) / static_cast<std::size_t>(workers);
}

// Points without thinning, per chunk of the candidate range (candidate c is
// cloud point c * stride), in cloud order.
void selectStrided(const corVane::ColorCloud& cloud, std::size_t stride, std::size_t begin, std::size_t end,
                   std::vector<std::uint32_t>& out) {
    out.reserve(end - begin);
    for (std::size_t c = begin; c < end; ++c) {
        const std::size_t index = c * stride;
        if (isFinitePoint(cloud.points[index])) {
            out.push_back(static_cast<std::uint32_t>(index));
        }
    }
}

// Thinning, step 1 (per chunk of points): the cell key of every point, or
// kEmptySlot for a point that cannot be kept - an invalid pixel, or one that
// repeats the key of the previous valid point of the chunk (neighbouring
// pixels of a camera cloud mostly share a cell; the earlier one wins anyway).
void computeKeys(const corVane::ColorCloud& cloud, float cell, std::size_t begin, std::size_t end,
                 std::uint64_t* keys) {
    std::uint64_t previousKey = kEmptySlot;
    for (std::size_t i = begin; i < end; ++i) {
        const auto& p = cloud.points[i];
        if (!isFinitePoint(p)) {
            keys[i] = kEmptySlot;
            continue;
        }
        const std::uint64_t key = CloudVertexBuilder::cellKey(p.x, p.y, p.z, cell);
        keys[i] = key == previousKey ? kEmptySlot : key;
        previousKey = key;
    }
}

// Which worker owns a key in step 2: a multiplicative mix spreads the
// neighbouring cells of a scene evenly.
std::size_t keyPartition(std::uint64_t key, std::size_t partitions) {
    const std::uint64_t mixed = (key * 0x9E3779B97F4A7C15ull) >> 32;  // 32 well-mixed bits
    return static_cast<std::size_t>((mixed * partitions) >> 32);       // scaled to 0..partitions-1
}

// Thinning, step 2 (per partition of the keys): every worker walks all keys
// in cloud order but only looks up its own, so each key has one owner and
// the first point of every cell is marked without any merging afterwards.
void markFirstOfEachCell(const std::vector<std::uint64_t>& keys, std::size_t partition, std::size_t partitions,
                         std::size_t expectedKeys, std::vector<std::uint8_t>& keep) {
    CellKeySet seen(expectedKeys);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::uint64_t key = keys[i];
        if (key == kEmptySlot || (partitions > 1 && keyPartition(key, partitions) != partition)) {
            continue;
        }
        if (seen.insert(key)) {
            keep[i] = 1;
        }
    }
}

void fillVertices(const corVane::ColorCloud& cloud, const std::vector<std::uint32_t>& indices, std::size_t begin,
                  std::size_t end, float* vertices, FillResult& out) {
    constexpr float kColourScale = 1.0f / 255.0f;
    for (std::size_t i = begin; i < end; ++i) {
        const auto& p = cloud.points[indices[i]];
        float* v = vertices + i * CloudVertexBuilder::kFloatsPerVertex;
        v[0] = p.x;
        v[1] = p.y;
        v[2] = p.z;
        v[3] = static_cast<float>(p.r) * kColourScale;
        v[4] = static_cast<float>(p.g) * kColourScale;
        v[5] = static_cast<float>(p.b) * kColourScale;
        for (int axis = 0; axis < 3; ++axis) {
            out.boundsMin[axis] = std::min(out.boundsMin[axis], v[axis]);
            out.boundsMax[axis] = std::max(out.boundsMax[axis], v[axis]);
        }
    }
}

}  // namespace

int CloudVertexBuilder::workerCount(std::size_t points, int hardwareConcurrency) {
    int workers = std::clamp(hardwareConcurrency, 1, kMaxWorkers);
    while (workers > 1 && points / static_cast<std::size_t>(workers) < kMinPointsPerWorker) {
        --workers;
    }
    return workers;
}

std::uint64_t CloudVertexBuilder::cellKey(float x, float y, float z, float cell) {
    const auto index = [cell](float value) {
        // Far-away points only need distinct wrapped indices, not exact ones.
        const double quotient = std::clamp(static_cast<double>(value) / cell, -1e15, 1e15);
        // floor() by truncation: far cheaper than the library call, exact in
        // the clamped range.
        auto truncated = static_cast<std::int64_t>(quotient);
        if (static_cast<double>(truncated) > quotient) {
            --truncated;
        }
        return static_cast<std::uint64_t>(truncated) & kCellIndexMask;
    };
    return index(x) | (index(y) << 21) | (index(z) << 42);
}

BuiltCloud CloudVertexBuilder::build(const corVane::ColorCloud& cloud, int thinningCell, int workerLimit) {
    BuiltCloud result;
    result.valid = true;
    const std::size_t n = cloud.points.size();
    if (n == 0) {
        return result;
    }
    const std::size_t stride = (thinningCell <= 0 && n > kMaxStrideVertices) ? n / kMaxStrideVertices + 1 : 1;
    const std::size_t candidates = (n + stride - 1) / stride;
    const int hardware = workerLimit > 0 ? workerLimit : static_cast<int>(std::thread::hardware_concurrency());
    const int workers = workerCount(candidates, hardware);

    std::vector<std::uint32_t> kept;
    if (thinningCell > 0) {
        // stride is 1 here: every point is a candidate.
        std::vector<std::uint64_t> keys(n);
        const float cell = static_cast<float>(thinningCell);
        runWorkers(workers, [&](int w) {
            computeKeys(cloud, cell, chunkBegin(n, workers, w), chunkBegin(n, workers, w + 1), keys.data());
        });
        std::vector<std::uint8_t> keep(n, 0);
        const std::size_t partitions = static_cast<std::size_t>(workers);
        const std::size_t expectedKeys = n / partitions / kExpectedPointsPerCell;
        runWorkers(workers, [&](int w) {
            markFirstOfEachCell(keys, static_cast<std::size_t>(w), partitions, expectedKeys, keep);
        });
        kept.reserve(n / kExpectedPointsPerCell);
        for (std::size_t i = 0; i < n; ++i) {
            if (keep[i] != 0) {
                kept.push_back(static_cast<std::uint32_t>(i));
            }
        }
    } else {
        std::vector<std::vector<std::uint32_t>> chunks(static_cast<std::size_t>(workers));
        runWorkers(workers, [&](int w) {
            selectStrided(cloud, stride, chunkBegin(candidates, workers, w), chunkBegin(candidates, workers, w + 1),
                          chunks[static_cast<std::size_t>(w)]);
        });
        if (workers == 1) {
            kept.swap(chunks[0]);
        } else {
            std::size_t total = 0;
            for (const auto& chunk : chunks) {
                total += chunk.size();
            }
            kept.reserve(total);
            for (const auto& chunk : chunks) {
                kept.insert(kept.end(), chunk.begin(), chunk.end());
            }
        }
    }

    result.vertexCount = static_cast<int>(kept.size());
    result.vertices.resize(kept.size() * kFloatsPerVertex);
    const int fillWorkers = workerCount(kept.size(), hardware);
    std::vector<FillResult> fills(static_cast<std::size_t>(fillWorkers));
    runWorkers(fillWorkers, [&](int w) {
        fillVertices(cloud, kept, chunkBegin(kept.size(), fillWorkers, w), chunkBegin(kept.size(), fillWorkers, w + 1),
                     result.vertices.data(), fills[static_cast<std::size_t>(w)]);
    });
    for (const auto& fill : fills) {
        for (int axis = 0; axis < 3; ++axis) {
            result.boundsMin[axis] = std::min(result.boundsMin[axis], fill.boundsMin[axis]);
            result.boundsMax[axis] = std::max(result.boundsMax[axis], fill.boundsMax[axis]);
        }
    }
    return result;
}

}  // namespace hazard_desk
