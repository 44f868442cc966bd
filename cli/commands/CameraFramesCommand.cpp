#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "ArgumentParser.h"
#include "CameraCommandSupport.h"
#include "CommandRegistry.h"
#include "FrameFileWriter.h"
#include "ZrCameraK7.h"
#include "ZrLogger.h"

namespace hazard_desk::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultFrameCount = 100;
constexpr int kMaxFrameCount = 1000000;
constexpr auto kStreamTimeLimit = std::chrono::seconds(10);
constexpr auto kRetryAfterFailure = std::chrono::milliseconds(5);

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Nearest-rank percentile of the samples (0 when there are none).
double percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(samples.size())));
    return samples[std::min(samples.size() - 1, rank == 0 ? 0 : rank - 1)];
}

double rounded(double value)
{
    return std::round(value * 1000.0) / 1000.0;
}

struct StreamResult {
    int frames = 0;
    std::map<std::string, int> failures;
    std::vector<double> grabMs;
    double elapsedMs = 0.0;
    algPlatform::FrameSet last;
};

StreamResult pollFrames(algPlatform::ZrCameraK7& camera, int count, bool withCloud)
{
    StreamResult result;
    const Clock::time_point start = Clock::now();
    Clock::time_point lastFrameAt = start;
    while (result.frames < count && Clock::now() - start < kStreamTimeLimit) {
        algPlatform::FrameSet frame;
        const Clock::time_point before = Clock::now();
        const std::int32_t code = camera.getNewFrameSet(frame, withCloud);
        const Clock::time_point after = Clock::now();
        if (code != 0) {
            ++result.failures[std::to_string(code)];
            std::this_thread::sleep_for(kRetryAfterFailure);
            continue;
        }
        result.grabMs.push_back(millisecondsBetween(before, after));
        ++result.frames;
        lastFrameAt = after;
        result.last = std::move(frame);
    }
    result.elapsedMs = millisecondsBetween(start, lastFrameAt);
    return result;
}

StreamResult callbackFrames(algPlatform::ZrCameraK7& camera, int count, bool withCloud, std::int32_t& status)
{
    StreamResult result;
    std::mutex mutex;
    std::condition_variable arrived;
    Clock::time_point lastFrameAt;
    const Clock::time_point start = Clock::now();
    status = camera.startCallbackStream(withCloud, [&](algPlatform::FrameSet& frame) {
        std::lock_guard<std::mutex> lock(mutex);
        if (result.frames >= count) {
            return;
        }
        ++result.frames;
        lastFrameAt = Clock::now();
        result.last = frame;
        arrived.notify_all();
    });
    if (status != 0) {
        return result;
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait_for(lock, kStreamTimeLimit, [&] { return result.frames >= count; });
    }
    camera.stopCallbackStream();
    std::lock_guard<std::mutex> lock(mutex);
    result.elapsedMs = result.frames > 0 ? millisecondsBetween(start, lastFrameAt) : 0.0;
    return result;
}

