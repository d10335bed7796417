#include <gtest/gtest.h>

#include "ShellFakes.h"
#include "ShellTempDir.h"
#include "comm/Engine.h"
#include "session/StartUp.h"
#include "shell/ConfigTables.h"
#include "shell/ListInput.h"

namespace rq50::shell {

using namespace rq50::session;
using namespace rq50::files;
namespace {

using testing::ServicesScope;
using testing::TempAppFolder;
using Fields = std::vector<std::string>;

TEST(ListInput, FieldRules) {
    ListInputReader reader(
        "  a , b c ,\"q, \"\" x \",\"kept \"  tail,last\r\n"
        "\n"
        "x,\ny,z");
    EXPECT_EQ(reader.ReadRecord(5), (Fields{"a", "b c", "q, ", "kept ", "last"}));
    EXPECT_EQ(reader.ReadRecord(1), Fields{""});  // the empty line
    // A record spans lines: "x," ends at the comma, the next field is the
    // rest of that line, and the record goes on with the next line.
    EXPECT_EQ(reader.ReadRecord(4), (Fields{"x", "", "y", "z"}));
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_TRUE(reader.ReadRecord(2).empty());
}

TEST(ListInput, FileWithHeadersAndAShortLastRecord) {
    TempAppFolder folder;
    const auto path = folder.Write("t.ini", "H1,H2,H3\nA,1,2\nB,3\n\n");
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(ReadListInputFile(path, 3, 1, rows));
    // "B,3" and the empty line form one short record; trailing blanks end it.
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Fields{"A", "1", "2"}));
    EXPECT_EQ(rows[1], (Fields{"B", "3", ""}));
    EXPECT_FALSE(ReadListInputFile((folder.Path() / "none.ini").string(), 3, 1, rows));
}

