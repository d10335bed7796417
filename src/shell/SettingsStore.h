#pragma once

#include <map>
#include <optional>
#include <string>

namespace rq50::shell {

/// Per-user key/value store of application "RQ50", section "Settings".
/// Values are texts; a key that was never written reads as nullopt.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> Get(const std::string& key) const = 0;
    virtual void Set(const std::string& key, const std::string& value) = 0;
};

/// A store that lives as long as the object: for tests and the CLI.
class MemorySettingsStore : public SettingsStore {
  public:
    std::optional<std::string> Get(const std::string& key) const override {
        auto it = m_values.find(key);
        if (it == m_values.end()) return std::nullopt;
        return it->second;
    }
    void Set(const std::string& key, const std::string& value) override { m_values[key] = value; }

  private:
    std::map<std::string, std::string> m_values;
};

}  // namespace rq50::shell
