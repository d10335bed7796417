#include "session/SafeDownload.h"
#include "files/Compare.h"
#include "session/TransferRecords.h"

#include "comm/jobs/JobResults.h"
#include "comm/jobs/TransferRules.h"
#include "files/Backup.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/MessageBoxHost.h"
#include "shell/NavigationHost.h"
#include "shell/SettingsStore.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::session {

using namespace rq50::shell;

namespace {
constexpr const char* kBackupSetting = "BACKUPFIRST";
}  // namespace

bool BackupBeforeDownloadOn(const Workspace& ws) {
    if (ws.hosts.settings == nullptr) return true;
    const auto stored = ws.hosts.settings->Get(kBackupSetting);
    return !stored || Trim(*stored) != "0";
}

bool ToggleBackupBeforeDownload(Workspace& ws) {
    const bool on = !BackupBeforeDownloadOn(ws);
    if (ws.hosts.settings != nullptr) ws.hosts.settings->Set(kBackupSetting, on ? "1" : "0");
    return on;
}

std::string DownloadSourceName(const Workspace& ws, files::DataFileKind kind) {
    // A program is named by its own source, as the register records it.
    if (kind == files::DataFileKind::kProgram) return ProgramSourceName(ws);
    const std::string& path = ws.state.currentFilePath;
    if (path.empty()) return "data uploaded from the instrument, not saved";
    // The file on disk tells whether the data still is what it holds.
    files::ParameterFileRecord file;
    const bool same = files::LoadParameterFile(path, file) == files::FileError::Ok &&
                      file.items == ws.items.dataSet;
    return same ? path : path + " (changed, not saved)";
}

std::string PreviewHeading(const DownloadPreview& p) {
    std::string where = "model " + Trim(p.model);
    if (p.slot > 0) where += ", slot " + std::to_string(p.slot);
    where += ", " + std::to_string(p.itemCount) + (p.itemCount == 1 ? " item" : " items");
    return "Download " + p.file + " (" + where + ") to the instrument.";
}

std::string PreviewCountLine(const DownloadPreview& p) {
    const auto n = p.changes.size();
    if (n == 0) return "No item will change: the instrument holds the file's values.";
    return std::to_string(n) + (n == 1 ? " item will change:" : " items will change:");
}

std::string PreviewChange(const files::ItemDifference& change) {
    using Side = files::ItemDifference::Side;
    const std::string now = change.side == Side::kFirstOnly ? "(none)" : change.second;
    const std::string then = change.side == Side::kSecondOnly ? "(none)" : change.first;
    return files::SingleByteToUtf8(now) + " -> " + files::SingleByteToUtf8(then);
}

std::shared_ptr<HeldData> HoldData(const Workspace& ws) {
    return std::make_shared<HeldData>(HeldData{ws.items, ws.header, ws.information, ws.program});
}

void PutBackData(Workspace& ws, const HeldData& held) {
    ws.items = held.items;
    ws.header = held.header;
    ws.information = held.information;
    ws.program = held.program;
}

DownloadPreview PreviewOf(const HeldData& held, const Workspace& instrument,
                          files::DataFileKind kind, const std::string& file) {
    DownloadPreview p;
    p.kind = kind;
    p.file = file;
    if (kind == files::DataFileKind::kParameter) {
        const auto& header = held.header;
        p.model = header.model;
        p.itemCount =
            comm::jobs::CountDownloadItems(held.items.dataSet, header.starts[files::Category::Set],
                                           header.starts[files::Category::Adjust]);
        p.notes = files::CompareHeaders(header, instrument.header);
        p.changes = files::CompareDataSets(
            held.items.dataSet, instrument.items.dataSet, files::CompareScope::kDownloadable,
            header.starts[files::Category::Set], header.starts[files::Category::Adjust]);
        return p;
    }
    Workspace fileSide;
    fileSide.program = held.program;
    fileSide.information = held.information;
    p.model = held.program.header.modelCode;
    p.itemCount = comm::jobs::CountProgramDownloadItems(held.program.records);
    if (Trim(p.model) != Trim(instrument.program.header.modelCode)) {
        p.notes.push_back("model " + Trim(p.model) + " against " +
                          Trim(instrument.program.header.modelCode));
    }
    p.changes = files::ComparePrograms(files::CurrentProgramRecord(fileSide),
                                       files::CurrentProgramRecord(instrument), false);
    return p;
}

DownloadPreview KeepBackup(Workspace& ws, const HeldData& held, files::DataFileKind kind,
                           const std::string& file, bool uploadEnded, std::string& why) {
    const comm::CommEngine& engine = ws.Engine();
    const bool program = kind == files::DataFileKind::kProgram;
    why = "the upload of the instrument's set failed";
    DownloadPreview preview;
    if (uploadEnded && (!program || engine.LastOutcome().facts.programItemCount > 0)) {
        if (program) ws.program.source = program::ProgramSource::Upload;
        preview = PreviewOf(held, ws, kind, file);
        preview.backup = files::WriteBackup(ws, kind, why);
        if (engine.LastInstrument().viaRack) preview.slot = engine.LastInstrument().slot;
    }
    PutBackData(ws, held);
    return preview;
}

namespace {

/// One download with its backup, from the start question to the download
/// job; kept alive by the job's hand-back.
struct DownloadFlow : std::enable_shared_from_this<DownloadFlow> {
    DownloadFlow(Workspace& ws, DownloadRequest request,
                 std::unique_ptr<DownloadQuestions> questions, std::shared_ptr<HeldData> held)
        : ws(ws),
          request(std::move(request)),
          questions(std::move(questions)),
          held(std::move(held)) {}

