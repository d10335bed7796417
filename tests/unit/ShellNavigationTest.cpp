#include "comm/Navigation.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "ShellFakes.h"
#include "comm/Engine.h"

namespace rq50::shell {
namespace {

using testing::ServicesScope;
using Calls = std::vector<std::string>;

Calls ShowEnable(const char* name) {
    return {std::string("show ") + name, std::string("enable ") + name};
}

// What each display does when every dialog completes.
Calls ExpectedDisplayCalls(int display) {
    switch (display) {
        case 2:
            return ShowEnable("frmRQ2000");
        case 3:
        case 19:
            return ShowEnable("frmRQ2100");
        case 4:
            return ShowEnable("frmRQ2200");
        case 5:
        case 6:
        case 7:
        case 8:
            return ShowEnable("frmRQ2300");
        case 9:
        case 11:
        case 20:
            return ShowEnable("frmRQ2400");
        case 10:
            return {"open", "show frmRQ2400", "enable frmRQ2400"};
        case 12:
            return ShowEnable("frmRQ2500");
        case 13:
            return ShowEnable("frmRQ2600");
        case 14:
            return {"save"};
        case 15:
            return ShowEnable("frmRQ2700");
        case 16:
            return ShowEnable("frmRQ2800");
        case 17:
            return {"print (from dialog)"};
        case 18:
            return ShowEnable("frmRQ2900");
        case 21:
            return ShowEnable("frmRQ3000");
        case 22:
            return ShowEnable("frmRQ3100");
        case 23:
            return ShowEnable("frmRQ4000");
        case 24:
            return {"modal frmRQ4100", "enable frmRQ4100"};
        case 25:
            return ShowEnable("frmRQ4200");
        case 26:
            return {"modal frmRQ0200"};
        case 28:
            return {"csv"};
        default:
            return {};
    }
}

TEST(DisplayMatorix, EveryEventCodeShowsItsDisplay) {
    const std::map<int, std::vector<int>> table = {
        {2, {1, 44, 364}},
        {3, {21, 65, 202, 247, 248}},
        {19, {22, 204, 385}},
        {4, {41, 83, 102, 123, 142}},
        {10, {43, 363}},
        {23, {61, 62, 63, 64}},
        {12, {161, 181}},
        {14, {162, 182}},
        {16, {164, 184, 255, 256, 325, 326, 341, 384}},
        {11, {201, 222, 243, 244, 264, 303, 443}},
        {20, {203, 272, 274}},
        {9, {221, 241, 242, 262, 268, 270, 281, 302, 441}},
        {21, {245, 246, 253, 254, 282, 283, 304, 361, 381, 421, 444}},
        {27, {249, 250}},
        {13, {261, 307, 382}},
        {17, {284, 301}},
        {18, {305}},
        {28, {306}},
        {15, {321, 322, 445}},
        {22, {323, 324, 406}},
    };
    for (const auto& [display, codes] : table) {
        for (int code : codes) {
            ServicesScope scope;
            shell::Workspace& ws = scope.ws;
            DisplayMatorix(ws, code, 0, 0);
            EXPECT_EQ(scope.navigation.calls, ExpectedDisplayCalls(display)) << "event " << code;
        }
    }
    for (int tab = 0; tab < 4; ++tab) {
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        DisplayMatorix(ws, 446 + tab, 0, 0);
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2300"));
        EXPECT_EQ(ws.state.parameterTab, tab);
    }
}

TEST(DisplayMatorix, EveryFollowCodeRunsItsAction) {
    const std::map<int, std::vector<int>> table = {
        {4, {1, 162}},
        {23, {21, 101, 121, 41, 81}},
        {19, {102, 103, 104, 105, 106, 107, 108, 324}},
        {21, {123, 124, 125, 126, 127, 128, 330}},
        {5, {241}},
        {6, {242}},
        {7, {243}},
        {8, {244}},
        {3, {321}},
        {9, {322}},
    };
    for (const auto& [display, codes] : table) {
        for (int code : codes) {
            ServicesScope scope;
            shell::Workspace& ws = scope.ws;
            DisplayMatorix(ws, 9999, code, 0);
            EXPECT_EQ(scope.navigation.calls, ExpectedDisplayCalls(display)) << "follow " << code;
        }
    }
    ServicesScope scope;
    shell::Workspace& ws = scope.ws;
    DisplayMatorix(ws, 0, 2, 0);
    EXPECT_EQ(scope.navigation.calls, Calls{"enable frmRQ2100"});
}

TEST(DisplayMatorix, EventThenFollowInThatOrder) {
    ServicesScope scope;
    shell::Workspace& ws = scope.ws;
    DisplayMatorix(ws, 41, 4, 0);  // category menu, follow 4 lists nothing
    DisplayMatorix(ws, 307, 321, 0);
    Calls expected = ShowEnable("frmRQ2200");
    for (const auto& c : ShowEnable("frmRQ2600")) expected.push_back(c);
    for (const auto& c : ShowEnable("frmRQ2100")) expected.push_back(c);
    EXPECT_EQ(scope.navigation.calls, expected);
}

TEST(DisplayMatorix, UnknownCodesDoNothingAndReturnZero) {
    ServicesScope scope;
    shell::Workspace& ws = scope.ws;
    for (int code : {0, 42, 82, 251, 450, 521, 30000, -1}) {
        EXPECT_EQ(DisplayMatorix(ws, code, 0, 0), 0);
        EXPECT_EQ(DisplayMatorix(ws, 0, code, 0), 0);
    }
    EXPECT_TRUE(scope.navigation.calls.empty());
    EXPECT_TRUE(scope.messages.boxes.empty());
    EXPECT_EQ(Pfnc_nShowDisplayMatorix(ws, 1), 0);
    EXPECT_EQ(Pfnc_nShowDisplayMatorix(ws, 27), 0);
    EXPECT_TRUE(scope.navigation.calls.empty());
}

TEST(DisplayMatorix, LeavingTheDataView) {
    {  // unchanged data: back to the setting menu
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        EXPECT_EQ(DisplayMatorix(ws, 165, 0, 0), 0);
        Calls expected = ShowEnable("frmRQ2100");
        expected.push_back("unload frmRQ2400");
        EXPECT_EQ(scope.navigation.calls, expected);
        EXPECT_TRUE(scope.messages.boxes.empty());
    }
    {  // changed, Yes, saved
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        ws.state.dataChanged = true;
        scope.messages.answers = {kAnswerYes};
        EXPECT_EQ(DisplayMatorix(ws, 165, 0, kAnswerDataChanged), -1);
        ASSERT_EQ(scope.messages.boxes.size(), 1u);
        EXPECT_EQ(scope.messages.boxes[0].text, "Do you want to save the parameter data?");
        EXPECT_EQ(scope.messages.boxes[0].title, "Data Uploaded from TAVRO");
        EXPECT_EQ(scope.messages.boxes[0].buttons, kButtonsYesNoCancel);
        EXPECT_EQ(scope.navigation.calls, Calls{"save"});
        EXPECT_EQ(ws.state.infoPurpose, 5);
        EXPECT_FALSE(ws.state.dataChanged);
    }
    {  // changed, Yes, save dialog cancelled
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        scope.messages.answers = {kAnswerYes};
        scope.navigation.saveResult = 0;
        EXPECT_EQ(DisplayMatorix(ws, 165, 0, kAnswerDataChanged), 0);
    }
    {  // changed, No: leave without saving; the data is still unsaved
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        ws.state.dataChanged = true;
        scope.messages.answers = {kAnswerNo};
        EXPECT_EQ(DisplayMatorix(ws, 165, 0, kAnswerDataChanged), 0);
        EXPECT_EQ(scope.navigation.calls.back(), "unload frmRQ2400");
        EXPECT_TRUE(ws.state.dataChanged);
    }
    {  // changed, Cancel; and an answer value that means nothing
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        scope.messages.answers = {kAnswerCancel};
        DisplayMatorix(ws, 165, 0, kAnswerDataChanged);
        DisplayMatorix(ws, 165, 0, 5);
        EXPECT_TRUE(scope.navigation.calls.empty());
    }
    {
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        DisplayMatorix(ws, 185, 0, kAnswerDataChanged);
        EXPECT_EQ(scope.navigation.calls.back(), "unload frmRQ2400");
        EXPECT_TRUE(scope.messages.boxes.empty());
    }
}

TEST(DisplayMatorix, LeavingTheProgramEditor) {
    {
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        ws.state.dataChanged = true;
        scope.messages.answers = {kAnswerNo};
        EXPECT_EQ(DisplayMatorix(ws, 403, 0, kAnswerDataChanged), 0);
        EXPECT_EQ(scope.messages.boxes[0].text, "Do you want to save the program data?");
        EXPECT_EQ(scope.messages.boxes[0].title, "Program Editor");
        Calls expected = ShowEnable("frmRQ2100");
        expected.push_back("unload frmRQ3000");
        EXPECT_EQ(scope.navigation.calls, expected);
        EXPECT_FALSE(ws.state.dataChanged);
    }
    {
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        scope.messages.answers = {kAnswerYes};
        EXPECT_EQ(DisplayMatorix(ws, 403, 0, kAnswerDataChanged), -1);
        EXPECT_EQ(ws.state.infoPurpose, 7);
    }
    {
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        EXPECT_EQ(DisplayMatorix(ws, 407, 0, 0), -1);
        EXPECT_EQ(ws.state.infoPurpose, 2);
        EXPECT_EQ(scope.navigation.calls, Calls{"save"});
    }
}

TEST(DisplayMatorix, AfterAProgramDownloadTheMessageFollowsTheResult) {
    const std::pair<int, const char*> cases[] = {
        {0, "Downloading of PROGRAM and CONST completed."},
        {7, "Downloading of CONST completed."},
        {8, "Downloading of PROGRAM completed."},
        {3, nullptr},
    };
    for (const auto& [result, text] : cases) {
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        comm::CommEngine engine;
        engine.CommResult = result;
        engine.CommTitle = "Download";
        ws.hosts.engine = &engine;
        engine.SetWorkspace(ws);
        DisplayMatorix(ws, 383, 0, 0);
        if (text == nullptr) {
            EXPECT_TRUE(scope.messages.boxes.empty());
        } else {
            ASSERT_EQ(scope.messages.boxes.size(), 1u);
            EXPECT_EQ(scope.messages.boxes[0].text, text);
            EXPECT_EQ(scope.messages.boxes[0].buttons, kButtonsOk);
        }
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ3000"));
    }
    ServicesScope scope;
    shell::Workspace& ws = scope.ws;
    ws.state.cameFromDownloadCheck = true;
    DisplayMatorix(ws, 383, 0, 0);
    EXPECT_EQ(ws.state.downloadCheckMode, 2);
    EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2700"));
    EXPECT_TRUE(scope.messages.boxes.empty());
}

TEST(DisplayMatorix, DownloadCheckReturnAndErrorListPrint) {
    {
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        ws.state.cameFromDownloadCheck = true;
        ws.state.downloadCheckMode = 2;
        DisplayMatorix(ws, 442, 0, 0);
        EXPECT_EQ(ws.state.downloadCheckMode, 0);
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2700"));
    }
    {
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        DisplayMatorix(ws, 442, 0, 0);
        EXPECT_EQ(scope.navigation.calls, ShowEnable("frmRQ2400"));
        DisplayMatorix(ws, 422, 0, 0);
        EXPECT_EQ(scope.navigation.calls.back(), "print errors");
    }
}

TEST(ShowDisplayMatorix, OpenDialogOutcomes) {
    {  // cancelled or failed: the setting menu comes back
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        scope.navigation.openResult = 0;
        EXPECT_EQ(Pfnc_nShowDisplayMatorix(ws, 10), 0);
        scope.navigation.openResult = 1;
        EXPECT_EQ(Pfnc_nShowDisplayMatorix(ws, 10), 1);
        EXPECT_EQ(scope.navigation.calls,
                  (Calls{"open", "enable frmRQ2100", "open", "enable frmRQ2100"}));
    }
    {  // a program read from a file opens the editor marked as such
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        ws.state.settingMode = 1;
        EXPECT_EQ(Pfnc_nShowDisplayMatorix(ws, 10), -1);
        EXPECT_TRUE(ws.state.editorOpenedFromFile);
        EXPECT_EQ(scope.navigation.calls, (Calls{"open", "show frmRQ3000", "enable frmRQ3000"}));
    }
    {  // printing at once marks and unmarks the print-dialog source
        ServicesScope scope;
        shell::Workspace& ws = scope.ws;
        Pfnc_nShowDisplayMatorix(ws, 17);
        EXPECT_FALSE(ws.state.printingFromPrintDialog);
    }
}

class ThrowingNavigation : public testing::RecordingNavigation {
  public:
    void ShowScreen(Screen) override { throw std::runtime_error("window failed"); }
};

TEST(DisplayMatorix, AFailureShowsTheRoutineErrorAndStops) {
    ServicesScope scope;
    shell::Workspace& ws = scope.ws;
    ThrowingNavigation throwing;
    ws.hosts.navigation = &throwing;
    EXPECT_EQ(DisplayMatorix(ws, 21, 0, 0), 0);
    ASSERT_EQ(scope.messages.boxes.size(), 1u);
    EXPECT_EQ(scope.messages.boxes[0].text, "DisplayMatorix_ERR\r\nwindow failed");
}

}  // namespace
}  // namespace rq50::shell
