#include "files/FileNameRules.h"

#include <gtest/gtest.h>

#include "FileSamples.h"
#include "FileTestSupport.h"
#include "ShellFakes.h"
#include "files/Backup.h"
#include "files/SingleByteText.h"

namespace rq50::shell {

using namespace rq50::files;
namespace {

using testing::ServicesScope;

TEST(FileNameRules, TitleLength) {
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    DialogFileName ok{"ABCDEFGHIJKLMNOP.7pa", "/d/ABCDEFGHIJKLMNOP.7pa", "Save As"};
    EXPECT_TRUE(CheckDialogFileName(ws, ok));
    EXPECT_EQ(ok.fileName, "/d/ABCDEFGHIJKLMNOP.7pa");
    EXPECT_TRUE(scope.messages.boxes.empty());

    DialogFileName tooLong{"ABCDEFGHIJKLMNOPQ.7pa", "/d/ABCDEFGHIJKLMNOPQ.7pa", "Save As"};
    EXPECT_FALSE(CheckDialogFileName(ws, tooLong));
    EXPECT_EQ(tooLong.fileName, "");
    ASSERT_EQ(scope.messages.boxes.size(), 1u);
    EXPECT_EQ(scope.messages.boxes[0].text, "Enter a file name within 16 alphanumeric characters.");
    EXPECT_EQ(scope.messages.boxes[0].title, "Save As");
}

TEST(FileNameRules, PrintableCharacters) {
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    for (const std::string& title :
         {std::string("A\x7f.7pa"), std::string("Caf\xe9.7pa"), std::string("a\tb.7pa")}) {
        DialogFileName d{title, "/x/" + title, "Save As"};
        EXPECT_FALSE(CheckDialogFileName(ws, d));
        EXPECT_EQ(d.fileName, "");
    }
    ASSERT_EQ(scope.messages.boxes.size(), 3u);
    EXPECT_EQ(scope.messages.boxes[0].text,
              "Only alphanumeric characters and symbols (Ascii code 32 - 126) are acceptable for "
              "a file name.");
    EXPECT_TRUE(IsPrintableFileName(" !~", false));
    EXPECT_FALSE(IsPrintableFileName("a\r\nb", false));
    EXPECT_TRUE(IsPrintableFileName("a\r\nb", true));
    EXPECT_FALSE(IsPrintableFileName("a\tb", true));
}

TEST(SetCurrentFile, CaptionAndInformationFileName) {
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    SetCurrentFile(ws, "", "");
    EXPECT_EQ(ws.state.currentFileTitle, "NewFile");
    EXPECT_EQ(ws.state.mainCaption, "MODEL:RQ50 - [NewFile]");
    EXPECT_EQ(scope.navigation.caption, "MODEL:RQ50 - [NewFile]");
    EXPECT_EQ(ws.information.fileName, files::FixedLength("NewFile", 40));
    SetCurrentFile(ws, "PUMP1.7pa", "/data/PUMP1.7pa");
    EXPECT_EQ(ws.state.currentFilePath, "/data/PUMP1.7pa");
    EXPECT_EQ(ws.state.mainCaption, "MODEL:RQ50 - [PUMP1.7pa]");
    EXPECT_EQ(ws.information.fileName, "PUMP1.7pa" + std::string(31, ' '));
    SetCurrentFile(ws, std::string(45, 'x'), "p");
    EXPECT_EQ(ws.information.fileName, std::string(40, 'x'));
}

TEST(CheckDiskSpace, RequirementIsLastIndexTimes40Plus750) {
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    files::test::FakeUtility exact;
    exact.freeSpace = 99 * 40 + 750;
    ws.hosts.utility = &exact;
    EXPECT_TRUE(CheckDiskSpace(ws, "C:\\User\\PARAMETER\\A.7pa", 99));
    EXPECT_EQ(exact.asked.back(), "C:\\");
    EXPECT_FALSE(CheckDiskSpace(ws, "/data/A.7pa", 100));
    EXPECT_EQ(exact.asked.back(), "/data");
    EXPECT_TRUE(CheckDiskSpace(ws, "\\\\plant-nas\\rq50\\A.7pa", 99));  // a network share
    EXPECT_EQ(exact.asked.back(), "\\\\plant-nas\\rq50\\");
    ASSERT_EQ(scope.messages.boxes.size(), 1u);
    EXPECT_EQ(scope.messages.boxes[0].title, "Save to File");
    exact.freeSpace = -1;
    EXPECT_FALSE(CheckDiskSpace(ws, "/data/A.7pa", 0));
    EXPECT_EQ(scope.messages.boxes.size(), 1u);  // no message when it cannot be told
}

TEST(BackupFileName, ModelTagAndTimeMadeSafeForAnyFileSystem) {
    using files::DataFileKind;
    EXPECT_EQ(
        files::BackupFileName("RQB2    ", " FIC-101 ", "20261207-101010", DataFileKind::kParameter),
        "RQB2_FIC-101_20261207-101010.7pa");
    EXPECT_EQ(files::BackupFileName("RQK2", "", "20261207-101010", DataFileKind::kProgram),
              "RQK2_none_20261207-101010.7pr");
    EXPECT_EQ(files::BackupFileName("A/B", "T I:\\*?\"<>|1", "t", DataFileKind::kParameter),
              "A-B_T-I--------1_t.7pa");
    // The tag comes from the TAG NO item where the model has one.
    auto set = files::test::SampleParameterRecord().items;
    EXPECT_EQ(files::TagOf(set), "");
    set.push_back(files::test::Block(0x83, 0x03, 0x06, 0x00, "TAG NO  PT-7    "));
    EXPECT_EQ(files::TagOf(set), "PT-7");
}

}  // namespace
}  // namespace rq50::shell
