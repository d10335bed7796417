// The shipped instruments: V3 access, rack slots, PROGRAM/CONST areas, and
// agreement with the sample configuration files of the application folder.

#include "SimTestSupport.h"
#include "shell/ConfigTables.h"
#include "shell/TextTrim.h"
#include "shell/Wildcard.h"

namespace rq50::sim::test {
namespace {

// Walks the menu as an upload does (category starts, 84h through each group,
// 82h to the next) and returns every address seen, heads excluded.
std::vector<std::pair<int, int>> WalkVisibleMenu(Instrument& instrument) {
    std::vector<std::pair<int, int>> seen;
    const int start = Ask(instrument, kCmdRead, kDisplayStartMa, 0).ma;
    int ma = start;
    for (int groups = 0; groups < 64; ++groups) {
        const int firstMb = Ask(instrument, kCmdNextItem, ma, 0).mb;
        int mb = firstMb;
        seen.emplace_back(ma, mb);
        for (int i = 0; i < 64; ++i) {
            const int next = Ask(instrument, kCmdNextItem, ma, mb).mb;
            if (next == firstMb || next == mb) break;
            seen.emplace_back(ma, mb = next);
        }
        ma = Ask(instrument, kCmdNextGroup, ma, 0).ma;
        if (ma == start) break;
    }
    return seen;
}

std::vector<std::pair<int, int>> NonMaintItems(const Device& device) {
    std::vector<std::pair<int, int>> items;
    for (const Group& group : device.groups)
        if (group.category != Category::Maint)
            for (std::size_t i = 1; i < group.items.size(); ++i)
                items.emplace_back(group.ma, group.items[i].mb);
    return items;
}

TEST(SimSamples, UploadWalkReachesEveryItemAndEnds) {
    for (const char* file : {"RQB2.json", "RQG2.json", "RQK2.json"}) {
        Instrument instrument = LoadShipped(file);
        EXPECT_EQ(WalkVisibleMenu(instrument), NonMaintItems(*instrument.DeviceAt())) << file;
    }
}

TEST(SimSamples, V3ModelTakesTheAccessCodeAndHasTypeItems) {
    Instrument rqg2 = LoadShipped("RQG2.json");
    EXPECT_EQ(Ask(rqg2, kCmdWrite, 20, 3, 0, "R350.02 ").status, kStatusCommandError);
    EXPECT_EQ(Ask(rqg2, kCmdWrite, 20, 3, 0, "R350.01").status, kStatusCommandError);
    const Answer custom = Ask(rqg2, kCmdWrite, 20, 3, 0, "R350.01 ");
    EXPECT_EQ(custom.status, kStatusNormal);
    EXPECT_EQ(custom.ma, 20);
    EXPECT_EQ(custom.mb, 3);
    EXPECT_EQ(custom.data.substr(6), "82");

    const Answer sensor = Ask(rqg2, kCmdRead, 4, 7);
    EXPECT_EQ(sensor.kind, kKindSelect);
    EXPECT_EQ(sensor.name, "SENSOR TYPE ");
    EXPECT_EQ(sensor.data.substr(0, 5), "Pt100");
    const Answer out2 = Ask(rqg2, kCmdRead, 20, 12);
    EXPECT_EQ(out2.kind, kKindSelect);
    EXPECT_EQ(out2.mc, 0);
    // OUT2 TYPE sits behind a gap in its group; the walk steps over it.
    EXPECT_EQ(Ask(rqg2, kCmdNextItem, 20, 3).mb, 12);
    EXPECT_EQ(Ask(rqg2, kCmdNextItem, 20, 12).mb, 12);  // stays at the end

    // An instrument outside the V3 list has no access code address.
    Instrument rqb2 = LoadShipped("RQB2.json");
    EXPECT_EQ(Ask(rqb2, kCmdWrite, 20, 3, 0, "R350.01 ").status, kStatusAddressError);
}

TEST(SimSamples, RackAnswersSlotItemUntilASlotIsSelectedAndForgetsItOnClose) {
    Instrument znc = LoadShipped("ZNC.json");
    for (auto [command, ma] :
         {std::pair{kCmdRead, 0}, {kCmdRead, kDisplayStartMa}, {kCmdNextItem, 3}}) {
        const Answer slot = Ask(znc, command, ma, ma == 0 ? 1 : 0);
        EXPECT_EQ(slot.name + slot.data, "SLOT NO       00");
        EXPECT_EQ(slot.type, 2);
        EXPECT_EQ(slot.kind, kKindFixed);
    }
    EXPECT_EQ(Ask(znc, kCmdWrite, 0, 0, 0, "      02").status, kStatusAddressError);  // empty
    EXPECT_EQ(Ask(znc, kCmdWrite, 0, 0, 0, "      17").status, kStatusAddressError);
    EXPECT_EQ(Ask(znc, kCmdWrite, 0, 0, 0, "     3  ").status, kStatusCommandError);
    EXPECT_EQ(znc.SelectedSlot(), 0);

    EXPECT_EQ(Ask(znc, kCmdWrite, 0, 0, 0, "      03").data, "      03");
    EXPECT_EQ(Ask(znc, kCmdNextItem, 0, 0).data, "RQG2    ");
    EXPECT_EQ(Ask(znc, kCmdWrite, 0, 0, 0, "      01").data, "      01");
    EXPECT_EQ(Ask(znc, kCmdRead, 0, 1).data, "RQB2    ");
    Ask(znc, kCmdMaintenance, 0, 0);
    EXPECT_TRUE(znc.DeviceAt(1)->MaintOpen());
    EXPECT_FALSE(znc.DeviceAt(3)->MaintOpen());

    znc.LineClosed();
    EXPECT_EQ(znc.SelectedSlot(), 0);
    EXPECT_FALSE(znc.DeviceAt(1)->MaintOpen());
    const Answer again = Ask(znc, kCmdRead, 0, 1);
    EXPECT_EQ(again.name + again.data, "SLOT NO       00");
}

TEST(SimSamples, FreeProgramUnitHoldsProgramAndConstAreas) {
    Instrument rqk2 = LoadShipped("RQK2.json");
    const Answer step1 = Ask(rqk2, kCmdRead, 16, 1);
    EXPECT_EQ(step1.name, "PROGRAM ");
    EXPECT_EQ(step1.kind, kKindText);
    EXPECT_EQ(step1.data, "LDX1    ");
    EXPECT_EQ(Ask(rqk2, kCmdRead, 16, 6).data, "NOP     ");
    EXPECT_EQ(Ask(rqk2, kCmdRead, 16, 48).name, "PROGRAM ");
    EXPECT_EQ(Ask(rqk2, kCmdRead, 16, 49).status, kStatusAddressError);
    EXPECT_EQ(Ask(rqk2, kCmdRead, 16, 0).name, "PROGRAM ");

    const Answer c2 = Ask(rqk2, kCmdRead, 17, 2);
    EXPECT_EQ(c2.name, "CONST   ");
    EXPECT_EQ(c2.kind, kKindDecimal);
    EXPECT_EQ(c2.data, "-0.25000");
    EXPECT_EQ(Ask(rqk2, kCmdRead, 17, 16).data, "+0.00000");
    EXPECT_EQ(Ask(rqk2, kCmdRead, 17, 17).status, kStatusAddressError);

    EXPECT_EQ(Ask(rqk2, kCmdWrite, 16, 6, 0, "GO01    ").data, "GO01    ");
    EXPECT_EQ(Ask(rqk2, kCmdWrite, 17, 3, 0, "+40000.0").data, "+32000.0");
    EXPECT_EQ(Ask(rqk2, kCmdWrite, 17, 3, 0, "-12.3456").data, "-12.3456");

    Instrument rqb2 = LoadShipped("RQB2.json");
    EXPECT_EQ(Ask(rqb2, kCmdRead, 16, 1).status, kStatusAddressError);
    EXPECT_EQ(Ask(rqb2, kCmdRead, 17, 1).status, kStatusAddressError);
}

// --- agreement with the configuration files shipped next to the program ---

TEST(SimSamples, AgreeWithTheSampleConfigurationFiles) {
    const std::string appdir = std::string(RQ50_SOURCE_DIR) + "/src/resources/appdir/";
    shell::ConfigTables tables;
    ASSERT_TRUE(shell::ReadModelFile(appdir + "V3Model.ini", tables.models));
    ASSERT_TRUE(shell::ReadCategoryFile(appdir + "Category.ini", tables.categories));
    const auto baudRows = shell::ReadBaudRateFile(appdir + "Baudrate.ini");
    ASSERT_FALSE(baudRows.empty());

    Instrument znc = LoadShipped("ZNC.json");
    Instrument files[] = {LoadShipped("RQB2.json"), LoadShipped("RQG2.json"),
                          LoadShipped("RQK2.json")};
    std::vector<Device*> devices{znc.DeviceAt(1), znc.DeviceAt(3)};
    for (auto& f : files) devices.push_back(f.DeviceAt());

    for (Device* device : devices) {
        const std::string model = shell::Trim(device->model);
        EXPECT_EQ(device->v3, tables.IsModelRegistered(model)) << model;

        const shell::BaudRateEntry* best = nullptr;
        for (const auto& row : baudRows)
            if (shell::WildcardMatch(model, row.modelPattern) &&
                (!best || row.modelPattern.size() > best->modelPattern.size()))
                best = &row;
        ASSERT_TRUE(device->baudRate.has_value()) << model;
        if (best == nullptr) continue;
        EXPECT_EQ(device->baudRate->ma, best->ma) << model;
        EXPECT_EQ(device->baudRate->mb, best->mb) << model;
        EXPECT_EQ(device->baudRate->mc, best->mc) << model;
        EXPECT_EQ(device->baudRate->prefix, best->valuePrefix) << model;
        EXPECT_EQ(device->baudRate->code9600, best->code9600) << model;
        EXPECT_EQ(device->baudRate->code1200, best->code1200) << model;
    }

    // The program areas of RQK2 lie where its category row says.
    Device& rqk2 = *files[2].DeviceAt();
    const shell::CategoryRow* row = nullptr;
    for (const auto& r : tables.categories)
        if (r[0] == "RQK2") row = &r;
    ASSERT_NE(row, nullptr);
    auto checkArea = [&rqk2](const std::string& count, const std::string& start,
                             const std::string& name) {
        const int ma = start[0] - 64;
        const int first = std::stoi(start.substr(1));
        const Group* group = rqk2.FindGroup(ma);
        ASSERT_NE(group, nullptr) << name;
        ASSERT_EQ(group->items.size(), static_cast<std::size_t>(std::stoi(count)) + 1) << name;
        EXPECT_EQ(group->items[1].mb, first);
        for (const Item& item : group->items) EXPECT_EQ(shell::Trim(item.name), name);
    };
    checkArea((*row)[1], (*row)[2], "PROGRAM");
    checkArea((*row)[3], (*row)[4], "CONST");
}

}  // namespace
}  // namespace rq50::sim::test
