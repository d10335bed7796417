#include "ShellTempDir.h"
#include "comm/jobs/Password.h"
#include "shell/GlobalState.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"

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
        m_saved = shell::Svc();
        shell::Svc().messages = &boxes;
        shell::ResetGlobalState();
        folder = shell::testing::MakeTempFolder("rq50-password-");
        shell::G().settingFilePath = (folder / "Setting.ini").string();
    }
    void TearDown() override {
        std::filesystem::remove_all(folder);
        shell::Svc() = m_saved;
    }
    Boxes boxes;
    std::filesystem::path folder;

  private:
    shell::Services m_saved;
};

TEST_F(JobPasswordFile, SetThenEnterRightAndWrong) {
    const auto set = PasswordDialogOk(kPasswordNew, "12", "12");
    EXPECT_TRUE(set.close);
    std::ifstream in(shell::G().settingFilePath, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, std::string("1\0002\000 \000 \000", 8));
    EXPECT_EQ(boxes.texts.back(), "Password has been set.");

    const auto wrong = PasswordDialogOk(kPasswordEnter, "13", "");
    EXPECT_TRUE(wrong.close);
    EXPECT_FALSE(shell::G().downloadAllowed);
    EXPECT_EQ(boxes.texts.back(),
              "Wrong password. You can upload parameter values from TAVRO but cannot download "
              "to TAVRO.");
    // The work goes on with uploads only: the dialog counts as passed.
    EXPECT_FALSE(shell::G().passwordNotPassed);
    EXPECT_TRUE(PasswordDialogOk(kPasswordEnter, "12", "").downloadAllowed);
    EXPECT_TRUE(shell::G().downloadAllowed);

    // Before a change, a wrong entry keeps the dialog open and not passed.
    const auto wrongOld = PasswordDialogOk(kPasswordChange, "99", "");
    EXPECT_FALSE(wrongOld.close);
    EXPECT_TRUE(shell::G().passwordNotPassed);
}

}  // namespace
}  // namespace rq50::comm::jobs
