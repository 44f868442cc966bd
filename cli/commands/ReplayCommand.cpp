// "replay FILE [--ip ADDR] [--seconds S]": serves a recording as a virtual
// camera to every process on this machine until interrupted (or for S
// seconds): the window, "stream", "read" and the other commands then find a
// camera at ADDR that plays the recording in a loop at its recorded rate.
#include "ArgumentParser.h"
#include "CameraCommandSupport.h"
#include "CommandRegistry.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <nlohmann/json.hpp>
#include <ostream>
#include <thread>

#include "RecordingFrameCursor.h"
#include "ZrSimControl.h"

namespace hazard_desk::cli {
namespace {

constexpr const char* kDefaultAddress = "127.0.11.1";
constexpr int kMaxSeconds = 7 * 24 * 3600;

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int) { interrupted = 1; }

int runReplay(CommandContext& ctx) {
    ArgumentParser parser;
    parser.option("--ip").option("--seconds");
    int seconds = 0;
    if (!parser.parse(ctx.args) || parser.positional().size() != 1 ||
        !parser.intValue("--seconds", 0, 1, kMaxSeconds, seconds)) {
        ctx.err << "hazard-desk-cli replay: "
                << (!parser.error().empty() ? parser.error()
                                            : std::string("usage: replay FILE [--ip ADDR] [--seconds S]"))
                << "\n";
        return kExitUsage;
    }
    const std::string path = parser.positional().front();
    const std::string ip = parser.value("--ip").value_or(kDefaultAddress);
    recording::RecordingFrameCursor cursor;
    recording::RecordedFrame first;
    if (!cursor.open(path) || !cursor.next(first)) {
        ctx.err << "hazard-desk-cli replay: " << (cursor.error().empty() ? path + ": no frame" : cursor.error())
                << "\n";
        return kExitUsage;
    }
    if (ZrSim_ServeRecording(path.c_str(), ip.c_str()) != 0) {
        ctx.err << "hazard-desk-cli replay: " << ZrSim_LastError() << "\n";
        return kExitFailed;
    }
    interrupted = 0;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    nlohmann::ordered_json line;
    line["ip"] = ip;
    line["recording"] = path;
    line["frames"] = cursor.frameTimes().size();
    line["fps"] = cursor.recordedFps();
    line["complete"] = cursor.reader().complete();
    ctx.out << line.dump() << std::endl;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (interrupted == 0 && (seconds == 0 || std::chrono::steady_clock::now() < until)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ZrSim_StopServing(ip.c_str());
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "replay", "serve a recording as a virtual camera until interrupted",
    "Usage: hazard-desk-cli replay FILE [--ip ADDR] [--seconds S]\n"
    "\n"
    "Serves the recording FILE (MCAP, as \"record\" writes it) as a camera at ADDR (a\n"
    "loopback address, default 127.0.11.1) to every program on this machine that uses the\n"
    "virtual camera library, until interrupted (Ctrl+C) or for S seconds. The camera plays\n"
    "the recorded frames in a loop at the recorded rate, starts with the recorded\n"
    "configuration and runs its obstacle algorithm on the frames with the configuration in\n"
    "force, so applies change its verdicts. Prints one JSON line when serving starts: \"ip\",\n"
    "\"recording\", \"frames\", \"fps\" (recorded rate) and \"complete\" (false for a recording\n"
    "cut short, which plays up to its last complete chunk).\n"
    "Exit 2 when FILE is not a readable recording; 1 when ADDR is not a loopback address or\n"
    "another process serves it.\n",
    runReplay}};

}  // namespace
}  // namespace hazard_desk::cli
