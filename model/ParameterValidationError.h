#pragma once

#include "ValidationIssue.h"

#include <stdexcept>
#include <string>

namespace hazard_desk {

// The one exception the parameter model throws for bad input. It owns a
// non-empty issue list; what() is the issues joined by '\n', each "path: message".
class ParameterValidationError : public std::invalid_argument {
public:
    // An empty list is replaced by one issue "parameter validation failed" (empty path),
    // so a caught error always names something.
    explicit ParameterValidationError(ValidationIssueList issues);

    const ValidationIssueList& issues() const noexcept { return issues_; }

    static std::string describe(const ValidationIssueList& issues);

private:
    ParameterValidationError(ValidationIssueList&& issues, int);

    ValidationIssueList issues_;
};

// The single-issue throw used by every parser.
[[noreturn]] void throwValidationIssue(std::string path, std::string message);

}  // namespace hazard_desk
