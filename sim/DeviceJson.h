#pragma once
// The camera's own handling of its algorithm parameter JSON: factory content,
// the check a write must pass, the way the camera formats what it stores, and
// reading the pose and zones it evaluates. Deliberately independent of the
// workstation's model library, so the two check each other.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "SimGeometry.h"
#include "ZoneVolume.h"

namespace zrsim {

/// Factory parameters: twenty square templates, ZoneIndex 1, R/T of the
/// default mount (roll 90, pitch -180, yaw 90, x 0, y 0, z 50); V2 keys for V2 cameras.
nlohmann::json factoryParameters(bool v2);

/// A write must be a JSON object with R (9 finite numbers), T (3 finite
/// numbers), ZoneIndex (integer 0..19) and Zones (object).
bool checkParameterWrite(const nlohmann::json& document, std::string& error);

/// What the camera stores: every number as floating point (ZoneIndex stays an
/// integer), rounded to `rounding` when above 0. Keys come out sorted.
nlohmann::json normalizeStored(const nlohmann::json& document, double rounding);

/// The camera's text of a stored document (compact, keys sorted).
std::string formatStored(const nlohmann::json& document);

/// Mounting pose from R and T; nothing when they are unusable.
std::optional<Pose> poseOf(const nlohmann::json& document);

/// Active template (ZoneIndex), -1 when missing or out of range.
int zoneIndexOf(const nlohmann::json& document);

/// Zone volumes of one template (danger, warning, notify when given); a
/// malformed zone array is left out.
std::vector<ZoneVolume> zonesOf(const nlohmann::json& document, int templateIndex);

}  // namespace zrsim
