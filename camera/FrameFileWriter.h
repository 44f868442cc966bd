#pragma once

#include <string>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "ColorCloud.h"
#include "FrameSet.h"

namespace algPlatform {

// Writes one frame into a folder: "<name>_<stamp>.png" for each image that is
// not empty and "cloud_<stamp>.pcd" (binary PCD) when the cloud has points.
// Nothing is half-written: each file goes to a temporary name first and is
// renamed when complete. The first file that fails stops the export; the
// files written before it stay, each complete.
class FrameFileWriter {
public:
    // One image of the export and the name its file starts with ("rgb",
    // "depth", "amplitude"). 8-bit images are 1 (grey), 3 (BGR) or 4 (BGRA)
    // channels; a 16-bit single channel is kept at 16 bits.
    struct Image {
        std::string name;
        cv::Mat image;
    };

    struct Files {
        std::vector<Image> images;
        corVane::ColorCloudPtr cloud;
    };

    struct Result {
        bool ok = true;
        std::vector<std::string> written;   // full paths of the files written
        std::string error;                  // what failed, with the path
    };

    // Local time as "yyyyMMdd_HHmmss_zzz".
    static std::string stampNow();

    static Result write(const Files& files, const std::string& directory, const std::string& stamp);
    // The frame's colour ("rgb") and depth ("depth") images and its cloud.
    static Result write(const FrameSet& frame, const std::string& directory, const std::string& stamp);
};

}  // namespace algPlatform
