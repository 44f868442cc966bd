#pragma once
// A window image as the frame writer takes it: grey stays one channel (8 or
// 16 bits), colour becomes BGR, colour with alpha BGRA. A deep copy.
#include <opencv2/core/mat.hpp>

class QImage;

namespace hazard_desk {

cv::Mat matFromImage(const QImage& image);

}  // namespace hazard_desk
