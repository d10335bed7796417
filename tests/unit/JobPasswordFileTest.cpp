#include "ShellTempDir.h"
#include "comm/jobs/Password.h"
#include "files/Workspace.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace rq50::comm::jobs {
namespace {

class Boxes : public shell::MessageBoxHost {
  public:
    std::vector<std::string> texts;
    int Show(const shell::MessageBoxRequest& box) override {
        texts.push_back(box.text);
        return shell::kAnswerOk;
    }
};

class JobPasswordFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ws.hosts.messages = &boxes;
        folder = shell::testing::MakeTempFolder("rq50-password-");
        ws.state.settingFilePath = (folder / "Setting.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    Boxes boxes;
    std::filesystem::path folder;
    shell::Workspace ws;
};

TEST_F(JobPasswordFile, SetThenEnterRightAndWrong) {
    const auto set = PasswordDialogOk(ws, kPasswordNew, "12", "12");
    EXPECT_TRUE(set.close);
    std::ifstream in(ws.state.settingFilePath, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, std::string("1\0002\000 \000 \000", 8));
    EXPECT_EQ(boxes.texts.back(), "Password has been set.");

    const auto wrong = PasswordDialogOk(ws, kPasswordEnter, "13", "");
    EXPECT_TRUE(wrong.close);
    EXPECT_FALSE(ws.state.downloadAllowed);
    EXPECT_EQ(boxes.texts.back(),
              "Wrong password. You can upload parameter values from TAVRO but cannot download "
              "to TAVRO.");
    // The work goes on with uploads only: the dialog counts as passed.
    EXPECT_FALSE(ws.state.passwordNotPassed);
    EXPECT_TRUE(PasswordDialogOk(ws, kPasswordEnter, "12", "").downloadAllowed);
    EXPECT_TRUE(ws.state.downloadAllowed);

    // Before a change, a wrong entry keeps the dialog open and not passed.
    const auto wrongOld = PasswordDialogOk(ws, kPasswordChange, "99", "");
    EXPECT_FALSE(wrongOld.close);
    EXPECT_TRUE(ws.state.passwordNotPassed);
}

}  // namespace
}  // namespace rq50::comm::jobs
