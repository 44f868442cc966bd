#include "SceneRenderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include <opencv2/imgproc.hpp>

namespace zrsim {

namespace {

// Small enough to stay in the first-level cache: a random look-up per pixel
// must not miss.
constexpr size_t kGaussianTableSize = 1u << 12;
constexpr float kAmplitudeAtOneMetre = 3000.0f;
constexpr float kFloorReflectivity = 0.5f;
constexpr float kFloorTileMm = 500.0f;
constexpr float kInfinity = std::numeric_limits<float>::infinity();

uint32_t xorshift(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// A stable colour per label so every run of the scene looks alike.
std::array<uint8_t, 3> labelColor(const std::string& label) {
    uint32_t h = 2166136261u;
    for (char c : label) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return {static_cast<uint8_t>(60 + (h & 0x7F)), static_cast<uint8_t>(60 + ((h >> 8) & 0x7F)),
            static_cast<uint8_t>(60 + ((h >> 16) & 0x7F))};
}

}  // namespace

inline void SceneRenderer::intersect(const Box& box, int16_t object, const float inv[3], Hit& hit) const {
    float tNear = -kInfinity, tFar = kInfinity;
    int8_t axis = 0;
    for (int a = 0; a < 3; ++a) {
        const float t0 = (box.min[a] - origin_[a]) * inv[a];
        const float t1 = (box.max[a] - origin_[a]) * inv[a];
        const float lo = std::min(t0, t1), hi = std::max(t0, t1);
        if (lo > tNear) {
            tNear = lo;
            axis = static_cast<int8_t>(a);
        }
        tFar = std::min(tFar, hi);
    }
    if (tNear <= tFar && tNear > 0.0f && tNear < hit.t) hit = Hit{tNear, object, axis};
}

SceneRenderer::SceneRenderer(const CameraSetup& camera, std::vector<SceneObject> objects)
    : camera_(camera), objects_(std::move(objects)), rays_(computeCameraRays(camera.depth)) {
    mount_.rotation = rotationFromAngles(camera.mount.roll, camera.mount.pitch, camera.mount.yaw);
    mount_.translation = {camera.mount.x, camera.mount.y, camera.mount.z};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) rotation_[r * 3 + c] = static_cast<float>(mount_.rotation(r, c));
        origin_[r] = static_cast<float>(mount_.translation[r]);
    }
    const size_t count = static_cast<size_t>(rays_.width) * rays_.height;
    uv_.resize(count * 2);
    for (size_t i = 0; i < count; ++i) {
        uv_[i * 2] = rays_.directions[i * 3];
        uv_[i * 2 + 1] = rays_.directions[i * 3 + 1];
    }
    for (size_t k = 0; k < objects_.size(); ++k) {
        if (objects_[k].motion && objects_[k].motion->amplitudeMm != 0.0) movingObjects_.push_back(k);
        objectColors_.push_back(labelColor(objects_[k].label));
        objectReflectivity_.push_back(0.6f + 0.4f * static_cast<float>(objectColors_.back()[1]) / 255.0f);
    }
    // What never moves is intersected once: the floor and the static boxes.
    staticHits_.assign(count, Hit{kInfinity, -1, 2});
    for (size_t i = 0; i < count; ++i) {
        const Eigen::Vector3d d(rays_.directions[i * 3], rays_.directions[i * 3 + 1], rays_.directions[i * 3 + 2]);
        const Eigen::Vector3d v = mount_.rotation * d;
        if (!std::isfinite(v.z())) continue;  // no ray for this pixel
        if (v.z() < -1e-6 && origin_[2] > 0.0f) {
            staticHits_[i] = Hit{static_cast<float>(-mount_.translation.z() / v.z()), 0, 2};
        }
        const float inverse[3] = {static_cast<float>(1.0 / v.x()), static_cast<float>(1.0 / v.y()),
                                  static_cast<float>(1.0 / v.z())};
        for (size_t k = 0; k < objects_.size(); ++k) {
            if (std::find(movingObjects_.begin(), movingObjects_.end(), k) != movingObjects_.end()) continue;
            intersect(boxAt(k, 0.0), static_cast<int16_t>(k + 1), inverse, staticHits_[i]);
        }
    }
    std::mt19937 generator(camera.seed);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    gaussian_.resize(kGaussianTableSize);
    for (float& g : gaussian_) g = normal(generator);
}

SceneRenderer::Box SceneRenderer::boxAt(size_t k, double sceneTimeS) const {
    const SceneObject& object = objects_[k];
    double offset[3] = {0, 0, 0};
    if (object.motion) {
        offset[object.motion->axis] =
            object.motion->amplitudeMm * std::sin(2.0 * 3.14159265358979323846 * sceneTimeS / object.motion->periodS);
    }
    Box box{};
    for (int a = 0; a < 3; ++a) {
        box.min[a] = static_cast<float>(object.min[a] + offset[a]);
        box.max[a] = static_cast<float>(object.max[a] + offset[a]);
    }
    return box;
}

