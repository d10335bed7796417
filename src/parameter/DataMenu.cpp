#include "parameter/DataMenu.h"

#include <algorithm>

#include "comm/Engine.h"
#include "comm/JobCodes.h"
#include "comm/ScreenJob.h"
#include "shell/Catalogue.h"
#include "shell/GlobalState.h"
#include "shell/Navigation.h"
#include "shell/Services.h"

namespace rq50::parameter {

namespace {
constexpr int kTextCheckContent = 2401;
constexpr int kTextSave = 2402;  ///< 2402-2404: save, download, print
constexpr int kTextDownload = 2403;
constexpr int kTextOpenEditor = 2405;
constexpr int kTextTitleUploaded = 2411;  ///< 2411-2413 by data source
constexpr int kTextBaudRate = 2130;

constexpr int kSourceUploaded = 0;
constexpr int kSourceProgram = 2;

/// Purposes of the information window opened from here.
constexpr std::int16_t kPurposeSaveButton = 1;
constexpr std::int16_t kPurposeFileMenu = 10;

constexpr shell::Screen kScreen = shell::Screen::frmRQ2400;

void DisableView() {
    if (auto* nav = shell::Svc().navigation) nav->DisableScreen(kScreen);
}
}  // namespace

int DataMenu::Source() const {
    return std::clamp<int>(shell::G().dataSource, kSourceUploaded, kSourceProgram);
}

std::string DataMenu::Caption() const {
    return shell::Catalogue(kTextTitleUploaded + Source());
}

std::string DataMenu::OptionText(DataMenuOption option) const {
    if (option == DataMenuOption::kContentOrEditor)
        return shell::Catalogue(Source() == kSourceProgram ? kTextOpenEditor : kTextCheckContent);
    return shell::Catalogue(kTextSave + static_cast<int>(option) - 1);
}

bool DataMenu::DownloadAllowed() const {
    return shell::G().downloadAllowed;
}

void DataMenu::Load() {
    if (Source() == kSourceUploaded) shell::G().dataChanged = true;
}

void DataMenu::Activated() {
    shell::G().currentScreenId = shell::kScreenDataView;
}

void DataMenu::Confirm(DataMenuOption option) {
    const bool uploaded = shell::G().dataSource == kSourceUploaded;
    switch (option) {
        case DataMenuOption::kContentOrEditor:
            DisableView();
            if (shell::G().dataSource == kSourceProgram) {
                shell::Pfnc_nShowDisplayMatorix(shell::kDisplayProgramEditor);
            } else {
                shell::DisplayMatorix(uploaded ? shell::NavEvent::kContentUploaded
                                               : shell::NavEvent::kContentFile);
            }
            return;
        case DataMenuOption::kSave:
            shell::G().infoPurpose = kPurposeSaveButton;
            shell::DisplayMatorix(uploaded ? shell::NavEvent::kSaveUploaded
                                           : shell::NavEvent::kSaveFile);
            return;
        case DataMenuOption::kDownload:
            shell::G().cameFromDownloadCheck = false;
            comm::StartScreenJob(
                shell::FrontEndEngine(),
                {comm::kJobDownload, shell::Catalogue(kTextDownload), comm::kCallerDataViewDownload},
                kScreen);
            return;
        case DataMenuOption::kPrint:
            m_host.PrintData();
            return;
    }
}

void DataMenu::Cancel() {
    shell::DisplayMatorix(
        shell::NavEvent::kLeaveDataView, 0,
        shell::G().dataChanged ? shell::kAnswerDataChanged : shell::kAnswerNoChange);
}

void DataMenu::Information() {
    shell::G().infoPurpose = kPurposeFileMenu;
    DisableView();
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplayInformation);
}

void DataMenu::BaudRate() {
    comm::StartScreenJob(shell::FrontEndEngine(),
                         {comm::kJobBaudCheck, shell::Catalogue(kTextBaudRate), comm::kCallerDataView3},
                         kScreen);
}

}  // namespace rq50::parameter
