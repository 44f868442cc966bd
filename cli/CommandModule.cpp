#include "CommandModule.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace hazard_desk::cli {

bool CommandModule::loadCameraCommands(CommandRegistry& registry, std::string& error)
{
    const std::string fileName = HD_CLI_CAMERA_MODULE;
#ifdef Q_OS_WIN
    // The module sits beside the tool; it stays loaded for the whole run.
    HMODULE module = LoadLibraryA(fileName.c_str());
    if (module == nullptr) {
        error = "the camera commands are not available: cannot load " + fileName + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    auto entry = reinterpret_cast<HdCliRegisterCommands>(GetProcAddress(module, HD_CLI_REGISTER_COMMANDS_SYMBOL));
#else
    // Found through the tool's run path (beside it in a build tree, in the
    // package's private library folder once installed).
    void* module = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = dlerror();
        error = "the camera commands are not available: cannot load " + fileName + ": " + (reason != nullptr ? reason : "unknown reason");
        return false;
    }
    auto entry = reinterpret_cast<HdCliRegisterCommands>(dlsym(module, HD_CLI_REGISTER_COMMANDS_SYMBOL));
#endif
    if (entry == nullptr) {
        error = "the camera commands are not available: " + fileName + " has no " HD_CLI_REGISTER_COMMANDS_SYMBOL " entry point";
        return false;
    }
    entry(registry);
    return true;
}

}  // namespace hazard_desk::cli
