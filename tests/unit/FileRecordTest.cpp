#include "FileSamples.h"
#include "FileTestSupport.h"
#include "files/FileError.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "shell/Catalogue.h"
#include "shell/PlatformFile.h"
#include "shell/SessionState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>

namespace rq50::files {
namespace {

namespace fs = std::filesystem;
namespace platform = shell::platform;
using test::ReadBytes;
using test::WriteBytes;

/// A workspace of its own and a fresh folder for each test.
class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = test::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    void MakeCurrent(const ParameterFileRecord& r) {
        ws.information = r.information;
        ws.header = r.header;
        ws.items.dataSet = r.items;
    }
    void MakeCurrent(const ProgramFileRecord& r) {
        ws.information = r.information;
        ws.program.header = r.header;
        ws.program.records = r.items;
    }
    /// Files in the test folder other than `keep`: a failed write must leave
    /// no temporary file behind.
    std::vector<std::string> OtherFiles(const std::string& keep) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir)) {
            if (e.path().filename() != keep) names.push_back(e.path().filename().string());
        }
        return names;
    }

    test::ScopedFakeServices m_services;

    files::Workspace& ws = m_services.ws;
    fs::path m_dir;
};

// Program records are the same when they encode to the same bytes.
void ExpectSameProgram(const ProgramFileRecord& a, const ProgramFileRecord& b) {
    EXPECT_EQ(EncodeProgramRecord(a), EncodeProgramRecord(b));
}

TEST(RecordLayout, ParameterExampleIsByteForByte) {
    const auto expected = test::SampleParameterBytes();
    ASSERT_EQ(expected.size(), 876u);
    const auto bytes = EncodeParameterRecord(test::SampleParameterRecord());
    EXPECT_EQ(bytes, expected);

    ParameterFileRecord decoded;
    ASSERT_EQ(DecodeParameterRecord(expected, decoded), FileError::Ok);
    EXPECT_EQ(decoded, test::SampleParameterRecord());
    EXPECT_EQ(decoded.information.title2.size(), 40u);  // padding kept
}

TEST(RecordLayout, ProgramExampleIsByteForByte) {
    const auto expected = test::SampleProgramBytes();
    ASSERT_EQ(expected.size(), 1082u);
    EXPECT_EQ(EncodeProgramRecord(test::SampleProgramRecord()), expected);

    ProgramFileRecord decoded;
    ASSERT_EQ(DecodeProgramRecord(expected, decoded), FileError::Ok);
    ExpectSameProgram(decoded, test::SampleProgramRecord());
    EXPECT_EQ(decoded.header.stepComments[0], "load input               ");
}

// The fixture files (also the fuzzers' seeds and the command-line tests'
// input) are the byte-built samples.
TEST(RecordLayout, FixturesAreTheSamples) {
    const std::filesystem::path data = RQ50_TEST_DATA_DIR;
    EXPECT_EQ(ReadBytes(data / "files" / "PLANT1.7pa"), test::SampleParameterBytes());
    EXPECT_EQ(ReadBytes(data / "files" / "MIX.7pr"), test::SampleProgramBytes());
}

TEST(RecordLayout, EmptyArraysAreOneZeroWord) {
    ProgramFileRecord r = test::SampleProgramRecord();
    r.header.stepComments.clear();
    r.header.stepCount = 0;
    r.header.constCount = 0;
    r.items.clear();
    const auto bytes = EncodeProgramRecord(r);
    // 2 + L + 28 + 2 for the header, 2 for the item array.
    EXPECT_EQ(bytes.size(), 668u + 76 + (2 + 4 + 28 + 2) + 9 + 2);
    ProgramFileRecord back;
    ASSERT_EQ(DecodeProgramRecord(bytes, back), FileError::Ok);
    EXPECT_TRUE(back.items.empty());
    EXPECT_TRUE(back.header.stepComments.empty());
}

