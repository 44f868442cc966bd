#include "CliLogging.h"
#include "CommandModule.h"
#include "CommandRegistry.h"
#include "FrameHeapPolicy.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    hazard_desk::FrameHeapPolicy::apply();
    std::vector<std::string> args(argv + 1, argv + argc);
    const int logging = hazard_desk::cli::CliLogging::apply(args, std::cerr);
    if (logging != hazard_desk::cli::kExitOk) {
        return logging;
    }
    auto& registry = hazard_desk::cli::CommandRegistry::instance();
    registry.setCommandLoader(&hazard_desk::cli::CommandModule::loadCameraCommands);
    return registry.dispatch(args, std::cout, std::cerr);
}
