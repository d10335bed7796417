#include "program/ProgramModel.h"

#include "ProgramTestSupport.h"
#include "shell/TextTrim.h"

#include <gtest/gtest.h>

namespace rq50::program {
namespace {

using testing::Row;

TEST(FindCategoryEntry, LongestKeyWinsAndEqualLengthsKeepFileOrder) {
    CategoryTable table = {Row("KP*", "10", "P01", "2", "Q01"),
                           Row("KPA*", "20", "P01", "3", "Q01"),
                           Row("LW*", "30", "R01", "4", "S01")};
    EXPECT_EQ(FindCategoryEntry(table, "KPA10").stepCount, "20");
    EXPECT_EQ(FindCategoryEntry(table, "KPB1").stepCount, "10");

    table.push_back(Row("KPA10", "40", "A05", "5", "B07"));
    const CategoryLookup exact = FindCategoryEntry(table, "KPA10");
    EXPECT_EQ(exact.stepCount, "40");
    EXPECT_EQ(exact.programStart, "A05");
    EXPECT_EQ(exact.constCount, "5");
    EXPECT_EQ(exact.constStart, "B07");

    // Two prefixes of the same length: the earlier row wins.
    CategoryTable same = {Row("RQ*", "1", "P01", "1", "Q01"), Row("RK*", "2", "P01", "1", "Q01"),
                          Row("RQ*", "3", "P01", "1", "Q01")};
    EXPECT_EQ(FindCategoryEntry(same, "RQK2").stepCount, "1");

    const CategoryLookup none = FindCategoryEntry(table, "XYZ");
    EXPECT_TRUE(none.stepCount.empty() && none.programStart.empty() && none.constCount.empty() &&
                none.constStart.empty());
    // An exact key does not match a longer code, a prefix does not match a shorter one.
    EXPECT_TRUE(FindCategoryEntry(table, "KPA100").stepCount == "20");
    EXPECT_TRUE(FindCategoryEntry(table, "K").programStart.empty());
}

TEST(BuildItemRecord, PacksTypeAddressAndTexts) {
    const auto step = BuildItemRecord(kKindProgramStep, "P7", {"        ", "LDX1", "        "});
    ASSERT_TRUE(step);
    EXPECT_EQ((*step)[0], 0xC1);
    EXPECT_EQ((*step)[1], 16);
    EXPECT_EQ((*step)[2], 7);
    EXPECT_EQ((*step)[3], 0);
    EXPECT_EQ(std::string(step->begin() + 4, step->begin() + 28), "        LDX1            ");
    for (int i = 28; i < 40; ++i) EXPECT_EQ((*step)[static_cast<std::size_t>(i)], 0) << i;
    EXPECT_EQ(RecordDataText(*step), "LDX1    ");

    // Item type from the empty texts; code 0 removed; long texts cut.
    const auto twoTexts =
        BuildItemRecord(kKindConstItem, "Q12", {"N", std::string("+1\0.5", 5), ""});
    ASSERT_TRUE(twoTexts);
    EXPECT_EQ((*twoTexts)[0], 0x85);
    EXPECT_EQ((*twoTexts)[2], 12);
    EXPECT_EQ(RecordDataText(*twoTexts), "+1.5    ");
    EXPECT_EQ(BuildItemRecord(5, "Q1", {"", "X", ""}).value()[0], 0x45);
    EXPECT_EQ(BuildItemRecord(5, "Q1", {"", "X", "A"}).value()[0], 0x05);
    EXPECT_EQ(RecordDataText(BuildItemRecord(1, "A1", {" ", "ABCDEFGHIJ", ""}).value()),
              "ABCDEFGH");
    // Two digits at most: "P123" is item 23.
    EXPECT_EQ(BuildItemRecord(1, "P123", {" ", "X", ""}).value()[2], 23);
}

TEST(BuildItemRecord, RefusesNumbersThatWouldCorruptTheRecord) {
    EXPECT_TRUE(BuildItemRecord(1, "P63", {" ", "X", ""}));
    EXPECT_FALSE(BuildItemRecord(1, "P64", {" ", "X", ""}));
    EXPECT_FALSE(BuildItemRecord(1, "", {" ", "X", ""}));

    EXPECT_TRUE(AreasFitItemRecords({"63", "P01", "16", "Q48"}));
    EXPECT_FALSE(AreasFitItemRecords({"64", "P01", "16", "Q01"}));
    EXPECT_FALSE(AreasFitItemRecords({"10", "P01", "16", "Q49"}));
    EXPECT_FALSE(AreasFitItemRecords({"1", "P64", "16", "Q01"}));
}

TEST(WidenOperand, WidensSingleDigitJumpsAndLoadsOfRqk2Only) {
    EXPECT_EQ(WidenOperand("GO5", "RQK2"), "GO05");
    EXPECT_EQ(WidenOperand("LDC1", "RQK2"), "LDC01");
    EXPECT_EQ(WidenOperand("GIF3", "RQK2"), "GIF03");
    EXPECT_EQ(WidenOperand("LDH9", "RQK2"), "LDH09");
    for (const char* same : {"GO10", "NOP", "GO0", "GO", "LDX1", "go5", "GOX"}) {
        EXPECT_EQ(WidenOperand(same, "RQK2"), same);
    }
    EXPECT_EQ(WidenOperand("GO5", "RQK3"), "GO5");
}

TEST(ConstValue, StoredAndDisplayForms) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "+0.00000"},       {"12.5", "+12.5000"}, {"-3.25", "-3.25000"},
        {"31999.5", "+31999.5"}, {"-0.5", "-0.50000"}, {"-32000", "-32000.0"},
        {" 7 ", "+7.000000"},    {"-0", "+0.00000"},
    };
    for (const auto& [input, stored] : cases) {
        EXPECT_EQ(SignedConstText(input), std::string(stored).substr(0, 8)) << input;
    }
    EXPECT_EQ(ConstDisplayText("+0.00000"), "0.00000");
    EXPECT_EQ(ConstDisplayText("+12.5000"), "12.5000");
    EXPECT_EQ(ConstDisplayText("-0.50000"), "-0.50000");
    EXPECT_EQ(ConstDisplayText("+0012.500"), "12.500");

    // The range and the five decimals: the editor's ConstCellValidation.
    EXPECT_TRUE(IsValidConstValue("1.12345"));
    EXPECT_FALSE(IsValidConstValue("1..2"));
    EXPECT_FALSE(IsValidConstValue("-"));
    EXPECT_FALSE(IsValidConstValue(""));
}

