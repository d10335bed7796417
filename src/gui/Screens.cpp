// Every screen the program has. A new screen adds one line here.
#include "gui/Screens.h"

#include <map>

#include "gui/comm/frmRQ4000.h"
#include "gui/comm/frmRQ4100.h"
#include "gui/comm/frmRQ4200.h"
#include "gui/parameter/frmRQ2100.h"
#include "gui/parameter/frmRQ2200.h"
#include "gui/parameter/frmRQ2300.h"
#include "gui/parameter/frmRQ2400.h"
#include "gui/parameter/frmRQ2500.h"
#include "gui/parameter/frmRQ2600.h"
#include "gui/parameter/frmRQ2700.h"
#include "gui/print/frmRQ2800.h"
#include "gui/print/frmRQ2900.h"
#include "gui/program/frmRQ3000.h"
#include "gui/program/frmRQ3100.h"
#include "gui/shell/frmRQ0200.h"
#include "gui/shell/frmRQ2000.h"

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
                    [&context] { return new shell::frmRQ2000(context.workspace); });
    makers.Register(Screen::frmRQ2800,
                    [&context] { return new print::frmRQ2800(context.workspace); });
    makers.Register(Screen::frmRQ2900,
                    [&context] { return new print::frmRQ2900(context.workspace); });
    makers.Register(Screen::frmRQ2100,
                    [&context] { return new parameter::frmRQ2100(context.workspace); });
    makers.Register(Screen::frmRQ2200, [&context] {
        return new parameter::frmRQ2200(context.workspace, context.onlinePage);
    });
    makers.Register(Screen::frmRQ2300, [&context] {
        return new parameter::frmRQ2300(context.workspace, context.onlinePage);
    });
    makers.Register(Screen::frmRQ2400,
                    [&context] { return new parameter::frmRQ2400(context.workspace); });
    makers.Register(Screen::frmRQ2500,
                    [&context] { return new parameter::frmRQ2500(context.workspace); });
    makers.Register(Screen::frmRQ2600,
                    [&context] { return new parameter::frmRQ2600(context.workspace); });
    makers.Register(Screen::frmRQ2700,
                    [&context] { return new parameter::frmRQ2700(context.workspace); });
    makers.Register(Screen::frmRQ3000, [&context] {
        return new program::frmRQ3000(context.workspace, context.programCheck);
    });
    makers.Register(Screen::frmRQ3100, [&context] {
        return new program::frmRQ3100(context.workspace, context.programCheck);
    });
    makers.Register(Screen::frmRQ4000,
                    [&context] { return new comm::frmRQ4000(context.workspace); });
    makers.Register(Screen::frmRQ4200,
                    [&context] { return new comm::frmRQ4200(context.workspace); });
    makers.RegisterModal(Screen::frmRQ0200, [&context](QWidget* parent) {
        shell::frmRQ0200::Run(context.workspace, parent);
    });
    makers.RegisterModal(Screen::frmRQ4100, [&context](QWidget* parent) {
        comm::frmRQ4100::RunSlotSetting(context.workspace, parent);
    });
}

}  // namespace rq50::gui
