// The core computes the per-user data folder without Qt, for rq50-cli; the
// desktop program gets it from QStandardPaths. Both must name the same folder.

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shell/AppPaths.h"

namespace rq50::integration {
namespace {

/// Sets the application's names and the environment for one case; puts the
/// previous ones back afterwards.
class QtNames {
  public:
    QtNames(std::string_view organization, std::string_view application)
        : m_org(QCoreApplication::organizationName()), m_app(QCoreApplication::applicationName()) {
        QCoreApplication::setOrganizationName(QString::fromUtf8(organization));
        QCoreApplication::setApplicationName(QString::fromUtf8(application));
        for (const char* name : {"HOME", "XDG_DATA_HOME"}) {
            const char* value = std::getenv(name);
            m_env.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    ~QtNames() {
        QCoreApplication::setOrganizationName(m_org);
        QCoreApplication::setApplicationName(m_app);
        for (const auto& [name, value] : m_env) Set(name, value);
    }
    QtNames(const QtNames&) = delete;
    QtNames& operator=(const QtNames&) = delete;

    static void Set(const char* name, const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }

  private:
    QString m_org;
    QString m_app;
    std::vector<std::pair<const char*, std::optional<std::string>>> m_env;
};

QString QtFolder() {
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString CoreFolder(std::string_view organization, std::string_view application) {
    return QString::fromStdString(
        shell::PerUserDataFolder(shell::CurrentUserEnvironment(), organization, application)
            .string());
}

TEST(PerUserDataFolderQt, CoreNamesTheFolderQStandardPathsGivesTheDesktopProgram) {
    QStandardPaths::setTestModeEnabled(false);
    const std::pair<std::string_view, std::string_view> names[] = {
        {shell::kOrganizationName, shell::kApplicationName}, {"", "tool"}};
    const std::pair<std::optional<std::string>, std::optional<std::string>> envs[] = {
        {"/home/eng", "/data/eng"},   // XDG_DATA_HOME set
        {"/home/eng", "/data/eng/"},  // with a trailing separator
        {"/home/eng", std::nullopt},  // not set: HOME/.local/share
        {"/home/eng", ""},            // set but empty
        {"/home/eng/", std::nullopt},
    };
    for (const auto& [organization, application] : names) {
        for (const auto& [home, xdg] : envs) {
            QtNames scope(organization, application);
            QtNames::Set("HOME", home);
            QtNames::Set("XDG_DATA_HOME", xdg);
            EXPECT_EQ(CoreFolder(organization, application), QtFolder())
                << "HOME=" << home.value_or("(unset)")
                << " XDG_DATA_HOME=" << xdg.value_or("(unset)");
        }
    }
    QtNames scope(shell::kOrganizationName, shell::kApplicationName);
    QtNames::Set("HOME", "/home/eng");
    QtNames::Set("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(QString::fromStdString(shell::PerUserDataFolder().string()), QtFolder());
}

}  // namespace
}  // namespace rq50::integration
