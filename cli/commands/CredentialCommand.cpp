// "credential set|clear": the camera's root SSH password for the image
// export, kept where the workstation reads it.
#include "ArgumentParser.h"
#include "CommandRegistry.h"
#include "ModelCommandSupport.h"
#include "RootPassword.h"
#include "SecretInput.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ostream>

namespace hazard_desk::cli {
namespace {

void wipe(std::string& text)
{
    std::fill(text.begin(), text.end(), '\0');
    text.clear();
}

nlohmann::ordered_json baseJson()
{
    nlohmann::ordered_json json;
    json["credential"] = RootPassword::kCredentialTarget;
    json["location"] = RootPassword::location().toStdString();
    return json;
}

int runSet(CommandContext& ctx)
{
    std::string line;
    if (!readSecretLine(std::string("Root SSH password for ") + RootPassword::kCredentialTarget + ": ", line,
                        ctx.err)) {
        ctx.err << "hazard-desk-cli credential: no password on standard input\n";
        return kExitUsage;
    }
    if (line.empty()) {
        ctx.err << "hazard-desk-cli credential: an empty password is not stored\n";
        return kExitFailed;
    }
    QString password = QString::fromStdString(line);
    wipe(line);
    QString error;
    const bool stored = RootPassword::store(password, &error);
    password.fill(QChar(0));
    if (!stored) {
        ctx.err << "hazard-desk-cli credential: " << error.toStdString() << "\n";
        return kExitFailed;
    }
    nlohmann::ordered_json json = baseJson();
    json["stored"] = true;
    ctx.out << json.dump() << '\n';
    return kExitOk;
}

int runClear(CommandContext& ctx)
{
    bool removed = false;
    QString error;
    if (!RootPassword::clear(&removed, &error)) {
        ctx.err << "hazard-desk-cli credential: " << error.toStdString() << "\n";
        return kExitFailed;
    }
    nlohmann::ordered_json json = baseJson();
    json["removed"] = removed;
    ctx.out << json.dump() << '\n';
    return kExitOk;
}

int runCredential(CommandContext& ctx)
{
    ArgumentParser parser;
    if (!parser.parse(ctx.args)) {
        return usageError("credential", parser.error(), ctx.err);
    }
    const std::vector<std::string>& words = parser.positional();
    if (words.size() != 1 || (words.front() != "set" && words.front() != "clear")) {
        return usageError("credential", "expected 'set' or 'clear'", ctx.err);
    }
    return words.front() == "set" ? runSet(ctx) : runClear(ctx);
}

const CommandRegistrar registrar{Command{
    "credential", "store or remove the camera's root SSH password for the image export",
    "Usage: hazard-desk-cli credential set\n"
    "       hazard-desk-cli credential clear\n"
    "\n"
    "set reads the camera's root SSH password from the terminal without echo, or the\n"
    "first line of standard input when it is not a terminal, and stores it under\n"
    "\"VQ8.FleetUpdate.SSH.root\": in the Windows Credential Manager on Windows, else in\n"
    "the file \"ssh-credentials\" of the configuration folder \"Corvane/VQ8 Hazard Desk\"\n"
    "with mode 0600 (the workstation ignores that file when others can read it).\n"
    "clear removes it. Prints one JSON object: \"credential\", \"location\" and \"stored\"\n"
    "or \"removed\". The password is never printed.\n"
    "\n"
    "Exit codes: 0 success, 1 empty password or the store cannot be written,\n"
    "2 usage error or no password on standard input.\n",
    runCredential}};

}  // namespace
}  // namespace hazard_desk::cli
