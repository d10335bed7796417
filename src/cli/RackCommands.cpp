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

ordered_json RackSlotJson(const shell::SlotOutcome& s, const std::string& port) {
    ordered_json j;
    if (!port.empty()) j["port"] = port;
    j["slot"] = s.slot;
    j["state"] = shell::SlotStateName(s.state);
    if (s.state == shell::SlotState::kInstrument) {
        j["model"] = s.model;
        j["tag"] = s.tag;
    }
    if (!s.result.empty()) j["result"] = s.result;
    if (!s.detail.empty()) j["detail"] = s.detail;
    return j;
}

void PrintRackSlot(const shell::SlotOutcome& s, const std::string& port) {
    if (!port.empty()) std::cout << port << "  ";
    std::cout << "slot " << std::setw(2) << s.slot << "  " << std::left << std::setw(11)
              << shell::SlotStateName(s.state) << std::setw(6) << s.model << std::setw(17) << s.tag
              << std::setw(11) << s.result << s.detail << std::right << "\n"
              << std::flush;
}

bool RackRunFailed(const std::vector<shell::SlotOutcome>& outcome) {
    for (const auto& s : outcome) {
        if (s.state == shell::SlotState::kNoAnswer || s.state == shell::SlotState::kError ||
            s.result == "failed" || s.result == "differs" || s.result == "skipped" ||
            s.result == "kept") {
            return true;
        }
    }
    return false;
}

int RunRack(shell::CoreSession& core, const RackCliOptions& o) {
    shell::RackOptions options;
    options.action = o.action == "upload"     ? shell::RackAction::kUpload
                     : o.action == "verify"   ? shell::RackAction::kVerify
                     : o.action == "download" ? shell::RackAction::kDownload
                                              : shell::RackAction::kScan;
    if (!o.slots.empty()) {
        const auto slots = shell::ParseSlotList(o.slots);
        if (!slots) {
            Note("--slots " + o.slots + ": slots are 1-16, as a list like 1-4,7");
            return kExitUsage;
        }
        options.askedSlots = *slots;
    }
    const bool needsFolder = options.action == shell::RackAction::kUpload ||
                             options.action == shell::RackAction::kDownload;
    if (needsFolder && o.folder.empty()) {
        Note("rack " + o.action + " needs a FOLDER");
        return kExitUsage;
    }
    options.folder = o.folder;
    options.replace = o.force;
    if (options.action == shell::RackAction::kDownload && !DownloadAllowed(core, o.password))
        return kExitSystemError;
    if (!o.folder.empty()) {
        // A file named where the folder belongs is a slip; nothing is done.
        std::error_code ec;
        const auto folder = shell::platform::PathFromUtf8(o.folder);
        if (std::filesystem::exists(folder, ec) && !std::filesystem::is_directory(folder, ec)) {
            Note(o.folder + " is not a folder; rack " + o.action +
                 " takes the folder of the slot files (S01_....7pa)");
            return kExitUsage;
        }
        if (options.action != shell::RackAction::kUpload && !std::filesystem::exists(folder, ec)) {
            Note("the folder " + o.folder + " does not exist");
            return kExitUsage;
        }
        if (options.action != shell::RackAction::kUpload) {
            for (const auto& problem : shell::FindRackFiles(o.folder).problems) Note(problem);
        }
    }
    if (options.action == shell::RackAction::kVerify && o.folder.empty()) {
        auto* recorder = core.Data().hosts.recorder;
        if (recorder == nullptr) {
            Note(
                "rack verify without a FOLDER compares with the register: leave out --no-register");
            return kExitUsage;
        }
        try {
            options.reg = &recorder->Open();
        } catch (const std::exception& e) {
            Note(e.what());
            return kExitSystemError;
        }
    }
    options.confirm = [&o](const shell::SlotOutcome& slot, const shell::DownloadPreview& p) {
        if (!Link().json) std::cout << "slot " << slot.slot << ": backup: " << p.backup << "\n";
        return ConfirmDownloadPreview(p, o.yes);
    };
    if (!Link().json) options.onSlot = [](const shell::SlotOutcome& s) { PrintRackSlot(s); };
    // Several ports: one rack on each, all at once.
    if (Link().ports.size() > 1) return RunRackOnPorts(core, o, std::move(options));
    bool direct = false;
    std::vector<shell::SlotOutcome> outcome;
    options.onEnd = [&](const std::vector<shell::SlotOutcome>& slots, bool d) {
        outcome = slots;
        direct = d;
    };

    Session session(core);
    if (!session.Attach()) return kExitSystemError;
    auto run = shell::RackRun::Start(core.Data(), std::move(options));
    if (!run) return kExitSystemError;
    while (run->Running() && core.Engine().Busy()) {
        core.Engine().RunCommJob(kJobLimitMs, Stopped);
    }
    if (run->Running()) run->Stop();
    const std::string summary = shell::RackSummary(outcome);
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
    return RackRunFailed(outcome) ? kExitSystemError : kExitOk;
}

}  // namespace rq50::cli
