// Entry point of the camera command module. The module's commands register
// themselves in the module's own registry at load time; the tool asks for
// them through this function.
#include "CommandModule.h"
#include "CommandRegistry.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT void hazard_desk_cli_register_commands(hazard_desk::cli::CommandRegistry& registry)
{
    using hazard_desk::cli::CommandRegistry;
    for (const auto& command : CommandRegistry::instance().commands()) {
        if (&registry != &CommandRegistry::instance() && registry.find(command.name) == nullptr) {
            registry.add(command);
        }
    }
}
