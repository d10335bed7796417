// The plant register's tests on its real engines: the sets they record and a
// register of its own per test, a SQLite file or a fresh PostgreSQL database
// on the server RQ50_TEST_POSTGRES names (scripts/test starts a throwaway
// one).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "files/ParameterFile.h"
#include "files/RecordFile.h"
#include "parameter/ItemEdit.h"
#include "platform/RegisterDatabase.h"
#include "register/PlantRegister.h"
#include "session/PlantRegisterBrowser.h"
#include "unit/ShellTempDir.h"

namespace rq50::plant::testing {
namespace fs = std::filesystem;

inline std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v == nullptr ? std::string{} : std::string(v);
}

inline Blob Plant1() {
    files::Bytes bytes;
    EXPECT_EQ(files::ReadWholeFile(RQ50_TEST_DATA_DIR "/files/PLANT1.7pa", bytes),
              files::FileError::Ok);
    return Blob(bytes.begin(), bytes.end());
}

/// PLANT1 with the item named `name` set to `value`.
inline Blob Plant1With(const std::string& name, const std::string& value) {
    files::ParameterFileRecord record;
    EXPECT_EQ(files::DecodeParameterRecord(Plant1(), record), files::FileError::Ok);
    for (auto& block : record.items) {
        if (parameter::DecodeItem(block, false).name.rfind(name, 0) == 0) {
            const auto edit = parameter::SetItemValue(block, value);
            EXPECT_TRUE(edit.ok) << edit.error;
            block = edit.block;
        }
    }
    const auto bytes = files::EncodeParameterRecord(record);
    return Blob(bytes.begin(), bytes.end());
}

inline Record At(RecordKind kind, const std::string& time, Blob bytes, int differ = -1) {
    Record r;
    r.kind = kind;
    r.time = time;
    r.user = "tester";
    r.host = "bench";
    r.bytes = std::move(bytes);
    r.instrument = IdentityOf(r.bytes, files::DataFileKind::kParameter);
    r.itemsDiffer = differ;
    r.result = "completed";
    return r;
}

/// A register of its own per test: a SQLite file in a fresh folder, or a
/// fresh database on the PostgreSQL server.
class RegisterOnEngine : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        m_dir = shell::testing::MakeTempFolder("rq50_register_");
        if (GetParam() == "sqlite") {
            m_name = "sqlite:" + (m_dir / "register.sqlite").string();
            return;
        }
        m_admin = Env("RQ50_TEST_POSTGRES");
        if (m_admin.empty()) GTEST_SKIP() << "no PostgreSQL server: RQ50_TEST_POSTGRES is not set";
        static std::atomic<int> serial{0};
        m_database = "rq50_test_" + std::to_string(::getpid()) + "_" + std::to_string(++serial);
        platform::OpenRegisterDatabase(m_admin)->Run("CREATE DATABASE " + m_database);
        const auto query = m_admin.find('?');
        m_name = "postgresql://postgres@/" + m_database + m_admin.substr(query);
    }
    void TearDown() override {
        if (!m_database.empty()) {
            platform::OpenRegisterDatabase(m_admin)->Run("DROP DATABASE " + m_database +
                                                         " WITH (FORCE)");
        }
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::unique_ptr<Database> Open() { return platform::OpenRegisterDatabase(m_name); }

    fs::path m_dir;
    std::string m_name;
    std::string m_admin;
    std::string m_database;
};

/// The register window's host for a test: no questions, no dialogs.
struct QuietRegisterWindow : session::PlantRegisterHost, session::FileDialogHost {
    bool PasswordGate() override { return true; }
    void CloseWindow() override {}
    std::unique_ptr<session::DownloadQuestions> RestoreQuestions() override { return nullptr; }
    session::FileDialogHost& FileDialog() override { return *this; }
    std::optional<session::DialogChoice> Show(const session::FileDialogSpec&) override {
        return std::nullopt;
    }
    void ShowDifferences(const session::RecordDifferences&) override {}
    void PrintReport(const print::ReportWriter&) override {}
    std::optional<std::string> AskName(const std::string&) override { return std::nullopt; }
};

}  // namespace rq50::plant::testing
