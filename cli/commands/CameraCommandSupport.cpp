#include "CameraCommandSupport.h"

#include <memory>

#include <spdlog/sinks/ansicolor_sink.h>
#include <spdlog/spdlog.h>

#include "ZrCameraK7.h"
#include "ZrLogger.h"

namespace hazard_desk::cli {

void silenceConsoleLogging()
{
    // Create the loggers first so that their console sinks exist.
    algPlatform::ZrLogger::defaultLogger();
    algPlatform::ZrCameraK7::log();
    spdlog::apply_all([](const std::shared_ptr<spdlog::logger>& logger) {
        for (const spdlog::sink_ptr& sink : logger->sinks()) {
            if (std::dynamic_pointer_cast<spdlog::sinks::ansicolor_sink<spdlog::details::console_mutex>>(sink)) {
                sink->set_level(spdlog::level::off);
            }
        }
    });
}

std::function<int(CommandContext&)>& workstationDiscoverHandler()
{
    static std::function<int(CommandContext&)> handler;
    return handler;
}

}  // namespace hazard_desk::cli
