// The information window: where OK and Cancel lead for each reason it was
// opened, the file its closing writes, the Enter order and the key limit in
// single-byte units.

#include "files/InformationRecord.h"
#include "session/FileDialog.h"
#include "session/InfoWindow.h"
#include "session/InfoWindowRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "FileSamples.h"
#include "FileTestSupport.h"
#include "shell/MessageBox.h"
#include "shell/SessionState.h"

namespace rq50::files {

using namespace rq50::session;
using namespace rq50::files;
namespace {

using Calls = std::vector<std::string>;
using shell::Screen;

/// A workspace holding sample data, its save target in a fresh folder.
struct InfoScope {
    explicit InfoScope(int purpose) {
        scope.ws.hosts.utility = &utility;
        const ParameterFileRecord data = test::SampleParameterRecord();
        ws.information = data.information;
        ws.header = data.header;
        ws.items.dataSet = data.items;
        const ProgramFileRecord program = test::SampleProgramRecord();
        ws.program.header = program.header;
        ws.program.records = program.items;
        ws.state.infoPurpose = static_cast<shell::InfoPurpose>(purpose);
        ws.state.settingMode = purpose == 2 || purpose == 7 || purpose == 9
                                   ? shell::SettingMode::Program
                                   : shell::SettingMode::Parameter;
        ws.state.exitFrom = Screen::ContentList;
        session::SaveTargetPath(ws) = (folder / "SAVED.7px").string();
    }
    ~InfoScope() { std::filesystem::remove_all(folder); }
    bool Saved() const { return !std::filesystem::is_empty(folder); }

    shell::testing::ServicesScope scope;
    files::Workspace& ws = scope.ws;
    test::FakeUtility utility;
    std::filesystem::path folder = test::FreshFolder("info");
};

// Each purpose, OK and Cancel alike: the calls the navigation gets after the
// window is unloaded, and whether the data was written. A save before
// quitting is answered No to the quit question and gives back the screen
// the exit came from.
TEST(InfoWindow, EachPurposeLeavesTheScreenItWasOpenedFrom) {
    const Calls dataView{"show frmRQ2400", "enable frmRQ2400"};
    const Calls editor{"show frmRQ3000", "enable frmRQ3000"};
    const Calls print{"show frmRQ2800", "enable frmRQ2800"};
    const Calls settingMenu{"show frmRQ2100", "enable frmRQ2100"};
    const auto leaving = [&](const char* screen) {
        Calls calls = settingMenu;
        calls.push_back(std::string("unload ") + screen);
        return calls;
    };
    struct Case {
        int purpose;
        Calls ok, cancel, closing;
        bool saves;
    };
    const Case cases[] = {
        {0, dataView, dataView, {}, true},
        {1, dataView, dataView, {}, true},
        {2, editor, editor, {}, true},
        {3, print, print, {}, false},
        {4, print, print, {}, false},
        {5, settingMenu, settingMenu, leaving("frmRQ2400"), true},
        {6, {}, {}, leaving("frmRQ2400"), true},
        {7, {}, {}, leaving("frmRQ3000"), true},
        {8, {}, {}, {"enable frmRQ2500"}, true},
        {9, {}, {}, {"enable frmRQ3000"}, false},
        {10, {}, {}, {"enable frmRQ2400"}, false},
    };
    for (const Case& c : cases) {
        for (bool ok : {true, false}) {
            SCOPED_TRACE(testing::Message() << "purpose " << c.purpose << (ok ? " OK" : " Cancel"));
            InfoScope info(c.purpose);
            info.scope.messages.answers = {shell::MsgAnswer::No};
            InfoWindow window(info.ws);
            if (ok) {
                EXPECT_TRUE(window.Ok(window.Form()));
            } else {
                window.Cancel();
            }
            EXPECT_TRUE(window.Closing());
            Calls expected = ok ? c.ok : c.cancel;
            expected.push_back("unload frmRQ2600");
            expected.insert(expected.end(), c.closing.begin(), c.closing.end());
            EXPECT_EQ(info.scope.navigation.calls, expected);
            EXPECT_EQ(info.Saved(), c.saves);
            const bool asksQuit = c.purpose == 8;
            EXPECT_EQ(info.scope.messages.boxes.size(), asksQuit ? 1u : 0u);
        }
    }
}

// A save that fails keeps the screen whose data it was, and asks nothing
// about quitting.
TEST(InfoWindow, AFailedSaveGivesBackTheScreenOfTheData) {
    const std::pair<int, Calls> cases[] = {
        {5, {"disable frmRQ2100", "enable frmRQ2400"}},
        {7, {"enable frmRQ3000"}},
        {8, {"enable frmRQ2500"}},
    };
    for (const auto& [purpose, closing] : cases) {
        SCOPED_TRACE(purpose);
        InfoScope info(purpose);
        session::SaveTargetPath(info.ws) = (info.folder / "missing" / "SAVED.7px").string();
        InfoWindow(info.ws).Cancel();
        Calls calls = info.scope.navigation.calls;
        calls.erase(calls.begin(), std::find(calls.begin(), calls.end(), "unload frmRQ2600") + 1);
        EXPECT_EQ(calls, closing);
        EXPECT_FALSE(info.Saved());
        for (const auto& box : info.scope.messages.boxes)
            EXPECT_NE(box.text, "Is it OK to quit the system RQ50?");
    }
}

TEST(InfoWindowRules, EnterWalksTheEntryBoxesPastTheCaptionsAndStaysInTheComment) {
    std::string walk;
    int box = kBoxTitle1;
    for (int i = 0; i < 7; ++i) {
        walk += std::to_string(box);
        box = NextInfoBox(box);
    }
    EXPECT_EQ(walk, "1345877");
    EXPECT_EQ(NextInfoBox(kBoxCaption1), kBoxTitle1);
    EXPECT_EQ(NextInfoBox(kBoxCaption2), kBoxTitle2);
    EXPECT_EQ(NextInfoBox(kBoxCaption3), kBoxComment);
}

TEST(InfoWindowRules, KeysCountInSingleByteUnits) {
    const std::string forty(40, 'a');
    EXPECT_TRUE(InfoKeyFits(kBoxTitle1, std::string(39, 'a'), "", "b"));
    EXPECT_FALSE(InfoKeyFits(kBoxTitle1, forty, "", "b"));
    EXPECT_TRUE(InfoKeyFits(kBoxTitle1, forty, "a", "b"));  // typing over a selection
    // A character outside the single-byte range counts two.
    EXPECT_FALSE(InfoKeyFits(kBoxCaption1, std::string(19, 'a'), "", "\xE2\x82\xAC"));
    EXPECT_TRUE(InfoKeyFits(kBoxCaption1, std::string(19, 'a'), "", "\xC3\xA9"));  // é is one
    EXPECT_TRUE(InfoKeyFits(kBoxComment, std::string(399, 'a'), "", "z"));
}

}  // namespace
}  // namespace rq50::files