TEST_F(FileTest, ParameterWrittenAndReadBackUnderAnotherName) {
    MakeCurrent(test::SampleParameterRecord());
    const std::string path = Path("PLANT1.7pa");
    ASSERT_TRUE(WriteParameterFile(ws, path));
    EXPECT_EQ(ReadBytes(path), test::SampleParameterBytes());
    EXPECT_EQ(m_services.utility.asked, std::vector<std::string>{m_dir.string()});

    fs::rename(path, Path("RENAMED.7pa"));
    ws.items.dataSet.clear();
    ws.header = {};
    ASSERT_TRUE(ReadParameterFile(ws, Path("RENAMED.7pa")));
    ParameterFileRecord expected = test::SampleParameterRecord();
    expected.information.fileName = FixedLength("RENAMED.7pa", 40);
    EXPECT_EQ(CurrentParameterRecord(ws), expected);
    EXPECT_TRUE(m_services.messages.boxes.empty());
}

TEST_F(FileTest, ProgramWrittenAndReadBackUnderAnotherName) {
    MakeCurrent(test::SampleProgramRecord());
    const std::string path = Path("MIX.7pr");
    ASSERT_TRUE(WriteProgramFile(ws, path));
    EXPECT_EQ(ReadBytes(path), test::SampleProgramBytes());

    ws.program = {};
    ASSERT_TRUE(ReadProgramFile(ws, path, "OTHER.7pr"));
    ProgramFileRecord expected = test::SampleProgramRecord();
    expected.information.fileName = FixedLength("OTHER.7pr", 40);
    ExpectSameProgram(CurrentProgramRecord(ws), expected);
    EXPECT_EQ(ws.program.headerCopy.stepComments, expected.header.stepComments);

    // Names are UTF-8 texts, also where the system keeps them in UTF-16.
    const std::u8string folder = u8"Pr\u00fcfstand \u6e2c\u5b9a";
    const std::string title = "Anlage \xc3\x96l.7pr";
    fs::create_directory(m_dir / folder);
    const std::string wide = platform::Utf8FromPath(m_dir / folder) + "/" + title;
    MakeCurrent(test::SampleProgramRecord());
    ASSERT_TRUE(WriteProgramFile(ws, wide));
    const auto entry = *fs::directory_iterator(m_dir / folder);
    EXPECT_EQ(platform::Utf8FromPath(entry.path().filename()), title);
    EXPECT_EQ(ReadBytes(entry.path()), test::SampleProgramBytes());
    ws.program = {};
    ASSERT_TRUE(ReadProgramFile(ws, wide));
    EXPECT_EQ(CurrentProgramRecord(ws).items, test::SampleProgramRecord().items);
}

