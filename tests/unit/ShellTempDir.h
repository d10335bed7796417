#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "shell/AppPaths.h"

namespace rq50::shell::testing {

/// A new, empty folder in the system's temporary folder whose name no other
/// test, copy of a test or run on the machine shares.
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
    std::random_device random;
    std::error_code ec;
    const auto base = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto folder = base / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(folder, ec)) return folder;
    }
    ADD_FAILURE() << "cannot create a temporary folder in " << base;
    return base / prefix;
}

/// A fresh folder used as the application folder for one test; removed and
/// the previous application folder restored afterwards.
class TempAppFolder {
  public:
    TempAppFolder() : m_saved(AppFolder()) {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() /
                 ("rq50-shell-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
        SetAppFolder(m_path);
    }
    ~TempAppFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
        SetAppFolder(m_saved);
    }
    TempAppFolder(const TempAppFolder&) = delete;
    TempAppFolder& operator=(const TempAppFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string Write(const std::string& name, const std::string& content) const {
        const auto file = m_path / name;
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(m_path / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    std::filesystem::path m_saved;
    std::filesystem::path m_path;
};

}  // namespace rq50::shell::testing
