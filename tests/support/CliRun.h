#pragma once
// Runs a hazard-desk-cli command in-process, as the tool's main does, and
// keeps what it printed; for the tests of the tool's commands.
#include "CommandRegistry.h"

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace hazard_desk::test {

// One JSON value per line of a command's output, keys in the printed order.
inline std::vector<nlohmann::ordered_json> jsonLines(const std::string& text) {
    std::vector<nlohmann::ordered_json> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(nlohmann::ordered_json::parse(line));
    }
    return lines;
}

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;

    std::vector<nlohmann::ordered_json> jsonLines() const { return test::jsonLines(out); }
};

inline CliRun runCli(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.code = cli::CommandRegistry::instance().dispatch(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace hazard_desk::test
