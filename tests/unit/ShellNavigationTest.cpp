#include "session/Navigation.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "ShellFakes.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "session/ScreenFlow.h"

namespace rq50::shell {

using namespace rq50::session;
using namespace rq50::files;
namespace {

using testing::ServicesScope;
using Calls = std::vector<std::string>;

Calls ShowEnable(const char* name) {
    return {std::string("show ") + name, std::string("enable ") + name};
}

Calls operator+(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Which screen the user works on after an event of a screen (and a follow
// code), or after a job ends and the engine hands back to the screens.

struct EventScenario {
    const char* what;
    int event, follow;
    Calls expected;
};

// The events that do more than show one screen (the screens the GUI flows
// reach are theirs to check).
TEST(DisplayMatrix, EachEventLeadsToItsScreen) {
    const EventScenario scenarios[] = {
        {"Read Data from a File", 43, 0, {"open", "show frmRQ2400", "enable frmRQ2400"}},
        {"a follow code alone: the parameter screen", 9999, 241, ShowEnable("frmRQ2300")},
        {"follow code 2 enables the setting menu", 0, 2, {"enable frmRQ2100"}},
    };
    for (const auto& s : scenarios) {
        ServicesScope scope;
        DisplayMatrix(scope.ws, s.event, s.follow, 0);
        EXPECT_EQ(scope.navigation.calls, s.expected) << s.what;
    }
    for (int tab = 0; tab < 4; ++tab) {  // the category menu's four categories
        ServicesScope scope;
        DisplayMatrix(scope.ws, 446 + tab, 0, 0);
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2300"));
        EXPECT_EQ(scope.ws.state.parameterTab, tab);
    }
}

struct HandBackScenario {
    const char* what;
    session::JobCaller caller;
    comm::Job job;
    comm::CommErrorCode result;
    const comm::HandBackFacts& facts;
    const char* screen;  // "+name": shown and enabled; else the one call, or none
    std::optional<MenuCommandCode> menuCommand = std::nullopt;
};

TEST(HandBack, AFinishedJobLeavesTheRightScreenUsable) {
    using namespace comm;
    // The slot job with a rack answering, and from the SLOT No. dialog, are
    // EngineTest.FinishedJobHandsBackThroughTheNavigation.
    const HandBackFacts none, items{.programItemCount = 3}, differs{.downloadDifferences = 1},
        maint{.category = 3};
    const HandBackScenario scenarios[] = {
        {"upload: the data view", kCallerSettingMenuUpload, kJobUpload, kErrNone, none,
         "+frmRQ2400"},
        {"failed upload: the setting menu", kCallerSettingMenuUpload, kJobUpload, kErrTerminated,
         none, "+frmRQ2100"},
        {"program upload: the editor", kCallerSettingMenuProgram, kJobProgramUpload, kErrNone,
         items, "+frmRQ3000"},
        {"empty program upload: the program menu", kCallerSettingMenuProgram, kJobProgramUpload,
         kErrNone, none, "+frmRQ2100"},
        {"failed program download: the editor", kCallerSettingMenuProgram, kJobProgramDownload,
         kErrModel, none, "+frmRQ3000"},
        {"download with differences: the check list", kCallerDataViewDownload, kJobDownload,
         kErrNone, differs, "+frmRQ2700"},
        {"clean download: the data view again", kCallerDataViewDownload, kJobDownload, kErrNone,
         none, "enable frmRQ2400"},
        {"failed download: the data view stays", kCallerDataViewDownload, kJobDownload,
         kErrNoResponse, none, "enable frmRQ2400"},
        {"failed category job: the category menu", kCallerCategoryMenu, kJobCategorySet,
         kErrNoResponse, none, "+frmRQ2200"},
        {"MAINT category: the parameter screen", kCallerCategoryMenu, kJobCategoryMaint, kErrNone,
         maint, "+frmRQ2300"},
        {"slot without a rack: the category menu", kCallerCategoryMenu, kJobSlot, kErrNone, none,
         "enable frmRQ2200"},
        {"baud check: the baud-rate dialog", kCallerProgramEditor, kJobBaudCheck, kErrNone, none,
         "", kMenuBaudRateDialog},
        {"baud change: the dialog closes", kCallerBaudDialog, kJobBaudChange, kErrNone, none,
         "unload frmRQ4200"},
        {"failed baud change: the dialog stays", kCallerBaudDialog, kJobBaudChange, kErrNoResponse,
         none, "enable frmRQ4200"},
    };
    for (const auto& s : scenarios) {
        ServicesScope scope;
        std::vector<MenuCommandCode> menuCommands;
        scope.ws.hosts.menuCommand = [&](MenuCommandCode code) { menuCommands.push_back(code); };
        RunHandBack(scope.ws, HandBackFor(s.caller, s.job, s.result, s.facts));
        const std::string screen = s.screen;
        const Calls expected = screen.empty()     ? Calls{}
                               : screen[0] == '+' ? ShowEnable(s.screen + 1)
                                                  : Calls{screen};
        EXPECT_EQ(scope.navigation.calls, expected) << s.what;
        EXPECT_EQ(menuCommands,
                  s.menuCommand ? std::vector<MenuCommandCode>{*s.menuCommand}
                                : std::vector<MenuCommandCode>{})
            << s.what;
    }
}

TEST(DisplayMatrix, EventThenFollowInThatOrder) {
    ServicesScope scope;
    DisplayMatrix(scope.ws, 41, 4, 0);  // category menu, follow 4 lists nothing
    DisplayMatrix(scope.ws, 307, 321, 0);
    EXPECT_EQ(scope.navigation.calls,
              ShowEnable("frmRQ2200") + ShowEnable("frmRQ2600") + ShowEnable("frmRQ2100"));
}

TEST(DisplayMatrix, UnknownCodesDoNothingAndReturnZero) {
    ServicesScope scope;
    for (int code : {0, 42, 450, -1}) {
        EXPECT_EQ(DisplayMatrix(scope.ws, code, 0, 0), 0);
        EXPECT_EQ(DisplayMatrix(scope.ws, 0, code, 0), 0);
    }
    EXPECT_TRUE(scope.navigation.calls.empty());
    EXPECT_TRUE(scope.messages.boxes.empty());
    EXPECT_EQ(ShowDisplay(scope.ws, Display::None), 0);
    EXPECT_EQ(ShowDisplay(scope.ws, Display::NoAction), 0);
    EXPECT_TRUE(scope.navigation.calls.empty());
}

TEST(DisplayMatrix, LeavingTheDataView) {
    {  // unchanged data: back to the setting menu
        ServicesScope scope;
        EXPECT_EQ(DisplayMatrix(scope.ws, 165, 0, 0), 0);
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2100") + Calls{"unload frmRQ2400"});
        EXPECT_TRUE(scope.messages.boxes.empty());
    }
    {  // changed, Yes, saved
        ServicesScope scope;
        scope.ws.state.dataChanged = true;
        scope.messages.answers = {MsgAnswer::Yes};
        EXPECT_EQ(DisplayMatrix(scope.ws, 165, 0, kAnswerDataChanged), -1);
        ASSERT_EQ(scope.messages.boxes.size(), 1u);
        EXPECT_EQ(scope.messages.boxes[0].text, "Do you want to save the parameter data?");
        EXPECT_EQ(scope.messages.boxes[0].title, "Data Uploaded from TAVRO");
        EXPECT_EQ(scope.messages.boxes[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(scope.navigation.calls, Calls{"save"});
        EXPECT_EQ(scope.ws.state.infoPurpose, shell::InfoPurpose::SaveAndLeave);
        EXPECT_FALSE(scope.ws.state.dataChanged);
    }
    {  // changed, Yes, save dialog cancelled
        ServicesScope scope;
        scope.messages.answers = {MsgAnswer::Yes};
        scope.navigation.saveResult = 0;
        EXPECT_EQ(DisplayMatrix(scope.ws, 165, 0, kAnswerDataChanged), 0);
    }
    {  // changed, No: leave without saving; the data is still unsaved
        ServicesScope scope;
        scope.ws.state.dataChanged = true;
        scope.messages.answers = {MsgAnswer::No};
        EXPECT_EQ(DisplayMatrix(scope.ws, 165, 0, kAnswerDataChanged), 0);
        EXPECT_EQ(scope.navigation.calls.back(), "unload frmRQ2400");
        EXPECT_TRUE(scope.ws.state.dataChanged);
    }
    {  // changed, Cancel; and an answer value that means nothing
        ServicesScope scope;
        scope.messages.answers = {MsgAnswer::Cancel};
        DisplayMatrix(scope.ws, 165, 0, kAnswerDataChanged);
        DisplayMatrix(scope.ws, 165, 0, 5);
        EXPECT_TRUE(scope.navigation.calls.empty());
    }
    {
        ServicesScope scope;
        DisplayMatrix(scope.ws, 185, 0, kAnswerDataChanged);
        EXPECT_EQ(scope.navigation.calls.back(), "unload frmRQ2400");
        EXPECT_TRUE(scope.messages.boxes.empty());
    }
}

TEST(DisplayMatrix, LeavingTheProgramEditor) {
    {
        ServicesScope scope;
        scope.ws.state.dataChanged = true;
        scope.messages.answers = {MsgAnswer::No};
        EXPECT_EQ(DisplayMatrix(scope.ws, 403, 0, kAnswerDataChanged), 0);
        EXPECT_EQ(scope.messages.boxes[0].text, "Do you want to save the program data?");
        EXPECT_EQ(scope.messages.boxes[0].title, "Program Editor");
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2100") + Calls{"unload frmRQ3000"});
        EXPECT_FALSE(scope.ws.state.dataChanged);
    }
    {
        ServicesScope scope;
        scope.messages.answers = {MsgAnswer::Yes};
        EXPECT_EQ(DisplayMatrix(scope.ws, 403, 0, kAnswerDataChanged), -1);
        EXPECT_EQ(scope.ws.state.infoPurpose, shell::InfoPurpose::LeaveEditor);
    }
    {
        ServicesScope scope;
        EXPECT_EQ(DisplayMatrix(scope.ws, 407, 0, 0), -1);
        EXPECT_EQ(scope.ws.state.infoPurpose, shell::InfoPurpose::ProgramSave);
        EXPECT_EQ(scope.navigation.calls, Calls{"save"});
    }
}

TEST(DisplayMatrix, AfterAProgramDownloadTheMessageFollowsTheResult) {
    const std::pair<comm::CommErrorCode, const char*> cases[] = {
        {comm::kErrNone, "Downloading of PROGRAM and CONST completed."},
        {comm::kErrProgramRefused, "Downloading of CONST completed."},
        {comm::kErrConstRefused, "Downloading of PROGRAM completed."},
        {comm::kErrTerminated, nullptr},
    };
    for (const auto& [result, text] : cases) {
        ServicesScope scope;
        comm::CommEngine engine;
        comm::CoreOf(engine).LastOutcome().code = result;
        comm::CoreOf(engine).CommTitle = "Download";
        scope.ws.hosts.engine = &engine;
        engine.SetWorkspace(scope.ws);
        DisplayMatrix(scope.ws, 383, 0, 0);
        if (text == nullptr) {
            EXPECT_TRUE(scope.messages.boxes.empty());
        } else {
            ASSERT_EQ(scope.messages.boxes.size(), 1u);
            EXPECT_EQ(scope.messages.boxes[0].text, text);
            EXPECT_EQ(scope.messages.boxes[0].buttons, MsgButtons::Ok);
        }
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ3000"));
    }
    ServicesScope scope;
    scope.ws.state.cameFromDownloadCheck = true;
    DisplayMatrix(scope.ws, 383, 0, 0);
    EXPECT_EQ(scope.ws.state.downloadCheckMode, 2);
    EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2700"));
    EXPECT_TRUE(scope.messages.boxes.empty());
}

TEST(DisplayMatrix, DownloadCheckReturnAndErrorListPrint) {
    {
        ServicesScope scope;
        scope.ws.state.cameFromDownloadCheck = true;
        scope.ws.state.downloadCheckMode = 2;
        DisplayMatrix(scope.ws, 442, 0, 0);
        EXPECT_EQ(scope.ws.state.downloadCheckMode, 0);
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2700"));
    }
    {
        ServicesScope scope;
        DisplayMatrix(scope.ws, 442, 0, 0);
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2400"));
        DisplayMatrix(scope.ws, 422, 0, 0);
        EXPECT_EQ(scope.navigation.calls.back(), "print errors");
    }
}

TEST(ShowDisplayMatorix, OpenDialogOutcomes) {
    {  // cancelled or failed: the setting menu comes back
        ServicesScope scope;
        scope.navigation.openResult = 0;
        EXPECT_EQ(ShowDisplay(scope.ws, Display::OpenFile), 0);
        scope.navigation.openResult = 1;
        EXPECT_EQ(ShowDisplay(scope.ws, Display::OpenFile), 1);
        EXPECT_EQ(scope.navigation.calls,
                  (Calls{"open", "enable frmRQ2100", "open", "enable frmRQ2100"}));
    }
    {  // a file read starts clean, whatever was left unsaved before
        ServicesScope scope;
        scope.ws.state.dataChanged = true;
        EXPECT_EQ(ShowDisplay(scope.ws, Display::OpenFile), -1);
        EXPECT_FALSE(scope.ws.state.dataChanged);
    }
    // A program read from a file: the setting menu's test.
    {  // printing at once marks and unmarks the print-dialog source
        ServicesScope scope;
        ShowDisplay(scope.ws, Display::PrintNow);
        EXPECT_FALSE(scope.ws.state.printingFromPrintDialog);
    }
}

class ThrowingNavigation : public testing::RecordingNavigation {
  public:
    void ShowScreen(Screen) override { throw std::runtime_error("window failed"); }
};

TEST(DisplayMatrix, AFailureShowsTheRoutineErrorAndStops) {
    ServicesScope scope;
    ThrowingNavigation throwing;
    scope.ws.hosts.navigation = &throwing;
    EXPECT_EQ(DisplayMatrix(scope.ws, 21, 0, 0), 0);
    ASSERT_EQ(scope.messages.boxes.size(), 1u);
    EXPECT_EQ(scope.messages.boxes[0].text, "DisplayMatorix_ERR\r\nwindow failed");
}

}  // namespace
}  // namespace rq50::shell
