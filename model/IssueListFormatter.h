#pragma once

#include "ValidationIssue.h"

#include <cstddef>
#include <string>

namespace hazard_desk {

inline constexpr std::size_t kMaxDisplayedIssues = 12;
// The closing line of a longer list; %1 is the number of issues not shown.
inline constexpr const char* kMoreIssuesMessage = "另有 %1 项错误";

// Display text of an issue list: the first twelve issues as "path：message"
// (full-width colon), then "另有 N 项错误" when more remain; joined by '\n'.
// The text is the untranslated source; the window translates it for display.
std::string formatIssueList(const ValidationIssueList& issues);

}  // namespace hazard_desk
