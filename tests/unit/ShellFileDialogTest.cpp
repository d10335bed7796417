#include "session/FileDialog.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "FileTestSupport.h"
#include "ShellFakes.h"
#include "ShellTempDir.h"

namespace rq50::shell {

using namespace rq50::session;
using namespace rq50::files;
namespace {

using testing::ServicesScope;
using Calls = std::vector<std::string>;

/// Answers the dialog from a script; nullopt entries are Cancel.
class ScriptedDialog : public FileDialogHost {
  public:
    std::optional<DialogChoice> Show(const FileDialogSpec& dialog) override {
        shown.push_back(dialog);
        if (script.empty()) return std::nullopt;
        auto next = script.front();
        script.pop_front();
        return next;
    }
    std::deque<std::optional<DialogChoice>> script;
    std::vector<FileDialogSpec> shown;
};

DialogChoice Choice(const std::string& title) {
    return {"/data/" + title, title};
}

class FileDialog : public ::testing::Test {
  protected:
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    testing::TempAppFolder app;
    ScriptedDialog dialog;
    FileDialogActions actions;
};

TEST_F(FileDialog, OpenRepeatsOnAWrongExtensionThenReads) {
    dialog.script = {Choice("A.7pr"), Choice("A.csv"), Choice("PUMP.7pa")};
    std::string readPath;
    actions.readFile = [&](const std::string& p, const std::string&) {
        readPath = p;
        return true;
    };
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Open, dialog, actions), -1);
    EXPECT_EQ(dialog.shown.size(), 3u);
    EXPECT_EQ(dialog.shown[0].title, "Select File");
    EXPECT_EQ(dialog.shown[0].filter, "Parameter File(*.7pa)|*.7pa");
    EXPECT_TRUE(dialog.shown[0].fileMustExist);
    EXPECT_EQ(readPath, "/data/PUMP.7pa");
    EXPECT_EQ(ws.state.mainCaption, "MODEL:RQ50 - [PUMP.7pa]");

    // Cancel: 0 and no message; a failed read: 1.
    dialog.script = {std::nullopt};
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Open, dialog, actions), 0);
    EXPECT_TRUE(scope.messages.boxes.empty());
    ws.state.settingMode = shell::SettingMode::Program;
    dialog.script = {Choice("P.7pr")};
    actions.readFile = [](const std::string&, const std::string&) { return false; };
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Open, dialog, actions), 1);
    EXPECT_EQ(dialog.shown.back().defaultExt, "7pr");
    // The caption still names the data in memory, not the file that failed.
    EXPECT_EQ(ws.state.mainCaption, "MODEL:RQ50 - [PUMP.7pa]");
    EXPECT_EQ(ws.state.currentFilePath, "/data/PUMP.7pa");
}

TEST_F(FileDialog, SaveComesBackUntilANameIsAccepted) {
    files::test::FakeUtility space;
    ws.hosts.utility = &space;
    dialog.script = {Choice("ABCDEFGHIJKLMNOPQ.7pa"), Choice("Caf\xe9.7pa"),
                     Choice("ABCDEFGHIJKLMNOP.7pa")};
    actions.lastItemIndex = [] { return std::int64_t{10}; };
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Save, dialog, actions), -1);
    ASSERT_EQ(scope.messages.boxes.size(), 2u);
    EXPECT_EQ(scope.messages.boxes[0].text, "Enter a file name within 16 alphanumeric characters.");
    EXPECT_EQ(scope.messages.boxes[0].title, "Save As");
    EXPECT_EQ(SaveTargetPath(ws), "/data/ABCDEFGHIJKLMNOP.7pa");
    EXPECT_EQ(ws.state.currentFileTitle, "ABCDEFGHIJKLMNOP.7pa");
    Calls expected{"disable frmRQ2400", "show frmRQ2600", "enable frmRQ2600"};
    EXPECT_EQ(scope.navigation.calls, expected);
    // The write after the information window failed: the data is still the
    // new file's, not the one the dialog named.
    SaveTargetNotWritten(ws);
    EXPECT_EQ(ws.state.currentFileTitle, "NewFile");
    EXPECT_EQ(ws.state.mainCaption, "MODEL:RQ50 - [NewFile]");

    // Too little space: message 22 and the dialog again; then Cancel.
    space.freeSpace = 10 * 40 + 749;
    dialog.script = {Choice("B.7pa"), std::nullopt};
    scope.navigation.calls.clear();
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Save, dialog, actions), 0);
    EXPECT_EQ(scope.messages.boxes.back().text,
              "Lack of free disk space. Increase disk capacity or prepare a new disk.");
    EXPECT_TRUE(scope.navigation.calls.empty());
}

