#include "comm/jobs/Password.h"
#include "comm/jobs/TransferRules.h"
#include "shell/TextNumbers.h"
#include "unit/JobBlocks.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace rq50::comm::jobs {
namespace {

using rq50::testing::Block;

TEST(JobModelText, TrailingBlanksDoNotMatterLeadingOnesDo) {
    EXPECT_TRUE(SameModel("RQB2    ", "RQB2"));
    EXPECT_TRUE(SameModel("RQB2", "RQB2    "));
    EXPECT_FALSE(SameModel(" RQB2", "RQB2"));
    EXPECT_FALSE(SameModel("RQB2", "RQB3"));
}

TEST(JobFixedTexts, SlotAccessCodeAndBaudRate) {
    EXPECT_EQ(SlotWriteText(3), "      03");
    EXPECT_EQ(SlotWriteText(16), "      16");
    const std::string code = AccessCode();
    ASSERT_EQ(code.size(), 8u);
    EXPECT_TRUE(code[0] >= 'A' && code[0] <= 'Z');
    EXPECT_EQ(code[4], '.');
    EXPECT_EQ(code[7], ' ');
    EXPECT_EQ(BaudRateText("BR", "3"), " BR.03");
    EXPECT_EQ(BaudRateText("BAUD", "12"), " BAUD.12");
    EXPECT_EQ(BaudRateText("BAUDRATE", "12"), " BAUDRAT");  // cut to 8 characters
}

TEST(JobSlotEntry, OneToSixteenOnly) {
    EXPECT_FALSE(ParseSlotEntry("0"));
    EXPECT_FALSE(ParseSlotEntry("17"));
    EXPECT_FALSE(ParseSlotEntry(""));
    EXPECT_FALSE(ParseSlotEntry("1a"));
    EXPECT_EQ(ParseSlotEntry("16"), 16);
    EXPECT_EQ(ParseSlotEntry("03"), 3);
}

TEST(JobFixedTexts, CustomTypeAndItsCheckedBits) {
    EXPECT_EQ(CustomTypeFromData("CT    82"), 0x82);
    EXPECT_EQ(CustomTypeFromData("CT    0a"), 0x0A);
    EXPECT_EQ(CustomTypeFromData("CT    X2"), 0);
    EXPECT_EQ(CustomTypeFromData("2"), 0);
    EXPECT_TRUE(CustomTypesCompatible(0x82, 0xFF & ~0x7D));
    EXPECT_TRUE(CustomTypesCompatible(0x83, 0x86));  // bits other than 7 and 1 ignored
    EXPECT_FALSE(CustomTypesCompatible(0x82, 0x80));
    EXPECT_FALSE(CustomTypesCompatible(0x02, 0x82));
}

TEST(JobProgress, IncrementRoundsHalvesToEven) {
    EXPECT_EQ(ProgressIncrement(8), 12);   // 12.5 -> 12
    EXPECT_EQ(ProgressIncrement(40), 2);   // 2.5 -> 2
    EXPECT_EQ(ProgressIncrement(200), 0);  // 0.5 -> 0
    EXPECT_EQ(ProgressIncrement(3), 33);
    EXPECT_EQ(ProgressIncrement(6), 17);
    EXPECT_EQ(ProgressIncrement(0), 0);
}

// DISPLAY A-B, SET C-D, ADJUST E.
parameter::ItemArray SampleDataSet() {
    return {
        Block(0, 1, 0, 0, "PV", "      "),     // DISPLAY head
        Block(6, 1, 1, 0, "PV", "+012.50"),    // measured, DISPLAY
        Block(0, 3, 0, 0, "INPUT", ""),        // SET head: kind 0
        Block(2, 3, 1, 0, "ZERO", "+012.50"),  // 3
        Block(4, 3, 2, 2, "TYPE", "K", "TC"),  // 4: selection
        Block(6, 3, 3, 0, "PV", "+1"),         // measured in SET
        Block(1, 4, 1, 0, "TAG", "FIC-101 "),  // 6
        Block(2, 5, 1, 0, "GAIN", "+1.000"),   // ADJUST
    };
}

TEST(JobDownloadSelection, OnlyWritableSetItemsInOrder) {
    const auto set = SampleDataSet();
    EXPECT_EQ(CountDownloadItems(set, 3, 5), 3);
    auto first = NextDownloadItem(set, 0, 3, 5);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->index, 3u);
    EXPECT_EQ(first->sendData, "+012.50 ");
    auto second = NextDownloadItem(set, first->index + 1, 3, 5);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->index, 4u);
    EXPECT_EQ(second->mc, 2);
    EXPECT_TRUE(second->sendData.empty());  // the choice travels in MC
    auto third = NextDownloadItem(set, second->index + 1, 3, 5);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->index, 6u);
    EXPECT_FALSE(NextDownloadItem(set, third->index + 1, 3, 5));
    EXPECT_EQ(CountDownloadItems({}, 3, 5), 0);
}

