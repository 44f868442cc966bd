#include "ArgumentParser.h"

#include <cerrno>
#include <cstdlib>

namespace hazard_desk::cli {

ArgumentParser& ArgumentParser::option(const std::string& name)
{
    options_.insert(name);
    return *this;
}

ArgumentParser& ArgumentParser::flag(const std::string& name)
{
    flags_.insert(name);
    return *this;
}

bool ArgumentParser::parse(const std::vector<std::string>& args)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            std::string name = arg;
            std::optional<std::string> inlineValue;
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
            if (flags_.count(name) != 0U && !inlineValue) {
                seenFlags_.insert(name);
                continue;
            }
            if (options_.count(name) != 0U) {
                if (inlineValue) {
                    values_[name] = *inlineValue;
                    continue;
                }
                if (i + 1 >= args.size()) {
                    error_ = "option " + name + " needs a value";
                    return false;
                }
                values_[name] = args[++i];
                continue;
            }
            error_ = "unknown option " + name;
            return false;
        }
        positional_.push_back(arg);
    }
    return true;
}

bool ArgumentParser::has(const std::string& name) const
{
    return seenFlags_.count(name) != 0U || values_.count(name) != 0U;
}

std::optional<std::string> ArgumentParser::value(const std::string& name) const
{
    const auto it = values_.find(name);
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool ArgumentParser::intValue(const std::string& name, int fallback, int min, int max, int& result)
{
    const auto text = value(name);
    if (!text) {
        result = fallback;
        return true;
    }
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text->c_str(), &end, 10);
    if (text->empty() || end == nullptr || *end != '\0' || errno == ERANGE || parsed < min
        || parsed > max) {
        error_ = "option " + name + " needs an integer from " + std::to_string(min) + " to "
                 + std::to_string(max) + ", got '" + *text + "'";
        return false;
    }
    result = static_cast<int>(parsed);
    return true;
}

}  // namespace hazard_desk::cli
