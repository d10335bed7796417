// rq50-cli: the headless front end. Each command file registers its own
// subcommands; this file parses the command line and runs the chosen one.
#include "cli/Cli.h"
#include "shell/AppPaths.h"

#include <iostream>

namespace rq50::cli {

std::vector<CommandRegistrar>& CommandRegistrars() {
    static std::vector<CommandRegistrar> registrars;
    return registrars;
}

}  // namespace rq50::cli

int main(int argc, char** argv) {
    using namespace rq50::cli;
    CliContext context;
    CLI::App app{"RQ50 - PC-Based Parameter Setting Tool For TAVRO (command line)", "rq50-cli"};
    app.require_subcommand(1);
    app.add_option("--app-dir", context.appDir,
                   "application folder (configuration files, User and Undo folders)");
    app.add_subcommand("version", "print the program's version")->callback([&context] {
        context.run = [] {
            std::cout << "RQ50 R " << RQ50_VERSION_TEXT << "\n";
            return kExitOk;
        };
    });
    for (CommandRegistrar registrar : CommandRegistrars()) registrar(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? kExitOk : kExitUsage;
    }
    rq50::shell::InitAppFolder(argc > 0 ? argv[0] : "", context.appDir);
    if (!context.run) return kExitUsage;
    try {
        return context.run();
    } catch (const std::exception& e) {
        std::cerr << "rq50-cli: " << e.what() << "\n";
        return kExitSystemError;
    }
}
