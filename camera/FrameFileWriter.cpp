#include "FrameFileWriter.h"

#include "FrameTime.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <system_error>

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
        result.error = "cannot write '" + target.u8string() + "': " + error.message();
        return false;
    }
    result.written.push_back(target.u8string());
    return true;
}

bool fail(const fs::path& target, const std::string& reason, FrameFileWriter::Result& result)
{
    result.ok = false;
    result.error = "cannot write '" + target.u8string() + "'" + (reason.empty() ? std::string() : ": " + reason);
    return false;
}

// Encoded in memory and written through the path itself, so a folder name
// outside the system code page works on every platform.
bool writeImage(const cv::Mat& image, const fs::path& target, FrameFileWriter::Result& result)
{
    std::vector<uchar> encoded;
    try {
        if (!cv::imencode(".png", image, encoded)) {
            return fail(target, "the image cannot be encoded as PNG", result);
        }
    } catch (const std::exception& ex) {
        return fail(target, ex.what(), result);
    }
    fs::path temporary = target;
    temporary += ".part";
    errno = 0;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(encoded.data()), static_cast<std::streamsize>(encoded.size()));
        out.close();
        if (!out) {
            const int code = errno;
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return fail(target, code != 0 ? std::generic_category().message(code) : std::string(), result);
        }
    }
    return commit(temporary, target, result);
}

bool writeCloud(const corVane::ColorCloud& cloud, const fs::path& target, FrameFileWriter::Result& result)
{
    fs::path temporary = target;
    temporary += ".part";
    int status = -1;
    std::string reason;
    try {
        status = pcl::io::savePCDFileBinary(temporary.string(), cloud);
    } catch (const std::exception& ex) {
        reason = ex.what();
    }
    if (status != 0) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return fail(target, reason, result);
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

FrameFileWriter::Result FrameFileWriter::write(const Files& files, const std::string& directory,
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
    for (const Image& image : files.images) {
        if (!image.image.empty() &&
            !writeImage(image.image, folder / fs::u8path(image.name + "_" + stamp + ".png"), result)) {
            return result;
        }
    }
    if (files.cloud && !files.cloud->empty()) {
        writeCloud(*files.cloud, folder / fs::u8path("cloud_" + stamp + ".pcd"), result);
    }
    return result;
}

FrameFileWriter::Result FrameFileWriter::write(const FrameSet& frame, const std::string& directory,
                                               const std::string& stamp)
{
    return write(Files{{{"rgb", frame.color.image}, {"depth", frame.depth.image}}, frame.cloud.cloud}, directory,
                 stamp);
}

}  // namespace algPlatform
