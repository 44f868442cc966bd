#pragma once

#include "ValidationIssue.h"
#include "WorkstationDocument.h"

namespace hazard_desk {

// Every rule over the whole document, collected in rule order (document rules,
// then slot 0..19). Paths have no "$." prefix: "extrinsics", "activeIndex",
// "templates[i]...". Never throws for bad values; empty when valid.
ValidationIssueList validateWorkstationDocument(const WorkstationDocument& document);

// Throws ParameterValidationError with the whole list when any rule is broken.
void requireValidDocument(const WorkstationDocument& document);

}  // namespace hazard_desk