// Every way a file can be wrong: each must fail with a message and leave the
// data in memory exactly as it was.
TEST_F(FileTest, DamagedFilesLeaveTheDataUntouched) {
    const ParameterFileRecord current = test::SampleParameterRecord();
    const auto good = test::SampleParameterBytes();
    const auto program = test::SampleProgramBytes();

    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases;
    for (std::size_t cut = 0; cut < good.size(); cut += 7) {
        cases.emplace_back("cut at " + std::to_string(cut),
                           std::vector(good.begin(), good.begin() + static_cast<long>(cut)));
    }
    cases.emplace_back("program file", program);
    auto absurd = good;
    absurd[746 + 2] = 0xFF;  // element count 0x7FFFFFFF... of the item array
    absurd[746 + 5] = 0x7F;
    cases.emplace_back("absurd count", absurd);
    auto negative = good;
    negative[746 + 5] = 0x80;
    cases.emplace_back("negative count", negative);
    auto twoDims = good;
    twoDims[746] = 2;
    cases.emplace_back("two dimensions", twoDims);
    auto lowerBound = good;
    lowerBound[746 + 6] = 1;
    cases.emplace_back("lower bound 1", lowerBound);
    auto modelLength = good;
    modelLength[694] = 0xFF;
    modelLength[695] = 0xFF;
    cases.emplace_back("model length beyond the end", modelLength);

    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        MakeCurrent(current);
        m_services.messages.boxes.clear();
        WriteBytes(Path("BAD.7pa"), bytes);
        EXPECT_FALSE(ReadParameterFile(ws, Path("BAD.7pa")));
        EXPECT_EQ(CurrentParameterRecord(ws), current);
        ASSERT_EQ(m_services.messages.boxes.size(), 1u);
        EXPECT_EQ(m_services.messages.boxes[0].title, shell::Catalogue(2113));
        // A file that ends inside a member, a text or an array, or whose count
        // asks for more than is left, ends too soon; a descriptor or count that
        // is impossible in itself is a wrong format.
        const bool impossible = name == "program file" || name == "negative count" ||
                                name == "two dimensions" || name == "lower bound 1";
        EXPECT_EQ(m_services.messages.boxes[0].text,
                  impossible ? "Invalid file format" : "Input past end of file");
    }

    // Program headers whose counts do not fit their records: each refused on
    // reading as damaged, never shown as "2147483647 CONST items" or with
    // operators taken for constants.
    const auto damaged = [](const std::function<void(ProgramFileRecord&)>& change) {
        ProgramFileRecord record = test::SampleProgramRecord();
        change(record);
        return EncodeProgramRecord(record);
    };
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> programCases = {
        {"huge CONST count", damaged([](auto& r) { r.header.constCount = INT32_MAX; })},
        {"64 steps", damaged([](auto& r) { r.header.stepCount = 64; })},
        {"no steps over step records", damaged([](auto& r) {
             r.header.constCount += r.header.stepCount;
             r.header.stepCount = 0;
             r.header.stepComments.clear();
         })},
        {"a record missing", damaged([](auto& r) { r.items.pop_back(); })},
    };
    for (const auto& [name, bytes] : programCases) {
        SCOPED_TRACE(name);
        ws.program = {};
        MakeCurrent(test::SampleProgramRecord());
        m_services.messages.boxes.clear();
        WriteBytes(Path("BAD.7pr"), bytes);
        EXPECT_FALSE(ReadProgramFile(ws, Path("BAD.7pr")));
        ExpectSameProgram(CurrentProgramRecord(ws), test::SampleProgramRecord());
        EXPECT_EQ(m_services.Texts(), std::vector<std::string>{"Invalid file format"});
    }

    // A parameter file read as a program file.
    ws.program = {};
    MakeCurrent(test::SampleProgramRecord());
    m_services.messages.boxes.clear();
    WriteBytes(Path("BAD.7pr"), good);
    EXPECT_FALSE(ReadProgramFile(ws, Path("BAD.7pr")));
    ExpectSameProgram(CurrentProgramRecord(ws), test::SampleProgramRecord());
    ASSERT_EQ(m_services.messages.boxes.size(), 1u);
    EXPECT_EQ(m_services.messages.boxes[0].title, shell::Catalogue(2116));
}

TEST_F(FileTest, TrailingBytesOfAnOlderFileAreIgnored) {
    auto bytes = test::SampleParameterBytes();
    bytes.insert(bytes.end(), 500, 0xAB);
    WriteBytes(Path("LONG.7pa"), bytes);
    ASSERT_TRUE(ReadParameterFile(ws, Path("LONG.7pa")));
    EXPECT_EQ(ws.items.dataSet, test::SampleParameterRecord().items);
}

// A write that fails part-way must leave the previous file byte-identical and
// no temporary file behind.
TEST_F(FileTest, FailedWritesKeepTheOldFile) {
    const std::string path = Path("KEEP.7pa");
    const std::vector<std::uint8_t> old(2000, 0x5A);
    MakeCurrent(test::SampleParameterRecord());

    struct Fault {
        std::size_t after;
        int error;
        int message;
    };
    for (const Fault f : {Fault{0, ENOSPC, 1522}, Fault{700, ENOSPC, 1522},
                          Fault{875, ENOSPC, 1522}, Fault{100, EIO, 1520}}) {
        SCOPED_TRACE(f.after);
        WriteBytes(path, old);
        m_services.messages.boxes.clear();
        {
            ScopedWriteFault fault(f.after, f.error);
            EXPECT_FALSE(WriteParameterFile(ws, path));
        }
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_TRUE(OtherFiles("KEEP.7pa").empty());
        EXPECT_EQ(m_services.Texts(), std::vector<std::string>{shell::Catalogue(f.message)});
        EXPECT_EQ(m_services.messages.boxes[0].title, shell::Catalogue(1553));
    }

    // The same record written without a fault replaces the longer file whole.
    ASSERT_TRUE(WriteParameterFile(ws, path));
    EXPECT_EQ(ReadBytes(path), test::SampleParameterBytes());
}

