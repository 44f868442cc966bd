#include "CloudVertexBuilder.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace hazard_desk {
namespace {

constexpr std::uint64_t kCellIndexMask = (std::uint64_t{1} << 21) - 1;
constexpr std::uint64_t kEmptySlot = ~std::uint64_t{0};  // packed keys use 63 bits only
constexpr std::size_t kInitialSlots = 4096;

// Open-addressing set of cell keys; grows at half load. The view keeps one
// point per cell, so the set stays far smaller than the cloud.
class CellKeySet {
public:
    CellKeySet() : slots_(kInitialSlots, kEmptySlot), mask_(kInitialSlots - 1) {}

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
    std::size_t mask_;
    std::size_t size_ = 0;
};

struct ChunkResult {
    std::vector<std::uint32_t> indices;
    std::vector<std::uint64_t> keys;
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
        threads.emplace_back([&job, w] { job(w); });
    }
    job(0);
    for (auto& thread : threads) {
        thread.join();
    }
}

std::size_t chunkBegin(std::size_t total, int workers, int worker) {
    return total * static_cast<std::size_t>(worker) / static_cast<std::size_t>(workers);
}

// Selects the points to draw, per chunk of the candidate range (candidate c is
// cloud point c * stride), keeping the cloud order inside each chunk.
void selectChunk(const corVane::ColorCloud& cloud, std::size_t stride, std::size_t begin, std::size_t end,
                 int thinningCell, ChunkResult& out) {
    const auto& points = cloud.points;
    const float cell = static_cast<float>(thinningCell);
    CellKeySet localKeys;
    // Neighbouring pixels of a camera cloud mostly share a cell: a repeat of
    // the previous point's key needs no look-up.
    std::uint64_t previousKey = kEmptySlot;
    out.indices.reserve(thinningCell > 0 ? 1024 : end - begin);
    for (std::size_t c = begin; c < end; ++c) {
        const std::size_t index = c * stride;
        const auto& p = points[index];
        if (!isFinitePoint(p)) {
            continue;
        }
        if (thinningCell > 0) {
            const std::uint64_t key = CloudVertexBuilder::cellKey(p.x, p.y, p.z, cell);
            if (key == previousKey) {
                continue;
            }
            previousKey = key;
            if (!localKeys.insert(key)) {
                continue;
            }
            out.keys.push_back(key);
        }
        out.indices.push_back(static_cast<std::uint32_t>(index));
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
        const double index = std::clamp(std::floor(static_cast<double>(value) / cell), -1e15, 1e15);
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(index)) & kCellIndexMask;
    };
    return index(x) | (index(y) << 21) | (index(z) << 42);
}

std::uint64_t CloudVertexBuilder::fnv1a(std::uint64_t key) {
    std::uint64_t hash = 14695981039346656037ull;
    for (int byte = 0; byte < 8; ++byte) {
        hash ^= (key >> (8 * byte)) & 0xffu;
        hash *= 1099511628211ull;
    }
    return hash;
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

    std::vector<ChunkResult> chunks(static_cast<std::size_t>(workers));
    runWorkers(workers, [&](int w) {
        selectChunk(cloud, stride, chunkBegin(candidates, workers, w), chunkBegin(candidates, workers, w + 1),
                    thinningCell, chunks[static_cast<std::size_t>(w)]);
    });

    // Merge in chunk order, so the first point of a cell in cloud order wins.
    std::vector<std::uint32_t> kept;
    if (workers == 1) {
        kept.swap(chunks[0].indices);
    } else if (thinningCell > 0) {
        CellKeySet globalKeys;
        for (const auto& chunk : chunks) {
            for (std::size_t i = 0; i < chunk.indices.size(); ++i) {
                if (globalKeys.insert(chunk.keys[i])) {
                    kept.push_back(chunk.indices[i]);
                }
            }
        }
    } else {
        std::size_t total = 0;
        for (const auto& chunk : chunks) {
            total += chunk.indices.size();
        }
        kept.reserve(total);
        for (const auto& chunk : chunks) {
            kept.insert(kept.end(), chunk.indices.begin(), chunk.indices.end());
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
