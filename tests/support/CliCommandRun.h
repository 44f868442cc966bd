#pragma once
// Runs a hazard-desk-cli command in-process and reads the JSON lines it printed.
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "CommandRegistry.h"

namespace hazard_desk::test {

struct CommandRun {
    int code = -1;
    std::string out;
    std::string err;
};

inline CommandRun runCommand(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = cli::CommandRegistry::instance().dispatch(args, out, err);
    return {code, out.str(), err.str()};
}

inline std::vector<nlohmann::json> jsonLines(const std::string& text) {
    std::vector<nlohmann::json> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        result.push_back(nlohmann::json::parse(line));
    }
    return result;
}

}  // namespace hazard_desk::test
