#include "IssueListFormatter.h"

namespace hazard_desk {

std::string formatIssueList(const ValidationIssueList& issues)
{
    std::string text;
    const std::size_t shown = issues.size() < kMaxDisplayedIssues ? issues.size() : kMaxDisplayedIssues;
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += issues[i].path;
        text += "\xEF\xBC\x9A";   // U+FF1A FULLWIDTH COLON
        text += issues[i].message;
    }
    if (issues.size() > shown) {
        // One source text with its placeholder, so the line translates whole.
        std::string more = kMoreIssuesMessage;
        more.replace(more.find("%1"), 2, std::to_string(issues.size() - shown));
        text += '\n';
        text += more;
    }
    return text;
}

}  // namespace hazard_desk
