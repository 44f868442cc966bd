#pragma once

#include <string>
#include <vector>

#include "FrameSet.h"

namespace algPlatform {

// Writes one frame set into a folder: "rgb_<stamp>.png", "depth_<stamp>.png"
// for the images that are not empty and "cloud_<stamp>.pcd" (binary PCD)
// when the cloud has points. Nothing is half-written: each file goes to a
// temporary name first and is renamed when complete.
class FrameFileWriter {
public:
    struct Result {
        bool ok = true;
        std::vector<std::string> written;   // full paths of the files written
        std::string error;                  // what failed, with the path
    };

    // Local time as "yyyyMMdd_HHmmss_zzz".
    static std::string stampNow();

    static Result write(const FrameSet& frame, const std::string& directory, const std::string& stamp);
};

}  // namespace algPlatform
