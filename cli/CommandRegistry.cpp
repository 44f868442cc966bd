#include "CommandRegistry.h"

#include <algorithm>
#include <ostream>

namespace hazard_desk::cli {

CommandRegistry& CommandRegistry::instance()
{
    static CommandRegistry registry;
    return registry;
}

void CommandRegistry::add(Command command)
{
    commands_.push_back(std::move(command));
    std::sort(commands_.begin(), commands_.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
}

const Command* CommandRegistry::find(const std::string& name) const
{
    for (const Command& command : commands_) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

namespace {

void printOverview(const CommandRegistry& registry, std::ostream& out)
{
    out << "Usage: hazard-desk-cli COMMAND [OPTIONS]\n\n"
           "The headless face of the Hazard Desk workstation: the same model, bridge and\n"
           "worker the window uses, with JSON output for fleet scripts and measurements.\n\n"
           "Options:\n"
           "  --help     this list\n"
           "  --version  the program's version\n\n"
           "Commands:\n";
    std::size_t width = 0;
    for (const Command& command : registry.commands()) {
        width = std::max(width, command.name.size());
    }
    for (const Command& command : registry.commands()) {
        out << "  " << command.name << std::string(width - command.name.size() + 2, ' ')
            << command.summary << '\n';
    }
    out << "\nOptions of every command:\n"
           "  --log-level LEVEL  console log threshold: trace, debug, info, warn (default), error, off;\n"
           "                     log files go to $XDG_STATE_HOME/hazard-desk/logs (~/.local/state/...)\n"
           "\nRun 'hazard-desk-cli COMMAND --help' for the options of one command.\n"
           "Exit codes: 0 success, 1 invalid input or failed operation, 2 usage error or unreadable file.\n";
}

}  // namespace

void CommandRegistry::loadMoreCommands(std::ostream& err)
{
    if (!loader_) {
        return;
    }
    const CommandLoader loader = std::move(loader_);
    loader_ = nullptr;
    std::string error;
    if (!loader(*this, error)) {
        err << "hazard-desk-cli: " << error << '\n';
    }
}

int CommandRegistry::dispatch(const std::vector<std::string>& argv, std::ostream& out,
                              std::ostream& err)
{
    if (argv.empty()) {
        loadMoreCommands(err);
        printOverview(*this, err);
        return kExitUsage;
    }
    const std::string& name = argv.front();
    if (name == "--version") {
        out << "hazard-desk-cli " << HD_VERSION << '\n';
        return kExitOk;
    }
    if (name == "--help" || name == "-h" || name == "help") {
        loadMoreCommands(err);
        printOverview(*this, out);
        return kExitOk;
    }
    const Command* command = find(name);
    if (command == nullptr) {
        loadMoreCommands(err);
        command = find(name);
    }
    if (command == nullptr) {
        err << "hazard-desk-cli: unknown command '" << name << "'\n";
        printOverview(*this, err);
        return kExitUsage;
    }
    std::vector<std::string> args(argv.begin() + 1, argv.end());
    if (std::find(args.begin(), args.end(), "--help") != args.end()
        || std::find(args.begin(), args.end(), "-h") != args.end()) {
        out << command->usage;
        if (command->usage.empty() || command->usage.back() != '\n') {
            out << '\n';
        }
        return kExitOk;
    }
    CommandContext context{std::move(args), out, err};
    return command->run(context);
}

}  // namespace hazard_desk::cli
