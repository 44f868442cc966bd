#pragma once

#include "Extrinsics.h"

#include <cstdint>
#include <string>

namespace zavov {

// Outcome of one ground calibration. On failure ok is false, error names the
// reason and pose equals the initial pose.
struct GroundCalibrationResult {
    bool ok = false;
    // Initial pose; on success roll, pitch and z are replaced.
    hazard_desk::Extrinsics pose;
    // Points that entered the fit.
    std::uint64_t pointCount = 0;
    // Points of the floor plane.
    std::uint64_t inlierCount = 0;
    // Angle between the old and the new floor normal, degrees.
    double tiltCorrection = 0.0;
    // New z minus initial z, millimetres.
    double heightCorrection = 0.0;
    // RMS distance of the floor inliers from the plane, millimetres.
    double rmsMillimetres = 0.0;
    // Empty on success; otherwise one of the calibration messages.
    std::string error;
};

}  // namespace zavov
