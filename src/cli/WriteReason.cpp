// The reason a run writes to an instrument, as the plant register records
// it with the download: --reason, else asked on a terminal where the
// register requires one (its setting REASONREQUIRED).
#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "session/CoreSession.h"
#include "shell/TextTrim.h"

#include <unistd.h>

#include <iostream>
#include <string>

namespace rq50::cli {

void AddReasonOption(CLI::App* command, std::optional<std::string>& reason) {
    command->add_option_function<std::string>(
        "--reason", [&reason](const std::string& text) { reason = text; },
        "why the instrument is written to, as the plant register records it (the register "
        "setting REASONREQUIRED asks for one)");
}

bool TakeWriteReason(session::CoreSession& core, const std::optional<std::string>& reason) {
    auto& ws = core.Data();
    std::string text = shell::Trim(reason.value_or(""));
    const bool required = ws.hosts.recorder != nullptr && plant::RecordingOn(ws.hosts.settings) &&
                          ws.hosts.recorder->ReasonRequired();
    if (text.empty() && required) {
        if (!isatty(STDIN_FILENO)) {
            Note("the plant register asks a reason for every write (REASONREQUIRED): give "
                 "--reason TEXT; nothing was written");
            return false;
        }
        std::cerr << "Reason for this write (recorded in the plant register): " << std::flush;
        std::getline(std::cin, text);
        text = shell::Trim(text);
        if (Stopped() || text.empty()) {
            if (Stopped()) std::cerr << "\n";
            Note("no reason was given; nothing was written");
            return false;
        }
    }
    ws.state.writeReason = text;
    return true;
}

}  // namespace rq50::cli
