#pragma once

namespace hazard_desk {

// Camera mounting pose on the vehicle: angles in degrees, position in millimetres.
struct Extrinsics {
    double roll = 90.0;
    double pitch = -180.0;
    double yaw = 90.0;
    double x = 0.0;
    double y = 0.0;
    double z = 50.0;
};

// Equality of the model records treats two NaNs as the same value, so a
// document compares equal to its own copy whatever it holds.
bool operator==(const Extrinsics& a, const Extrinsics& b);
inline bool operator!=(const Extrinsics& a, const Extrinsics& b) { return !(a == b); }

}  // namespace hazard_desk