// A save replaces the contents, not the file's identity: its other hard links
// see the new contents.
TEST_F(FileTest, ASaveKeepsHardLinks) {
    MakeCurrent(test::SampleParameterRecord());
    const std::vector<std::uint8_t> old(100, 7);
    const std::string first = Path("FIRST.7pa");
    WriteBytes(first, old);
    fs::create_hard_link(first, Path("SECOND.7pa"));
    ASSERT_TRUE(WriteParameterFile(ws, first));
    platform::TargetStatus status;
    ASSERT_EQ(platform::StatusOf(platform::PathFromUtf8(first), status), 0);
    EXPECT_TRUE(status.otherNames);
    EXPECT_EQ(ReadBytes(Path("SECOND.7pa")), test::SampleParameterBytes());
    // A hard-linked file that cannot take the new contents keeps its old ones.
    WriteBytes(first, old);
    {
        ScopedWriteFault fault(300, ENOSPC);
        EXPECT_FALSE(WriteParameterFile(ws, first));
    }
    EXPECT_EQ(ReadBytes(Path("SECOND.7pa")), old);
    EXPECT_EQ(OtherFiles("FIRST.7pa"), std::vector<std::string>{"SECOND.7pa"});
}

TEST_F(FileTest, ReadOnlyTargetsAreRefused) {
    const std::string path = Path("RO.7pr");
    const std::vector<std::uint8_t> old(100, 1);
    WriteBytes(path, old);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    MakeCurrent(test::SampleProgramRecord());
    EXPECT_FALSE(WriteProgramFile(ws, path));
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(m_services.Texts(), std::vector<std::string>{shell::Catalogue(1519)});
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
}