TEST_F(FileDialog, SaveAddsTheFiltersExtensionAndStartsAtTheDataFile) {
    files::test::FakeUtility space;
    ws.hosts.utility = &space;
    // A name typed without extension gets the filter's; one with an
    // extension is kept as typed.
    dialog.script = {Choice("pump1")};
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Save, dialog, actions), -1);
    EXPECT_EQ(SaveTargetPath(ws), "/data/pump1.7pa");
    EXPECT_EQ(ws.state.currentFileTitle, "pump1.7pa");
    EXPECT_EQ(dialog.shown[0].initialName, "");
    ws.state.settingMode = shell::SettingMode::Program;
    // A program named as a parameter file is refused, and the dialog asked again.
    dialog.script = {Choice("mix.7pa"), Choice("mix.7PR")};
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Save, dialog, actions), -1);
    EXPECT_EQ(SaveTargetPath(ws), "/data/mix.7PR");
    EXPECT_EQ(scope.messages.boxes.back().text,
              "mix.7pa: a program file is saved with the extension .7pr");
    // The length rule sees the name with its extension: 16 + ".7pr" passes,
    // 17 without an extension does not.
    dialog.script = {Choice("ABCDEFGHIJKLMNOPQ"), std::nullopt};
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Save, dialog, actions), 0);
    EXPECT_EQ(scope.messages.boxes.back().text,
              "Enter a file name within 16 alphanumeric characters.");
    std::string csv;
    dialog.script = {Choice("report")};
    actions.writeCsv = [&](const std::string& path, bool) {
        csv = path;
        return true;
    };
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Csv, dialog, actions), -1);
    EXPECT_EQ(csv, "/data/report.csv");

    // Save of data that came from a file starts at that file, under its name.
    const auto folder = std::filesystem::temp_directory_path();
    ws.state.currentFilePath = (folder / "line3.7pr").string();
    dialog.script = {std::nullopt};
    ShowFileDialog(ws, FileDialogMode::Save, dialog, actions);
    EXPECT_EQ(dialog.shown.back().startFolder, (folder / "line3.7pr").parent_path().string());
    EXPECT_EQ(dialog.shown.back().initialName, "line3.7pr");
    EXPECT_EQ(dialog.shown.back().defaultExt, "7pr");
}

TEST_F(FileDialog, CsvWritesTheChosenFileInTheChosenForm) {
    DialogChoice plain = Choice("T.csv");
    plain.filterIndex = 1;
    dialog.script = {Choice("R.csv"), plain};
    std::vector<std::pair<std::string, bool>> written;
    actions.writeCsv = [&](const std::string& p, bool asTable) {
        written.emplace_back(p, asTable);
        return true;
    };
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Csv, dialog, actions), -1);
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Csv, dialog, actions), -1);
    EXPECT_EQ(written, (std::vector<std::pair<std::string, bool>>{{"/data/R.csv", false},
                                                                  {"/data/T.csv", true}}));
    EXPECT_FALSE(dialog.shown[0].fileMustExist);
    EXPECT_EQ(dialog.shown[0].filter, "CSV File(*.csv)|*.csv|Plain CSV (UTF-8)(*.csv)|*.csv");
    EXPECT_EQ(ShowFileDialog(ws, FileDialogMode::Print, dialog, actions), -1);
    EXPECT_EQ(dialog.shown.size(), 2u);
}

}  // namespace
}  // namespace rq50::shell
