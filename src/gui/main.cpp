// rq50: the desktop program.
#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "gui/GuiApp.h"

namespace {

constexpr const char* kUsage =
    "Usage: rq50 [--demo [INSTRUMENT.json]] [--port DEV] [--app-dir DIR] [--register NAME]\n"
    "  --demo       a simulated instrument answers on the serial port (RQB2 unless a\n"
    "               file of sim/instruments is named)\n"
    "  --port DEV   talk through this device instead of the COMn of the settings\n"
    "  --app-dir    application folder (configuration files, User and Undo folders)\n"
    "  --register   the plant register: sqlite:PATH or postgresql://user@host/db\n"
    "  --no-register  record no transfer in the plant register\n";

bool HasDisplay() {
#if defined(Q_OS_LINUX) || defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    rq50::gui::GuiOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name) -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "rq50: " << name << " needs a value\n" << kUsage;
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--demo") {
            options.demo = true;
            if (i + 1 < argc && EndsWith(argv[i + 1], ".json")) options.demoInstrument = argv[++i];
        } else if (arg == "--port") {
            options.port = value("--port");
        } else if (arg == "--app-dir") {
            options.appDir = value("--app-dir");
        } else if (arg == "--register") {
            options.registerName = value("--register");
        } else if (arg == "--no-register") {
            options.noRegister = true;
        } else {
            std::cerr << "rq50: unknown argument " << arg << "\n" << kUsage;
            return 2;
        }
    }
    if (!HasDisplay()) {
        std::cerr << "rq50: no display found; start it from a desktop session, under "
                     "xvfb-run, or use rq50-cli instead.\n";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RQ50"));
    QApplication::setOrganizationName(QStringLiteral("RQ50"));
    QApplication::setQuitOnLastWindowClosed(false);
    try {
        rq50::gui::GuiApp program(options);
        if (const int rc = program.Start(); rc != 0) return rc;
        return QApplication::exec();
    } catch (const std::exception& e) {
        std::cerr << "rq50: " << e.what() << "\n";
        return 1;
    }
}
