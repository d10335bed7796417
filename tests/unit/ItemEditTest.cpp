// Editing one item outside the parameter screen: offline changes of a file's
// item, choices picked by code or text, and the judgement of a read-back.
#include "JobBlocks.h"
#include "files/Compare.h"
#include "files/SaveTarget.h"
#include "parameter/ItemEdit.h"
#include "unit/ShellTempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace rq50::parameter {
namespace {

using ::testing::HasSubstr;

using rq50::testing::Block;

std::string DataOf(const ItemBlock& block) {
    return DecodeItem(block, false).data;
}

TEST(ItemEditOffline, NumbersAreStoredAsTheOnlineWriteSendsThem) {
    // Kind 2 in the item's own format, at the place of the old text.
    const auto scaled =
        SetItemValue(Block(kKindDecimal, 3, 2, 0, "SCALE LO", "+012.34", "%"), "12.5");
    ASSERT_TRUE(scaled.ok) << scaled.error;
    EXPECT_EQ(DataOf(scaled.block), "+012.50 ");
    // Kind 5: eight characters, whatever the old text.
    const auto free =
        SetItemValue(Block(kKindFreeDecimal, 4, 2, 0, "DAMPING", "+1.00000"), "-12.34567");
    ASSERT_TRUE(free.ok);
    EXPECT_EQ(DataOf(free.block), "-12.3456");
    // The name, address and auxiliary text stay as they were.
    const auto before = DecodeItem(Block(kKindDecimal, 3, 2, 0, "SCALE LO", "+012.34", "%"), false);
    const auto after = DecodeItem(scaled.block, false);
    EXPECT_EQ(after.name, before.name);
    EXPECT_EQ(after.aux, before.aux);
    EXPECT_EQ(after.ma, before.ma);
    EXPECT_EQ(after.mb, before.mb);
}

// Which entries each kind takes is the entry check's test; here the message.
TEST(ItemEditOffline, ARefusedValueSaysWhatIsAccepted) {
    const auto tooBig = SetItemValue(Block(kKindDecimal, 3, 2, 0, "SCALE LO", "+012.34"), "1000");
    EXPECT_FALSE(tooBig.ok);
    EXPECT_THAT(tooBig.error, HasSubstr("-999.99 to 999.99"));
    EXPECT_FALSE(SetItemValue(Block(kKindMeasured, 1, 1, 0, "PV", "+050.00"), "1").ok);
}

TEST(ItemEditOffline, SelectionTakesACodeAndBlanksTheTextsOfAnotherChoice) {
    const auto block = Block(kKindSelection, 3, 1, 0, "INP TYPE", "DC", "4-20mA");
    const auto same = SetItemValue(block, "dc 4-20ma");
    ASSERT_TRUE(same.ok);
    EXPECT_EQ(same.block, block);
    const auto other = SetItemValue(block, "2");
    ASSERT_TRUE(other.ok);
    const auto item = DecodeItem(other.block, false);
    EXPECT_EQ(item.mc, 2);
    EXPECT_EQ(item.data, std::string(8, ' '));
    EXPECT_EQ(item.aux, std::string(8, ' '));
    const auto unknown = SetItemValue(block, "DC 1-5V");
    EXPECT_FALSE(unknown.ok);
    EXPECT_THAT(unknown.error, HasSubstr("code"));
}

TEST(ItemEditChoices, PickByCodeTextOrUniqueStart) {
    ChoiceList list;
    list.Start(3, 1, 0);
    for (const auto& [code, data, aux] :
         {std::tuple{0, "DC", "4-20mA"}, std::tuple{1, "DC", "1-5V"},
          std::tuple{2, "DC", "0-10V"}}) {
        list.Offer(DecodeItem(Block(kKindSelection, 3, 1, code, "INP TYPE", data, aux), false));
    }
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(PickChoice(list, "1").index, 1);
    EXPECT_EQ(PickChoice(list, "dc 0-10v").index, 2);
    EXPECT_EQ(PickChoice(list, "DC 1").index, 1);
    const auto ambiguous = PickChoice(list, "DC");
    EXPECT_EQ(ambiguous.index, -1);
    EXPECT_EQ(ambiguous.candidates, (std::vector<int>{0, 1, 2}));
    const auto none = PickChoice(list, "AC");
    EXPECT_EQ(none.index, -1);
    EXPECT_TRUE(none.candidates.empty());
    EXPECT_EQ(PickChoice(list, "7").index, -1);
}

TEST(ItemEditReadBack, AValueCutOrClampedIsNotTheValueAsked) {
    const auto context =
        PrepareEdit(DecodeItem(Block(kKindDecimal, 3, 2, 0, "SCALE LO", "+000.00"), false));
    auto readBack = [](const std::string& data) {
        return DecodeItem(Block(kKindDecimal, 3, 2, 0, "SCALE LO", data), false);
    };
    EXPECT_TRUE(HoldsAskedValue("50", context, readBack("+050.00"), 0));
    EXPECT_FALSE(HoldsAskedValue("500", context, readBack("+100.00"), 0));
    EXPECT_FALSE(HoldsAskedValue("12.555", context, readBack("+012.55"), 0));
    const auto text = PrepareEdit(DecodeItem(Block(kKindText, 4, 1, 0, "OUT1UNIT", "%"), false));
    EXPECT_TRUE(HoldsAskedValue("mA", text,
                                DecodeItem(Block(kKindText, 4, 1, 0, "OUT1UNIT", "mA"), false), 0));
    const auto select =
        PrepareEdit(DecodeItem(Block(kKindSelection, 3, 1, 0, "INP TYPE", "DC"), false));
    EXPECT_FALSE(HoldsAskedValue(
        "2", select, DecodeItem(Block(kKindSelection, 3, 1, 0, "INP TYPE", "DC"), false), 2));
}

TEST(ItemEditAddress, ParsesLetterAndNumber) {
    EXPECT_EQ(ParseAddress("C02"), (std::pair{3, 2}));
    EXPECT_EQ(ParseAddress("c2"), (std::pair{3, 2}));
    EXPECT_EQ(ParseAddress("A"), (std::pair{1, 0}));
    EXPECT_FALSE(ParseAddress("").has_value());
    EXPECT_FALSE(ParseAddress("C1X").has_value());
    EXPECT_FALSE(ParseAddress("C100").has_value());
    EXPECT_FALSE(ParseAddress("2C").has_value());
}

TEST(DataSetCompare, MatchesByAddressAndComparesAsTheReadBackDoes) {
    const ItemArray first = {Block(kKindDecimal, 3, 2, 0, "SCALE LO", "+012.50"),
                             Block(kKindSelection, 3, 1, 1, "INP TYPE", "DC", "1-5V"),
                             Block(kKindMeasured, 1, 1, 0, "PV", "+050.00"),
                             Block(kKindText, 4, 1, 0, "OUT1UNIT", "%"),
                             Block(kKindText, 4, 5, 0, "EXTRA", "X")};
    const ItemArray second = {Block(kKindText, 4, 1, 0, "OUT1UNIT", "mA"),
                              Block(kKindDecimal, 3, 2, 0, "SCALE LO", "  12.5"),
                              Block(kKindSelection, 3, 1, 1, "INP TYPE", "other", "text"),
                              Block(kKindMeasured, 1, 1, 0, "PV", "+051.00"),
                              Block(kKindText, 6, 1, 0, "NEW", "Y")};
    const auto d =
        files::CompareDataSets(first, second, files::CompareScope::kAllButMeasured, 0, 0);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].address, "D01");
    EXPECT_EQ(d[0].first, "%");
    EXPECT_EQ(d[0].second, "mA");
    EXPECT_EQ(d[1].address, "D05");
    EXPECT_EQ(d[1].side, files::ItemDifference::Side::kFirstOnly);
    EXPECT_EQ(d[2].address, "F01");
    EXPECT_EQ(d[2].side, files::ItemDifference::Side::kSecondOnly);
    EXPECT_EQ(files::CompareDataSets(first, second, files::CompareScope::kAll, 0, 0).size(), 4u);
    // A download writes SET items only: groups 3 up to 4 here.
    const auto set =
        files::CompareDataSets(first, second, files::CompareScope::kDownloadable, 3, 4);
    EXPECT_TRUE(set.empty());
}

