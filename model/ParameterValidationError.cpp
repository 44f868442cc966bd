#include "ParameterValidationError.h"

#include <utility>

namespace hazard_desk {
namespace {

ValidationIssueList nonEmpty(ValidationIssueList issues)
{
    if (issues.empty()) {
        issues.push_back({std::string{}, "parameter validation failed"});
    }
    return issues;
}

}  // namespace

ParameterValidationError::ParameterValidationError(ValidationIssueList issues)
    : ParameterValidationError(nonEmpty(std::move(issues)), 0)
{
}

ParameterValidationError::ParameterValidationError(ValidationIssueList&& issues, int)
    : std::invalid_argument(describe(issues)), issues_(std::move(issues))
{
}

std::string ParameterValidationError::describe(const ValidationIssueList& issues)
{
    std::string text;
    for (std::size_t i = 0; i < issues.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        if (!issues[i].path.empty()) {
            text += issues[i].path;
            text += ": ";
        }
        text += issues[i].message;
    }
    return text;
}

void throwValidationIssue(std::string path, std::string message)
{
    throw ParameterValidationError(ValidationIssueList{ValidationIssue{std::move(path), std::move(message)}});
}

}  // namespace hazard_desk
