#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rq50::shell {

class NavigationHost;
}  // namespace rq50::shell

namespace rq50::shell {

/// One row of V3Model.ini.
struct ModelEntry {
    std::string code;     ///< model code as written (compared trimmed)
    std::string column2;  ///< kept as text for the parameter side
};

/// One row of Category.ini: its eight text columns (column 1 at index 0).
using CategoryRow = std::array<std::string, 8>;

/// One row of Baudrate.ini.
struct BaudRateEntry {
    std::string modelPattern;  ///< wildcard pattern of the model codes the row serves
    std::int16_t ma = 0;       ///< address of the instrument's baud-rate item
    std::int16_t mb = 0;
    std::int16_t mc = 0;
    std::string valuePrefix;  ///< put in front of the rate code when writing
    std::string code9600;     ///< rate code for 9600 bit/s
    std::string code1200;     ///< rate code for 1200 bit/s
};

/// Fields per record and header records of the three files.
inline constexpr std::size_t kModelFields = 2, kModelHeaderRecords = 1;
inline constexpr std::size_t kCategoryFields = 8, kCategoryHeaderRecords = 2;
inline constexpr std::size_t kBaudRateFields = 7, kBaudRateHeaderRecords = 1;

/// The model table read at start-up.
std::vector<ModelEntry>& ModelTable();
/// The category table read at start-up.
std::vector<CategoryRow>& CategoryTable();

/// The readers below show the busy pointer through `navigation` (when given)
/// while they read.
///
/// Reads V3Model.ini at `path` into the model table; false when the file does
/// not exist or cannot be read as text. Rows are stored over the existing ones
/// by index.
bool ReadModelFile(const std::string& path, NavigationHost* navigation = nullptr);
/// Reads Category.ini at `path` into the category table; false when it does
/// not exist or cannot be read as text.
bool ReadCategoryFile(const std::string& path, NavigationHost* navigation = nullptr);
/// Reads Baudrate.ini at `path`; an empty table when the file does not exist.
std::vector<BaudRateEntry> ReadBaudRateFile(const std::string& path,
                                            NavigationHost* navigation = nullptr);

/// Reads Category.ini of the application folder; false when it is missing or
/// unreadable.
bool LoadCategoryTable(NavigationHost* navigation = nullptr);

/// True when the trimmed `model` equals the trimmed code of a model table row.
bool IsModelRegistered(const std::string& model);

/// The row of Baudrate.ini (read afresh from the application folder) whose
/// pattern `model` matches, longer patterns tried first; -1 when none does.
/// `table` receives the rows read.
std::int16_t FindBaudRateEntry(const std::string& model,
                               std::vector<BaudRateEntry>* table = nullptr,
                               NavigationHost* navigation = nullptr);

/// The hexadecimal value of a text ("1F" gives 31) as a 16-bit integer; the
/// digits end at the first character that is not one, no digits give 0.
std::int16_t HexToInt16(const std::string& text);

}  // namespace rq50::shell
