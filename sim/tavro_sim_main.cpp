// tavro-sim: serves a simulated TAVRO instrument on a pseudo-terminal.
//
//   tavro-sim --instrument sim/instruments/RQB2.json [--link /tmp/ttyTAVRO]
//
// The first line on standard output is "PTY <slave path>"; the program then
// serves until it is interrupted.

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include <CLI/CLI.hpp>

#include "sim/Instrument.h"
#include "sim/PtyServer.h"

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) {
    g_stop = true;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Serves a simulated TAVRO instrument on a pseudo-terminal."};
    std::string instrumentFile;
    std::string linkPath;
    bool trace = false;
    app.add_option("--instrument", instrumentFile, "instrument description (JSON)")
        ->required()
        ->check(CLI::ExistingFile);
    app.add_option("--link", linkPath, "also reach the pseudo-terminal through this symbolic link");
    app.add_flag("--trace", trace, "print frames and line events on standard error");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }

    std::optional<rq50::sim::Instrument> instrument;
    try {
        instrument = rq50::sim::Instrument::FromFile(instrumentFile);
    } catch (const std::exception& e) {
        std::cerr << "tavro-sim: " << e.what() << std::endl;
        return 1;
    }

    rq50::sim::PtyServer server(*instrument);
    std::string error;
    if (!server.Open(error)) {
        std::cerr << "tavro-sim: " << error << std::endl;
        return 1;
    }
    if (!linkPath.empty()) {
        std::error_code ec;
        if (std::filesystem::is_symlink(linkPath, ec)) std::filesystem::remove(linkPath, ec);
        std::filesystem::create_symlink(server.SlavePath(), linkPath, ec);
        if (ec) {
            std::cerr << "tavro-sim: cannot create the link " << linkPath << ": " << ec.message()
                      << std::endl;
            return 1;
        }
    }
    if (trace) server.SetTrace(&std::cerr);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::cout << "PTY " << server.SlavePath() << std::endl;

    server.Run(g_stop);

    if (!linkPath.empty()) {
        std::error_code ec;
        std::filesystem::remove(linkPath, ec);
    }
    return 0;
}
