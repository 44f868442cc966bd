#pragma once

#include "WorkstationDocument.h"

#include <nlohmann/json.hpp>

#include <string>

namespace hazard_desk {

inline constexpr int kWorkstationJsonVersion = 1;

// Document → workstation JSON ("version" 1, key-sorted objects, lengths, angles
// and minPoints as JSON floating point). Does not validate; a non-finite value
// is written as null, as the JSON library prints it.
nlohmann::json serializeWorkstationDocument(const WorkstationDocument& document);

// The text of serializeWorkstationDocument(document).dump(indent, ' ') (callers
// pass 2; a negative indent gives one line), written directly without building
// the JSON tree.
std::string dumpWorkstationDocument(const WorkstationDocument& document, int indent);

}  // namespace hazard_desk
