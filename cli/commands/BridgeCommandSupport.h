#pragma once
// Shared steps of the obstacle-bridge commands: the "--ip" option, the
// connection the worker makes (open, then prepare the streams), a streamed
// frame, and the JSON forms of the bridge's records.
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "CommandRegistry.h"
#include "ObstacleCameraBridge.h"

namespace hazard_desk::cli {

// Opens and prepares the camera at ip; on failure writes the bridge's error
// to ctx.err (prefixed with the command) and returns null.
std::unique_ptr<ObstacleCameraBridge> connectBridge(const std::string& command, const std::string& ip,
                                                    CommandContext& ctx);

// Starts streaming and grabs one frame, retrying while the camera has none
// yet; false with the last error in error.
bool grabStreamFrame(ObstacleCameraBridge& bridge, algPlatform::FrameSet& frame, QString& error);

nlohmann::ordered_json descriptorJson(const CameraDescriptor& descriptor);
nlohmann::ordered_json runtimeJson(const ObstacleRuntime& runtime);

// One JSON line on ctx.out (invalid UTF-8 replaced, never thrown).
void printLine(CommandContext& ctx, const nlohmann::ordered_json& value);

}  // namespace hazard_desk::cli