TEST(LoadOperatorTable, ReadsPairsAfterTheHeadingAndKeepsTableWhenMissing) {
    testing::TempAppFolder folder("ope");
    shell::ConfigTables config;
    folder.Write("OPE_TBLK2.ini", "MNEMONIC,MEANING\r\nLDX1,load x1\r\n\"END\" , end\r\nNOP\r\n");
    ASSERT_TRUE(LoadOperatorTable(config, "K2"));
    ASSERT_EQ(config.operators.size(), 3u);
    EXPECT_EQ(config.operators[0].mnemonic, "LDX1");
    EXPECT_EQ(config.operators[0].second, "load x1");
    EXPECT_EQ(config.operators[1].mnemonic, "END");
    EXPECT_EQ(config.operators[2].mnemonic, "NOP");

    EXPECT_FALSE(LoadOperatorTable(config, "ZZ"));
    EXPECT_EQ(config.operators.size(), 3u);

    // Quoted fields keep their commas; lines of blanks are no rows.
    folder.Write("OPE_TBLK3.ini",
                 "MNEMONIC,MEANING\n\"A,B\",\"pair, quoted\"\n  \n\nEND,end\n \t\r\n");
    ASSERT_TRUE(LoadOperatorTable(config, "K3"));
    ASSERT_EQ(config.operators.size(), 2u);
    EXPECT_EQ(config.operators[0].mnemonic, "A,B");
    EXPECT_EQ(config.operators[0].second, "pair, quoted");
    EXPECT_EQ(config.operators[1].mnemonic, "END");
}

TEST(CreateNewProgram, BuildsTheTemplateFromTheRqk2Row) {
    const CategoryTable table = {Row("KP*", "5", "A01", "1", "B01"),
                                 Row("RQK2", "10", "P01", "4", "Q01", "K2")};
    ProgramState state;
    ASSERT_EQ(CreateNewProgram(table, state), NewProgramResult::kCreated);
    const ProgramHeader& h = state.header;
    EXPECT_EQ(h.modelCode, "RQK2");
    EXPECT_EQ(h.slotNumber, 0);
    EXPECT_EQ(h.programAreaLetter, 16);
    EXPECT_EQ(h.constAreaLetter, 17);
    EXPECT_EQ(h.programStartNumber, 0);
    EXPECT_EQ(h.stepCount, 10);
    EXPECT_EQ(h.constCount, 4);
    ASSERT_EQ(h.stepComments.size(), 10u);
    EXPECT_EQ(h.stepComments[9], std::string(25, ' '));
    ASSERT_EQ(state.records.size(), 14u);
    const char* ops[] = {"LDX1", "STY1", "END", "NOP", "NOP", "NOP", "NOP", "NOP", "NOP", "NOP"};
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(state.records[i][0], 0xC1) << i;
        EXPECT_EQ(state.records[i][2], i + 1);
        EXPECT_EQ(shell::Trim(RecordDataText(state.records[i])), ops[i]);
    }
    for (std::size_t i = 10; i < 14; ++i) {
        EXPECT_EQ(state.records[i][0], 0x85) << i;
        EXPECT_EQ(state.records[i][1], 17);
        EXPECT_EQ(state.records[i][2], i - 9);
        EXPECT_EQ(RecordDataText(state.records[i]), "+0.00000");
    }
}

TEST(CreateNewProgram, LeavesTheProgramAloneWithoutAUsableRow) {
    ProgramState state;
    state.header.modelCode = "KEEP";
    EXPECT_EQ(CreateNewProgram({Row("KP*", "5", "A01", "1", "B01")}, state),
              NewProgramResult::kNotRegistered);
    EXPECT_EQ(CreateNewProgram({Row("RQK2", "10", "", "4", "Q01")}, state),
              NewProgramResult::kNotRegistered);
    EXPECT_EQ(CreateNewProgram({Row("RQK2", "64", "P01", "4", "Q01")}, state),
              NewProgramResult::kAreaTooLarge);
    EXPECT_EQ(state.header.modelCode, "KEEP");
    EXPECT_TRUE(state.records.empty());
}

}  // namespace
}  // namespace rq50::program
