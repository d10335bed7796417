// rq50-cli rack: the slots of a rack interface in one run.
#include <filesystem>
#include <iomanip>
#include <iostream>

#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "cli/RackPorts.h"
#include "files/Workspace.h"
#include "register/Recorder.h"
#include "session/CoreSession.h"
#include "session/RackRun.h"
#include "shell/PlatformFile.h"

namespace rq50::cli {

ordered_json RackSlotJson(const session::SlotOutcome& s, const std::string& port) {
    ordered_json j;
    if (!port.empty()) j["port"] = port;
    j["slot"] = s.slot;
    j["state"] = session::SlotStateName(s.state);
    if (s.state == session::SlotState::kInstrument) {
        j["model"] = s.model;
        j["tag"] = s.tag;
    }
    if (!s.result.empty()) j["result"] = s.result;
    if (!s.detail.empty()) j["detail"] = s.detail;
    return j;
}

void PrintRackSlot(const session::SlotOutcome& s, const std::string& port) {
    if (!port.empty()) std::cout << port << "  ";
    std::cout << "slot " << std::setw(2) << s.slot << "  " << std::left << std::setw(11)
              << session::SlotStateName(s.state) << std::setw(6) << s.model << std::setw(17)
              << s.tag << std::setw(11) << s.result << s.detail << std::right << "\n"
              << std::flush;
}

bool RackRunFailed(const std::vector<session::SlotOutcome>& outcome) {
    for (const auto& s : outcome) {
        if (s.state == session::SlotState::kNoAnswer || s.state == session::SlotState::kError ||
            s.result == "failed" || s.result == "differs" || s.result == "skipped" ||
            s.result == "kept") {
            return true;
        }
    }
    return false;
}

ExitCode RunRack(session::CoreSession& core, const RackCliOptions& o) {
    session::RackOptions options;
    options.action = o.action == "upload"     ? session::RackAction::kUpload
                     : o.action == "verify"   ? session::RackAction::kVerify
                     : o.action == "download" ? session::RackAction::kDownload
                                              : session::RackAction::kScan;
    if (!o.slots.empty()) {
        const auto slots = session::ParseSlotList(o.slots);
        if (!slots) {
            Note("--slots " + o.slots + ": slots are 1-16, as a list like 1-4,7");
            return ExitCode::Usage;
        }
        options.askedSlots = *slots;
    }
    const bool needsFolder = options.action == session::RackAction::kUpload ||
                             options.action == session::RackAction::kDownload;
    if (needsFolder && o.folder.empty()) {
        Note("rack " + o.action + " needs a FOLDER");
        return ExitCode::Usage;
    }
    options.folder = o.folder;
    options.replace = o.force;
    if (options.action == session::RackAction::kDownload &&
        (!DownloadAllowed(core, o.password) || !TakeWriteReason(core, o.reason)))
        return ExitCode::SystemError;
    if (!o.folder.empty()) {
        // A file named where the folder belongs is a slip; nothing is done.
        std::error_code ec;
        const auto folder = shell::platform::PathFromUtf8(o.folder);
        if (std::filesystem::exists(folder, ec) && !std::filesystem::is_directory(folder, ec)) {
            Note(o.folder + " is not a folder; rack " + o.action +
                 " takes the folder of the slot files (S01_....7pa)");
            return ExitCode::Usage;
        }
        if (options.action != session::RackAction::kUpload &&
            !std::filesystem::exists(folder, ec)) {
            Note("the folder " + o.folder + " does not exist");
            return ExitCode::Usage;
        }
        if (options.action != session::RackAction::kUpload) {
            for (const auto& problem : session::FindRackFiles(o.folder).problems) Note(problem);
        }
    }
    if (options.action == session::RackAction::kVerify && o.folder.empty()) {
        auto* recorder = core.Data().hosts.recorder;
        if (recorder == nullptr) {
            Note(
                "rack verify without a FOLDER compares with the register: leave out --no-register");
            return ExitCode::Usage;
        }
        try {
            options.reg = &recorder->Open();
        } catch (const std::exception& e) {
            Note(e.what());
            return ExitCode::SystemError;
        }
    }
    options.confirm = [&o](const session::SlotOutcome& slot, const session::DownloadPreview& p) {
        if (!Link().json) std::cout << "slot " << slot.slot << ": backup: " << p.backup << "\n";
        return ConfirmDownloadPreview(p, o.yes);
    };
    if (!Link().json) options.onSlot = [](const session::SlotOutcome& s) { PrintRackSlot(s); };
    // Several ports: one rack on each, all at once.
    if (Link().ports.size() > 1) return RunRackOnPorts(core, o, std::move(options));
    bool direct = false;
    std::vector<session::SlotOutcome> outcome;
    options.onEnd = [&](const std::vector<session::SlotOutcome>& slots, bool d) {
        outcome = slots;
        direct = d;
    };

    Session session(core);
    if (!session.Attach()) return ExitCode::SystemError;
    auto run = session::RackRun::Start(core.Data(), std::move(options));
    if (!run) return ExitCode::SystemError;
    while (run->Running() && core.Engine().Busy()) {
        core.Engine().RunCommJob(kJobLimitMs, Stopped);
    }
    if (run->Running()) run->Stop();
    const std::string summary = session::RackSummary(outcome);
    if (Link().json) {
        ordered_json slots = ordered_json::array();
        for (const auto& s : outcome) slots.push_back(RackSlotJson(s));
        PrintJson({{"direct", direct}, {"slots", slots}, {"summary", summary}});
    } else if (direct) {
        std::cout << "no rack interface: " << (outcome.empty() ? "" : outcome[0].model)
                  << " is connected directly\n";
    } else {
        std::cout << summary << (Stopped() ? " (stopped)" : "") << "\n";
    }
    if (Stopped()) return StoppedExit();
    return RackRunFailed(outcome) ? ExitCode::SystemError : ExitCode::Ok;
}

}  // namespace rq50::cli
