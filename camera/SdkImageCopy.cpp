#include "SdkImageCopy.h"

#include <opencv2/core.hpp>

#include "ZrCameraTypes.h"

namespace algPlatform {

cv::Mat SdkImageCopy::copyImage(const void* data, std::int32_t width, std::int32_t height, std::int32_t sdkType,
                                std::int32_t channels)
{
    if (data == nullptr || width < 1 || height < 1 || channels < 1 || channels > CV_CN_MAX) {
        return cv::Mat();
    }
    const int type = CV_MAKETYPE(cvDepthOf(sdkType), channels);
    // The header wraps the library's buffer only for the duration of the copy.
    const cv::Mat view(height, width, type, const_cast<void*>(data));
    return view.clone();
}

cv::Mat SdkImageCopy::copyBlock(const ZrFrameBlock& block)
{
    return copyImage(block.data, block.width, block.height, block.type, block.channels);
}

void SdkImageCopy::fillCloud(const float* xyz, std::int32_t width, std::int32_t height, corVane::ColorCloud& cloud)
{
    cloud.clear();
    if (xyz == nullptr || width < 1 || height < 1) {
        cloud.width = 0;
        cloud.height = 1;
        return;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    cloud.points.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        pcl::PointXYZRGB& point = cloud.points[i];
        point.x = xyz[3 * i];
        point.y = xyz[3 * i + 1];
        point.z = xyz[3 * i + 2];
        point.r = point.g = point.b = 0;
        point.a = 255;
    }
    cloud.width = static_cast<std::uint32_t>(count);
    cloud.height = 1;
    cloud.is_dense = false;
}

}  // namespace algPlatform