TEST(DataFileNames, TheSaveDialogsExtensionRules) {
    using files::DataFileKind;
    std::string problem;
    EXPECT_EQ(files::SaveNameFor("plant", DataFileKind::kParameter, problem), "plant.7pa");
    EXPECT_EQ(files::SaveNameFor("p.7PA", DataFileKind::kParameter, problem), "p.7PA");
    EXPECT_FALSE(files::SaveNameFor("p.7pr", DataFileKind::kParameter, problem).has_value());
    EXPECT_THAT(problem, HasSubstr(".7pa"));
    EXPECT_FALSE(files::SaveNameFor("x.txt", DataFileKind::kProgram, problem).has_value());
    EXPECT_FALSE(files::SaveNameFor("dir/", DataFileKind::kProgram, problem).has_value());
}

TEST(DataFileNames, ASaveTargetIsCheckedBeforeAnyWork) {
    namespace fs = std::filesystem;
    const fs::path dir = shell::testing::MakeTempFolder("rq50-save-target-");
    EXPECT_EQ(files::SaveTargetProblem((dir / "ok.7pa").string()), "");
    EXPECT_NE(files::SaveTargetProblem(dir.string()).find("is a folder"), std::string::npos);
    EXPECT_NE(files::SaveTargetProblem((dir / "missing" / "x.7pa").string()).find("does not exist"),
              std::string::npos);
    EXPECT_NE(files::SaveTargetProblem("/proc/x.7pa").find("cannot save"), std::string::npos);
    std::ofstream(dir / "x.7pa") << "a file";
    EXPECT_EQ(files::SaveTargetProblem((dir / "x.7pa" / "sub.7pa").string()),
              (dir / "x.7pa").string() + " is a file, not a folder");
    fs::remove(dir / "x.7pa");
    // The probe leaves nothing behind.
    EXPECT_TRUE(fs::is_empty(dir));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rq50::parameter