    Workspace& ws;
    DownloadRequest request;
    std::unique_ptr<DownloadQuestions> questions;
    std::shared_ptr<HeldData> held;

    std::string backup;
    int slot = 0;

    void GiveUp() const {
        ws.state.backupJustTaken.clear();
        ws.Engine().CloseLine();  // the backup's line opening, kept for the download
        if (ws.hosts.navigation != nullptr) ws.hosts.navigation->EnableScreen(request.screen);
    }

    void BackupDone(const comm::JobOutcome& outcome) {
        const comm::CommErrorCode result = outcome.code;
        std::string why;
        DownloadPreview preview =
            KeepBackup(ws, *held, request.kind, request.file, result == comm::kErrNone, why);
        preview.reasonRequired = ReasonRequired(ws);
        backup = preview.backup;
        // "Terminate" or a cancelled slot question: the user has stopped.
        if (result == comm::kErrTerminated) return GiveUp();
        const bool goOn = backup.empty() ? questions->DownloadWithoutBackup(why)
                                         : questions->ConfirmDownload(preview);
        if (!goOn) return GiveUp();
        ws.state.writeReason = questions->Reason();
        // A register that asks a reason for every write gets one (without a
        // backup nothing asked for it: nothing is written then).
        if (preview.reasonRequired && Trim(ws.state.writeReason).empty()) {
            if (ws.hosts.messages != nullptr) {
                ws.hosts.messages->Show({files::Utf8ToSingleByte(Catalogue(kTextReasonRequired)),
                                         "", MsgButtons::Ok, MsgIcon::Exclamation});
            }
            return GiveUp();
        }
        // The download goes to the instrument the backup came from.
        slot = preview.slot;
        if (slot > 0) ws.state.presetSlot = slot;
        comm::JobRequest download = request.job;
        download.done = [flow = shared_from_this()](const comm::JobOutcome& outcome) {
            flow->DownloadDone(outcome);
        };
        if (!StartScreenJob(ws.Engine(), download, request.caller, request.screen, false)) {
            ws.state.presetSlot.reset();
            GiveUp();
        }
    }

    void HandBackAsUsual(const comm::JobOutcome& outcome) const {
        RunHandBack(ws, HandBackFor(request.caller, outcome));
    }

    /// A download that ended part way offers the backup back; the view's
    /// data is held while it is written and put back after.
    void DownloadDone(const comm::JobOutcome& outcome) {
        const comm::CommErrorCode result = outcome.code;
        const int written = outcome.itemsWritten;
        HandBackAsUsual(outcome);
        if (questions) questions->DownloadEnded(outcome);
        // What the instrument held after the writes serves only the restore
        // that follows at once.
        if (result == comm::kErrNone || written == 0 || backup.empty() || !questions ||
            !questions->RestoreBackup(backup, written)) {
            ws.state.backupJustTaken.clear();
            return;
        }
        const auto viewData = HoldData(ws);
        const bool read = request.kind == files::DataFileKind::kProgram
                              ? files::ReadProgramFile(ws, backup, files::FileTitleOf(backup))
                              : files::ReadParameterFile(ws, backup, files::FileTitleOf(backup));
        if (!read) return PutBackData(ws, *viewData);
        if (slot > 0) ws.state.presetSlot = slot;
        comm::JobRequest restore = request.job;
        restore.recordAs = "restore";
        restore.done = [flow = shared_from_this(), viewData](const comm::JobOutcome& restored) {
            PutBackData(flow->ws, *viewData);
            flow->HandBackAsUsual(restored);
            flow->questions->RestoreEnded(restored);
        };
        if (!StartScreenJob(ws.Engine(), restore, request.caller, request.screen, false)) {
            ws.state.presetSlot.reset();
            PutBackData(ws, *viewData);
            GiveUp();
        }
    }
};

}  // namespace

bool StartSafeDownload(Workspace& ws, DownloadRequest request,
                       std::unique_ptr<DownloadQuestions> questions) {
    comm::CommEngine& engine = ws.Engine();
    ws.state.checkListCompares = false;  // the check list will show the read-back
    ws.state.backupJustTaken.clear();
    ws.state.writeReason.clear();  // each write gives its own
    const bool prompt = request.askToStart;
    const bool backupFirst = request.backup.value_or(BackupBeforeDownloadOn(ws));
    // Without a preview the reason a register requires is asked on its own.
    if (ws.state.downloadAllowed && !backupFirst && ReasonRequired(ws)) {
        const auto reason = questions ? questions->AskReason() : std::nullopt;
        if (!reason || Trim(*reason).empty()) return false;
        ws.state.writeReason = Trim(*reason);
    }
    const bool program = request.kind == files::DataFileKind::kProgram;
    auto flow =
        std::make_shared<DownloadFlow>(ws, std::move(request), std::move(questions), HoldData(ws));
    // Without the password, or without a backup wanted, the download starts
    // as it always has (the job refuses a download that is not allowed).
    if (!ws.state.downloadAllowed || !backupFirst) {
        comm::JobRequest download = flow->request.job;
        download.done = [flow](const comm::JobOutcome& outcome) { flow->DownloadDone(outcome); };
        return StartScreenJob(engine, download, flow->request.caller, flow->request.screen, prompt);
    }
    comm::JobRequest upload{
        program ? comm::kJobProgramUpload : comm::kJobUpload,
        flow->request.backupTitle.empty() ? flow->request.job.title : flow->request.backupTitle};
    upload.done = [flow](const comm::JobOutcome& outcome) { flow->BackupDone(outcome); };
    upload.keepLineOpen = true;  // the download follows on the same line opening
    upload.recordAs = "backup";
    return StartScreenJob(engine, upload, flow->request.caller, flow->request.screen, prompt);
}

}  // namespace rq50::session
