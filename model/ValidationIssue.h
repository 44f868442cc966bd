#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hazard_desk {

// One problem of a document: where ("templates[3].distance", "$.extrinsics.roll",
// "$device.Zones.5") and what, as an English source text.
struct ValidationIssue {
    std::string path;
    std::string message;
};

using ValidationIssueList = std::vector<ValidationIssue>;

inline bool operator==(const ValidationIssue& a, const ValidationIssue& b)
{
    return a.path == b.path && a.message == b.message;
}
inline bool operator!=(const ValidationIssue& a, const ValidationIssue& b) { return !(a == b); }

// "path: message" (message alone for an empty path); for logs and test output.
std::ostream& operator<<(std::ostream& out, const ValidationIssue& issue);

}  // namespace hazard_desk
