#include "CameraRays.h"

#include "ZrCameraK7.h"
#include "ZrCameraParams.h"
#include "ZrCameraTypes.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace zavov {

namespace {

constexpr std::size_t kLensModelOffset = 44;
constexpr std::int32_t kFisheyeLensModel = 15;
constexpr int kFisheyeDistortionCount = 4;
// Rows undistorted per task.
constexpr int kRowsPerBlock = 32;

std::string resolutionMessage(std::int32_t width, std::int32_t height)
{
    std::string text = kRayResolutionInvalidMessage;
    text.replace(text.find("%1"), 2, std::to_string(width));
    text.replace(text.find("%2"), 2, std::to_string(height));
    return text;
}

}  // namespace

RayIntrinsics readRayIntrinsics(algPlatform::ZrCameraK7& camera)
{
    RayIntrinsics in;
    if (camera.readIntValue(ZR_INT_3D_NATIVE_WIDTH, in.width) != ZR_STATUS_OK) {
        in.width = 0;
    }
    if (camera.readIntValue(ZR_INT_3D_NATIVE_HEIGHT, in.height) != ZR_STATUS_OK) {
        in.height = 0;
    }
    if (in.width >= 1 && in.height >= 1) {
        ZrPinholeBlock block{};
        if (camera.readPointerValue(ZR_PTR_3D_PINHOLE_PARAM, &block, sizeof(block)) == ZR_STATUS_OK) {
            in.pinholeRead = true;
            in.fx = block.fx;
            in.fy = block.fy;
            in.cx = block.cx;
            in.cy = block.cy;
            std::copy(std::begin(block.distortion), std::end(block.distortion), in.distortion.begin());
        }
    }
    // The lens model is a 32-bit field of the model record.
    unsigned char record[kLensModelOffset + sizeof(std::int32_t)] = {};
    if (camera.readPointerValue(ZR_PTR_3D_INTRINSIC_PARAMETERS, record, sizeof(record)) == ZR_STATUS_OK) {
        std::int32_t lensModel = 0;
        std::memcpy(&lensModel, record + kLensModelOffset, sizeof(lensModel));
        in.fisheye = lensModel == kFisheyeLensModel;
    }
    return in;
}

CameraRays computeCameraRays(const RayIntrinsics& in)
{
    CameraRays result;
    result.fisheye = in.fisheye;
    const std::int64_t pixels = static_cast<std::int64_t>(in.width) * in.height;
    if (in.width < 1 || in.height < 1 || pixels > kMaxRayPixels) {
        result.error = resolutionMessage(in.width, in.height);
        return result;
    }
    if (!in.pinholeRead) {
        result.error = kRayPinholeUnreadableMessage;
        return result;
    }
    const cv::Matx33d cameraMatrix(in.fx, 0.0, in.cx, 0.0, in.fy, in.cy, 0.0, 0.0, 1.0);
    const int coefficientCount = in.fisheye ? kFisheyeDistortionCount : kRayDistortionCount;
    cv::Mat coefficients(1, coefficientCount, CV_64F);
    for (int i = 0; i < coefficientCount; ++i) {
        coefficients.at<double>(i) = in.distortion[static_cast<std::size_t>(i)];
    }

    // Each point is undistorted on its own, so blocks of rows can go to
    // OpenCV's threads and give the same rays as one call over all pixels.
    result.rays.create(in.height, in.width, CV_32FC3);
    const int blockCount = (in.height + kRowsPerBlock - 1) / kRowsPerBlock;
    std::mutex failureMutex;
    std::string failure;
    cv::parallel_for_(cv::Range(0, blockCount), [&](const cv::Range& blocks) {
        for (int block = blocks.start; block < blocks.end; ++block) {
            const int firstRow = block * kRowsPerBlock;
            const int endRow = std::min(firstRow + kRowsPerBlock, static_cast<int>(in.height));
            // Pixel list in row-major order, as 32-bit floats.
            cv::Mat pixelList((endRow - firstRow) * in.width, 1, CV_32FC2);
            auto* pixel = pixelList.ptr<cv::Vec2f>();
            for (int y = firstRow; y < endRow; ++y) {
                for (int x = 0; x < in.width; ++x) {
                    *pixel++ = cv::Vec2f(static_cast<float>(x), static_cast<float>(y));
                }
            }
            cv::Mat undistorted;
            std::string blockFailure;
            try {
                if (in.fisheye) {
                    cv::fisheye::undistortPoints(pixelList, undistorted, cameraMatrix, coefficients);
                } else {
                    cv::undistortPoints(pixelList, undistorted, cameraMatrix, coefficients);
                }
                if (undistorted.total() != pixelList.total() || undistorted.type() != CV_32FC2) {
                    blockFailure = kRayCountMismatchMessage;
                }
            } catch (const cv::Exception& error) {
                blockFailure = kRayUndistortionFailedMessage;
                blockFailure.replace(blockFailure.find("%1"), 2, error.what());
            }
            if (!blockFailure.empty()) {
                const std::lock_guard<std::mutex> lock(failureMutex);
                failure = blockFailure;
                continue;
            }
            const auto* normalized = undistorted.ptr<cv::Vec2f>();
            for (int y = firstRow; y < endRow; ++y) {
                auto* ray = result.rays.ptr<cv::Vec3f>(y);
                for (int x = 0; x < in.width; ++x, ++normalized) {
                    ray[x] = cv::Vec3f((*normalized)[0], (*normalized)[1], 1.0f);
                }
            }
        }
    });
    if (!failure.empty()) {
        result.rays.release();
        result.error = failure;
    }
    return result;
}

CameraRays generateCameraRays(algPlatform::ZrCameraK7& camera)
{
    return computeCameraRays(readRayIntrinsics(camera));
}

}  // namespace zavov