// A save that cannot replace its target fails with a message and leaves
// nothing behind.
TEST_F(FileTest, TargetsThatAreNoFileAreRefused) {
    MakeCurrent(test::SampleProgramRecord());
    fs::create_directory(Path("FOLDER.7pr"));
    EXPECT_FALSE(WriteProgramFile(ws, Path("FOLDER.7pr")));
    EXPECT_TRUE(fs::is_directory(Path("FOLDER.7pr")));
    EXPECT_TRUE(fs::is_empty(Path("FOLDER.7pr")));

    WriteBytes(Path("PLAIN"), {1, 2, 3});
    EXPECT_FALSE(WriteProgramFile(ws, Path("PLAIN") + "/UNDER.7pr"));
    EXPECT_EQ(ReadBytes(Path("PLAIN")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(m_services.Texts(), (std::vector<std::string>{FileErrorDescription(FileError::NotAFile),
                                                            shell::Catalogue(1518)}));
    EXPECT_EQ(m_services.messages.boxes[0].title, shell::Catalogue(1553));
    EXPECT_EQ(OtherFiles("PLAIN"), std::vector<std::string>{"FOLDER.7pr"});

    // Nor is a folder read as a file.
    m_services.messages.boxes.clear();
    MakeCurrent(test::SampleParameterRecord());
    fs::create_directory(Path("FOLDER.7pa"));
    EXPECT_FALSE(ReadParameterFile(ws, Path("FOLDER.7pa")));
    EXPECT_EQ(m_services.Texts(), std::vector<std::string>{FileErrorDescription(FileError::NotAFile)});
    EXPECT_EQ(m_services.messages.boxes[0].title, shell::Catalogue(2113));
    EXPECT_EQ(CurrentParameterRecord(ws), test::SampleParameterRecord());
}

// A file the user may not read says so under the read's own title, not with
// the read-only message of a save.
TEST_F(FileTest, AReadWithoutPermissionHasItsOwnMessage) {
    EXPECT_EQ(ReadErrorFromErrno(EACCES), FileError::PermissionDenied);
    EXPECT_EQ(ReadErrorFromErrno(EPERM), FileError::PermissionDenied);
    EXPECT_EQ(ReadErrorFromErrno(ENOENT), FileError::PathNotFound);
    EXPECT_EQ(ReportFileError(ws.hosts, FileError::PermissionDenied, shell::Catalogue(2116)), 0);
    ASSERT_EQ(m_services.messages.boxes.size(), 1u);
    EXPECT_EQ(m_services.messages.boxes[0].text, "Permission denied");
    EXPECT_EQ(m_services.messages.boxes[0].title, shell::Catalogue(2116));
}

// Temporary files of a save killed part-way are removed by the next save of
// the same target. The open file of a save still running stays, whatever
// process number its name holds; so do those of other targets and other names.
TEST_F(FileTest, StaleTemporaryFilesOfATargetAreRemovedByTheNextSave) {
    const std::vector<std::string> stale = {"DATA.7pa.tmp4242_0", "DATA.7pa.tmp4242_17"};
    const std::vector<std::string> kept = {"OTHER.7pa.tmp4242_0", "DATA.7pa.tmp4242",
                                           "DATA.7pa.tmpx_0", "DATA.7pa.bak"};
    for (const auto& name : stale) WriteBytes(Path(name), std::vector<std::uint8_t>(64, 7));
    for (const auto& name : kept) WriteBytes(Path(name), {1});
    const std::string running = "DATA.7pa.tmp999999999_0";
    platform::OpenFile runningSave;
    ASSERT_EQ(platform::CreateTemporaryFile(platform::PathFromUtf8(Path(running)), runningSave), 0);

    MakeCurrent(test::SampleParameterRecord());
    ASSERT_TRUE(WriteParameterFile(ws, Path("DATA.7pa")));
    for (const auto& name : stale) EXPECT_FALSE(fs::exists(Path(name))) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(Path(name))) << name;
    EXPECT_TRUE(fs::exists(Path(running)));
    EXPECT_EQ(ReadBytes(Path("DATA.7pa")), test::SampleParameterBytes());

    // Once that save has ended without cleaning up, its file goes too.
    runningSave.Close();
    ASSERT_TRUE(WriteParameterFile(ws, Path("DATA.7pa")));
    EXPECT_FALSE(fs::exists(Path(running)));
}

#ifndef _WIN32
// POSIX file semantics that Windows does not share: permission bits and
// owners, pipes, symbolic links (Windows makes them only with a privilege)
// and the superuser. scripts/windows-check lists this suite as left out.
using FilePosix = FileTest;

TEST_F(FilePosix, ASaveKeepsPermissionsAndSymbolicLinks) {
    MakeCurrent(test::SampleParameterRecord());
    const std::vector<std::uint8_t> old(100, 7);
    const auto mode = [](const std::string& path) {
        return fs::status(path).permissions() & fs::perms::mask;
    };
    const std::string privateFile = Path("PRIVATE.7pa");
    WriteBytes(privateFile, old);
    fs::permissions(privateFile, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteParameterFile(ws, privateFile));
    EXPECT_EQ(mode(privateFile), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadBytes(privateFile), test::SampleParameterBytes());

    fs::create_directory(Path("real"));
    const std::string target = Path("real") + "/TARGET.7pa";
    WriteBytes(target, old);
    fs::create_symlink("real/TARGET.7pa", Path("LINK.7pa"));
    ASSERT_TRUE(WriteParameterFile(ws, Path("LINK.7pa")));
    EXPECT_TRUE(fs::is_symlink(Path("LINK.7pa")));
    EXPECT_EQ(ReadBytes(target), test::SampleParameterBytes());
    auto left = OtherFiles("PRIVATE.7pa");  // no temporary file stays
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"LINK.7pa", "real"}));
}

