#pragma once

#include "ParameterEnums.h"
#include "ParameterValidationError.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>

namespace hazard_desk::cli {

class ArgumentParser;

// Shared plumbing of the parameter-model commands: reading the input file,
// usage errors and issue lists, all with the same wording.

// Parameter files are a few tens of kilobytes; anything past this is not one.
inline constexpr std::size_t kMaxInputFileBytes = 64U * 1024U * 1024U;

// Reads the whole file; false with a message on `err` naming the file and the reason.
bool readTextFile(const std::string& role, const std::string& path, std::string& text, std::ostream& err);

// Writes "hazard-desk-cli COMMAND: problem" and a pointer to --help; returns kExitUsage.
int usageError(const std::string& command, const std::string& problem, std::ostream& err);

// Writes the display form of the issues, one per line; returns kExitFailed.
int reportIssues(const ParameterValidationError& error, std::ostream& stream);

// Value of --algorithm: "v1" or "v2".
std::optional<AlgorithmVersion> algorithmOption(const std::string& value);

// The single FILE positional argument (after `skip` leading positionals), or a usage problem.
std::optional<std::string> singleFileArgument(const ArgumentParser& parser, std::size_t skip,
                                              std::string& problem);

}  // namespace hazard_desk::cli
