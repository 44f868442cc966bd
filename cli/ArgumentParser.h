#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hazard_desk::cli {

// Small option parser for the commands: "--name value" options, "--flag"
// switches and positional arguments. Anything unknown is a usage error.
class ArgumentParser {
public:
    ArgumentParser& option(const std::string& name);   // takes a value
    ArgumentParser& flag(const std::string& name);     // takes none

    // Returns false and sets error() on an unknown option or a missing value.
    bool parse(const std::vector<std::string>& args);

    bool has(const std::string& name) const;
    std::optional<std::string> value(const std::string& name) const;
    const std::vector<std::string>& positional() const { return positional_; }
    const std::string& error() const { return error_; }

    // Parses an integer option; false with error() set when malformed or out of [min, max].
    bool intValue(const std::string& name, int fallback, int min, int max, int& result);

private:
    std::set<std::string> options_;
    std::set<std::string> flags_;
    std::map<std::string, std::string> values_;
    std::set<std::string> seenFlags_;
    std::vector<std::string> positional_;
    std::string error_;
};

}  // namespace hazard_desk::cli
