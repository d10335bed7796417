#include "session/TransferRecords.h"

#include "comm/Engine.h"
#include "comm/PortAddress.h"
#include "comm/jobs/JobResults.h"
#include "comm/jobs/TransferRules.h"
#include "files/Compare.h"
#include "files/Csv.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <utility>

namespace rq50::session {

using namespace rq50::shell;

using plant::RecordKind;

std::string ProgramSourceName(const Workspace& ws) {
    const auto& p = ws.program;
    // The program's own source (the information record may be a parameter
    // file's, opened since):
    // read from (or saved to) a file, else uploaded, else made in the editor.
    std::string name = !p.fileName.empty()        ? files::SingleByteToUtf8(Trim(p.fileName))
                       : !p.sourceRecords.empty() ? "program uploaded from the instrument"
                                                  : "new program";
    if (!p.sourceRecords.empty() && p.records != p.sourceRecords) name += ", edited";
    return name;
}

plant::Record RecordOfWorkspace(const Workspace& ws, RecordKind kind,
                                files::DataFileKind fileKind) {
    plant::Record r;
    r.kind = kind;
    r.fileKind = fileKind;
    const auto bytes = fileKind == files::DataFileKind::kProgram
                           ? files::EncodeProgramRecord(files::CurrentProgramRecord(ws))
                           : files::EncodeParameterRecord(files::CurrentParameterRecord(ws));
    r.bytes.assign(bytes.begin(), bytes.end());
    r.instrument = plant::IdentityOf(r.bytes, fileKind);
    r.fileName = fileKind == files::DataFileKind::kProgram
                     ? ProgramSourceName(ws)
                     : files::SingleByteToUtf8(Trim(ws.information.fileName));
    if (ws.hosts.engine != nullptr) {
        const auto& engine = *ws.hosts.engine;
        r.port = engine.LineSettings().simulated ? plant::kSimulatedPort
                                                 : comm::PortNameForRecord(engine.CommDevice());
        r.slot = engine.LastInstrument().viaRack ? engine.LastInstrument().slot : 0;
    }
    r.instrument.name = plant::IdentityName(r.instrument, r.port, r.slot);
    return r;
}

namespace {

using parameter::DecodedItem;

/// An item of a set as a record names and shows it.
struct ItemView {
    std::string address;
    std::string name;
    DecodedItem item;
};

/// The items of a parameter set or a program, with their addresses.
std::vector<ItemView> ItemsOf(files::DataFileKind kind, const plant::Blob& bytes) {
    std::vector<ItemView> out;
    if (bytes.empty()) return out;
    if (kind == files::DataFileKind::kProgram) {
        files::ProgramFileRecord program;
        if (files::DecodeProgramRecord(bytes, program) != files::FileError::Ok) return out;
        const auto& h = program.header;
        const auto steps = static_cast<std::size_t>(std::max(h.stepCount, 0));
        const auto start = [](std::int32_t number) { return number > 0 ? number : 1; };
        for (std::size_t i = 0; i < program.items.size(); ++i) {
            const auto item = parameter::DecodeItem(program.items[i], false);
            const std::string address =
                i < steps
                    ? files::ProgramItemAddress(h.programAreaLetter, start(h.programStartNumber), i)
                    : files::ProgramItemAddress(h.constAreaLetter, start(h.constStartNumber),
                                                i - steps);
            out.push_back({address, Trim(item.name), item});
        }
        return out;
    }
    files::ParameterFileRecord set;
    if (files::DecodeParameterRecord(bytes, set) != files::FileError::Ok) return out;
    for (const auto& block : set.items) {
        const auto item = parameter::DecodeItem(block, false);
        out.push_back({parameter::FormatAddress(item.ma, item.mb), Trim(item.name), item});
    }
    return out;
}

std::string Shown(files::DataFileKind kind, const DecodedItem& item) {
    return files::SingleByteToUtf8(kind == files::DataFileKind::kProgram ? Trim(item.data)
                                                                         : files::ShownValue(item));
}

bool Same(files::DataFileKind kind, const DecodedItem& a, const DecodedItem& b) {
    if (kind == files::DataFileKind::kParameter) return files::SameItemValue(a, b);
    if (parameter::IsNumeric(a.data) && parameter::IsNumeric(b.data))
        return parameter::SameNumber(a.data, b.data);
    return Trim(a.data) == Trim(b.data);
}

/// The instrument's set after a download that stopped part way: `backup`
/// with the answers of the items written in place of its own values.
std::vector<std::uint8_t> AfterWrites(files::DataFileKind kind, const plant::Blob& backup,
                                      const std::vector<comm::jobs::WrittenItem>& written) {
    if (kind == files::DataFileKind::kProgram) {
        files::ProgramFileRecord program;
        if (files::DecodeProgramRecord(backup, program) != files::FileError::Ok) return {};
        for (const auto& w : written) {
            if (w.index < program.items.size()) program.items[w.index] = w.readBack;
        }
        const auto bytes = files::EncodeProgramRecord(program);
        return {bytes.begin(), bytes.end()};
    }
    files::ParameterFileRecord set;
    if (files::DecodeParameterRecord(backup, set) != files::FileError::Ok) return {};
    for (const auto& w : written) {
        const auto answer = parameter::DecodeItem(w.readBack, false);
        for (auto& block : set.items) {
            const auto item = parameter::DecodeItem(block, false);
            if (item.ma == answer.ma && item.mb == answer.mb) block = w.readBack;
        }
    }
    const auto bytes = files::EncodeParameterRecord(set);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

ConfirmedWrites ConfirmedChanges(files::DataFileKind kind, const plant::Blob& file,
                                 const plant::Blob& backup,
                                 const std::vector<comm::jobs::WrittenItem>& written) {
    ConfirmedWrites out;
    const auto fileItems = ItemsOf(kind, file);
    const auto before = ItemsOf(kind, backup);
    const bool known = !before.empty();
    // A parameter is found in the backup by its address; a program's step
    // or constant by its place.
    auto beforeOf = [&](std::size_t index, const ItemView& wrote) -> const ItemView* {
        if (kind == files::DataFileKind::kProgram)
            return index < before.size() && before[index].address == wrote.address ? &before[index]
                                                                                   : nullptr;
        for (const auto& b : before) {
            if (b.item.ma == wrote.item.ma && b.item.mb == wrote.item.mb) return &b;
        }
        return nullptr;
    };
    for (const auto& w : written) {
        if (w.index >= fileItems.size()) continue;
        const ItemView& wrote = fileItems[w.index];
        const DecodedItem answer = parameter::DecodeItem(w.readBack, false);
        const bool asFile = Same(kind, wrote.item, answer);
        if (!asFile) ++out.differFromFile;
        const ItemView* was = known ? beforeOf(w.index, wrote) : nullptr;
        if (was != nullptr && Same(kind, was->item, answer)) continue;  // not changed
        plant::Change change{wrote.address, files::SingleByteToUtf8(wrote.name),
                             !known ? std::string(plant::kBeforeUnknown)
                             : was  ? Shown(kind, was->item)
                                    : std::string("(none)"),
                             Shown(kind, answer)};
        if (!asFile) change.file = Shown(kind, wrote.item);
        out.changes.push_back(std::move(change));
    }
    return out;
}

std::string RecordTransfer(Workspace& ws, plant::Record record) {
    if (ws.hosts.recorder == nullptr || !plant::RecordingOn(ws.hosts.settings)) return {};
    return ws.hosts.recorder->Add(std::move(record));
}

bool ReasonRequired(Workspace& ws) {
    return ws.hosts.recorder != nullptr && plant::RecordingOn(ws.hosts.settings) &&
           ws.hosts.recorder->ReasonRequired();
}

namespace {

void RecordJobEnd(Workspace& ws, const comm::JobOutcome& outcome, const std::string& recordAs) {
    const comm::Job job = outcome.job;
    const comm::CommErrorCode result = outcome.code;
    // The backup just taken serves the download that follows it, and no other.
    auto& backup = ws.state.backupJustTaken;
    std::vector<std::uint8_t> before = std::exchange(backup, {});
    // Nothing is encoded for a session that records nothing.
    if (recordAs == "none" || ws.hosts.recorder == nullptr ||
        !plant::RecordingOn(ws.hosts.settings))
        return;
    const bool program = job == comm::kJobProgramUpload || job == comm::kJobProgramDownload;
    const auto fileKind = program ? files::DataFileKind::kProgram : files::DataFileKind::kParameter;
    std::optional<RecordKind> kind = plant::KindFromName(recordAs);
    const bool writes = job == comm::kJobDownload || job == comm::kJobProgramDownload;
    if (!writes) {
        if (job != comm::kJobUpload && job != comm::kJobProgramUpload) return;
        if (result != comm::kErrNone) return;  // nothing whole was read
        if (!kind) kind = program ? RecordKind::kProgramUpload : RecordKind::kUpload;
    } else if (!kind) {
        kind = program ? RecordKind::kProgramDownload : RecordKind::kDownload;
    }
    auto record = RecordOfWorkspace(ws, *kind, fileKind);
    if (!writes) record.fileName.clear();  // read from the instrument, not from a file
    if (kind == RecordKind::kBackup) backup = record.bytes;
    record.ok = result == comm::kErrNone;
    record.result = record.ok ? "completed" : "ended: " + comm::CommErrorText(result);
    if (writes) {
        record.reason = ws.state.writeReason;
        const comm::JobOutcome& results = outcome;
        record.itemsWritten = results.itemsWritten;
        // The record states what the instrument answered, item by item.
        const auto confirmed = ConfirmedChanges(fileKind, record.bytes, before, results.written);
        record.changes = confirmed.changes;
        record.itemsDiffer = confirmed.differFromFile;
        if (!record.ok) {
            const auto& data = ws.Engine().Data();
            const int total =
                program ? comm::jobs::CountProgramDownloadItems(data.program.records)
                        : comm::jobs::CountDownloadItems(
                              data.items.dataSet, data.header.starts[files::Category::Set],
                              data.header.starts[files::Category::Adjust]);
            record.result += " after " + std::to_string(record.itemsWritten) + " items written";
            const int left = std::max(total - record.itemsWritten, 0);
            record.result +=
                "; not written: " + std::to_string(left) + (left == 1 ? " item" : " items");
        }
        if (record.itemsDiffer > 0) {
            record.result += record.itemsDiffer == 1 ? "; 1 item holds another value than the file"
                                                     : "; " + std::to_string(record.itemsDiffer) +
                                                           " items hold other values than the file";
        }
        if (before.empty()) record.result += "; before: unknown (no backup)";
        // A restore that follows at once starts from what this one left.
        if (!record.ok && !before.empty() && !results.written.empty())
            backup = AfterWrites(fileKind, before, results.written);
    }
    RecordTransfer(ws, std::move(record));
}

}  // namespace

void RecordTransfersOf(Workspace& ws) {
    if (ws.hosts.engine == nullptr) return;
    ws.hosts.engine->SetJobObserver(
        [&ws](const comm::JobOutcome& outcome, const std::string& recordAs) {
            RecordJobEnd(ws, outcome, recordAs);
        });
}

}  // namespace rq50::session
