#pragma once

#include "WorkstationDocument.h"

#include <nlohmann/json.hpp>

#include <string_view>

namespace hazard_desk {

// The camera's algorithm-parameter JSON text → document. Text that is not JSON
// gives the single issue "$device": "invalid JSON syntax".
WorkstationDocument parseDeviceDocumentText(std::string_view text, AlgorithmVersion algorithmVersion,
                                            bool requireAllTemplates);

// Camera JSON → document. The algorithm version comes from the caller (the
// camera's current mode), not from the JSON. The camera holds one option set;
// it is copied into all 20 templates. With requireAllTemplates every key "0".."19"
// must be present; otherwise missing templates keep the default body.
// Structural errors: one "$device..." issue; then full validation.
WorkstationDocument parseDeviceDocument(const nlohmann::json& json, AlgorithmVersion algorithmVersion,
                                        bool requireAllTemplates);

}  // namespace hazard_desk