// A pipe is refused at once (it must not block the reader) and never
// replaced by a save.
TEST_F(FilePosix, APipeIsNeitherReadNorReplaced) {
    MakeCurrent(test::SampleParameterRecord());
    ASSERT_EQ(::mkfifo(Path("PIPE.7pa").c_str(), 0600), 0);
    EXPECT_FALSE(ReadParameterFile(ws, Path("PIPE.7pa")));
    EXPECT_EQ(m_services.Texts(), std::vector<std::string>{FileErrorDescription(FileError::NotAFile)});
    EXPECT_EQ(CurrentParameterRecord(ws), test::SampleParameterRecord());
    EXPECT_FALSE(WriteParameterFile(ws, Path("PIPE.7pa")));
    EXPECT_TRUE(fs::is_fifo(Path("PIPE.7pa")));
}

// Permission bits that stop this user (the superuser passes them).
TEST_F(FilePosix, FolderAndFilePermissionsStopTheUser) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser passes every permission";
    MakeCurrent(test::SampleProgramRecord());
    WriteBytes(Path("LOCKED.7pr"), test::SampleProgramBytes());
    fs::permissions(Path("LOCKED.7pr"), fs::perms::none);
    ws.program = {};
    EXPECT_FALSE(ReadProgramFile(ws, Path("LOCKED.7pr")));
    EXPECT_EQ(m_services.Texts(), std::vector<std::string>{"Permission denied"});
    EXPECT_EQ(m_services.messages.boxes[0].title, shell::Catalogue(2116));

    m_services.messages.boxes.clear();
    MakeCurrent(test::SampleProgramRecord());
    const std::string inFolder = Path("NEW.7pr");
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteProgramFile(ws, inFolder));
    EXPECT_FALSE(fs::exists(inFolder));
    EXPECT_EQ(m_services.Texts(),
              std::vector<std::string>{FileErrorDescription(FileError::FolderReadOnly)});
}
#endif

TEST_F(FileTest, FreeSpaceRules) {
    const std::string path = Path("SPACE.7pa");
    MakeCurrent(test::SampleParameterRecord());
    // Three blocks need 2 x 40 + 750 bytes.
    m_services.utility.freeSpace = 829;
    EXPECT_FALSE(WriteParameterFile(ws, path));
    EXPECT_EQ(ws.state.lastSaveRequirement, 830);
    EXPECT_EQ(m_services.Texts(), std::vector<std::string>{shell::Catalogue(1522)});
    m_services.utility.freeSpace = -1;
    EXPECT_FALSE(WriteParameterFile(ws, path));
    EXPECT_EQ(m_services.messages.boxes.size(), 1u);  // no further message
    EXPECT_FALSE(fs::exists(path));
    m_services.utility.freeSpace = 830;
    EXPECT_TRUE(WriteParameterFile(ws, path));

    // Beyond 801 blocks the requirement no longer fits 16 bits; it must still save.
    ws.items.dataSet.assign(900, test::Block(0x80, 0x01, 0x01, 0, "BIG     DATA    "));
    m_services.utility.freeSpace = 1'000'000;
    ASSERT_TRUE(WriteParameterFile(ws, path));
    EXPECT_EQ(ws.state.lastSaveRequirement, 899 * 40 + 750);
    ws.items.dataSet.clear();
    ASSERT_TRUE(ReadParameterFile(ws, path));
    EXPECT_EQ(ws.items.dataSet.size(), 900u);
}

TEST_F(FileTest, EmptyDataIsRefusedWithAMessage) {
    MakeCurrent(test::SampleParameterRecord());
    ws.items.dataSet.clear();
    EXPECT_FALSE(WriteParameterFile(ws, Path("E.7pa")));
    ws.program = {};
    EXPECT_FALSE(WriteProgramFile(ws, Path("E.7pr")));
    EXPECT_EQ(m_services.Texts(), std::vector<std::string>(2, shell::Catalogue(1580)));
    EXPECT_TRUE(OtherFiles("").empty());
}

}  // namespace
}  // namespace rq50::files
