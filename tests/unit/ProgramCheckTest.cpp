#include "program/CommandCheck.h"

#include "ProgramTestSupport.h"
#include "program/ProgramModel.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace rq50::program {
namespace {

using testing::Row;

/// A model with 40 steps from P01 and 4 CONST items from Q01, its operator
/// table in a temp application folder, and grids addressed like the editor's.
class CommandCheckTest : public ::testing::Test {
  protected:
    CommandCheckTest() : m_folder("check") {
        m_folder.Write("OPE_TBLK2.ini", "OPE,NOTE\nLDX1,\nSTY1,\nEND,\nNOP,\nGO05,\nGIF,\n");
        header.modelCode = "RQK2";
        header.stepCount = 40;
        header.constCount = 4;
        for (int r = 1; r <= kGridRows; ++r) {
            if (r <= 40) program.Set(r, 0, MakeAddress(16, r));
            if (r <= 40) program.Set(r, 1, "NOP");
            if (r <= 4) consts.Set(r, 0, MakeAddress(17, r));
        }
    }

    int Run() {
        checker.ClearCheckResults();
        return checker.RunCommandCheck({program, consts, model, header, categories, config});
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const auto& l : checker.ErrorLines())
            out.push_back(l.step + "|" + l.program + "|" + l.content);
        return out;
    }

    testing::TempAppFolder m_folder;
    CategoryTable categories = {Row("KP*", "5", "A01", "1", "B01", "KP"),
                                Row("RQK2", "40", "P01", "4", "Q01", "K2")};
    CellGrid program{kGridRows, 3};
    CellGrid consts{kGridRows, 1};
    std::string model = "RQK2";
    ProgramHeader header;
    shell::ConfigTables config;
    CommandChecker checker;
};

TEST_F(CommandCheckTest, CleanProgramPassesAndSurplusNopOrEmptyRowsAreFine) {
    program.Set(41, 1, "NOP");
    program.Set(42, 1, " ");
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(CommandCheckTest, SurplusRowsGiveOneLineEach) {
    program.Set(45, 1, "LDX1");
    program.Set(50, 1, "END");
    consts.Set(7, 1, "0");
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{" | |Too many steps in PROGRAM.",
                                                 " | |Too many CONST items."}));
    ASSERT_EQ(checker.Display().counts.surplusSteps.size(), 2u);
    EXPECT_EQ(checker.Display().counts.surplusSteps[1].row, 50);
    EXPECT_EQ(checker.Display().counts.surplusConsts[0].text, "0");
}

// Without its operator table the check cannot pass a single operator: it
// says so, once, and the blank line of a table is no valid empty operator.
TEST_F(CommandCheckTest, AMissingOrUnreadableOperatorTableIsAnError) {
    std::filesystem::remove(m_folder.Path() / "OPE_TBLK2.ini");
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{
                  " | |Operators not checked: cannot read the operator table OPE_TBLK2.ini"}));

    std::filesystem::create_directory(m_folder.Path() / "OPE_TBLK2.ini");
    ASSERT_EQ(Run(), 1);
    EXPECT_TRUE(checker.Display().operators.tableMissing);
    std::filesystem::remove(m_folder.Path() / "OPE_TBLK2.ini");

    m_folder.Write("OPE_TBLK2.ini", "OPE,NOTE\nNOP,\n\n");
    program.Set(3, 1, "");
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"P03||Invalid operator."}));
}

TEST_F(CommandCheckTest, JumpOperands) {
    const std::pair<const char*, const char*> cases[] = {
        {"GO", "Specify jump address."},
        {"GIF", "Specify jump address."},
        {"GOX", "Invalid jump address."},
        {"GO1A", "Invalid jump address."},
        {"GO41", "Invalid jump address."},
        {"GO0", "Invalid jump address."},
        {"GO40", ""},
        {"GIF007", ""},
        {"GO 5", "Invalid jump address."},
    };
    for (const auto& [op, expected] : cases) {
        const JumpVerdict v =
            ValidateJumpAddress(op, std::string(op).rfind("GIF", 0) != 0, header, categories);
        const std::string got = !v.error           ? ""
                                : v.invalidAddress ? "Invalid jump address."
                                                   : "Specify jump address.";
        EXPECT_EQ(got, expected) << op;
    }
}

TEST_F(CommandCheckTest, OperatorsAreExactAndLinesComeInTheirOrder) {
    program.Set(3, 1, "GO5");    // not in the table, but in range
    program.Set(4, 1, "GO55");   // neither
    program.Set(5, 1, "ldx1");   // case matters
    program.Set(6, 1, "");       // empty step
    program.Set(7, 1, "GIF");    // listed, but without address
    program.Set(44, 1, "STY1");  // surplus
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           " | |Too many steps in PROGRAM.",
                           "P03|GO5|Invalid operator.",
                           "P04|GO55|Invalid operator.",
                           "P05|ldx1|Invalid operator.",
                           "P06||Invalid operator.",
                           "P04|GO55|Invalid jump address.",
                           "P07|GIF|Specify jump address.",
                       }));
    // A second check without clearing lists nothing twice.
    checker.RunCommandCheck({program, consts, model, header, categories, config});
    EXPECT_EQ(checker.ErrorLines().size(), 7u);
}

TEST_F(CommandCheckTest, ModelRegistrationUsesWildcardPatterns) {
    // The count pass matches column 1 as a wildcard pattern ("#" a digit).
    categories = {Row("RQK#", "40", "P01", "4", "Q01", "K2")};
    checker.CheckItemCounts({program, consts, model, header, categories, config});
    EXPECT_FALSE(checker.Working().counts.modelNotRegistered);
    model = "RQKX";
    checker.CheckItemCounts({program, consts, model, header, categories, config});
    EXPECT_TRUE(checker.Working().counts.modelNotRegistered);
}

TEST_F(CommandCheckTest, UnregisteredModelFailsWithoutALine) {
    model = "XYZ";
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(checker.Display().counts.modelNotRegistered);
    EXPECT_EQ(checker.Display().counts.modelText, "XYZ");
    EXPECT_TRUE(Lines().empty());
}

}  // namespace
}  // namespace rq50::program
