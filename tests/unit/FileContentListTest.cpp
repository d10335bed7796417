// The content list: one row per item, a blank row between groups, and the cut
// before the MAINT category unless MAINT Mode is on.
#include "FileSamples.h"
#include "files/ContentList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rq50::files {
namespace {

using test::Block;

// Each row as its address, or "-" for a blank row.
std::vector<std::string> Addresses(const std::vector<ContentRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back(r.blank ? "-" : r.address);
    return out;
}

// Groups A (two items), B, C (MAINT from MA 3).
parameter::ItemArray ThreeGroups() {
    return {Block(0x80, 0x01, 0x00, 0, "INPUT   "),
            Block(0xC2, 0x01, 0x01, 0, "PV      +012.34 degC    "),
            Block(0x83, 0x02, 0x05, 0, "SET,A   1A2B    "), Block(0x80, 0x03, 0x00, 0, "MAINT   "),
            Block(0x83, 0x03, 0x01, 0, "CAL     ON      ")};
}

DataSetHeader MaintFrom(std::int32_t maintStart) {
    DataSetHeader h;
    h.starts[files::Category::Maint] = maintStart;
    return h;
}

TEST(BuildContentList, GroupsAreOneBlankRowApartAndMaintIsCutUnlessMaintMode) {
    const auto items = ThreeGroups();
    EXPECT_EQ(Addresses(BuildContentList(items, MaintFrom(3), false)),
              (std::vector<std::string>{"A", "A01", "-", "B05"}));
    EXPECT_EQ(Addresses(BuildContentList(items, MaintFrom(3), true)),
              (std::vector<std::string>{"A", "A01", "-", "B05", "-", "C", "C01"}));
    // A MAINT start of 0 or below means no MAINT (CategorySplit has 0).
    EXPECT_EQ(BuildContentList(items, MaintFrom(-7), false).size(), 7u);

    // The row texts: name, data formatted for the list, auxiliary text.
    const auto rows = BuildContentList(items, MaintFrom(3), false);
    EXPECT_EQ(rows[1].name, "PV      ");
    EXPECT_EQ(rows[1].data, "12.34 ");
    EXPECT_EQ(rows[1].aux, "degC    ");
}

// An item of MA 0 is no group of its own: no blank row follows it.
TEST(BuildContentList, NoBlankRowAfterAnItemOfMaZero) {
    parameter::ItemArray items = {Block(0x80, 0x00, 0x01, 0, "MODEL   "),
                                  Block(0x80, 0x01, 0x00, 0, "INPUT   "),
                                  Block(0x80, 0x02, 0x00, 0, "OUTPUT  ")};
    EXPECT_EQ(Addresses(BuildContentList(items, MaintFrom(7), false)),
              (std::vector<std::string>{"", "A", "-", "B"}));
}

}  // namespace
}  // namespace rq50::files
