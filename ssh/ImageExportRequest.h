#pragma once
// One export of the camera's saved images: the login and the local folder the
// engineer chose.
#include <QString>

#include "SshTarget.h"

namespace hazard_desk {

struct ImageExportRequest {
    SshTarget target;
    QString localDir;
};

// The one outcome of an export.
enum ImageExportOutcome : int {
    kImageExportSucceeded = 0,
    kImageExportFailed = 1,
    kImageExportCancelled = 2,
};

}  // namespace hazard_desk
