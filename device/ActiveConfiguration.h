#pragma once
// The configuration the camera runs, read consistently: the workstation
// document (JSON, indent 2), the camera's own parameter text, the algorithm
// mode and the running template.
#include <QString>

namespace hazard_desk {

struct ActiveConfiguration {
    QString workstationJson;
    QString deviceJson;      // exactly as read from the camera
    int mode = -1;           // -1 unknown
    int templateIndex = -1;  // -1 unknown
};

}  // namespace hazard_desk
