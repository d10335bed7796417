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

bool StartCompareWithInstrument(Workspace& ws, Screen screen, files::DataFileKind kind) {
    const bool program = kind == files::DataFileKind::kProgram;
    const auto held = HoldData(ws);
    comm::JobRequest upload{program ? comm::kJobProgramUpload : comm::kJobUpload,
                            Catalogue(kTextCompareWithTavro)};
    upload.recordAs = "none";  // recorded below, with the differences found
    upload.done = [&ws, held, screen, kind, program](const comm::JobOutcome& outcome) {
        // A program upload that found no area keeps the program in memory:
        // there is nothing of the instrument's to compare then.
        const bool uploaded =
            outcome.Completed() && (!program || outcome.facts.programItemCount > 0);
        std::vector<files::ItemDifference> differences;
        if (uploaded) {
            differences = PreviewOf(*held, ws, kind, {}).changes;
            auto record = RecordOfWorkspace(ws, plant::RecordKind::kVerify, kind);
            record.fileName = files::SingleByteToUtf8(Trim(held->information.fileName));
            record.itemsDiffer = static_cast<int>(differences.size());
            record.result =
                std::to_string(differences.size()) + " items differ from " + record.fileName;
            RecordTransfer(ws, std::move(record));
        }
        PutBackData(ws, *held);
        if (!uploaded || differences.empty()) {
            if (uploaded && ws.hosts.messages != nullptr) {
                ws.hosts.messages->Show({Catalogue(kTextNoDifferences),
                                         Catalogue(kTextCompareWithTavro), MsgButtons::Ok,
                                         MsgIcon::Information});
            }
            if (ws.hosts.navigation != nullptr) ws.hosts.navigation->EnableScreen(screen);
            return;
        }
        ws.checkList = CheckEntriesOf(differences);
        ws.state.checkListCompares = true;
        ws.state.compareFrom = screen;
        ws.state.cameFromDownloadCheck = false;
        ShowDisplay(ws, Display::DownloadCheck);
    };
    return session::StartScreenJob(ws.Engine(), upload, kCallerDataViewDownload, screen);
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
