#pragma once

#include "WorkstationDocument.h"

#include <nlohmann/json.hpp>

#include <string_view>

namespace hazard_desk {

// Workstation JSON text → document. Text that is not JSON gives the single
// issue "$": "invalid JSON syntax". Throws ParameterValidationError only.
WorkstationDocument parseWorkstationDocumentText(std::string_view text);

// Workstation JSON → document. Structural errors throw at the first one with a
// single "$."-path issue; a structurally sound document is then validated in
// full and all issues are thrown together. Never returns a partial document.
WorkstationDocument parseWorkstationDocument(const nlohmann::json& json);

}  // namespace hazard_desk
