#pragma once
// Reads a secret line for the CLI: from the terminal with echo turned off
// (the prompt on the error stream), or the first line of standard input when
// that is not a terminal, so scripts can pipe it in.
#include <iosfwd>
#include <string>

namespace hazard_desk::cli {

// False when standard input ends before a line (or cannot be read).
bool readSecretLine(const std::string& prompt, std::string& line, std::ostream& err);

}  // namespace hazard_desk::cli
