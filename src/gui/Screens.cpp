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
    makers.Register(Screen::TopMenu,
                    [&context] { return new TopMenuScreen(context.workspace, context.reports); });
    makers.Register(Screen::PrintDialog,
                    [&context] { return new PrintDialog(context.workspace, context.reports); });
    makers.Register(Screen::PrintPreview, [&context] {
        return new PrintPreviewWindow(context.workspace, context.reports);
    });
    makers.Register(Screen::SettingMenu,
                    [&context] { return new SettingMenuScreen(context.workspace); });
    makers.Register(Screen::CategoryMenu, [&context] {
        return new CategoryMenuScreen(context.workspace, context.onlinePage);
    });
    makers.Register(Screen::OnlineParameter, [&context] {
        return new OnlineParameterScreen(context.workspace, context.onlinePage);
    });
    makers.Register(Screen::DataView, [&context] { return new DataViewScreen(context.workspace); });
    makers.Register(Screen::ContentList,
                    [&context] { return new ContentListScreen(context.workspace); });
    makers.Register(Screen::Information,
                    [&context] { return new InformationWindow(context.workspace); });
    makers.Register(Screen::DownloadCheck,
                    [&context] { return new DownloadCheckList(context.workspace); });
    makers.Register(Screen::ProgramEditor, [&context] {
        return new ProgramEditorWindow(context.workspace, context.programCheck);
    });
    makers.Register(Screen::ErrorList, [&context] {
        return new ErrorListWindow(context.workspace, context.programCheck);
    });
    makers.Register(Screen::Communicating,
                    [&context] { return new CommunicatingDialog(context.workspace); });
    makers.Register(Screen::BaudRate, [&context] { return new BaudRateDialog(context.workspace); });
    makers.RegisterModal(Screen::Version, [&context](QWidget* parent) {
        VersionWindow::Run(context.workspace, parent);
    });
    makers.RegisterModal(Screen::SlotNumber, [&context](QWidget* parent) {
        SlotNumberDialog::RunSlotSetting(context.workspace, parent);
    });
}

}  // namespace rq50::gui