void SceneRenderer::render(double sceneTimeS, uint64_t sequence, bool withColor, float xyzToMm,
                           RenderedFrame& frame) const {
    const int w = rays_.width, h = rays_.height;
    const size_t count = static_cast<size_t>(w) * h;
    frame.width = w;
    frame.height = h;
    frame.xyzToMm = xyzToMm;
    frame.depth.resize(count);
    frame.amplitude.resize(count);
    frame.xyz.resize(count * 3);
    frame.hitObject.resize(count);

    const int cw = camera_.color ? camera_.color->width : w;
    const int ch = camera_.color ? camera_.color->height : h;
    const bool colorNative = cw == w && ch == h;
    cv::Mat native;
    if (withColor) {
        frame.colorWidth = cw;
        frame.colorHeight = ch;
        frame.color.resize(static_cast<size_t>(cw) * ch * 3);
        if (colorNative) native = cv::Mat(h, w, CV_8UC3, frame.color.data());
        else native.create(h, w, CV_8UC3);
        native.setTo(cv::Scalar(235, 215, 190));  // sky / far background
    } else {
        frame.color.clear();
        frame.colorWidth = frame.colorHeight = 0;
    }
    uint8_t* colorOut = withColor ? native.ptr<uint8_t>(0) : nullptr;

    std::vector<Box> moving;
    for (size_t k : movingObjects_) moving.push_back(boxAt(k, sceneTimeS));
    const float* R = rotation_;
    const float maxDepth = static_cast<float>(camera_.depth.maxDepthMm);
    const float noiseMm = static_cast<float>(camera_.noiseMm);
    const float inverseUnit = 1.0f / xyzToMm;
    uint32_t rng = (camera_.seed * 2654435761u) ^ static_cast<uint32_t>(sequence * 40503u + 0x9E3779B9u);
    if (rng == 0) rng = 1;

    for (size_t i = 0; i < count; ++i) {
        const float u = uv_[i * 2], v = uv_[i * 2 + 1];
        Hit hit = staticHits_[i];
        const float dv[3] = {R[0] * u + R[1] * v + R[2], R[3] * u + R[4] * v + R[5], R[6] * u + R[7] * v + R[8]};
        if (!moving.empty() && u == u) {
            const float inverse[3] = {1.0f / dv[0], 1.0f / dv[1], 1.0f / dv[2]};
            for (size_t m = 0; m < moving.size(); ++m) {
                intersect(moving[m], static_cast<int16_t>(movingObjects_[m] + 1), inverse, hit);
            }
        }
        const float length = std::sqrt(u * u + v * v + 1.0f);
        const float inverseLength = 1.0f / length;
        const float range = hit.t * length;
        const float sigma = noiseMm + 0.001f * range;
        const float g = gaussian_[xorshift(rng) & (kGaussianTableSize - 1)];
        // Noise along the ray: range noise sigma * g is depth noise sigma * g / length.
        const float depth = std::max(1.0f, hit.t + sigma * g * inverseLength);
        if (hit.object < 0 || !(hit.t <= maxDepth) || depth > 65535.0f) {
            frame.depth[i] = 0;
            frame.amplitude[i] = 0;
            frame.xyz[i * 3] = frame.xyz[i * 3 + 1] = frame.xyz[i * 3 + 2] = 0.0f;
            frame.hitObject[i] = -1;
            continue;  // the colour keeps the background
        }
        frame.depth[i] = static_cast<uint16_t>(depth + 0.5f);
        frame.xyz[i * 3] = u * depth * inverseUnit;
        frame.xyz[i * 3 + 1] = v * depth * inverseUnit;
        frame.xyz[i * 3 + 2] = depth * inverseUnit;
        frame.hitObject[i] = hit.object;
        // Lambert-like falloff: the ray's cosine against the face it hit.
        const float cosine = std::min(1.0f, std::abs(dv[hit.axis]) * inverseLength + 0.15f);
        const float reflectivity = hit.object == 0 ? kFloorReflectivity : objectReflectivity_[hit.object - 1];
        const float amplitude = kAmplitudeAtOneMetre * reflectivity * cosine * 1000.0f / std::max(range, 200.0f);
        frame.amplitude[i] = static_cast<uint16_t>(std::min(amplitude, 65535.0f));
        if (!colorOut) continue;
        std::array<uint8_t, 3> base;
        if (hit.object == 0) {  // floor tiles
            const float fx = origin_[0] + dv[0] * hit.t;
            const float fy = origin_[1] + dv[1] * hit.t;
            // Offset keeps the tile numbers positive, so truncation is flooring.
            const bool dark = ((static_cast<int>(fx * (1.0f / kFloorTileMm) + 4096.0f) +
                                static_cast<int>(fy * (1.0f / kFloorTileMm) + 4096.0f)) & 1) != 0;
            base.fill(dark ? 95 : 150);
        } else {
            base = objectColors_[hit.object - 1];
        }
        const float shade = 0.45f + 0.55f * cosine;
        uint8_t* px = colorOut + i * 3;
        for (int c = 0; c < 3; ++c) px[c] = static_cast<uint8_t>(std::min(255.0f, base[c] * shade));
    }
    if (withColor && !colorNative) {
        cv::Mat out(ch, cw, CV_8UC3, frame.color.data());
        cv::resize(native, out, cv::Size(cw, ch), 0, 0, cv::INTER_NEAREST);
    }
}

}  // namespace zrsim
