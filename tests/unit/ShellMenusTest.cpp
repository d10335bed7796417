// The shared menu routines: the hidden Command menu, check marks, the port
// choice, the quit path and the shared menu handler.
#include "session/Menus.h"

#include <gtest/gtest.h>

#include "comm/Engine.h"
#include "comm/EngineCore.h"

#include <map>
#include <optional>
#include <set>

#include "ShellFakes.h"
#include "comm/Frame.h"
#include "shell/SettingsStore.h"

namespace rq50::shell {

using namespace rq50::session;
using namespace rq50::files;
namespace {

using testing::ServicesScope;

/// The menus of one screen, recorded.
struct FakeMenus : MenuScreen {
    void SetCommandMenuVisible(bool v) override { commandVisible = v; }
    void SetCommandMark(CommandMenuItem item, bool c) override { commandMarks[item] = c; }
    void SetPortMark(PortMenuItem item, bool c) override { portMarks[item] = c; }
    void OnMaintModeChanged(bool on) override { maintCalls.push_back(on); }
    void OnMonitorChanged(bool on) override { monitorCalls.push_back(on); }
    std::optional<bool> commandVisible;
    std::map<CommandMenuItem, bool> commandMarks;
    std::map<PortMenuItem, bool> portMarks;
    std::vector<bool> maintCalls;
    std::vector<bool> monitorCalls;
};

/// Message boxes with a scripted text input.
struct InputMessages : testing::RecordingMessages {
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override {
        prompts.push_back(prompt + "|" + title);
        return input;
    }
    std::optional<std::string> input;
    std::vector<std::string> prompts;
};

struct EndingNavigation : testing::RecordingNavigation {
    void EndProgram() override { calls.push_back("end"); }
    bool IsLoaded(Screen s) const override { return loaded.count(s) != 0; }
    void CommitEdits() override { calls.push_back("commit"); }
    std::set<Screen> loaded;
};

class Menus : public ::testing::Test {
  protected:
    Menus() {
        ws.hosts.messages = &messages;
        ws.hosts.navigation = &navigation;
        ws.hosts.settings = &settings;
        ws.hosts.engine = &engine;
        engine.SetWorkspace(ws);
    }
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    comm::CommEngine engine;
    InputMessages messages;
    EndingNavigation navigation;
    MemorySettingsStore settings;
    FakeMenus screen;
};

TEST_F(Menus, CommandMenuUnlocksOnlyWithTheGestureAndTheLetter) {
    messages.input = "q";
    EXPECT_EQ(UnlockCommandMenu(ws, kLeftButton, kShiftCtrlAlt), -1);
    EXPECT_EQ(UnlockCommandMenu(ws, kRightButton, 3), -1);
    EXPECT_TRUE(messages.prompts.empty());

    for (const char* wrong : {"x", "QQ", ""}) {
        messages.input = wrong;
        EXPECT_EQ(UnlockCommandMenu(ws, kRightButton, kShiftCtrlAlt), -1) << wrong;
    }
    messages.input.reset();  // cancelled
    EXPECT_EQ(UnlockCommandMenu(ws, kRightButton, kShiftCtrlAlt), -1);
    EXPECT_FALSE(ws.state.commandMenuUnlocked);
    EXPECT_EQ(messages.prompts.front(), "Enter password.|Pass Word");

    messages.input = "q";
    EXPECT_EQ(UnlockCommandMenu(ws, kRightButton, kShiftCtrlAlt), 0);
    EXPECT_TRUE(ws.state.commandMenuUnlocked);
    messages.input = "Q";
    EXPECT_EQ(UnlockCommandMenu(ws, kRightButton, kShiftCtrlAlt), 0);
}

TEST_F(Menus, CheckMenuShowsTheUnlockedMenuAndOnlySetsMarks) {
    ws.state.maintMode = true;
    ShowCommandMenuMarks(ws, screen);
    EXPECT_FALSE(screen.commandVisible.has_value());

    ws.state.commandMenuUnlocked = true;
    engine.SetLogFileOn(true);
    screen.commandMarks[CommandMenuItem::Monitor] = true;  // left over: never cleared here
    ShowCommandMenuMarks(ws, screen);
    EXPECT_EQ(screen.commandVisible, true);
    EXPECT_EQ(
        screen.commandMarks,
        (std::map<CommandMenuItem, bool>{{CommandMenuItem::MaintMode, true},
                                         {CommandMenuItem::Monitor, true},
                                         {CommandMenuItem::LogFile, true}}));
}

TEST_F(Menus, PortChoiceMarksStoresAndIsReadBack) {
    MarkPortInUse(ws, screen);
    EXPECT_EQ(screen.portMarks,
              (std::map<PortMenuItem, bool>{{PortMenuItem::Com1, true}, {PortMenuItem::Com2, false}, {PortMenuItem::Com3, false}, {PortMenuItem::Com4, false}}));

    EXPECT_EQ(ChoosePortItem(ws, screen, PortMenuItem::Com3), 0);
    EXPECT_EQ(screen.portMarks,
              (std::map<PortMenuItem, bool>{{PortMenuItem::Com1, false}, {PortMenuItem::Com2, false}, {PortMenuItem::Com3, true}, {PortMenuItem::Com4, false}}));
    EXPECT_EQ(ws.state.comPort, 3);
    EXPECT_EQ(settings.Get("COMPORT"), "3");

}

TEST_F(Menus, SessionPortIsMarkedAndTheListOffersEveryPortAndATypedOne) {
    struct SessionMenus : FakeMenus {
        void SetSessionPortItem(const std::string& device) override { session = device; }
        std::string session;
    } menus;
    engine.SetDeviceOverride("/dev/pts/7");
    MarkPortInUse(ws, menus);
    EXPECT_EQ(menus.session, "/dev/pts/7");
    EXPECT_EQ(menus.portMarks,
              (std::map<PortMenuItem, bool>{{PortMenuItem::Com1, false}, {PortMenuItem::Com2, false}, {PortMenuItem::Com3, false}, {PortMenuItem::Com4, false}}));

    // The list: every reported port, the one in use marked and listed even
    // when the system does not report it.
    int current = -1;
    const auto choices = PortChoices({{"/dev/ttyS0", ""}, {"/dev/ttyUSB0", "FT232R USB UART"}},
                                     "/dev/pts/7", current);
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(choices[0].label, "/dev/pts/7  (in use)");
    EXPECT_EQ(choices[2].label, "/dev/ttyUSB0  FT232R USB UART");
    EXPECT_EQ(DeviceOfChoice(choices, choices[2].label), "/dev/ttyUSB0");
    EXPECT_EQ(DeviceOfChoice(choices, " /dev/rfcomm0 "), "/dev/rfcomm0");

    // A device chosen goes on with the session; a COMn chosen ends it.
    UsePortDevice(ws, "/dev/ttyUSB0");
    EXPECT_EQ(engine.CommDevice(), "/dev/ttyUSB0");
    EXPECT_FALSE(settings.Get("COM1Device"));
    EXPECT_EQ(ChoosePortItem(ws, menus, PortMenuItem::Com2), 0);
    EXPECT_EQ(menus.session, "");
    UsePortDevice(ws, "/dev/ttyACM0");
    EXPECT_EQ(settings.Get("COM2Device"), "/dev/ttyACM0");
    EXPECT_EQ(engine.CommDevice(), "/dev/ttyACM0");

    // A device server typed in is kept without its password and offered
    // again among the recent ports; a malformed URL changes nothing.
    EXPECT_TRUE(UsePortDevice(ws, "rfc2217://tech:pw@rack7:2217"));
    EXPECT_EQ(settings.Get("COM2Device"), "rfc2217://rack7:2217");
    EXPECT_FALSE(UsePortDevice(ws, "tcp://rack7"));
    EXPECT_EQ(messages.boxes.back().text, "tcp://rack7: the URL names no port");
    EXPECT_TRUE(UsePortDevice(ws, "/dev/ttyACM0"));
    EXPECT_EQ(RecentPorts(ws),
              (std::vector<std::string>{"/dev/ttyACM0", "rfc2217://rack7:2217", "/dev/ttyUSB0"}));
    const auto offered =
        PortChoices({{"/dev/ttyACM0", "CDC"}}, "/dev/ttyACM0", current, RecentPorts(ws));
    ASSERT_EQ(offered.size(), 3u);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(offered[1].label, "rfc2217://rack7:2217");
}

TEST_F(Menus, CommandItemsToggleTheirFlagsWithSideEffects) {
    ToggleCommandItem(ws, screen, CommandMenuItem::MaintMode);
    ToggleCommandItem(ws, screen, CommandMenuItem::MaintMode);
    EXPECT_EQ(screen.maintCalls, (std::vector<bool>{true, false}));
    EXPECT_FALSE(ws.state.maintMode);

    ToggleCommandItem(ws, screen, CommandMenuItem::Monitor);
    EXPECT_TRUE(engine.MonitorOn());
    EXPECT_EQ(screen.monitorCalls, (std::vector<bool>{true}));

    ToggleCommandItem(ws, screen, CommandMenuItem::LogFile);
    EXPECT_TRUE(engine.LogFileOn());
    EXPECT_EQ(screen.commandMarks[CommandMenuItem::LogFile], true);

    EXPECT_EQ(screen.commandMarks.size(), 3U);
}

TEST_F(Menus, QuitAsksAboutTheBaudRateFirstAndThenWhetherToQuit) {
    ws.state.instrumentSpeed = 9600;
    messages.answers = {MsgAnswer::Yes};
    EXPECT_FALSE(FileExit(ws));
    ASSERT_EQ(messages.boxes.size(), 1U);
    EXPECT_EQ(messages.boxes[0].title, "Exit");
    EXPECT_EQ(messages.boxes[0].buttons, MsgButtons::YesNo);

    messages.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_TRUE(FileExit(ws));
    EXPECT_EQ(messages.boxes.back().text, "Is it OK to quit the system RQ50?");

    ws.state.instrumentSpeed = 1200;
    messages.boxes.clear();
    messages.answers = {MsgAnswer::No};
    EXPECT_FALSE(FileExit(ws));
    EXPECT_EQ(messages.boxes.size(), 1U);
}

TEST_F(Menus, MainWindowCloseRequest) {
    EXPECT_EQ(MainWindowQueryUnload(ws, true, true, Screen::SettingMenu), CloseDecision::Cancel);
    EXPECT_EQ(MainWindowQueryUnload(ws, false, false, Screen::SettingMenu), CloseDecision::Cancel);
    EXPECT_TRUE(messages.boxes.empty());

    ws.state.instrumentSpeed = 9600;
    messages.answers = {MsgAnswer::Yes};
    EXPECT_EQ(MainWindowQueryUnload(ws, false, true, Screen::DataView), CloseDecision::Cancel);
    EXPECT_EQ(messages.boxes.size(), 1U);

    ws.state.instrumentSpeed = 1200;
    messages.answers = {MsgAnswer::Yes};
    EXPECT_EQ(MainWindowQueryUnload(ws, false, true, Screen::DataView), CloseDecision::Quit);
}

TEST_F(Menus, ExitOffersToSaveTheDataTheDataViewHolds) {
    ws.state.settingMode = shell::SettingMode::Parameter;
    ws.state.dataChanged = true;
    // Left with "No" earlier: the flag stays, but no data view holds the data.
    messages.answers = {MsgAnswer::No};
    EXPECT_EQ(ExitProgram(ws, Screen::SettingMenu), ExitOutcome::Stay);
    EXPECT_EQ(messages.boxes.back().text, "Is it OK to quit the system RQ50?");

    navigation.loaded = {Screen::DataView, Screen::ContentList};
    messages.boxes.clear();
    messages.answers = {MsgAnswer::Cancel};
    EXPECT_EQ(ExitProgram(ws, Screen::ContentList), ExitOutcome::Stay);
    ASSERT_EQ(messages.boxes.size(), 1U);
    EXPECT_EQ(messages.boxes[0].text, "Do you want to save the parameter data?");
    EXPECT_EQ(messages.boxes[0].buttons, MsgButtons::YesNoCancel);

    messages.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_EQ(ExitProgram(ws, Screen::ContentList), ExitOutcome::Quit);

    navigation.calls.clear();
    messages.answers = {MsgAnswer::Yes};
    EXPECT_EQ(ExitProgram(ws, Screen::ContentList), ExitOutcome::Saving);
    EXPECT_EQ(ws.state.infoPurpose, shell::InfoPurpose::SaveAndQuit);
    EXPECT_EQ(ws.state.exitFrom, Screen::ContentList);
    EXPECT_EQ(navigation.calls, (std::vector<std::string>{"commit", "save", "disable frmRQ2500",
                                                          "show frmRQ2600", "enable frmRQ2600"}));

    // A job running: nothing is asked.
    comm::CoreOf(engine).CommBusy = true;
    messages.boxes.clear();
    EXPECT_EQ(ExitProgram(ws, Screen::OnlineParameter), ExitOutcome::Stay);
    EXPECT_TRUE(messages.boxes.empty());
    comm::CoreOf(engine).CommBusy = false;
}

TEST_F(Menus, SharedMenuHandler) {
    ws.state.currentScreenId = shell::ScreenId::CategoryMenu;
    MenuCommand(ws, MenuCommandCode::BaudRate);
    MenuCommand(ws, MenuCommandCode::SlotNo);
    MenuCommand(ws, MenuCommandCode::Version);
    EXPECT_EQ(navigation.calls,
              (std::vector<std::string>{"disable frmRQ2200", "show frmRQ4200", "enable frmRQ4200",
                                        "modal frmRQ4100", "enable frmRQ4100", "modal frmRQ0200"}));

    navigation.calls.clear();
    engine.SetSpeed(9600);
    messages.answers = {MsgAnswer::Yes};
    MenuCommand(ws, MenuCommandCode::ExitAt9600);
    EXPECT_TRUE(navigation.calls.empty());
    messages.answers = {MsgAnswer::No};
    MenuCommand(ws, MenuCommandCode::ExitAt9600);
    EXPECT_EQ(navigation.calls, std::vector<std::string>{"end"});
}

}  // namespace
}  // namespace rq50::shell
