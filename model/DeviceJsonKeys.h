#pragma once

#include <array>

namespace hazard_desk::device_keys {

// Keys of the camera's algorithm-parameter JSON.
inline constexpr const char* kRotation = "R";
inline constexpr const char* kTranslation = "T";
inline constexpr const char* kZoneIndex = "ZoneIndex";
inline constexpr const char* kZones = "Zones";
inline constexpr const char* kDebug = "debug";
inline constexpr const char* kSemantics = "semantics";
inline constexpr const char* kSemanticsOutput = "semantics_output";
inline constexpr const char* kEnhancedDetection = "enhanced_detection";
inline constexpr const char* kSimpleOutput = "simple_output";
inline constexpr const char* kNoneSemanticClusterOutput = "none_semantic_cluster_output";
inline constexpr const char* kForklift2dEnhance = "forklift_2d_enhance";
inline constexpr const char* kGroundHoleDetection = "ground_hole_detection";
inline constexpr const char* kGroundHoleParam = "ground_hole_param";

// Keys of one zone object under "Zones".
inline constexpr const char* kZoneType = "ZoneType";
inline constexpr const char* kDangerZone = "DangerZone";
inline constexpr const char* kWarningZone = "WarningZone";
inline constexpr const char* kNotifyZone = "NotifyZone";

// The keys of one zone object a write owns, in the order they are compared.
inline constexpr std::array<const char*, 4> kWrittenZoneKeys{kDangerZone, kWarningZone, kZoneType, kNotifyZone};

// The keys that only algorithm V2 reads; removed when a V1 document is written.
inline constexpr std::array<const char*, 8> kV2OptionKeys{
    kSemantics, kSemanticsOutput, kEnhancedDetection, kSimpleOutput,
    kNoneSemanticClusterOutput, kForklift2dEnhance, kGroundHoleDetection, kGroundHoleParam};

// "debug" plus the V2 keys: the flags a merge writes when includeFlags is set.
inline constexpr std::array<const char*, 9> kFlagKeys{
    kDebug, kSemantics, kSemanticsOutput, kEnhancedDetection, kSimpleOutput,
    kNoneSemanticClusterOutput, kForklift2dEnhance, kGroundHoleDetection, kGroundHoleParam};

}  // namespace hazard_desk::device_keys
