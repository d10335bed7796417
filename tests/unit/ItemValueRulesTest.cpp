#include "parameter/ChoiceList.h"
#include "parameter/NumericKeyFilter.h"
#include "parameter/ValueRules.h"

#include <gtest/gtest.h>

#include "ShellFakes.h"

#include <string>

namespace rq50::parameter {
namespace {

EditContext Opened(int kind, const std::string& data) {
    DecodedItem item;
    item.kind = static_cast<std::int16_t>(kind);
    item.data = data;
    return PrepareEdit(item);
}

// The send text of a valid entry, or "<invalid>".
std::string Sent(int kind, const std::string& data, const std::string& entry) {
    const EntryCheck check = CheckEntry(entry, Opened(kind, data));
    return check.valid ? check.sendText : "<invalid>";
}

TEST(NormalizeNumber, DropsPlusSignAndLeadingZerosKeepsDecimalsAsWritten) {
    EXPECT_EQ(NormalizeNumber("+0012.50"), "12.50");
    EXPECT_EQ(NormalizeNumber("-003.2"), "-3.2");
    EXPECT_EQ(NormalizeNumber("+0000"), "0");
    EXPECT_EQ(NormalizeNumber("-0.50"), "-0.50");
    EXPECT_EQ(NormalizeNumber("- 0012.5 "), "-12.5 ");
    EXPECT_EQ(NormalizeNumber("123456789012345678901.5"), "123456789012345678901.5");
    EXPECT_EQ(NormalizeNumber("OVER"), "OVER");
}

TEST(IsNumeric, SignedDecimalsWithBlanksOnly) {
    for (const char* text : {"12", " +12.34 ", "- 5", ".5", "5.", "-0.50"})
        EXPECT_TRUE(IsNumeric(text)) << text;
    for (const char* text : {"", " ", "+", ".", "1-2", "1.2.3", "1e5", "12a", "--1", "+-1"})
        EXPECT_FALSE(IsNumeric(text)) << text;
}

TEST(FormatDataForDisplay, NormalisesNumbersByKind) {
    // Kinds 0 and 6 only when a sign and a point are both present.
    for (int kind : {kKindShown, kKindMeasured}) {
        EXPECT_EQ(FormatDataForDisplay("+0012.50", kind, DisplayMode::Grid), "12.50");
        EXPECT_EQ(FormatDataForDisplay("0012.50 ", kind, DisplayMode::Grid), "0012.50 ");
        EXPECT_EQ(FormatDataForDisplay("+0012   ", kind, DisplayMode::Grid), "+0012   ");
    }
    for (int kind : {kKindDecimal, kKindFreeDecimal}) {
        EXPECT_EQ(FormatDataForDisplay("+0012   ", kind, DisplayMode::Grid), "12");
        EXPECT_EQ(FormatDataForDisplay("-001.500", kind, DisplayMode::Echo), "-1.500");
        EXPECT_EQ(FormatDataForDisplay("--------", kind, DisplayMode::Grid), "--------");
    }
    EXPECT_EQ(FormatDataForDisplay("+0012.50", kKindHex, DisplayMode::Grid), "+0012.50");
    EXPECT_EQ(FormatDataForDisplay("AB CD   ", kKindText, DisplayMode::Grid), "AB CD   ");
    EXPECT_EQ(FormatDataForDisplay("AB CD   ", kKindText, DisplayMode::Echo), "AB CD");
}

TEST(FilterKey, AcceptedKeysPerKind) {
    EXPECT_EQ(FilterKey('a', kKindHex), 'A');
    EXPECT_EQ(FilterKey('g', kKindHex), 0);
    EXPECT_EQ(FilterKey('-', kKindHex), 0);
    EXPECT_EQ(FilterKey('.', kKindHex), '.');
    EXPECT_EQ(FilterKey('/', kKindText), '/');
    EXPECT_EQ(FilterKey(':', kKindText), 0);
    EXPECT_EQ(FilterKey('e', kKindDecimal), 0);
    EXPECT_EQ(FilterKey('+', kKindFreeDecimal), '+');
    for (int kind : {kKindText, kKindDecimal, kKindHex, kKindFreeDecimal})
        EXPECT_EQ(FilterKey(kKeyBackspace, kind), kKeyBackspace) << kind;
    for (int kind : {kKindShown, kKindSelection, kKindMeasured, kKindOther}) {
        EXPECT_EQ(FilterKey('1', kind), 0) << kind;
        EXPECT_EQ(FilterKey(kKeyBackspace, kind), 0) << kind;
    }
}

TEST(PrepareEdit, ReadsTheItemFormatFromItsDataText) {
    const EditContext decimal = Opened(kKindDecimal, "+012.34 ");
    EXPECT_TRUE(decimal.open);
    EXPECT_EQ(decimal.fieldWidth, 7);
    EXPECT_EQ(decimal.integerDigits, 3);
    EXPECT_EQ(decimal.decimals, 2);
    EXPECT_EQ(decimal.dataText, "+012.34 ");

    const EditContext whole = Opened(kKindFreeDecimal, "-  0005 ");
    EXPECT_EQ(whole.fieldWidth, 7);
    EXPECT_EQ(whole.integerDigits, 4);
    EXPECT_EQ(whole.decimals, 0);
}

TEST(CheckEntry, DecimalItemInItsOwnFormat) {
    EXPECT_EQ(Sent(kKindDecimal, "+012.34", "12.5"), "+012.50");
    EXPECT_EQ(Sent(kKindDecimal, "+012.34", "1000"), "<invalid>");
    EXPECT_EQ(Sent(kKindDecimal, "+012.34", "-1000"), "<invalid>");
    EXPECT_EQ(Sent(kKindDecimal, "+012.34", "999.991"), "<invalid>");
    EXPECT_EQ(Sent(kKindDecimal, "+012.34", "-999.99"), "-999.90");  // four significant digits
    EXPECT_EQ(Sent(kKindDecimal, "+012.34", "-12.345"), "-012.34");
    EXPECT_EQ(Sent(kKindDecimal, "+012.34", " + 7 "), "+007.00");
    // The cut to four significant digits.
    EXPECT_EQ(Sent(kKindDecimal, "+1234.56", "1234.56"), "+1234.00");
    EXPECT_EQ(Sent(kKindDecimal, "+0.12345", "0.0123456"), "+0.01234");
    EXPECT_EQ(Sent(kKindDecimal, "+00000", "12345"), "+12340");
    // Rounding to eleven digits comes first: twelve nines carry into a new digit.
    EXPECT_EQ(Sent(kKindDecimal, "+12.34", "9.99999999999"), "+10.00");
    EXPECT_EQ(Sent(kKindDecimal, "+12.34", "9.9999999999"), "+09.99");
    // Blanks between the sign and the digits keep the field width.
    EXPECT_EQ(Sent(kKindDecimal, "+  1.5", "2"), "+  2.0");
    EXPECT_EQ(Sent(kKindDecimal, "-0100", "-0"), "+0000");
}

TEST(CheckEntry, FreeDecimalItem) {
    EXPECT_EQ(Sent(kKindFreeDecimal, "+1.00000", "-12.345678"), "<invalid>");
    EXPECT_EQ(Sent(kKindFreeDecimal, "+1.00000", "-12.34567"), "-12.3456");
    EXPECT_EQ(Sent(kKindFreeDecimal, "+1.00000", "12.5"), "+12.5000");
    EXPECT_EQ(Sent(kKindFreeDecimal, "+1.00000", "32000"), "+32000.0");
    EXPECT_EQ(Sent(kKindFreeDecimal, "+1.00000", "-32000.00"), "-32000.0");
    EXPECT_EQ(Sent(kKindFreeDecimal, "+1.00000", "32000.00001"), "<invalid>");
    EXPECT_EQ(Sent(kKindFreeDecimal, "+1.00000", "-0"), "+0.00000");
    EXPECT_EQ(Sent(kKindFreeDecimal, "+1.00000", ".5"), "+0.50000");
}

TEST(CheckEntry, HexTextSelectionAndReadOnlyItems) {
    EXPECT_EQ(Sent(kKindHex, "00FF", "1a"), "1A      ");
    EXPECT_EQ(Sent(kKindHex, "00FF", " ff "), "FF      ");
    EXPECT_EQ(Sent(kKindHex, "00FF", "12345"), "<invalid>");
    EXPECT_EQ(Sent(kKindHex, "00FF", "  "), "<invalid>");
    // A wide hex field still cannot take more than one write carries.
    EXPECT_EQ(Sent(kKindHex, "0123456789AB    ", "12345678"), "12345678");
    EXPECT_EQ(Sent(kKindHex, "0123456789AB    ", "123456789"), "<invalid>");

    EXPECT_EQ(Sent(kKindText, "XXXXXXXX", "ABC:"), "<invalid>");
    EXPECT_EQ(Sent(kKindText, "XXXXXXXX", "ABC"), "ABC     ");
    EXPECT_EQ(Sent(kKindText, "XXXXXXXX", " AB"), " AB     ");
    EXPECT_EQ(Sent(kKindText, "XXXXXXXX", "ABCDEFGHI"), "<invalid>");

    EXPECT_EQ(Sent(kKindSelection, "ON      ", "whatever"), "");
    for (int kind : {kKindShown, kKindMeasured, kKindOther}) {
        EXPECT_EQ(Sent(kind, "+0012.50", ""), "<invalid>") << kind;
        EXPECT_EQ(Sent(kind, "+0012.50", "12"), "<invalid>") << kind;
    }
}

TEST(ValidateEntry, IllegalValueShowsMessageAndGivesBackTheDataText) {
    shell::testing::ServicesScope scope;
    const EditContext context = Opened(kKindDecimal, "+012.34 ");

    const EntryCheck bad = ValidateEntry(scope.ws.hosts, "1000", context, "SET");
    EXPECT_FALSE(bad.valid);
    EXPECT_EQ(bad.resetText, "+012.34 ");
    ASSERT_EQ(scope.messages.boxes.size(), 1u);
    EXPECT_EQ(scope.messages.boxes[0].text, "Illegal value entered.");
    EXPECT_EQ(scope.messages.boxes[0].title, "SET");
    EXPECT_EQ(scope.messages.boxes[0].icon, shell::MsgIcon::Exclamation);

    EXPECT_TRUE(ValidateEntry({}, "12.5", context, "SET").valid);
    EXPECT_EQ(scope.messages.boxes.size(), 1u);
}

DecodedItem Answer(int mb, int mc, const std::string& data, const std::string& aux) {
    DecodedItem item;
    item.ma = 4;
    item.mb = static_cast<std::int16_t>(mb);
    item.mc = static_cast<std::int16_t>(mc);
    item.data = data;
    item.aux = aux;
    return item;
}

TEST(ChoiceList, CollectsUntilTheFirstCodeComesBack) {
    ChoiceList list;
    list.Start(4, 2, 2);
    EXPECT_TRUE(list.Offer(Answer(2, 1, " K      ", "TC   ")));
    EXPECT_EQ(list.nextMc, 1);
    EXPECT_TRUE(list.Offer(Answer(2, 2, " J      ", "TC   ")));
    EXPECT_TRUE(list.Offer(Answer(2, 0, " PT100  ", "")));
    EXPECT_FALSE(list.Offer(Answer(2, 1, " K      ", "TC   ")));
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[0].listText, "K      TC");
    EXPECT_EQ(list.entries[2].code, 0);
    EXPECT_EQ(list.preselected, 1);
    ASSERT_NE(list.FindByCode(2), nullptr);
    EXPECT_EQ(list.FindByCode(2)->aux, "TC   ");
    EXPECT_EQ(list.FindByCode(5), nullptr);
}

TEST(ChoiceList, EndsWhenTheAnswersLeaveTheGroupOrCycleWithoutTheFirst) {
    ChoiceList group;
    group.Start(4, 2, 0);
    EXPECT_TRUE(group.Offer(Answer(2, 0, "A", "")));
    EXPECT_FALSE(group.Offer(Answer(3, 1, "B", "")));
    EXPECT_EQ(group.entries.size(), 1u);

    ChoiceList cycling;
    cycling.Start(4, 2, 9);
    EXPECT_TRUE(cycling.Offer(Answer(2, 1, "A", "")));
    EXPECT_TRUE(cycling.Offer(Answer(2, 2, "B", "")));
    EXPECT_TRUE(cycling.Offer(Answer(2, 3, "C", "")));
    EXPECT_FALSE(cycling.Offer(Answer(2, 2, "B", "")));
    EXPECT_EQ(cycling.entries.size(), 3u);
    EXPECT_EQ(cycling.preselected, 0);  // current code not offered
}

TEST(NumericKeyFilter, DigitsOnlyModeOfThePasswordAndZoomBoxes) {
    for (char key : {'0', '5', '9'}) EXPECT_EQ(NumericKeyFilter(key, kDigitsOnly, "12", 2, 0), key);
    EXPECT_EQ(NumericKeyFilter(kKeyBackspace, kDigitsOnly, "12", 2, 0), kKeyBackspace);
    for (char key : {'-', '.', 'a', ' ', '+'})
        EXPECT_EQ(NumericKeyFilter(key, kDigitsOnly, "", 0, 0), 0) << key;
    EXPECT_EQ(NumericKeyFilter(kKeyBackspace, kRefuseBackspace, "12", 2, 0), 0);
}

TEST(NumericKeyFilter, SignAndPointPlacement) {
    EXPECT_EQ(NumericKeyFilter('-', 0, "12", 0, 0), '-');
    EXPECT_EQ(NumericKeyFilter('-', 0, "12", 1, 0), 0);     // not at the start
    EXPECT_EQ(NumericKeyFilter('-', 0, "-12", 0, 0), 0);    // already signed
    EXPECT_EQ(NumericKeyFilter('-', 0, "-12", 0, 1), '-');  // replaces the sign
    EXPECT_EQ(NumericKeyFilter('.', 0, "1.2", 3, 0), 0);    // second point
    EXPECT_EQ(NumericKeyFilter('.', 0, "1.2", 1, 1), '.');  // replaces the point
    EXPECT_EQ(NumericKeyFilter('5', 0, "-12", 0, 0), 0);    // in front of the sign
    EXPECT_EQ(NumericKeyFilter('.', 0, "-12", 0, 0), 0);
    EXPECT_EQ(NumericKeyFilter('5', 0, "-12", 1, 0), '5');
    EXPECT_EQ(NumericKeyFilter('5', 0, "12", 99, 99), '5');  // caret beyond the text
}

}  // namespace
}  // namespace rq50::parameter
