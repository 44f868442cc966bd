#pragma once
// V1 zone masks: for one template, per zone level, the range at which each
// pixel's viewing ray leaves the zone volume (far) and enters it (near). The
// camera counts a measured point as inside when its range lies between the
// two. No Qt.
//
// Thread: any; the fast projection spreads its work over OpenCV's worker threads.
#include "Extrinsics.h"
#include "ParameterEnums.h"
#include "ZoneTemplate.h"

#include <opencv2/core/mat.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zavov {

// Which loop projects the volumes onto the rays. Both give the same bits;
// the reference is the plain loop over every triangle and every pixel.
enum class MaskProjection { Fast, Reference };

struct MaskOptions {
    double sectorAngularStepDeg = 1.0;   // arc step of sector outlines, (0, 30]
    double triangleEpsilon = 1e-5;       // barycentric tolerance of a hit, >= 0
    bool singleSurfaceGuard = true;      // reject masks whose near and far coincide too often
    MaskProjection projection = MaskProjection::Fast;
};

// The two range images of one level, CV_16UC1, millimetres truncated to an
// integer and limited to 65535. A pixel whose ray misses the volume keeps
// far 0 and near 65535. (Not named far/near: Windows headers define both.)
struct MaskPair {
    cv::Mat farMask;
    cv::Mat nearMask;
};

struct TemplateMasks {
    // Indexed by ZoneLevel: danger, warn, notify; a level without a volume has none.
    std::array<std::optional<MaskPair>, 3> levels;
    std::string error;   // empty on success; then at least one level is present

    bool ok() const { return error.empty(); }
    const std::optional<MaskPair>& level(hazard_desk::ZoneLevel zoneLevel) const;
};

inline constexpr std::uint16_t kMaskRangeLimit = 65535;

// Failure texts (the level word and " mask: " precede the projection reasons).
inline constexpr const char* kMaskNoTrianglesMessage = "convex volume has no non-degenerate triangles";
inline constexpr const char* kMaskSingleSurfaceMessage = "ZAVOV single-surface guard rejected the projected convex hull";

// The masks of one template as seen through rays (CV_32FC3, (u, v, 1) per
// pixel) from a camera mounted at extrinsics. Never throws; on failure the
// result holds the error text and no masks.
TemplateMasks generateTemplateMasks(const cv::Mat& rays, const hazard_desk::Extrinsics& extrinsics,
                                    const hazard_desk::ZoneTemplate& zoneTemplate, const MaskOptions& options);

// File kinds of the mask images: danger far/near 0/1, warn 2/3, notify 4/5.
inline constexpr int kMaskKindCount = 6;
int maskKind(hazard_desk::ZoneLevel level, bool nearMask);

// The kind word, the template index in decimal and ".pgm" ("warn_near7.pgm");
// a kind outside 0..5 gives the word "unknown". Throws std::out_of_range
// "template index must be within 0..19" for an index outside 0..19.
std::string maskFileName(int kind, int templateIndex);

// Every present image of masks, in kind order.
struct MaskImage {
    int kind = 0;
    cv::Mat image;
};
std::vector<MaskImage> presentMaskImages(const TemplateMasks& masks);

}  // namespace zavov
