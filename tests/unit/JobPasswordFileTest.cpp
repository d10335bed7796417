#include "ShellFakes.h"
#include "ShellTempDir.h"
#include "comm/jobs/Password.h"
#include "files/Workspace.h"

#include <gtest/gtest.h>

namespace rq50::comm::jobs {
namespace {

class JobPasswordFile : public ::testing::Test {
  protected:
    void SetUp() override { ws.state.settingFilePath = shell::AppFilePath("Setting.ini"); }
    std::string LastText() const { return scope.messages.boxes.back().text; }
    shell::testing::ServicesScope scope;
    files::Workspace& ws = scope.ws;
    shell::testing::TempAppFolder folder;
};

TEST_F(JobPasswordFile, SetThenEnterRightAndWrong) {
    const auto set = PasswordDialogOk(ws, shell::PasswordMode::Set, "12", "12");
    EXPECT_TRUE(set.close);
    EXPECT_EQ(folder.Read("Setting.ini"), std::string("1\0002\000 \000 \000", 8));
    EXPECT_EQ(LastText(), "Password has been set.");

    const auto wrong = PasswordDialogOk(ws, shell::PasswordMode::Entry, "13", "");
    EXPECT_TRUE(wrong.close);
    EXPECT_FALSE(ws.state.downloadAllowed);
    EXPECT_EQ(LastText(),
              "Wrong password. You can upload parameter values from TAVRO but cannot download "
              "to TAVRO.");
    // The work goes on with uploads only: the dialog counts as passed.
    EXPECT_FALSE(ws.state.passwordNotPassed);
    EXPECT_TRUE(PasswordDialogOk(ws, shell::PasswordMode::Entry, "12", "").downloadAllowed);
    EXPECT_TRUE(ws.state.downloadAllowed);

    // Before a change, a wrong entry keeps the dialog open and not passed.
    const auto wrongOld = PasswordDialogOk(ws, shell::PasswordMode::Verify, "99", "");
    EXPECT_FALSE(wrongOld.close);
    EXPECT_TRUE(ws.state.passwordNotPassed);
    EXPECT_EQ(LastText(), "Wrong password. You cannot change password.");
    EXPECT_FALSE(PasswordDialogOk(ws, shell::PasswordMode::Entry, "", "").close);  // empty: nothing
}

}  // namespace
}  // namespace rq50::comm::jobs
