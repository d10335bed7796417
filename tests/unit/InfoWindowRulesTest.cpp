// The information window's navigation by purpose, its Enter order and the
// key limit in single-byte units.

#include "files/InformationRecord.h"
#include "session/InfoWindowRules.h"

#include <gtest/gtest.h>

#include <string>

namespace rq50::files {
namespace {

TEST(InfoWindowRules, PurposeChoosesTheEventsAndTheClosingWork) {
    EXPECT_EQ(shell::EventCode(InfoPurposeFor(1).okEvent), 243);
    EXPECT_EQ(shell::EventCode(InfoPurposeFor(1).cancelEvent), 244);
    EXPECT_EQ(InfoPurposeFor(1).onClose, InfoClose::Save);
    EXPECT_EQ(InfoPurposeFor(3).onClose, InfoClose::Nothing);  // from the print dialog
    EXPECT_EQ(InfoPurposeFor(5).onClose, InfoClose::SaveUnloadDataView);
    EXPECT_EQ(shell::EventCode(InfoPurposeFor(6).okEvent), 0);
    EXPECT_EQ(InfoPurposeFor(7).onClose, InfoClose::SaveUnloadEditorIfSaved);
    EXPECT_EQ(InfoPurposeFor(8).onClose, InfoClose::SaveThenAskQuit);
    EXPECT_EQ(InfoPurposeFor(10).onClose, InfoClose::EnableDataView);
    EXPECT_EQ(InfoPurposeFor(11).onClose, InfoClose::Nothing);
    EXPECT_EQ(shell::EventCode(InfoPurposeFor(-1).okEvent), 0);
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
