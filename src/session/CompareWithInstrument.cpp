#include "session/CompareWithInstrument.h"

#include <memory>

#include "comm/Engine.h"
#include "comm/jobs/JobResults.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "session/Navigation.h"
#include "session/SafeDownload.h"
#include "session/ScreenFlow.h"
#include "session/TransferRecords.h"
#include "shell/Catalogue.h"
#include "shell/MessageBoxHost.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::session {

using namespace rq50::shell;

std::vector<comm::jobs::DownloadCheckEntry> CheckEntriesOf(
    const std::vector<files::ItemDifference>& differences) {
    using Side = files::ItemDifference::Side;
    std::vector<comm::jobs::DownloadCheckEntry> entries;
    for (const auto& d : differences) {
        comm::jobs::DownloadCheckEntry e;
        e.ma = d.ma;
        e.mb = d.mb;
        e.sentName = d.name;
        e.sentData = d.side == Side::kSecondOnly ? "(none)" : d.first;
        e.setData = d.side == Side::kFirstOnly ? "(none)" : d.second;
        entries.push_back(std::move(e));
    }
    return entries;
}

std::string ComparisonResult(int differences, const std::string& against) {
    if (differences == 0) return "matches " + against;
    return differences == 1 ? "1 item differs from " + against
                            : std::to_string(differences) + " items differ from " + against;
}

bool StartComparison(Workspace& ws, files::DataFileKind kind, const std::string& against,
                     Screen screen, bool askToStart,
                     std::function<void(const InstrumentComparison&)> done) {
    const bool program = kind == files::DataFileKind::kProgram;
    const auto held = HoldData(ws);
    comm::JobRequest upload{program ? comm::kJobProgramUpload : comm::kJobUpload,
                            Catalogue(kTextCompareWithTavro)};
    upload.recordAs = "none";  // recorded below, with the differences found
    upload.done = [&ws, held, kind, program, against,
                   done = std::move(done)](const comm::JobOutcome& outcome) {
        InstrumentComparison found;
        // A program upload that found no area keeps the program in memory:
        // there is nothing of the instrument's to compare then.
        found.uploaded = outcome.Completed() && (!program || outcome.facts.programItemCount > 0);
        if (found.uploaded) {
            // Items of another model share addresses, not meanings.
            found.otherModel =
                files::ModelMismatch(program ? held->program.header.modelCode : held->header.model,
                                     program ? ws.program.header.modelCode : ws.header.model);
        }
        if (found.uploaded && found.otherModel.empty()) {
            const DownloadPreview compared = PreviewOf(*held, ws, kind, {});
            found.notes = compared.notes;
            found.differences = compared.changes;
            auto record = RecordOfWorkspace(ws, plant::RecordKind::kVerify, kind);
            record.fileName = against;
            record.itemsDiffer = found.Count();
            record.result = ComparisonResult(found.Count(), against);
            RecordTransfer(ws, std::move(record));
        }
        PutBackData(ws, *held);
        done(found);
    };
    return StartScreenJob(ws.Engine(), upload, kCallerDataViewDownload, screen, askToStart);
}

bool StartCompareWithInstrument(Workspace& ws, Screen screen, files::DataFileKind kind) {
    const std::string against = files::SingleByteToUtf8(Trim(ws.information.fileName));
    return StartComparison(
        ws, kind, against, screen, true, [&ws, screen](const InstrumentComparison& found) {
            if (found.differences.empty()) {
                if (found.uploaded && ws.hosts.messages != nullptr) {
                    const bool other = !found.otherModel.empty();
                    ws.hosts.messages->Show(
                        {other ? Catalogue(kTextNothingCompared) + "\n" + found.otherModel
                               : Catalogue(kTextNoDifferences),
                         Catalogue(kTextCompareWithTavro), MsgButtons::Ok,
                         other ? MsgIcon::Exclamation : MsgIcon::Information});
                }
                if (ws.hosts.navigation != nullptr) ws.hosts.navigation->EnableScreen(screen);
                return;
            }
            ws.checkList = CheckEntriesOf(found.differences);
            ws.state.checkListCompares = true;
            ws.state.compareFrom = screen;
            ws.state.cameFromDownloadCheck = false;
            ShowDisplay(ws, Display::DownloadCheck);
        });
}

void CloseCheckList(Workspace& ws) {
    const bool toEditor = ws.state.checkListCompares
                              ? ws.state.compareFrom == Screen::ProgramEditor
                              : ws.state.settingMode == shell::SettingMode::Program;
    ws.state.checkListCompares = false;
    if (ws.hosts.navigation != nullptr) ws.hosts.navigation->UnloadScreen(Screen::DownloadCheck);
    DisplayMatrix(ws, toEditor ? NavEvent::kCheckBackToEditor : NavEvent::kCheckBackToDataView);
}

}  // namespace rq50::session
