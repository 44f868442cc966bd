#pragma once
// Turns a coloured cloud into the interleaved vertex array the 3D view
// uploads (x, y, z, r, g, b per vertex). Runs on the view's build thread; it
// touches no OpenGL and no Qt object, so it can be used and timed anywhere.
#include "camera/ColorCloud.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hazard_desk {

struct BuiltCloud {
    std::vector<float> vertices;  // 6 floats per vertex, colour in 0..1
    int vertexCount = 0;
    unsigned int buffer = 0;  // GL buffer id, 0 = none
    bool needsUpload = false;
    bool valid = false;
    float boundsMin[3] = {1e30f, 1e30f, 1e30f};
    float boundsMax[3] = {-1e30f, -1e30f, -1e30f};
};

class CloudVertexBuilder {
public:
    static constexpr int kFloatsPerVertex = 6;
    static constexpr std::size_t kMaxStrideVertices = 1500000;
    static constexpr int kMaxWorkers = 8;
    static constexpr std::size_t kMinPointsPerWorker = 65536;
    // OS name of the extra threads of a parallel build.
    static constexpr const char* kWorkerThreadName = "hdCloudPart";

    // thinningCell > 0 keeps the first point of every grid cell of that edge;
    // otherwise clouds above kMaxStrideVertices are decimated by a stride.
    // Points with a non-finite coordinate (the camera's invalid pixels) are
    // skipped. workerLimit 0 means the hardware concurrency.
    static BuiltCloud build(const corVane::ColorCloud& cloud, int thinningCell, int workerLimit = 0);

    // Number of workers for n points: hardware concurrency capped at
    // kMaxWorkers, reduced until each has at least kMinPointsPerWorker.
    static int workerCount(std::size_t points, int hardwareConcurrency);

    // Grid cell key: the three cell indices packed 21 bits each.
    static std::uint64_t cellKey(float x, float y, float z, float cell);
    // 64-bit FNV-1a over the key's eight bytes, lowest first.
    static std::uint64_t fnv1a(std::uint64_t key) {
        std::uint64_t hash = 14695981039346656037ull;
        for (int byte = 0; byte < 8; ++byte) {
            hash ^= (key >> (8 * byte)) & 0xffu;
            hash *= 1099511628211ull;
        }
        return hash;
    }
};

}  // namespace hazard_desk
