#pragma once
// The one text of every SDK failure the bridge reports.
#include <QString>
#include <cstdint>

namespace hazard_desk {

// "<operation>失败（SDK=<status>，<DcGetErrorString(status) or "unknown">）".
QString formatSdkError(const QString& operation, std::int32_t status);

}  // namespace hazard_desk
