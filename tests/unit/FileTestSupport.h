#pragma once

// Fakes and an independent byte builder shared by the file tests.

#include <gtest/gtest.h>

#include "ShellFakes.h"
#include "ShellTempDir.h"
#include "files/Workspace.h"
#include "shell/MessageBox.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "shell/UtilityComponent.h"
#if defined(RQ50_BIN_DIR) && defined(RQ50_SOURCE_DIR) && !defined(_WIN32)
#include "support/CliRunner.h"
#endif

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace rq50::files::test {

using RecordingMessages = shell::testing::RecordingMessages;

/// Real files and folders on a drive with a fixed amount of free space;
/// the next `failCreates` folder creations fail.
class FakeUtility : public shell::UtilityComponent {
  public:
    bool FileExists(const std::string& path) override {
        return std::filesystem::is_regular_file(path);
    }
    bool FolderExists(const std::string& path) override {
        return failCreates == 0 && std::filesystem::is_directory(path);
    }
    void CreateFolder(const std::string& path) override {
        ++creates;
        if (failCreates > 0) {
            --failCreates;
            return;
        }
        std::filesystem::create_directories(path);
    }
    std::int64_t DriveFreeSpace(const std::string& drive) override {
        asked.push_back(drive);
        return freeSpace;
    }
    void Wait(std::int32_t) override {}
    void SetCursorPosition(std::int32_t, std::int32_t) override {}
    std::int64_t freeSpace = 1'000'000'000;
    std::vector<std::string> asked;
    int creates = 0;
    int failCreates = 0;
};

/// A fresh workspace whose hosts are the fakes, for one test.
struct ScopedFakeServices {
    ScopedFakeServices() {
        ws.hosts.messages = &messages;
        ws.hosts.utility = &utility;
    }
    ScopedFakeServices(const ScopedFakeServices&) = delete;
    ScopedFakeServices& operator=(const ScopedFakeServices&) = delete;
    /// Text of every box shown, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& b : messages.boxes) texts.push_back(b.text);
        return texts;
    }
    RecordingMessages messages;
    FakeUtility utility;
    files::Workspace ws;
};

/// A fresh, empty folder under the system's temporary folder.
inline std::filesystem::path FreshFolder(const std::string& name) {
    return shell::testing::MakeTempFolder("rq50_" + name + "_");
}

#ifdef RQ50_BIN_DIR
/// Copies the configuration files the build puts next to the programs into
/// `dir`, so rq50-cli can start with `dir` as its application folder.
inline void CopyConfigurationFiles(const std::filesystem::path& dir) {
    for (const auto& entry : std::filesystem::directory_iterator(RQ50_BIN_DIR)) {
        if (entry.path().extension() == ".ini")
            std::filesystem::copy_file(entry.path(), dir / entry.path().filename());
    }
}
#endif

#if defined(RQ50_BIN_DIR) && defined(RQ50_SOURCE_DIR) && !defined(_WIN32)
/// A test that runs rq50-cli as a user runs it, in an application folder of
/// its own (named after the test) that goes with the test.
class CliFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = FreshFolder(std::string("cli_") +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        CopyConfigurationFiles(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    rq50::test::CliRun Cli(const std::string& args) const {
        return rq50::test::CliRunner(m_dir)(args);
    }
    std::string P(const std::string& name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};
#endif

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

/// Appends file members byte by byte, written from the layout tables without
/// the program's own writer.
struct ByteBuilder {
    std::vector<std::uint8_t> bytes;
    ByteBuilder& U8(std::uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    ByteBuilder& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    ByteBuilder& I32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        return U8(u & 0xFF).U8((u >> 8) & 0xFF).U8((u >> 16) & 0xFF).U8(u >> 24);
    }
    ByteBuilder& F64(double v) {
        std::uint8_t raw[8];
        std::memcpy(raw, &v, 8);  // the test machines are little-endian
        for (auto b : raw) U8(b);
        return *this;
    }
    ByteBuilder& Text(const std::string& s, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i)
            U8(i < s.size() ? static_cast<std::uint8_t>(s[i]) : ' ');
        return *this;
    }
    ByteBuilder& Repeat(std::uint8_t v, std::size_t n) {
        bytes.insert(bytes.end(), n, v);
        return *this;
    }
    ByteBuilder& Raw(const std::vector<std::uint8_t>& v) {
        bytes.insert(bytes.end(), v.begin(), v.end());
        return *this;
    }
};

}  // namespace rq50::files::test
