#include "ModelCommandSupport.h"

#include "ArgumentParser.h"
#include "CommandRegistry.h"
#include "IssueListFormatter.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>

namespace hazard_desk::cli {

bool readTextFile(const std::string& role, const std::string& path, std::string& text, std::ostream& err)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        err << "hazard-desk-cli: cannot read " << role << " '" << path << "': it is a directory\n";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        const int code = errno;
        err << "hazard-desk-cli: cannot read " << role << " '" << path
            << "': " << (code != 0 ? std::strerror(code) : "cannot open") << '\n';
        return false;
    }
    // Read in chunks with a ceiling, so a device file or a runaway pipe cannot exhaust memory.
    std::string content;
    std::array<char, 64 * 1024> chunk{};
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        content.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (content.size() > kMaxInputFileBytes) {
            err << "hazard-desk-cli: cannot read " << role << " '" << path << "': larger than "
                << kMaxInputFileBytes / (1024 * 1024) << " MiB\n";
            return false;
        }
    }
    if (in.bad()) {
        err << "hazard-desk-cli: cannot read " << role << " '" << path << "': read error\n";
        return false;
    }
    text = std::move(content);
    return true;
}

int usageError(const std::string& command, const std::string& problem, std::ostream& err)
{
    err << "hazard-desk-cli " << command << ": " << problem << "\n"
        << "Run 'hazard-desk-cli " << command << " --help' for usage.\n";
    return kExitUsage;
}

int reportIssues(const ParameterValidationError& error, std::ostream& stream)
{
    stream << formatIssueList(error.issues()) << '\n';
    return kExitFailed;
}

std::optional<AlgorithmVersion> algorithmOption(const std::string& value)
{
    if (value == "v1") {
        return AlgorithmVersion::V1;
    }
    if (value == "v2") {
        return AlgorithmVersion::V2;
    }
    return std::nullopt;
}

std::optional<std::string> singleFileArgument(const ArgumentParser& parser, std::size_t skip,
                                              std::string& problem)
{
    const auto& positional = parser.positional();
    if (positional.size() < skip + 1) {
        problem = "missing FILE argument";
        return std::nullopt;
    }
    if (positional.size() > skip + 1) {
        problem = "unexpected argument '" + positional[skip + 1] + "'";
        return std::nullopt;
    }
    return positional[skip];
}

}  // namespace hazard_desk::cli
