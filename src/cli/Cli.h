#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

#include "cli/ExitCode.h"
#include "cli/LinkOptions.h"

namespace rq50::session {
class CoreSession;
}  // namespace rq50::session

namespace rq50::cli {

/// Options every command may read, and the command to run. A subcommand's
/// CLI11 callback only stores its work in `run`; main() runs it once the whole
/// command line is parsed and the application folder is set, with the core
/// session of the run, which the command works on.
struct CliContext {
    std::string appDir;  ///< --app-dir
    /// --register: the plant register ("sqlite:PATH" or a postgresql:// URI)
    std::string registerName;
    bool noRegister = false;  ///< --no-register: transfers are not recorded
    /// The link options of this run (Link() while it runs).
    LinkOptions link;
    std::function<ExitCode(session::CoreSession& core)> run;
    /// False for commands that run without the program's start-up (version).
    bool startUp = true;
};

/// Parses the command line, starts a core session of its own and runs the
/// command on it; the exit code. What rq50-cli's main() does, callable again
/// in one process (tests run commands so, beside running the program).
ExitCode RunCommandLine(int argc, char** argv);

/// Adds one family of subcommands (files, program, instrument ...) to the app.
using CommandRegistrar = void (*)(CLI::App& app, CliContext& context);

/// Every registrar linked into rq50-cli, in no particular order.
std::vector<CommandRegistrar>& CommandRegistrars();

/// Declares a registrar at namespace scope of a command file:
///   static const RegisterCommands kFileCommands(&AddFileCommands);
struct RegisterCommands {
    explicit RegisterCommands(CommandRegistrar registrar) {
        CommandRegistrars().push_back(registrar);
    }
};

}  // namespace rq50::cli
