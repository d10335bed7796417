#pragma once

// rq50-cli run as a user runs it: through the shell, with an application
// folder of the test's own, its standard output and error kept apart.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace rq50::test {

/// What a finished command printed and how it ended.
struct CliRun {
    int exitCode = -1;
    std::string out;  ///< standard output
    std::string err;  ///< standard error
    std::string all() const { return out + err; }
};

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

/// How often `part` occurs in `text` (overlapping occurrences counted).
inline int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

/// The --sim option for one of the shipped instrument files.
inline std::string Sim(const std::string& file) {
    return std::string("--sim ") + RQ50_SOURCE_DIR + "/sim/instruments/" + file;
}

/// Runs rq50-cli with `appDir` as its application folder, from `workDir`
/// (the application folder unless given), where the output is caught.
class CliRunner {
  public:
    explicit CliRunner(std::filesystem::path appDir, std::filesystem::path workDir = {})
        : m_appDir(std::move(appDir)), m_workDir(workDir.empty() ? m_appDir : std::move(workDir)) {}

    /// The shell command that runs rq50-cli with `args` (shell words).
    std::string Command(const std::string& args) const {
        return std::string(RQ50_BIN_DIR) + "/rq50-cli --app-dir '" + m_appDir.string() + "' " +
               args;
    }
    /// Runs rq50-cli with `args` and waits for its end.
    CliRun operator()(const std::string& args) const { return Shell(Command(args)); }
    /// Runs any shell command from the working folder.
    CliRun Shell(const std::string& command) const {
        const auto out = m_workDir / ".cli-stdout";
        const auto err = m_workDir / ".cli-stderr";
        const int status = std::system(("cd '" + m_workDir.string() + "' && " + command + " >'" +
                                        out.string() + "' 2>'" + err.string() + "'")
                                           .c_str());
        CliRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return run;
    }

  private:
    std::filesystem::path m_appDir;
    std::filesystem::path m_workDir;
};

}  // namespace rq50::test
