#include "ValidationIssue.h"

#include <ostream>

namespace hazard_desk {

std::ostream& operator<<(std::ostream& out, const ValidationIssue& issue)
{
    if (!issue.path.empty()) {
        out << issue.path << ": ";
    }
    return out << issue.message;
}

}  // namespace hazard_desk
