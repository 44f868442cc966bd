#pragma once
// The commands that drive a camera are built into a module of their own and
// loaded only when one of them is asked for (or the command list is shown),
// so that a document command such as "validate" starts without loading the
// camera, point-cloud and image libraries.
#include <string>

namespace hazard_desk::cli {

class CommandRegistry;

class CommandModule {
public:
    // Loads the camera command module (found through the tool's library
    // search path, beside the tool on Windows) and adds its commands to
    // registry. On failure, error names the module and the loader's reason.
    static bool loadCameraCommands(CommandRegistry& registry, std::string& error);
};

}  // namespace hazard_desk::cli

// The one symbol a command module exports: adds the module's commands to
// the tool's registry (commands the tool already has are kept).
using HdCliRegisterCommands = void (*)(hazard_desk::cli::CommandRegistry& registry);
#define HD_CLI_REGISTER_COMMANDS_SYMBOL "hazard_desk_cli_register_commands"
