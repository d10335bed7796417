// The simulated instrument answers as the instrument description fixes it.

#include <nlohmann/json.hpp>

#include "SimTestSupport.h"

namespace rq50::sim::test {
namespace {

class SimInstrument : public ::testing::Test {
  protected:
    Instrument rqb2 = LoadShipped("RQB2.json");
};

TEST_F(SimInstrument, IgnoresFramesWithBadChecksumOrLength) {
    Bytes good = MakeRequest(kCmdRead, 0, 1, 0);
    Bytes badSum = good;
    badSum.back() ^= 1;
    EXPECT_FALSE(rqb2.Handle(badSum));
    Bytes badLength = good;
    badLength[3] = 12;  // claims 8 data bytes it does not carry
    badLength.back() = Checksum(badLength, badLength.size() - 1);
    EXPECT_FALSE(rqb2.Handle(badLength));
    EXPECT_EQ(rqb2.RequestCount(), 0);
    // A retransmission (byte 2 = 52h) is an ordinary request.
    EXPECT_TRUE(rqb2.Handle(MakeRequest(kCmdRead, 0, 1, 0, {}, true)));
    EXPECT_EQ(rqb2.RequestCount(), 1);
}

TEST_F(SimInstrument, FixedAddressesGiveModelAndCategoryStarts) {
    const Answer model = Ask(rqb2, kCmdRead, 0, 1);
    EXPECT_EQ(model.name + model.data, "MODEL   RQB2    ");
    EXPECT_EQ(model.kind, kKindFixed);
    EXPECT_EQ(model.type, 2);

    const Answer display = Ask(rqb2, kCmdRead, kDisplayStartMa, 0);
    const Answer set = Ask(rqb2, kCmdRead, kSetStartMa, 0);
    const Answer adjust = Ask(rqb2, kCmdRead, kAdjustStartMa, 0);
    EXPECT_EQ(display.ma, 1);
    EXPECT_EQ(display.name, "PV      ");
    EXPECT_EQ(set.ma, 3);
    EXPECT_EQ(set.name, "INPUT   ");
    EXPECT_EQ(adjust.ma, 5);
    EXPECT_EQ(adjust.mb, 0);
    EXPECT_EQ(adjust.kind, kKindFixed);

    // No item there, or no slot number on a directly connected instrument.
    EXPECT_EQ(Ask(rqb2, kCmdRead, 3, 9).status, kStatusAddressError);
    EXPECT_EQ(Ask(rqb2, kCmdRead, 40, 0).status, kStatusAddressError);
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 0, 0, 0, "      01").status, kStatusAddressError);
    const Answer error = Ask(rqb2, kCmdRead, 3, 9, 5);
    EXPECT_EQ(error.type, 0);
    EXPECT_EQ(error.ma, 3);
    EXPECT_EQ(error.mb, 9);
    EXPECT_EQ(error.mc, 5);
    EXPECT_EQ(Ask(rqb2, 0x99, 1, 1).status, kStatusCommandError);
}

TEST_F(SimInstrument, ItemWalksWrapOrStayAtTheEndOfAGroup) {
    // Group C holds items 1-4.
    EXPECT_EQ(Ask(rqb2, kCmdNextItem, 3, 0).mb, 1);
    EXPECT_EQ(Ask(rqb2, kCmdNextItem, 3, 1).mb, 2);
    EXPECT_EQ(Ask(rqb2, kCmdNextItem, 3, 4).mb, 1);
    EXPECT_EQ(Ask(rqb2, kCmdPrevItem, 3, 1).mb, 4);
    EXPECT_EQ(Ask(rqb2, kCmdPrevItem, 3, 3).mb, 2);
    const Answer tag = Ask(rqb2, kCmdNextItem, 3, 3);
    EXPECT_EQ(tag.name, "TAG NO      ");      // 12-character name
    EXPECT_EQ(tag.data, "FIC-101         ");  // 16-character data
    // From (0, 0) the walk reaches the model item, as after a slot selection.
    EXPECT_EQ(Ask(rqb2, kCmdNextItem, 0, 0).data, "RQB2    ");

    rqb2.DeviceAt()->groupEnd = GroupEnd::Stay;
    EXPECT_EQ(Ask(rqb2, kCmdNextItem, 3, 4).mb, 4);
    EXPECT_EQ(Ask(rqb2, kCmdPrevItem, 3, 1).mb, 1);
    EXPECT_EQ(Ask(rqb2, kCmdNextItem, 3, 2).mb, 3);
}

