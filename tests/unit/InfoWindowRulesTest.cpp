// The information window's Enter order and the key limit in single-byte units.

#include "files/InformationRecord.h"
#include "session/InfoWindowRules.h"

#include <gtest/gtest.h>

#include <string>

namespace rq50::files {
namespace {

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