TEST(ListInput, OnlyTextFilesAreRead) {
    TempAppFolder folder;
    std::vector<std::vector<std::string>> rows;
    // Tabs, CR LF, a trailing Ctrl-Z and Latin-1 letters are text.
    EXPECT_TRUE(ReadListInputFile(folder.Write("ok.ini", "H\tX\r\nR\xe9G2\r\n\x1a"), 1, 1, rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "R\xe9G2");
    // A NUL or another control byte means a binary or damaged file.
    rows.clear();
    EXPECT_FALSE(
        ReadListInputFile(folder.Write("nul.ini", std::string("H\nRQG2\0,x\n", 10)), 2, 1, rows));
    EXPECT_FALSE(ReadListInputFile(folder.Write("ctl.ini", "H\nRQ\x02G2\n"), 1, 1, rows));
    EXPECT_TRUE(rows.empty());
    // A folder under the file's name cannot be read.
    std::filesystem::create_directory(folder.Path() / "dir.ini");
    EXPECT_FALSE(ReadListInputFile((folder.Path() / "dir.ini").string(), 1, 1, rows));
}

TEST(ConfigTables, HeaderOnlyFilesGiveEmptyTablesAndStartUpSucceeds) {
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    TempAppFolder folder;
    folder.Write("V3Model.ini", "\"MODEL\",\"NOTE\"\r\n");
    folder.Write("Category.ini", "T,,,,,,,\nM,S,P,C,Q,K,O,N\n");
    comm::CommEngine engine;
    ws.hosts.engine = &engine;
    engine.SetWorkspace(ws);
    ws.state.maintMode = true;
    engine.SetSpeed(9600);
    EXPECT_TRUE(LoadModelTable(ws));
    EXPECT_TRUE(ws.config.LoadCategories());
    EXPECT_TRUE(ws.config.models.empty());
    EXPECT_TRUE(ws.config.categories.empty());
    EXPECT_FALSE(ws.config.IsModelRegistered("RQB2"));
    EXPECT_FALSE(ws.state.maintMode);
    EXPECT_EQ(engine.Speed(), 1200);
}

TEST(ConfigTables, ModelAndCategoryRows) {
    Workspace ws;
    TempAppFolder folder;
    folder.Write("V3Model.ini", "MODEL,NOTE\n RQH2 ,v3\nRQG2,\"a, b\"\n");
    folder.Write("Category.ini",
                 "T,,,,,,,\nM,S,P,C,Q,K,O,N\nRQK2,48,P01,16,Q01,FPU,K2,\nLW*,0,,0,,LW,,x\n");
    ASSERT_TRUE(LoadModelTable(ws));
    ASSERT_TRUE(ws.config.LoadCategories());
    ASSERT_EQ(ws.config.models.size(), 2u);
    EXPECT_EQ(ws.config.models[1].column2, "a, b");
    EXPECT_TRUE(ws.config.IsModelRegistered("RQH2  "));
    EXPECT_FALSE(ws.config.IsModelRegistered("RQH"));
    ASSERT_EQ(ws.config.categories.size(), 2u);
    EXPECT_EQ(ws.config.categories[0],
              (CategoryRow{"RQK2", "48", "P01", "16", "Q01", "FPU", "K2", ""}));
    EXPECT_EQ(ws.config.categories[1][2], "");
    // A second, shorter read replaces rows by index and keeps the rest.
    folder.Write("V3Model.ini", "MODEL,NOTE\nRQX2,\n");
    ASSERT_TRUE(LoadModelTable(ws));
    ASSERT_EQ(ws.config.models.size(), 2u);
    EXPECT_EQ(ws.config.models[0].code, "RQX2");
    EXPECT_EQ(ws.config.models[1].code, "RQG2");
}

TEST(ConfigTables, MissingFilesFail) {
    Workspace ws;
    TempAppFolder folder;
    EXPECT_FALSE(LoadModelTable(ws));
    EXPECT_FALSE(ws.config.LoadCategories());
    EXPECT_TRUE(ReadBaudRateFile((folder.Path() / "Baudrate.ini").string()).empty());
    EXPECT_EQ(ws.config.FindBaudRateEntry("RQK2"), -1);
}

TEST(BaudRate, HexColumnsAndLongestPatternFirst) {
    Workspace ws;
    TempAppFolder folder;
    for (const char* content : {"M,A,B,C,P,H,L\nRQ*,1E,1,0,BPS,02,01\nRQK2*,1e,2,ff,BPS,12,11\n",
                                "M,A,B,C,P,H,L\nRQK2*,1e,2,ff,BPS,12,11\nRQ*,1E,1,0,BPS,02,01\n"}) {
        folder.Write("Baudrate.ini", content);
        std::vector<BaudRateEntry> table;
        const int k2 = ws.config.FindBaudRateEntry("RQK2", &table);
        ASSERT_GE(k2, 0);
        EXPECT_EQ(table[k2].modelPattern, "RQK2*");
        EXPECT_EQ(table[k2].ma, 30);
        EXPECT_EQ(table[k2].mb, 2);
        EXPECT_EQ(table[k2].mc, 255);
        EXPECT_EQ(table[k2].code9600, "12");
        const int b2 = ws.config.FindBaudRateEntry("RQB2");
        EXPECT_EQ(table[b2].modelPattern, "RQ*");
        EXPECT_EQ(ws.config.FindBaudRateEntry("ZNC"), -1);
        EXPECT_EQ(ws.config.FindBaudRateEntry("rqk2"), -1);
    }
    EXPECT_EQ(HexToInt16("1F"), 31);
    EXPECT_EQ(HexToInt16("FFFF"), -1);
    EXPECT_EQ(HexToInt16("zz"), 0);
    EXPECT_EQ(HexToInt16("1G"), 1);
}

TEST(SampleFiles, AreConsistentWithEachOther) {
    Workspace ws;
    TempAppFolder folder;
    const std::filesystem::path samples =
        std::filesystem::path(RQ50_SOURCE_DIR) / "src" / "resources" / "appdir";
    for (const char* name : {"V3Model.ini", "Category.ini", "Baudrate.ini", "OPE_TBLK2.ini"}) {
        std::filesystem::copy_file(samples / name, folder.Path() / name);
    }
    ASSERT_TRUE(LoadModelTable(ws));
    ASSERT_TRUE(ws.config.LoadCategories());
    EXPECT_FALSE(ws.config.models.empty());
    EXPECT_FALSE(ws.config.IsModelRegistered("RQB2"));
    bool k2Found = false;
    for (const CategoryRow& row : ws.config.categories) {
        if (row[0] != "RQK2") continue;
        k2Found = true;
        EXPECT_TRUE(std::filesystem::exists(folder.Path() / ("OPE_TBL" + row[6] + ".ini")));
    }
    EXPECT_TRUE(k2Found);
    std::vector<BaudRateEntry> table;
    const int k2 = ws.config.FindBaudRateEntry("RQK2", &table);
    ASSERT_GE(k2, 0);
    EXPECT_EQ(table[k2].modelPattern, "RQK2*");
    EXPECT_GE(ws.config.FindBaudRateEntry("RQB2"), 0);
}

}  // namespace
}  // namespace rq50::shell