TEST_F(SimInstrument, GroupOrderIsCyclicAndMaintIsEnteredOnlyRightAfter10h) {
    std::vector<int> order;
    int ma = 1;
    for (int i = 0; i < 6; ++i) {
        const Answer head = Ask(rqb2, kCmdNextGroup, ma, 0);
        EXPECT_EQ(head.mb, 0);
        order.push_back(ma = head.ma);
    }
    EXPECT_EQ(order, (std::vector<int>{2, 3, 4, 5, 1, 2}));

    // MAINT addresses are closed until a 10h.
    EXPECT_EQ(Ask(rqb2, kCmdRead, 30, 1).status, kStatusAddressError);
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 29, 1, 0, "+050.0  ").status, kStatusAddressError);

    // The tool's MAINT entry: read the ADJUST start, 10h, 82h from it.
    EXPECT_EQ(Ask(rqb2, kCmdRead, 5, 0).name, "ADJUST  ");
    const Answer current = Ask(rqb2, kCmdMaintenance, 0, 0);
    EXPECT_EQ(current.ma, 5);  // answers with the current item
    EXPECT_EQ(current.name, "ADJUST  ");
    const Answer maint = Ask(rqb2, kCmdNextGroup, 5, 0);
    EXPECT_EQ(maint.ma, 29);
    EXPECT_EQ(maint.name, "MAINT   ");
    // One-shot: a later 82h from ADJUST follows the cyclic order ...
    EXPECT_EQ(Ask(rqb2, kCmdNextGroup, 5, 0).ma, 1);
    // ... and so does an 82h that does not come right after the 10h.
    Ask(rqb2, kCmdMaintenance, 0, 0);
    Ask(rqb2, kCmdRead, 5, 0);
    EXPECT_EQ(Ask(rqb2, kCmdNextGroup, 5, 0).ma, 1);
    // The MAINT groups stay open and run on into DISPLAY.
    EXPECT_EQ(Ask(rqb2, kCmdRead, 30, 1).name, "BAUDRATE");
    EXPECT_EQ(Ask(rqb2, kCmdNextGroup, 29, 0).ma, 30);
    EXPECT_EQ(Ask(rqb2, kCmdNextGroup, 30, 0).ma, 1);

    rqb2.LineClosed();
    EXPECT_EQ(Ask(rqb2, kCmdRead, 30, 1).status, kStatusAddressError);
    EXPECT_EQ(Ask(rqb2, kCmdNextGroup, 30, 0).status, kStatusAddressError);
}

TEST_F(SimInstrument, WritesStoreClampOrRefuse) {
    // Text and hexadecimal items keep what was sent.
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 4, 1, 0, "mA      ").data, "mA      ");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 4, 3, 0, "1A      ").data, "1A      ");
    EXPECT_EQ(Ask(rqb2, kCmdRead, 4, 3).data, "1A      ");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 3, 4, 0, "PIC-7           ").data, "PIC-7           ");

    // Numeric items clamp to their range and keep their own format.
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 3, 2, 0, "+012.50 ").data, "+012.50 ");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 3, 2, 0, "+200.00 ").data, "+100.00 ");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 3, 2, 0, "-999.99 ").data, "-100.00 ");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 3, 2, 0, "-  3.25 ").data, "-003.25 ");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 4, 2, 0, "+12.5000").data, "+12.5000");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 4, 2, 0, "+99.0000").data, "+60.0000");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 4, 2, 0, "-3.25000").data, "+0.00000");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 3, 2, 0, "12A     ").status, kStatusCommandError);
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 3, 2).status, kStatusCommandError);

    // Selection: the code travels in MC; an unknown code changes nothing.
    const Answer chosen = Ask(rqb2, kCmdWrite, 3, 1, 2);
    EXPECT_EQ(chosen.mc, 2);
    EXPECT_EQ(chosen.aux, "0-10V   ");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 3, 1, 9).mc, 2);
    EXPECT_EQ(Ask(rqb2, kCmdRead, 3, 1).mc, 2);

    // Read-only: heads, fixed, measured, other, and items marked so.
    for (auto [ma, mb] : {std::pair{3, 0}, {5, 3}, {1, 1}, {2, 2}, {2, 1}})
        EXPECT_EQ(Ask(rqb2, kCmdWrite, ma, mb, 0, "12345678").status, kStatusCommandError)
            << ma << "," << mb;
    EXPECT_EQ(Ask(rqb2, kCmdRead, 5, 3).data, "26/01/15");
}