// A header whose category starts do not fit its items is refused before a
// download: it would otherwise end "completed" with nothing written, or write
// items of another category.
TEST(JobDownloadRefusal, TheHeaderMustFitTheItems) {
    const auto set = SampleDataSet();
    EXPECT_EQ(DownloadRefusal(set, {1, 3, 5, 7}), 0);
    EXPECT_EQ(DownloadRefusal(set, {1, 3, 5, 0}), 0);  // no MAINT category
    const CategoryStarts unfit[] = {
        {1, INT32_MIN, INT32_MAX, 7},  // nonsense from a damaged file
        {1, 3, 64, 7},                 // no MA of six bits
        {-1, 3, 5, 7},
        {1, 0, 5, 7},  // SET would take the MA-0 items
        {1, 5, 3, 7},  // SET behind ADJUST selects nothing
        {1, 2, 5, 7},  // no group of the data set begins SET
    };
    for (const auto& starts : unfit) {
        SCOPED_TRACE(starts.set);
        EXPECT_EQ(DownloadRefusal(set, starts), kTextHeaderDoesNotFit);
    }
    // A SET category of display-only items has nothing to write.
    EXPECT_EQ(DownloadRefusal({Block(0, 3, 0, 0, "INPUT", ""), Block(6, 3, 1, 0, "PV", "+1")},
                              {1, 3, 5, 7}),
              kTextNothingToDownload);
}

TEST(JobVerifyWrite, ComparesByKind) {
    const auto set = SampleDataSet();
    auto decode = [](const parameter::ItemBlock& b) { return parameter::DecodeItem(b, false); };
    // Numeric: the same value in another form is no difference; a clamped one is.
    EXPECT_FALSE(VerifyWrite(set[3], 3, decode(Block(2, 3, 1, 0, "ZERO", "+ 12.5")), 8));
    auto clamped = VerifyWrite(set[3], 3, decode(Block(2, 3, 1, 0, "ZERO", "+010.00")), 8);
    ASSERT_TRUE(clamped);
    EXPECT_EQ(clamped->ma, 3);
    EXPECT_EQ(clamped->mb, 1);
    EXPECT_EQ(clamped->sentData, "+012.50 ");
    EXPECT_EQ(clamped->setData, "+010.00 ");
    EXPECT_EQ(clamped->index, 3);
    // Selection: the code in MC.
    EXPECT_FALSE(VerifyWrite(set[4], 4, decode(Block(4, 3, 2, 2, "TYPE", "K", "TC")), 0));
    EXPECT_TRUE(VerifyWrite(set[4], 4, decode(Block(4, 3, 2, 1, "TYPE", "J", "TC")), 0));
    // Text: byte by byte against the answer's data text, whatever its name.
    EXPECT_FALSE(VerifyWrite(set[6], 6, decode(Block(1, 4, 1, 0, "TAG", "FIC-101 ")), 8));
    EXPECT_TRUE(VerifyWrite(set[6], 6, decode(Block(1, 4, 1, 0, "TAG", "FIC-102 ")), 8));
}

TEST(JobProgramModel, KpAndLwNeedTheExactKnownModel) {
    const CategoryAreas known{true, "48", "P01", "16", "Q01"};
    const CategoryAreas unknown{};
    const ProgramAreas header{{16, 1, 0}, {17, 1, 0}, 10, 4};
    auto areas = CheckProgramModel("KP10", "KP10", known, header);
    ASSERT_TRUE(areas);
    EXPECT_EQ(areas->program, (AreaAddress{16, 1, 0}));
    EXPECT_EQ(areas->steps, 48);
    EXPECT_FALSE(CheckProgramModel("KP10", "KP*", known, header));
    EXPECT_FALSE(CheckProgramModel("LW20", "LW20", unknown, header));
    EXPECT_FALSE(CheckProgramModel("KP10", "KP11", known, header));
}

