// "runtime --ip IP [--samples N]": runtime samples of a streaming camera.
#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"

namespace hazard_desk::cli {
namespace {

constexpr int kDefaultSamples = 10;
constexpr int kMaxSamples = 100000;

int runRuntime(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip").option("--samples");
    int samples = kDefaultSamples;
    if (!parser.parse(ctx.args) || !parser.positional().empty() || !parser.value("--ip") ||
        !parser.intValue("--samples", kDefaultSamples, 1, kMaxSamples, samples)) {
        ctx.err << "hazard-desk-cli runtime: "
                << (!parser.error().empty() ? parser.error() : std::string("usage: runtime --ip IP [--samples N]"))
                << "\n";
        return kExitUsage;
    }
    auto bridge = connectBridge("runtime", *parser.value("--ip"), ctx);
    if (!bridge) {
        return kExitFailed;
    }
    QString error;
    int mode = -1;
    if (!bridge->readAlgorithmMode(mode, &error)) {
        ctx.err << "hazard-desk-cli runtime: " << error.toStdString() << "\n";
    }
    int failures = 0;
    for (int sample = 0; sample < samples; ++sample) {
        algPlatform::FrameSet frame;
        if (!grabStreamFrame(*bridge, frame, error)) {
            ctx.err << "hazard-desk-cli runtime: " << error.toStdString() << "\n";
            bridge->closeCamera(nullptr);
            return kExitFailed;
        }
        ObstacleRuntime runtime;
        if (!bridge->readRuntime(mode, runtime, &error)) {
            ++failures;
            ctx.err << "hazard-desk-cli runtime: sample " << sample << ": " << error.toStdString() << "\n";
        }
        printLine(ctx, runtimeJson(runtime));
    }
    bridge->closeCamera(nullptr);
    return failures == 0 ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar{Command{
    "runtime", "stream a camera and print its obstacle runtime samples",
    "Usage: hazard-desk-cli runtime --ip IP [--samples N]\n"
    "\n"
    "Connects, starts the stream and, for each of N samples (default 10), grabs a frame\n"
    "and reads the runtime result for the camera's algorithm mode. One JSON object per\n"
    "line: \"ioStatus\", \"inputStatus\", \"outputStatus\", \"inputChannelMask\",\n"
    "\"outputChannelMask\", \"algorithmState\", \"resultAvailable\", \"resultError\",\n"
    "\"cameraFps\" and \"boxes\" (\"x\", \"y\", \"z\", \"width\", \"height\", \"depth\",\n"
    "\"typeIndex\", \"typeName\"). Exit 1 when a sample could not be read at all.\n",
    runRuntime}};

}  // namespace
}  // namespace hazard_desk::cli
