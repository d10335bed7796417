#include "session/TransferRecords.h"

#include "comm/Engine.h"
#include "comm/PortAddress.h"
#include "comm/jobs/JobResults.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "shell/TextTrim.h"

namespace rq50::shell {

using plant::RecordKind;

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
    r.fileName = files::SingleByteToUtf8(Trim(ws.information.fileName));
    if (ws.hosts.engine != nullptr) {
        const auto& engine = *ws.hosts.engine;
        r.port = comm::PortNameForRecord(engine.CommDevice());
        r.slot = engine.lastInstrument.viaRack ? engine.lastInstrument.slot : 0;
    }
    return r;
}

std::string RecordTransfer(Workspace& ws, plant::Record record) {
    if (ws.hosts.recorder == nullptr || !plant::RecordingOn(ws.hosts.settings)) return {};
    return ws.hosts.recorder->Add(std::move(record));
}

namespace {

void RecordJobEnd(Workspace& ws, int job, int result, const std::string& recordAs) {
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
    record.ok = result == comm::kErrNone;
    record.result = record.ok ? "completed" : "ended: " + comm::CommErrorText(result);
    if (writes) {
        const auto& results = ws.Engine().Results();
        record.itemsWritten = results.itemsWritten;
        if (record.ok && !program) {
            record.itemsDiffer = static_cast<int>(results.downloadCheck.size());
            if (record.itemsDiffer > 0) {
                record.result += record.itemsDiffer == 1
                                     ? "; 1 item holds another value than the file"
                                     : "; " + std::to_string(record.itemsDiffer) +
                                           " items hold other values than the file";
            }
        } else if (record.ok) {
            record.itemsDiffer = 0;
        } else {
            record.result += " after " + std::to_string(record.itemsWritten) + " items written";
        }
    }
    RecordTransfer(ws, std::move(record));
}

}  // namespace

void RecordTransfersOf(Workspace& ws) {
    if (ws.hosts.engine == nullptr) return;
    ws.hosts.engine->SetJobObserver([&ws](int job, int result, const std::string& recordAs) {
        RecordJobEnd(ws, job, result, recordAs);
    });
}

}  // namespace rq50::shell
