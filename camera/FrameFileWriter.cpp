#include "FrameFileWriter.h"

#include "FrameTime.h"

#include <chrono>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iomanip>
#include <sstream>

#include <opencv2/imgcodecs.hpp>
#include <pcl/io/pcd_io.h>

namespace algPlatform {

namespace fs = std::filesystem;

namespace {

// Moves a complete temporary file to its final name.
bool commit(const fs::path& temporary, const fs::path& target, FrameFileWriter::Result& result)
{
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        result.ok = false;
        result.error = "cannot write '" + target.string() + "': " + error.message();
        return false;
    }
    result.written.push_back(target.string());
    return true;
}

bool writeImage(const cv::Mat& image, const fs::path& target, FrameFileWriter::Result& result)
{
    const fs::path temporary = target.string() + ".part.png";
    bool written = false;
    try {
        written = cv::imwrite(temporary.string(), image);
    } catch (const std::exception& ex) {
        result.error = "cannot write '" + target.string() + "': " + ex.what();
    }
    if (!written) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        result.ok = false;
        if (result.error.empty()) {
            result.error = "cannot write '" + target.string() + "'";
        }
        return false;
    }
    return commit(temporary, target, result);
}

}  // namespace

std::string FrameFileWriter::stampNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm local = FrameTime::localCalendar(seconds);
    std::ostringstream text;
    text << std::put_time(&local, "%Y%m%d_%H%M%S") << '_' << std::setw(3) << std::setfill('0') << millis;
    return text.str();
}

FrameFileWriter::Result FrameFileWriter::write(const FrameSet& frame, const std::string& directory,
                                               const std::string& stamp)
{
    Result result;
    const fs::path folder = fs::u8path(directory);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
        result.ok = false;
        result.error = "cannot create folder '" + directory + "': " +
                       (error ? error.message() : std::string("not a folder"));
        return result;
    }
    if (!frame.color.image.empty() && !writeImage(frame.color.image, folder / ("rgb_" + stamp + ".png"), result)) {
        return result;
    }
    if (!frame.depth.image.empty() && !writeImage(frame.depth.image, folder / ("depth_" + stamp + ".png"), result)) {
        return result;
    }
    if (frame.cloud.cloud && !frame.cloud.cloud->empty()) {
        const fs::path target = folder / ("cloud_" + stamp + ".pcd");
        const fs::path temporary = target.string() + ".part";
        int status = -1;
        try {
            status = pcl::io::savePCDFileBinary(temporary.string(), *frame.cloud.cloud);
        } catch (const std::exception& ex) {
            result.error = "cannot write '" + target.string() + "': " + ex.what();
        }
        if (status != 0) {
            fs::remove(temporary, error);
            result.ok = false;
            if (result.error.empty()) {
                result.error = "cannot write '" + target.string() + "'";
            }
            return result;
        }
        commit(temporary, target, result);
    }
    return result;
}

}  // namespace algPlatform
