#include "shell/ConfigTables.h"
#include "shell/PlatformFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

#include "shell/AppPaths.h"
#include "shell/Catalogue.h"
#include "shell/ListInput.h"
#include "shell/NavigationHost.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "shell/Wildcard.h"

namespace rq50::shell {

namespace {

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(shell::platform::PathFromUtf8(path), ec);
}

/// Reads a table file; `store(index, fields)` keeps each data row.
template <typename Store>
bool ReadTable(const std::string& path, std::size_t fields, std::size_t headers, Store store,
               NavigationHost* navigation) {
    BusyPointer busy(navigation);
    if (!FileExists(path)) return false;
    std::vector<std::vector<std::string>> rows;
    if (!ReadListInputFile(path, fields, headers, rows)) return false;
    for (std::size_t i = 0; i < rows.size(); ++i) store(i, rows[i]);
    return true;
}

}  // namespace

std::int16_t HexToInt16(const std::string& text) {
    std::uint32_t value = 0;
    for (char c : Trim(text)) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            break;
        }
        value = ((value << 4) | static_cast<std::uint32_t>(digit)) & 0xFFFFu;
    }
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

bool ReadModelFile(const std::string& path, std::vector<ModelEntry>& table,
                   NavigationHost* navigation) {
    return ReadTable(
        path, kModelFields, kModelHeaderRecords,
        [&](std::size_t i, const std::vector<std::string>& f) {
            if (table.size() < i + 1) table.resize(i + 1);
            table[i] = ModelEntry{f[0], f[1]};
        },
        navigation);
}

bool ReadCategoryFile(const std::string& path, std::vector<CategoryRow>& table,
                      NavigationHost* navigation) {
    return ReadTable(
        path, kCategoryFields, kCategoryHeaderRecords,
        [&](std::size_t i, const std::vector<std::string>& f) {
            if (table.size() < i + 1) table.resize(i + 1);
            std::copy(f.begin(), f.end(), table[i].begin());
        },
        navigation);
}

std::vector<BaudRateEntry> ReadBaudRateFile(const std::string& path, NavigationHost* navigation) {
    std::vector<BaudRateEntry> table;
    ReadTable(
        path, kBaudRateFields, kBaudRateHeaderRecords,
        [&](std::size_t, const std::vector<std::string>& f) {
            table.push_back(BaudRateEntry{f[0], HexToInt16(f[1]), HexToInt16(f[2]),
                                          HexToInt16(f[3]), f[4], f[5], f[6]});
        },
        navigation);
    return table;
}

const AppFolders& ConfigTables::Folders() const {
    return m_folders ? *m_folders : ProcessAppFolders();
}

std::string ConfigTables::FilePath(const std::string& name) const {
    return AppFilePath(Folders(), name);
}

bool ConfigTables::LoadModels(NavigationHost* navigation) {
    return ReadModelFile(FilePath(Catalogue(kTextV3ModelIni)), models, navigation);
}

bool ConfigTables::LoadCategories(NavigationHost* navigation) {
    return ReadCategoryFile(FilePath("Category.ini"), categories, navigation);
}

bool ConfigTables::LoadOperators(const std::string& fileName) {
    const std::filesystem::path file = platform::PathFromUtf8(FilePath(fileName));
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::vector<OperatorRow> rows;
    std::string line;
    bool heading = true;
    while (std::getline(in, line)) {
        if (heading) {
            heading = false;
            continue;
        }
        // A line of blanks is no row (it would otherwise make an empty step a
        // valid operator).
        ListInputReader reader(line);
        if (reader.AtEnd()) continue;
        std::vector<std::string> fields = reader.ReadRecord(2);
        fields.resize(2);
        rows.push_back({std::move(fields[0]), std::move(fields[1])});
    }
    if (in.bad()) return false;
    operators = std::move(rows);
    return true;
}

void ConfigTables::Clear() {
    models.clear();
    categories.clear();
    operators.clear();
}

bool ConfigTables::IsModelRegistered(const std::string& model) const {
    const std::string wanted = Trim(model);
    return std::any_of(models.begin(), models.end(),
                       [&](const ModelEntry& e) { return Trim(e.code) == wanted; });
}

std::int16_t ConfigTables::FindBaudRateEntry(const std::string& model,
                                             std::vector<BaudRateEntry>* table,
                                             NavigationHost* navigation) const {
    std::vector<BaudRateEntry> rows =
        ReadBaudRateFile(FilePath(Catalogue(kTextBaudrateIni)), navigation);
    std::vector<std::pair<std::string, std::int16_t>> order;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        order.emplace_back(rows[i].modelPattern, static_cast<std::int16_t>(i));
    }
    // Longer patterns first; patterns of equal length keep file order.
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    std::int16_t found = -1;
    for (const auto& [pattern, index] : order) {
        if (WildcardMatch(model, pattern)) {
            found = index;
            break;
        }
    }
    if (table != nullptr) *table = std::move(rows);
    return found;
}

}  // namespace rq50::shell
