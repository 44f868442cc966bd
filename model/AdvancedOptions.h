#pragma once

namespace hazard_desk {

// V2 ground-hole detection; lengths in millimetres, minPoints is a count held as a double.
struct GroundVoidOptions {
    bool enabled = false;
    double nearDistance = 186.0;
    double farDistance = 850.0;
    double halfWidth = 608.0;
    double resolution = 50.0;
    double halfThickness = 50.0;
    double minPoints = 10.0;
};

// V2 semantic detection and its 2D enhancement window (millimetres).
struct SemanticOptions {
    bool enabled = false;
    bool pointCloudCompact = false;
    bool nonSemanticBox = false;
    bool enhancement = false;
    bool pointCloudOutput = false;
    double minX = 0.0;
    double maxX = 0.0;
    double minY = 0.0;
    double maxY = 0.0;
};

// Per-template V1/V2 options. The camera itself holds one set; see DeviceJsonReader.h.
struct AdvancedOptions {
    bool debug = false;
    GroundVoidOptions groundVoid;
    SemanticOptions semantic;
};

// NaN-aware equality (two NaNs compare equal), see Extrinsics.h.
bool operator==(const GroundVoidOptions& a, const GroundVoidOptions& b);
bool operator==(const SemanticOptions& a, const SemanticOptions& b);
bool operator==(const AdvancedOptions& a, const AdvancedOptions& b);
inline bool operator!=(const GroundVoidOptions& a, const GroundVoidOptions& b) { return !(a == b); }
inline bool operator!=(const SemanticOptions& a, const SemanticOptions& b) { return !(a == b); }
inline bool operator!=(const AdvancedOptions& a, const AdvancedOptions& b) { return !(a == b); }

}  // namespace hazard_desk
