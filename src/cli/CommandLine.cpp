// The command line of rq50-cli: each command file registers its own
// subcommands; this file parses the command line and runs the chosen one on
// a core session of its own.
#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "cli/TerminalFilter.h"
#include "cli/InstrumentSession.h"
#include "session/CoreSession.h"
#include "shell/AppPaths.h"
#include "shell/Clock.h"
#include "shell/FileSystemUtility.h"
#include "shell/MessageBox.h"
#ifdef RQ50_HAVE_QT_PORT
#include "platform/RegisterDatabase.h"
#include "register/Recorder.h"
#endif

#include <iostream>
#include <memory>
#include <string>

namespace rq50::cli {

std::vector<CommandRegistrar>& CommandRegistrars() {
    static std::vector<CommandRegistrar> registrars;
    return registrars;
}

/// Starts the core as the program starts (configuration tables, port
/// settings, information record) and runs the command on its session; a
/// configuration that the program would refuse is refused here too. A
/// command without start-up (version) gets the session unstarted.
ExitCode RunStarted(const CliContext& context) {
    CliMessageHost messages;
    shell::SteadyClock clock;
    shell::FileSystemUtility utility(&clock);
    session::FrontEnd frontEnd;
    frontEnd.clock = &clock;
    frontEnd.utility = &utility;
    frontEnd.messages = &messages;
#ifdef RQ50_HAVE_QT_PORT
    // Every transfer is recorded in the plant register; where the register
    // cannot be reached the record waits and the command goes on.
    std::unique_ptr<plant::Recorder> recorder;
    if (context.startUp && !context.noRegister) {
        recorder = platform::MakeRecorder(nullptr, context.registerName);
        recorder->SetNoticeSink(
            [](const std::string& notice) { std::cerr << "rq50-cli: " << notice << "\n"; });
        frontEnd.recorder = recorder.get();
    }
#endif
    session::CoreSession session(frontEnd);
    if (!context.startUp) return context.run(session);
    if (session.Start() != session::StartupResult::Running) {
        // The box's title names the file that failed ("RQ50  " + path).
        const std::string prefix = std::string(shell::kAppTitle) + "  ";
        if (messages.LastTitle().rfind(prefix, 0) == 0) {
            std::cerr << messages.LastTitle().substr(prefix.size()) << "\n";
        }
        return ExitCode::SystemError;
    }
    return context.run(session);
}

ExitCode RunCommandLine(int argc, char** argv) {
    const FilteredOutput filtered;
    CliContext context;
    // The commands' options are bound to this run's own set.
    const LinkScope link(context.link);
    CLI::App app{"RQ50 - PC-Based Parameter Setting Tool For TAVRO (command line)", "rq50-cli"};
    // A missing command is reported below; a wrong word is an "extra" that
    // CLI11 names, which it would not do if a command were required here.
    app.require_subcommand(0, 1);
    app.footer(
        "Exit codes: 0 done, 1 the operation failed or found differences, 2 usage error, "
        "128 + N stopped by signal N. See docs/cli.md.");
    app.add_option("--app-dir", context.appDir,
                   "application folder (configuration files, User and Undo folders)");
    app.add_option("--register", context.registerName,
                   "the plant register: sqlite:PATH or postgresql://user@host/db "
                   "(default: $RQ50_REGISTER, else register.sqlite in the user data folder)");
    app.add_flag("--no-register", context.noRegister, "record no transfer in the plant register");
    const std::string version = std::string("RQ50 R ") + RQ50_VERSION_TEXT;
    app.set_version_flag("--version", version, "print the program's version");
    app.add_subcommand("version", "print the program's version")->callback([&context, version] {
        context.startUp = false;
        context.run = [version](session::CoreSession&) {
            std::cout << version << "\n";
            return ExitCode::Ok;
        };
    });
    for (CommandRegistrar registrar : CommandRegistrars()) registrar(app, context);

    auto commandList = [&app] {
        std::string names;
        for (const auto* command : app.get_subcommands({})) {
            names += (names.empty() ? "" : ", ") + command->get_name();
        }
        return names;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ExtrasError& e) {
        std::cerr << "rq50-cli: " << e.what() << "\n"
                  << "rq50-cli: the commands are " << commandList()
                  << "; rq50-cli COMMAND --help shows a command's options\n";
        return ExitCode::Usage;
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? ExitCode::Ok : ExitCode::Usage;
    }
    if (plant::HasPassword(context.registerName)) {
        std::cerr << "rq50-cli: warning: the register's password on the command line can be "
                     "read by other users of this computer (ps); give it in ~/.pgpass, a "
                     "service file or RQ50_REGISTER instead (docs/register.md)\n";
    }
    shell::InitAppFolder(argc > 0 ? argv[0] : "", context.appDir);
    if (!context.run) {
        std::cerr << "rq50-cli: a command is required: " << commandList()
                  << "\nrq50-cli --help describes them\n";
        return ExitCode::Usage;
    }
    try {
        return RunStarted(context);
    } catch (const std::exception& e) {
        std::cerr << "rq50-cli: " << e.what() << "\n";
        return ExitCode::SystemError;
    }
}

}  // namespace rq50::cli
