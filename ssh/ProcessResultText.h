#pragma once
// The one-line error text of a run of plink or pscp, safe to show and log:
// the password masked, line breaks folded, at most 800 characters.
#include <QString>

#include "ProcessResult.h"

namespace hazard_desk {

class ProcessResultText {
public:
    static constexpr int kMaxLength = 800;
    static constexpr const char* kPasswordMask = "******";
};

QString describeProcessResult(const ProcessResult& result, const QString& password);

}  // namespace hazard_desk
