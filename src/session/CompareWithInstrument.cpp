#include "session/CompareWithInstrument.h"

#include <memory>

#include "comm/Engine.h"
#include "comm/Navigation.h"
#include "comm/ScreenJob.h"
#include "comm/jobs/JobResults.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "session/SafeDownload.h"
#include "session/TransferRecords.h"
#include "shell/Catalogue.h"
#include "shell/MessageBoxHost.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::shell {

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

bool StartCompareWithInstrument(Workspace& ws, Screen screen) {
    const auto held = HoldData(ws);
    comm::JobRequest upload{comm::kJobUpload, Catalogue(kTextCompareWithTavro),
                            comm::kCallerDataViewDownload};
    upload.recordAs = "none";  // recorded below, with the differences found
    upload.handBack = [&ws, held, screen](int result) {
        const auto& file = *held;
        std::vector<files::ItemDifference> differences;
        const bool uploaded = result == comm::kErrNone;
        if (uploaded) {
            differences = files::CompareDataSets(file.items.dataSet, ws.items.dataSet,
                                                 files::CompareScope::kDownloadable,
                                                 file.header.setStart, file.header.adjustStart);
        }
        if (uploaded) {
            auto record =
                RecordOfWorkspace(ws, plant::RecordKind::kVerify, files::DataFileKind::kParameter);
            record.fileName = files::SingleByteToUtf8(Trim(file.information.fileName));
            record.itemsDiffer = static_cast<int>(differences.size());
            record.result =
                std::to_string(differences.size()) + " items differ from " + record.fileName;
            RecordTransfer(ws, std::move(record));
        }
        PutBackData(ws, file);
        if (!uploaded || differences.empty()) {
            if (uploaded && ws.hosts.messages != nullptr) {
                ws.hosts.messages->Show({Catalogue(kTextNoDifferences),
                                         Catalogue(kTextCompareWithTavro), kButtonsOk,
                                         MsgIcon::Information});
            }
            if (ws.hosts.navigation != nullptr) ws.hosts.navigation->EnableScreen(screen);
            return;
        }
        ws.Engine().Results().downloadCheck = CheckEntriesOf(differences);
        ws.state.checkListCompares = true;
        ws.state.cameFromDownloadCheck = false;
        ShowDisplay(ws, kDisplayDownloadCheck);
    };
    return comm::StartScreenJob(ws.Engine(), upload, screen);
}

}  // namespace rq50::shell
