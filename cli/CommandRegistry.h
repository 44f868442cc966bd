#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace hazard_desk::cli {

// Exit codes shared by every command of hazard-desk-cli.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,      // the input is invalid or the operation failed
    kExitUsage = 2,       // usage error or unreadable file
};

// What a command sees: its own arguments (without the command name) and the
// two streams it must write to. Tests hand in string streams.
struct CommandContext {
    std::vector<std::string> args;
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    std::string name;
    std::string summary;   // one line for "hazard-desk-cli --help"
    std::string usage;     // full text for "hazard-desk-cli NAME --help"
    std::function<int(CommandContext&)> run;
};

// All commands register themselves at static-initialisation time through a
// CommandRegistrar in their own source file; main() only dispatches.
class CommandRegistry {
public:
    static CommandRegistry& instance();

    void add(Command command);
    const Command* find(const std::string& name) const;
    const std::vector<Command>& commands() const { return commands_; }

    // Where commands that are not linked into the tool come from: called at
    // most once, when a command is not found or the whole list is shown.
    // Returns false and sets its error text when they cannot be had.
    using CommandLoader = std::function<bool(CommandRegistry&, std::string& error)>;
    void setCommandLoader(CommandLoader loader) { loader_ = std::move(loader); }

    // Runs the whole command line (argv without the program name).
    int dispatch(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err);

private:
    // Runs the loader once; its failure is reported on err.
    void loadMoreCommands(std::ostream& err);

    std::vector<Command> commands_;
    CommandLoader loader_;
};

struct CommandRegistrar {
    explicit CommandRegistrar(Command command) { CommandRegistry::instance().add(std::move(command)); }
};

}  // namespace hazard_desk::cli
