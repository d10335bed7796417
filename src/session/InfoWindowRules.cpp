#include "session/InfoWindowRules.h"

#include "files/InformationRecord.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/SingleByteText.h"
#include "files/UndoFolder.h"
#include "files/Workspace.h"
#include "session/FileDialog.h"
#include "session/Navigation.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"

#include <array>

namespace rq50::session {

using namespace rq50::files;

InfoPurposeRule InfoPurposeFor(shell::InfoPurpose purpose) {
    using C = InfoClose;
    using E = shell::NavEvent;
    static const std::array<InfoPurposeRule, 11> kRules = {{
        {E::kInfoDataViewOk, E::kInfoDataViewCancel, C::Save},
        {E::kInfoSaveButtonOk, E::kInfoSaveButtonCancel, C::Save},
        {E::kInfoProgramSaveOk, E::kInfoProgramSaveCancel, C::Save},
        {E::kInfoPrintDialogOk, E::kInfoPrintDialogCancel, C::Nothing},
        {E::kInfoPrintDialogOk, E::kInfoPrintDialogCancel, C::Nothing},
        {E::kInfoLeaveDataViewOk, E::kInfoLeaveDataViewCancel, C::SaveUnloadDataView},
        {E::kNone, E::kInfoUnloadDataViewCancel, C::SaveUnloadDataView},
        {E::kInfoLeaveEditorOk, E::kInfoLeaveEditorCancel, C::SaveUnloadEditorIfSaved},
        {E::kNone, E::kNone, C::SaveThenAskQuit},
        {E::kNone, E::kNone, C::EnableEditor},
        {E::kNone, E::kNone, C::EnableDataView},
    }};
    const int index = static_cast<int>(purpose);
    if (index < 0 || index >= static_cast<int>(kRules.size())) return {};
    return kRules[static_cast<std::size_t>(index)];
}

bool SaveToTarget(files::Workspace& ws) {
    const std::string& path = session::SaveTargetPath(ws);
    const bool program = ws.state.settingMode != shell::SettingMode::Parameter;
    const bool saved = program ? WriteProgramFile(ws, path) : WriteParameterFile(ws, path);
    // A file that was not written is not the current file.
    if (!saved) session::SaveTargetNotWritten(ws);
    if (saved && program) ws.state.dataChanged = false;
    return saved;
}

void InformationWindowClosed(files::Workspace& ws, shell::InfoPurpose purpose) {
    using shell::Screen;
    shell::NavigationHost* nav = ws.hosts.navigation;
    // The window goes first; what follows may end the program.
    if (nav != nullptr) nav->UnloadScreen(Screen::Information);
    const auto giveBack = [nav](Screen screen) {
        if (nav != nullptr) nav->EnableScreen(screen);
    };
    switch (InfoPurposeFor(purpose).onClose) {
        case InfoClose::Nothing:
            return;
        case InfoClose::Save:
            SaveToTarget(ws);
            return;
        case InfoClose::SaveUnloadDataView:
            if (SaveToTarget(ws)) {
                session::DisplayMatrix(ws, shell::NavEvent::kDataViewToSettingMenu);
            } else if (nav != nullptr) {
                nav->DisableScreen(Screen::SettingMenu);
                giveBack(Screen::DataView);
            }
            return;
        case InfoClose::SaveUnloadEditorIfSaved:
            if (SaveToTarget(ws)) {
                session::DisplayMatrix(ws, shell::NavEvent::kLeaveProgramEditor);
            } else {
                giveBack(Screen::ProgramEditor);
            }
            return;
        case InfoClose::SaveThenAskQuit:
            if (SaveToTarget(ws) &&
                shell::ShowMessage(ws.hosts, kMsgQuitQuestion, shell::MsgButtons::YesNo,
                                   shell::Catalogue(kTextExit)) == shell::MsgAnswer::Yes) {
                files::RemoveUndoFolder(ws);
                if (nav != nullptr) nav->EndProgram();
                return;
            }
            giveBack(ws.state.exitFrom);
            return;
        case InfoClose::EnableEditor:
            giveBack(Screen::ProgramEditor);
            return;
        case InfoClose::EnableDataView:
            giveBack(Screen::DataView);
            return;
    }
}

int NextInfoBox(int box) {
    // The captions are labels, out of the walk: each leads to the box it names.
    static const std::array<int, 6> kOrder = {kBoxTitle1, kBoxTitle2,       kBoxCreatedBy,
                                              kBoxDate,   kBoxInstrumentNo, kBoxComment};
    switch (box) {
        case kBoxCaption1:
            return kBoxTitle1;
        case kBoxCaption2:
            return kBoxTitle2;
        case kBoxCaption3:
        case kBoxComment:
            return kBoxComment;
        default:
            break;
    }
    for (std::size_t i = 0; i + 1 < kOrder.size(); ++i) {
        if (kOrder[i] == box) return kOrder[i + 1];
    }
    return kBoxTitle1;
}

bool InfoKeyFits(int box, std::string_view text, std::string_view selected,
                 std::string_view typed) {
    const std::size_t kept = SingleByteUnits(text) - SingleByteUnits(selected);
    return kept + SingleByteUnits(typed) <= InfoBoxLimit(box);
}

}  // namespace rq50::session
