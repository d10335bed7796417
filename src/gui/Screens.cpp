// Every screen the program has. A new screen adds one line here.
#include "gui/Screens.h"

#include <map>

#include "gui/comm/BaudRateDialog.h"
#include "gui/comm/CommunicatingDialog.h"
#include "gui/comm/SlotNumberDialog.h"
#include "gui/parameter/CategoryMenuScreen.h"
#include "gui/parameter/ContentListScreen.h"
#include "gui/parameter/DataViewScreen.h"
#include "gui/parameter/DownloadCheckList.h"
#include "gui/parameter/InformationWindow.h"
#include "gui/parameter/OnlineParameterScreen.h"
#include "gui/parameter/SettingMenuScreen.h"
#include "gui/print/PrintDialog.h"
#include "gui/print/PrintPreviewWindow.h"
#include "gui/program/ErrorListWindow.h"
#include "gui/program/ProgramEditorWindow.h"
#include "gui/shell/TopMenuScreen.h"
#include "gui/shell/VersionWindow.h"

namespace rq50::gui {

void ScreenMakers::Register(shell::Screen screen, std::function<ScreenBase*()> make) {
    m_makers[screen] = ScreenMaker{std::move(make), {}};
}

void ScreenMakers::RegisterModal(shell::Screen screen, std::function<void(QWidget* parent)> run) {
    m_makers[screen] = ScreenMaker{{}, std::move(run)};
}

const ScreenMaker* ScreenMakers::Find(shell::Screen screen) const {
    const auto it = m_makers.find(screen);
    return it == m_makers.end() ? nullptr : &it->second;
}

void RegisterAllScreens(ScreenContext& context) {
    using shell::Screen;
    ScreenMakers& makers = context.makers;
    makers.Register(Screen::frmRQ2000,
                    [&context] { return new shell::TopMenuScreen(context.workspace); });
    makers.Register(Screen::frmRQ2800,
                    [&context] { return new print::PrintDialog(context.workspace); });
    makers.Register(Screen::frmRQ2900,
                    [&context] { return new print::PrintPreviewWindow(context.workspace); });
    makers.Register(Screen::frmRQ2100,
                    [&context] { return new parameter::SettingMenuScreen(context.workspace); });
    makers.Register(Screen::frmRQ2200, [&context] {
        return new parameter::CategoryMenuScreen(context.workspace, context.onlinePage);
    });
    makers.Register(Screen::frmRQ2300, [&context] {
        return new parameter::OnlineParameterScreen(context.workspace, context.onlinePage);
    });
    makers.Register(Screen::frmRQ2400,
                    [&context] { return new parameter::DataViewScreen(context.workspace); });
    makers.Register(Screen::frmRQ2500,
                    [&context] { return new parameter::ContentListScreen(context.workspace); });
    makers.Register(Screen::frmRQ2600,
                    [&context] { return new parameter::InformationWindow(context.workspace); });
    makers.Register(Screen::frmRQ2700,
                    [&context] { return new parameter::DownloadCheckList(context.workspace); });
    makers.Register(Screen::frmRQ3000, [&context] {
        return new program::ProgramEditorWindow(context.workspace, context.programCheck);
    });
    makers.Register(Screen::frmRQ3100, [&context] {
        return new program::ErrorListWindow(context.workspace, context.programCheck);
    });
    makers.Register(Screen::frmRQ4000,
                    [&context] { return new comm::CommunicatingDialog(context.workspace); });
    makers.Register(Screen::frmRQ4200,
                    [&context] { return new comm::BaudRateDialog(context.workspace); });
    makers.RegisterModal(Screen::frmRQ0200, [&context](QWidget* parent) {
        shell::VersionWindow::Run(context.workspace, parent);
    });
    makers.RegisterModal(Screen::frmRQ4100, [&context](QWidget* parent) {
        comm::SlotNumberDialog::RunSlotSetting(context.workspace, parent);
    });
}

}  // namespace rq50::gui
