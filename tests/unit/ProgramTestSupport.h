#pragma once

#include "program/ProgramTypes.h"
#include "shell/AppPaths.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace rq50::program::testing {

/// A category row from its eight columns.
inline CategoryEntry Row(std::string model, std::string steps, std::string programStart,
                         std::string consts, std::string constStart, std::string suffix = "") {
    return {{std::move(model), std::move(steps), std::move(programStart), std::move(consts),
             std::move(constStart), "", std::move(suffix), ""}};
}

/// A fresh application folder in the temp directory, removed afterwards; the
/// previous folder comes back.
class TempAppFolder {
  public:
    explicit TempAppFolder(const std::string& name)
        : m_saved(shell::AppFolder()),
          m_path(std::filesystem::temp_directory_path() /
                 ("rq50_" + name + "_" + std::to_string(std::random_device{}()))) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
        shell::SetAppFolder(m_path);
    }
    ~TempAppFolder() {
        shell::SetAppFolder(m_saved);
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempAppFolder(const TempAppFolder&) = delete;
    TempAppFolder& operator=(const TempAppFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(m_path / name, std::ios::binary) << text;
    }

  private:
    std::filesystem::path m_saved;
    std::filesystem::path m_path;
};

}  // namespace rq50::program::testing