int runFrames(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip").option("--count").option("--export").flag("--callback").flag("--no-cloud");
    int count = kDefaultFrameCount;
    if (!parser.parse(ctx.args) || !parser.intValue("--count", kDefaultFrameCount, 1, kMaxFrameCount, count)) {
        ctx.err << "hazard-desk-cli frames: " << parser.error() << "\n";
        return kExitUsage;
    }
    if (!parser.positional().empty()) {
        ctx.err << "hazard-desk-cli frames: unexpected argument '" << parser.positional().front() << "'\n";
        return kExitUsage;
    }
    const std::string ip = parser.value("--ip").value_or("");
    if (ip.empty()) {
        ctx.err << "hazard-desk-cli frames: option --ip is required\n";
        return kExitUsage;
    }
    const bool withCloud = !parser.has("--no-cloud");
    const bool useCallback = parser.has("--callback");
    algPlatform::DeviceInfo info;
    info.ip = ip;
    algPlatform::ZrCameraK7 camera(info);
    if (camera.open() != 0) {
        ctx.err << "hazard-desk-cli frames: cannot open the camera at " << ip
                << " (see ZrCameraK7.log in " << algPlatform::ZrLogger::configuration().directory << ")\n";
        return kExitFailed;
    }
    const std::int32_t initialized = camera.initialize("{}");
    if (initialized != 0) {
        ctx.err << "hazard-desk-cli frames: initialising the camera at " << ip << " failed with status "
                << initialized << "\n";
        return kExitFailed;
    }

    StreamResult result;
    if (useCallback) {
        std::int32_t status = 0;
        result = callbackFrames(camera, count, withCloud, status);
        if (status != 0) {
            ctx.err << "hazard-desk-cli frames: starting the callback stream at " << ip << " failed\n";
            return kExitFailed;
        }
    } else {
        if (camera.startStream() != 0) {
            ctx.err << "hazard-desk-cli frames: starting the stream at " << ip << " failed\n";
            return kExitFailed;
        }
        result = pollFrames(camera, count, withCloud);
        camera.stopStream();
    }

    nlohmann::ordered_json summary;
    summary["frames"] = result.frames;
    summary["failures"] = nlohmann::ordered_json::object();
    for (const auto& [code, n] : result.failures) {
        summary["failures"][code] = n;
    }
    summary["fps"] = result.frames > 0 && result.elapsedMs > 0.0
                         ? rounded(1000.0 * result.frames / result.elapsedMs)
                         : 0.0;
    if (useCallback) {
        // Callback frames are pushed by the SDK: there is no grab call to time.
        summary["grabMsMedian"] = nullptr;
        summary["grabMsP95"] = nullptr;
    } else {
        summary["grabMsMedian"] = rounded(percentile(result.grabMs, 0.5));
        summary["grabMsP95"] = rounded(percentile(result.grabMs, 0.95));
    }
    summary["depthWidth"] = result.last.depth.image.cols;
    summary["depthHeight"] = result.last.depth.image.rows;
    summary["colorAvailable"] = camera.intrinsics().colorAvailable();
    summary["points"] = result.last.cloud.cloud ? result.last.cloud.cloud->size() : 0;
    ctx.out << summary.dump() << "\n";

    if (result.frames == 0) {
        ctx.err << "hazard-desk-cli frames: no frame arrived from " << ip << "\n";
        return kExitFailed;
    }
    if (const auto directory = parser.value("--export")) {
        const auto written =
            algPlatform::FrameFileWriter::write(result.last, *directory, algPlatform::FrameFileWriter::stampNow());
        if (!written.ok) {
            ctx.err << "hazard-desk-cli frames: export failed: " << written.error << "\n";
            return kExitFailed;
        }
        for (const std::string& path : written.written) {
            ctx.err << "written " << path << "\n";
        }
    }
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "frames", "stream frames from a camera and print rate and grab-time figures",
    "Usage: hazard-desk-cli frames --ip IP [--count N] [--callback] [--no-cloud] [--export DIR]\n"
    "\n"
    "Opens the camera, initialises it with \"{}\" and reads N frames (default 100) by\n"
    "polling, or through the SDK's frame callback with --callback, for at most 10 s.\n"
    "Prints one JSON line: \"frames\", \"failures\" (result code -> count), \"fps\",\n"
    "\"grabMsMedian\" and \"grabMsP95\" (time of one frame-set read; null with\n"
    "--callback), \"depthWidth\", \"depthHeight\", \"colorAvailable\", \"points\".\n"
    "\n"
    "  --count N     frames to read (1 to 1000000)\n"
    "  --callback    let the SDK push frames instead of polling\n"
    "  --no-cloud    do not build point clouds\n"
    "  --export DIR  write the last frame as rgb_/depth_ PNG images and a binary cloud_ PCD\n"
    "\n"
    "Exit 1 when the camera cannot be opened or no frame arrives.\n",
    runFrames}};

}  // namespace
}  // namespace hazard_desk::cli
