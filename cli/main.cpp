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
    auto& registry = hazard_desk::cli::CommandRegistry::instance();
    registry.setCommandLoader(&hazard_desk::cli::CommandModule::loadCameraCommands);
    return registry.dispatch(args, std::cout, std::cerr);
}
