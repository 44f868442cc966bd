#include "CommandModule.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dlfcn.h>

#include <filesystem>
#include <system_error>
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
    // Beside the tool's real file (in a build tree, and in the package's
    // private folder behind the /usr/bin link). The full path is given because
    // a sanitizer's dlopen wrapper would search with its own run path.
    std::error_code failure;
    const std::filesystem::path tool = std::filesystem::read_symlink("/proc/self/exe", failure);
    const std::string path = failure ? fileName : (tool.parent_path() / fileName).string();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
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
