// rq50-cli register verify and checkpoint: the register's hash chain walked
// record by record, and its head printed for a record kept on paper.
#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "cli/RegisterWork.h"
#include "register/Chain.h"
#include "register/HeadFile.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace rq50::cli::plantreg {

namespace {

/// "ID:HASH" of --checkpoint; nothing when it is not one.
std::optional<plant::ChainHead> ParseCheckpoint(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    const std::string id = text.substr(0, colon);
    std::string hash = text.substr(colon + 1);
    std::transform(hash.begin(), hash.end(), hash.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool digits = id.size() < 19 && std::all_of(id.begin(), id.end(), [](char c) {
                            return c >= '0' && c <= '9';
                        });
    const bool hex = hash.size() == 64 && std::all_of(hash.begin(), hash.end(), [](char c) {
                         return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
                     });
    if (!digits || !hex || std::stoll(id) == 0) return std::nullopt;
    return plant::ChainHead{std::stoll(id), 0, hash};
}

ordered_json HeadJson(const plant::ChainHead& head) {
    if (head.Empty()) return nullptr;
    return {{"record", head.id}, {"position", head.sequence}, {"hash", head.hash}};
}

}  // namespace

ExitCode Verify(const CliContext& context, plant::PlantRegister& reg, const RegisterOptions& o) {
    const std::string name = plant::RegisterName(nullptr, context.registerName);
    const auto headFile = plant::HeadFileOf(plant::HeadFolder(), name);
    std::vector<plant::KnownHead> known;
    if (const auto kept = plant::ReadHead(headFile)) known.push_back({*kept, "this computer"});
    std::optional<plant::ChainHead> checkpoint;
    if (!o.checkpoint.empty()) {
        checkpoint = ParseCheckpoint(o.checkpoint);
        if (!checkpoint) {
            Note("--checkpoint takes ID:HASH as register checkpoint prints it (a record number, "
                 "a colon and 64 hex digits)");
            return ExitCode::Usage;
        }
        const plant::ChainHead at = reg.HeadAt(checkpoint->id);
        checkpoint->sequence = at.sequence;
        if (!at.Empty()) known.push_back({*checkpoint, "the checkpoint"});
    }
    auto report = reg.Verify(known);
    if (checkpoint && checkpoint->sequence == 0) {
        report.findings.push_back({plant::ChainFinding::Kind::kTruncated, checkpoint->id, 0,
                                   "record " + std::to_string(checkpoint->id) +
                                       " of the checkpoint is not in the register: it was "
                                       "deleted"});
    }
    // A chain seen whole is the head this computer knows from now on.
    if (report.Intact()) plant::KeepHead(headFile, report.head, name);
    if (Link().json) {
        ordered_json findings = ordered_json::array();
        for (const auto& f : report.findings) {
            findings.push_back({{"kind", plant::FindingName(f.kind)},
                                {"record", f.id == 0 ? ordered_json() : ordered_json(f.id)},
                                {"position", f.sequence == 0 ? ordered_json() : ordered_json(f.sequence)},
                                {"text", f.text}});
        }
        PrintJson({{"register", reg.Db().Location()},
                   {"records", report.records},
                   {"intact", report.Intact()},
                   {"head", HeadJson(report.head)},
                   {"signed", report.signedRecords},
                   {"not_checkable", report.notCheckable},
                   {"findings", findings}});
    } else {
        if (!report.Intact()) {
            std::vector<std::vector<std::string>> rows;
            for (const auto& f : report.findings) {
                rows.push_back({plant::FindingName(f.kind), f.id == 0 ? "-" : std::to_string(f.id),
                                f.sequence == 0 ? "-" : std::to_string(f.sequence), f.text});
            }
            PrintTable({"FOUND", "RECORD", "POSITION", "WHAT"}, rows);
        }
        std::cout << reg.Db().Location() << ": " << report.records << " records, "
                  << (report.Intact() ? "the chain is intact"
                                      : std::to_string(report.findings.size()) +
                                            " findings: the register was changed outside RQ50")
                  << "\n";
        if (report.signedRecords > 0) {
            std::cout << report.signedRecords << " signed records"
                      << (report.notCheckable > 0
                              ? ", " + std::to_string(report.notCheckable) +
                                    " of them not checkable: " + plant::kNoSigning
                              : std::string())
                      << "\n";
        }
        if (!report.head.Empty()) {
            std::cout << "head: record " << report.head.id << " at position "
                      << report.head.sequence << ", " << report.head.hash << "\n";
        }
    }
    return report.Intact() ? ExitCode::Ok : ExitCode::SystemError;
}

ExitCode Setting(plant::PlantRegister& reg, const RegisterOptions& o) {
    if (!o.other.empty()) reg.SetSetting(o.newName, o.other);
    const std::string value = reg.Setting(o.newName);
    if (Link().json) {
        PrintJson({{"name", o.newName}, {"value", value.empty() ? "0" : value}});
    } else {
        std::cout << o.newName << "=" << (value.empty() ? "0" : value) << "\n";
    }
    return ExitCode::Ok;
}

ExitCode Checkpoint(plant::PlantRegister& reg) {
    const plant::ChainHead head = reg.Head();
    if (head.Empty()) {
        Note(reg.Version() < 3 ? "the register is not chained yet: it is when RQ50 next writes it"
                               : "the register holds no record yet");
        return ExitCode::SystemError;
    }
    const std::string line = std::to_string(head.id) + ":" + head.hash;
    if (Link().json) {
        auto json = HeadJson(head);
        json["checkpoint"] = line;
        PrintJson(json);
        return ExitCode::Ok;
    }
    if (!Link().quiet) {
        std::cout << "The chain of " << reg.Db().Location() << " ends at record " << head.id
                  << " (position " << head.sequence
                  << "). Keep this line; register verify --checkpoint checks against it:\n";
    }
    std::cout << line << "\n";
    return ExitCode::Ok;
}

}  // namespace rq50::cli::plantreg
