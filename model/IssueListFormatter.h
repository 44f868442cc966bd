#pragma once

#include "ValidationIssue.h"

#include <cstddef>
#include <string>

namespace hazard_desk {

inline constexpr std::size_t kMaxDisplayedIssues = 12;

// Display text of an issue list: the first twelve issues as "path：message"
// (full-width colon), then "另有 N 项错误" when more remain; joined by '\n'.
// The text is the untranslated source; the window translates it for display.
std::string formatIssueList(const ValidationIssueList& issues);

}  // namespace hazard_desk
