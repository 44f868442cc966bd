#pragma once
// One frame as the virtual camera produced it: the image buffers it hands out
// through its data pointers and the SDK records that point into them. Frames
// are immutable once published and shared by pointer, so a reader keeps the
// buffers alive as long as it holds the frame.

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "ZrCameraTypes.h"

namespace zrsim {

/// Allocator that leaves new elements uninitialised: the renderer writes every
/// pixel anyway, so zero-filling megabytes per frame would be wasted.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <typename U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

template <typename T>
using PixelBuffer = std::vector<T, UninitializedAllocator<T>>;

/// Hit object of a return whose object is not known (a replayed frame).
constexpr int16_t kUnknownObject = INT16_MAX;

struct RenderedFrame {
    uint64_t sequence = 0;       ///< 1, 2, ... per stream
    uint64_t frameHandle = 0;    ///< handle of this frame for DcGetPtrValue
    uint64_t timestampUs = 0;    ///< sensor time stamp, microseconds since 1970
    int32_t status = 0;          ///< frame status handed to the client

    int width = 0;
    int height = 0;
    PixelBuffer<uint16_t> depth;       ///< mm along the optical axis, 0 = no return
    PixelBuffer<uint16_t> amplitude;
    PixelBuffer<float> xyz;            ///< camera frame, unit of ZR_INT_XYZ_UNIT
    float xyzToMm = 1.0f;              ///< factor from the xyz unit to mm
    PixelBuffer<int16_t> hitObject;    ///< -1 nothing, 0 floor, k+1 scene object k, kUnknownObject
                                       ///< a return of no known object (replayed frames)

    int colorWidth = 0;
    int colorHeight = 0;
    PixelBuffer<uint8_t> color;        ///< BGR, empty without a colour stream

    bool algorithmRan = false;
    int32_t ioStatus = 0;              ///< 0 safe, 1 warning, 2 stop
    ZrAlgorithmOutput output{};
    std::vector<ZrObstacleBoxV1> boxesV1;
    std::vector<ZrObstacleBoxV2> boxesV2;

    ZrFrameData record{};

    /// 2x2 binning of the depth side: keeps every second row and column of
    /// depth, amplitude, xyz and hit map (colour is a sensor of its own).
    void binDepthTwoByTwo();

    /// Points the SDK records at this frame's own buffers. Call once the
    /// buffers are final (after the algorithm has run).
    void bindRecord(int32_t algorithmFrameType);
};

}  // namespace zrsim
