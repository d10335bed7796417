// The presenters of the menu screens: what each choice leads to, told by the
// navigation calls, the boxes shown and the files written.
#include <gtest/gtest.h>

#include "ShellFakes.h"
#include "ShellTempDir.h"
#include "comm/Engine.h"
#include "files/SettingFile.h"
#include "session/DataMenu.h"
#include "session/SafeDownload.h"
#include "session/SettingMenu.h"
#include "session/TopMenu.h"

namespace rq50 {
namespace {

using Calls = std::vector<std::string>;
using shell::testing::ServicesScope;

/// The password dialog as the top menu sees it: each run takes the next
/// scripted outcome (passed or not) and records its mode.
struct ScriptedPasswordDialog : session::TopMenuHost {
    explicit ScriptedPasswordDialog(files::Workspace& ws) : ws(ws) {}
    void RunPasswordDialog(shell::PasswordMode mode) override {
        modes.push_back(mode);
        const bool passed = !outcomes.empty() && outcomes.front();
        if (!outcomes.empty()) outcomes.erase(outcomes.begin());
        if (passed) ws.state.passwordNotPassed = false;
    }
    files::Workspace& ws;
    std::vector<shell::PasswordMode> modes;
    std::vector<bool> outcomes;
};

class TopMenuTest : public ::testing::Test {
  protected:
    void SetUp() override { ws.state.settingFilePath = shell::AppFilePath("Setting.ini"); }
    void StorePassword(const std::string& bytes) { folder.Write("Setting.ini", bytes); }
    std::string SettingFile() const { return folder.Read("Setting.ini"); }

    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    shell::testing::TempAppFolder folder;
    ScriptedPasswordDialog dialog{ws};
    session::TopMenu menu{ws, dialog};
};

TEST_F(TopMenuTest, TheGateReturnsTheDialogsAnswerAndOnlyAPassLeadsOn) {
    // No password stored: no dialog, the parameter setting menu at once.
    menu.Confirm(true);
    EXPECT_TRUE(dialog.modes.empty());
    EXPECT_EQ(scope.navigation.calls,
              (Calls{"disable frmRQ2000", "show frmRQ2100", "enable frmRQ2100"}));

    // A password stored: the dialog asks before work; left unpassed, nothing.
    StorePassword(std::string("4\0003\0002\0001\000", 8));
    scope.navigation.calls.clear();
    dialog.outcomes = {false};
    menu.Confirm(false);
    EXPECT_EQ(dialog.modes, std::vector<shell::PasswordMode>{shell::PasswordMode::Entry});
    EXPECT_TRUE(scope.navigation.calls.empty());
    EXPECT_EQ(ws.state.settingMode, shell::SettingMode::Parameter);

    dialog.outcomes = {true};
    EXPECT_TRUE(menu.PasswordGate());
    dialog.outcomes = {true};
    menu.Confirm(false);
    EXPECT_EQ(ws.state.settingMode, shell::SettingMode::Program);
    EXPECT_EQ(scope.navigation.calls.front(), "disable frmRQ2000");

    // Change: a new password only after the stored one was passed.
    dialog.modes.clear();
    dialog.outcomes = {false};
    menu.ChangePassword();
    dialog.outcomes = {true, true};
    menu.ChangePassword();
    EXPECT_EQ(dialog.modes, (std::vector<shell::PasswordMode>{shell::PasswordMode::Verify, shell::PasswordMode::Verify,
                                              shell::PasswordMode::Set}));
}

TEST_F(TopMenuTest, TheCancelGestureRemovesThePasswordFromSettingIni) {
    StorePassword(std::string("4\0003\0002\0001\000", 8));
    menu.MousePressed(false);  // a plain press only reads the file again
    EXPECT_TRUE(ws.state.passwordStored);
    EXPECT_TRUE(scope.messages.boxes.empty());

    scope.messages.answers = {shell::MsgAnswer::Cancel};
    menu.MousePressed(true);
    ASSERT_EQ(scope.messages.boxes.size(), 1U);
    EXPECT_EQ(scope.messages.boxes[0].text, "Is it OK to cancel password?");
    EXPECT_EQ(scope.messages.boxes[0].title, "Password");
    EXPECT_EQ(SettingFile(), std::string("4\0003\0002\0001\000", 8));

    menu.MousePressed(true);  // OK
    EXPECT_FALSE(ws.state.passwordStored);
    EXPECT_TRUE(ws.state.noPassword);
    EXPECT_EQ(SettingFile(), std::string("-\000-\000-\000-\000", 8));
}

TEST(SettingMenuTest, EachModesOptionsLeadWhereTheyShould) {
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    comm::CommEngine engine;
    ws.hosts.engine = &engine;
    engine.SetWorkspace(ws);
    session::SettingMenu menu(ws);
    using Option = session::SettingMenuOption;

    // Parameter mode: the jobs run under their options' captions.
    scope.messages.answers = {shell::MsgAnswer::Cancel, shell::MsgAnswer::Cancel};
    menu.Confirm(Option::kSetOrNew);
    menu.Confirm(Option::kUpload);
    ASSERT_EQ(scope.messages.boxes.size(), 2U);
    EXPECT_EQ(scope.messages.boxes[0].title, "Set");
    EXPECT_EQ(scope.messages.boxes[1].title, "Upload Parameter Data from TAVRO");
    EXPECT_TRUE(scope.navigation.calls.empty());

    menu.Confirm(Option::kFile);
    EXPECT_EQ(ws.state.dataSource, shell::DataSource::File);
    EXPECT_EQ(scope.navigation.calls,
              (Calls{"disable frmRQ2100", "open", "show frmRQ2400", "enable frmRQ2400"}));

    // Program mode: the program side's branch (a file opens the editor).
    ws.state.settingMode = shell::SettingMode::Program;
    EXPECT_EQ(menu.Caption(), "Program Setting Menu");
    EXPECT_EQ(menu.OptionText(Option::kUpload), "Upload Program Data from TAVRO");
    scope.navigation.calls.clear();
    menu.Confirm(Option::kFile);
    EXPECT_TRUE(ws.state.editorOpenedFromFile);
    EXPECT_EQ(scope.navigation.calls,
              (Calls{"disable frmRQ2100", "open", "show frmRQ3000", "enable frmRQ3000"}));

    // Cancel: the top menu, and the menu goes.
    scope.navigation.calls.clear();
    menu.Cancel();
    EXPECT_EQ(scope.navigation.calls,
              (Calls{"show frmRQ2000", "enable frmRQ2000", "unload frmRQ2100"}));
}

struct PrintRecorder : session::DataMenuHost {
    void PrintData() override { ++prints; }
    std::unique_ptr<session::DownloadQuestions> DownloadQuestions() override { return nullptr; }
    void EditData() override {}
    int prints = 0;
};

TEST(DataMenuTest, ProgramDataOpensTheEditorAndPrintIsTheWindows) {
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    PrintRecorder host;
    session::DataMenu menu(ws, host);
    using Option = session::DataMenuOption;
    ws.state.dataSource = shell::DataSource::Program;
    menu.Load();
    EXPECT_FALSE(ws.state.dataChanged);  // only uploaded data starts unsaved
    EXPECT_EQ(menu.Caption(), "Program Setting");
    EXPECT_EQ(menu.OptionText(Option::kContentOrEditor), "Open Program Editor");
    menu.Confirm(Option::kContentOrEditor);
    EXPECT_EQ(scope.navigation.calls,
              (Calls{"disable frmRQ2400", "show frmRQ3000", "enable frmRQ3000"}));
    menu.Confirm(Option::kPrint);
    EXPECT_EQ(host.prints, 1);
}

}  // namespace
}  // namespace rq50