TEST_F(SimInstrument, ChoicesCycleAndMeasuredValuesMove) {
    std::vector<std::pair<int, std::string>> seen;
    int mc = 0;
    for (int i = 0; i < 4; ++i) {
        const Answer a = Ask(rqb2, kCmdNextChoice, 3, 1, mc);
        seen.emplace_back(a.mc, a.aux);
        mc = a.mc;
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, std::string>>{
                        {1, "1-5V    "}, {2, "0-10V   "}, {0, "4-20mA  "}, {1, "1-5V    "}}));
    EXPECT_EQ(Ask(rqb2, kCmdRead, 3, 1).mc, 0);  // looking at choices selects nothing
    EXPECT_EQ(Ask(rqb2, kCmdNextChoice, 3, 2, 7).data, "+000.00 ");  // not a selection

    std::vector<std::string> values;
    for (int i = 0; i < 5; ++i) values.push_back(Ask(rqb2, kCmdRead, 1, 1).data);
    for (std::size_t i = 1; i < values.size(); ++i) EXPECT_NE(values[i], values[i - 1]);
    for (const auto& v : values) EXPECT_EQ(v.size(), 8u);
}

TEST_F(SimInstrument, BaudRateItemSwitchesAfterItsAnswer) {
    Ask(rqb2, kCmdMaintenance, 0, 0);
    auto reply = rqb2.Respond(MakeRequest(kCmdWrite, 30, 1, 0, Text(" BPS.02 ")));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->speed, 1200);
    EXPECT_EQ(Decode(reply->bytes).data, " BPS.02 ");
    EXPECT_EQ(rqb2.Speed(), 9600);
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 30, 1, 0, " BPS.55 ").status, kStatusCommandError);
    EXPECT_EQ(rqb2.Speed(), 9600);
    rqb2.PowerCycle();
    EXPECT_EQ(rqb2.Speed(), 1200);
}

TEST(SimInstrumentLoad, FaultsAndSpeedComeFromTheDescription) {
    nlohmann::json j = nlohmann::json::parse(R"({
        "model": "X1", "speed": 1200,
        "display": [{"name": "D", "items": [{"name": "A", "kind": "text"}]}],
        "set": [{"name": "S", "items": [{"name": "B", "kind": "text"}]}],
        "adjust": [{"name": "J", "items": [{"name": "C", "kind": "text"}]}]})");
    j[std::string(kFaultsKey)] = {{std::string(kFaultStartSpeed), 9600},
                                  {std::string(kFaultDrop), {{std::string(kFaultOn), "all"}}}};
    Instrument x = Instrument::FromJson(j);
    EXPECT_EQ(x.Speed(), 9600);
    EXPECT_FALSE(x.Handle(MakeRequest(kCmdRead, 0, 1, 0)));
    EXPECT_FALSE(x.Handle(MakeRequest(kCmdRead, 0, 1, 0)));
    EXPECT_EQ(x.RequestCount(), 2);
    // Groups without an MA follow on from 1.
    x.Faults().drop = {};
    EXPECT_EQ(Decode(*x.Handle(MakeRequest(kCmdRead, 25, 0, 0))).ma, 2);
}

TEST(SimInstrumentLoad, BadDescriptionsAreRefusedWithTheReason) {
    auto error = [](const std::string& text) -> std::string {
        try {
            Instrument::FromJson(nlohmann::json::parse(text));
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "accepted";
    };
    const std::string groups =
        R"("display": [{"name": "D", "items": [{"name": "A", "kind": "text"}]}],
        "set": [{"name": "S", "items": [{"name": "B", "kind": "text"}]}],
        "adjust": [{"ma": 24, "name": "J", "items": [{"name": "C", "kind": "text"}]}])";
    EXPECT_NE(error(R"({"model": "X", )" + groups + "}").find("reserved"), std::string::npos);
    EXPECT_NE(error(R"({"model": "X", "colour": 1})").find("unknown key \"colour\""),
              std::string::npos);
    EXPECT_NE(
        error(
            R"({"model": "X", "display": [{"name": "D", "items": [{"name": "A", "kind": "blob"}]}]})")
            .find("unknown kind"),
        std::string::npos);
    EXPECT_NE(
        error(
            R"({"model": "X", "display": [{"name": "D", "items": [{"name": "A", "kind": "select"}]}]})")
            .find("choices"),
        std::string::npos);
    EXPECT_NE(
        error(
            R"({"model": "X", "display": [{"name": "D", "items": [{"name": "ABCDEFGHI", "kind": "text"}]}]})")
            .find("longer than 8"),
        std::string::npos);
    EXPECT_NE(error(R"({"model": "X", "display": [{"name": "D", "items": []}]})")
                  .find("head and an item"),
              std::string::npos);
}

}  // namespace
}  // namespace rq50::sim::test