TEST(JobProgramModel, OtherModelsMatchTheProgramModelAsPattern) {
    const CategoryAreas known{true, "48", "P01", "16", "Q01"};
    const ProgramAreas header{{18, 2, 0}, {19, 3, 0}, 10, 4};
    // "RQK2*" takes any instrument model that starts with RQK2.
    auto areas = CheckProgramModel("RQK2-X", "RQK2*", CategoryAreas{}, header);
    ASSERT_TRUE(areas);
    EXPECT_EQ(areas->program, header.program);
    EXPECT_EQ(areas->constants, 4);
    EXPECT_TRUE(CheckProgramModel("RQK2    ", "RQK2", known, header));  // trailing blanks
    EXPECT_FALSE(CheckProgramModel("RQK3", "RQK2*", known, header));
    EXPECT_EQ(CheckProgramModel("RQK2A", "RQK2*", known, header)->constant,
              (AreaAddress{17, 1, 0}));
}

TEST(JobProgramModel, AreaAddressText) {
    EXPECT_EQ(ParseAreaAddress("A05"), (AreaAddress{1, 5, 0}));
    EXPECT_EQ(ParseAreaAddress("Q01"), (AreaAddress{17, 1, 0}));
    EXPECT_EQ(ParseAreaAddress("@7"), (AreaAddress{0, 7, 0}));
    EXPECT_EQ(ParseAreaAddress(""), (AreaAddress{}));
}

TEST(JobProgramItems, RefusedAreaAndReadOnlyKindsAreSkipped) {
    const parameter::ItemArray records = {
        Block(1, 16, 1, 0, "PROGRAM", "LDX1"),   Block(1, 16, 2, 0, "PROGRAM", "END"),
        Block(6, 16, 3, 0, "PROGRAM", "x"),      Block(5, 17, 1, 0, "CONST", "+0.00000"),
        Block(5, 17, 2, 0, "const", "+1.00000"),
    };
    auto first = NextProgramItem(records, 0, kRefusedNone);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->sendData, "LDX1    ");
    EXPECT_EQ(NextProgramItem(records, 2, kRefusedNone)->index, 3u);
    EXPECT_EQ(NextProgramItem(records, 0, kRefusedProgram)->index, 3u);
    auto afterConst = NextProgramItem(records, 1, kRefusedConst);
    ASSERT_TRUE(afterConst);
    EXPECT_EQ(afterConst->index, 1u);
    EXPECT_FALSE(NextProgramItem(records, 2, kRefusedConst));  // "const" is upper-cased too
}

TEST(JobPassword, NewPasswordRules) {
    auto set = EvaluatePassword(shell::PasswordMode::Set, "12", "12", "----");
    EXPECT_TRUE(set.store);
    EXPECT_EQ(set.newPassword, "12  ");
    EXPECT_EQ(set.message, 47);
    auto mismatch = EvaluatePassword(shell::PasswordMode::Set, "12", "13", "----");
    EXPECT_FALSE(mismatch.store);
    EXPECT_EQ(mismatch.message, 48);
    EXPECT_EQ(mismatch.select, PasswordField::Confirm);
    auto letter = EvaluatePassword(shell::PasswordMode::Set, "1a", "1a", "----");
    EXPECT_FALSE(letter.store);
    EXPECT_EQ(letter.message, 13);
    EXPECT_EQ(letter.select, PasswordField::First);
    EXPECT_EQ(EvaluatePassword(shell::PasswordMode::Set, "12345", "12345", "----").message, 13);
    EXPECT_TRUE(DownloadAllowedWith("----", ""));
    EXPECT_FALSE(DownloadAllowedWith("1234", "4321"));
    EXPECT_TRUE(DownloadAllowedWith("12  ", "12"));
}

}  // namespace
}  // namespace rq50::comm::jobs
