#include "session/DataMenu.h"

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "session/CompareWithInstrument.h"
#include "session/Navigation.h"
#include "session/SafeDownload.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/JobCodes.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"

namespace rq50::session {

using namespace rq50::parameter;

namespace {

/// Purposes of the information window opened from here.

constexpr shell::Screen kScreen = shell::Screen::DataView;

void DisableView(files::Workspace& ws) {
    if (auto* nav = ws.hosts.navigation) nav->DisableScreen(kScreen);
}
}  // namespace

shell::DataSource DataMenu::Source() const {
    return m_ws.state.dataSource;
}

std::string DataMenu::Caption() const {
    return shell::Catalogue(kTextDataUploaded + shell::DataSourceIndex(Source()));
}

std::string DataMenu::OptionText(DataMenuOption option) const {
    if (option == DataMenuOption::kContentOrEditor)
        return shell::Catalogue(Source() == shell::DataSource::Program ? kTextOpenEditor
                                                                       : kTextCheckContent);
    if (option == DataMenuOption::kCompare) return shell::Catalogue(kTextCompareWithTavro);
    if (option == DataMenuOption::kEdit) return shell::Catalogue(kTextEditOffline);
    return shell::Catalogue(kTextSave + static_cast<int>(option) - 1);
}

bool DataMenu::ParameterOptions() const {
    return Source() != shell::DataSource::Program;
}

bool DataMenu::DownloadAllowed() const {
    return m_ws.state.downloadAllowed;
}

void DataMenu::Load() {
    if (Source() == shell::DataSource::Uploaded) m_ws.state.dataChanged = true;
}

void DataMenu::Activated() {
    m_ws.state.currentScreenId = shell::ScreenId::DataView;
}

void DataMenu::Confirm(DataMenuOption option) {
    const bool uploaded = m_ws.state.dataSource == shell::DataSource::Uploaded;
    switch (option) {
        case DataMenuOption::kContentOrEditor:
            DisableView(m_ws);
            if (m_ws.state.dataSource == shell::DataSource::Program) {
                session::ShowDisplay(m_ws, session::Display::ProgramEditor);
            } else {
                session::DisplayMatrix(m_ws, uploaded ? shell::NavEvent::kContentUploaded
                                                      : shell::NavEvent::kContentFile);
            }
            return;
        case DataMenuOption::kSave:
            m_ws.state.infoPurpose = shell::InfoPurpose::SaveButton;
            session::DisplayMatrix(
                m_ws, uploaded ? shell::NavEvent::kSaveUploaded : shell::NavEvent::kSaveFile);
            return;
        case DataMenuOption::kDownload:
            m_ws.state.cameFromDownloadCheck = false;
            session::StartSafeDownload(
                m_ws,
                {{comm::kJobDownload, shell::Catalogue(kTextDownload)},
                 session::kCallerDataViewDownload,
                 files::DataFileKind::kParameter,
                 kScreen,
                 session::DownloadSourceName(m_ws, files::DataFileKind::kParameter),
                 std::nullopt,
                 true,
                 {}},
                m_host.DownloadQuestions());
            return;
        case DataMenuOption::kPrint:
            m_host.PrintData();
            return;
        case DataMenuOption::kCompare:
            session::StartCompareWithInstrument(m_ws, kScreen,
                                                ParameterOptions() ? files::DataFileKind::kParameter
                                                                   : files::DataFileKind::kProgram);
            return;
        case DataMenuOption::kEdit:
            if (ParameterOptions()) m_host.EditData();
            return;
    }
}

void DataMenu::Cancel() {
    session::DisplayMatrix(
        m_ws, shell::NavEvent::kLeaveDataView, 0,
        m_ws.state.dataChanged ? session::kAnswerDataChanged : session::kAnswerNoChange);
}

void DataMenu::Information() {
    m_ws.state.infoPurpose = shell::InfoPurpose::FileMenu;
    DisableView(m_ws);
    session::ShowDisplay(m_ws, session::Display::Information);
}

void DataMenu::BaudRate() {
    session::StartScreenJob(m_ws.Engine(),
                            {comm::kJobBaudCheck, shell::Catalogue(kTextBaudRateSetting)},
                            session::kCallerDataView3, kScreen);
}

}  // namespace rq50::session
