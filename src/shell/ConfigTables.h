#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shell/AppPaths.h"

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

/// One row of an operator table file ("OPE_TBL" + suffix + ".ini").
struct OperatorRow {
    /// First column: an operator mnemonic, compared exactly with the PROGRAM cells.
    std::string mnemonic;
    /// Second column: kept as read, not used by the tool.
    std::string second;
};

/// The readers below show the busy pointer through `navigation` (when given)
/// while they read.
///
/// Reads V3Model.ini at `path` into `table`; false when the file does not
/// exist or cannot be read as text. Rows are stored over the existing ones by
/// index.
bool ReadModelFile(const std::string& path, std::vector<ModelEntry>& table,
                   NavigationHost* navigation = nullptr);
/// Reads Category.ini at `path` into `table` the same way.
bool ReadCategoryFile(const std::string& path, std::vector<CategoryRow>& table,
                      NavigationHost* navigation = nullptr);
/// Reads Baudrate.ini at `path`; an empty table when the file does not exist.
std::vector<BaudRateEntry> ReadBaudRateFile(const std::string& path,
                                            NavigationHost* navigation = nullptr);

/// The configuration tables of one session: V3Model.ini, Category.ini and the
/// operator table last read, from the session's application folder. The
/// session owns them and hands them to whoever reads them; two sessions in
/// one process each read their own folder's files.
class ConfigTables {
  public:
    /// Tables that follow the process's folders (InitAppFolder, SetAppFolder).
    ConfigTables() = default;
    /// Tables of the application folder and user's data folder given.
    explicit ConfigTables(AppFolders folders) : m_folders(std::move(folders)) {}

    /// The folders the files are read from: the session's own when it was
    /// given some, else the process's.
    const AppFolders& Folders() const;
    void SetFolders(AppFolders folders) { m_folders = std::move(folders); }

    /// AppFilePath() over these folders.
    std::string FilePath(const std::string& name) const;

    /// Reads V3Model.ini (the catalogue's name for it) over the model table;
    /// false when it is missing or unreadable.
    bool LoadModels(NavigationHost* navigation = nullptr);
    /// Reads Category.ini over the category table; false when it is missing or
    /// unreadable.
    bool LoadCategories(NavigationHost* navigation = nullptr);
    /// Reads the operator table file `fileName`: line 1 is a heading, lines of
    /// blanks are skipped, fields are read as in the other configuration files
    /// (a quoted field keeps its commas). False, with the table unchanged,
    /// when the file does not exist or cannot be read.
    bool LoadOperators(const std::string& fileName);
    /// Empties the three tables (a session starts from empty ones).
    void Clear();

    /// True when the trimmed `model` equals the trimmed code of a model row.
    bool IsModelRegistered(const std::string& model) const;

    /// The row of Baudrate.ini (read afresh from the application folder)
    /// whose pattern `model` matches, longer patterns tried first; -1 when
    /// none does. `table` receives the rows read.
    std::int16_t FindBaudRateEntry(const std::string& model,
                                   std::vector<BaudRateEntry>* table = nullptr,
                                   NavigationHost* navigation = nullptr) const;

    std::vector<ModelEntry> models;
    std::vector<CategoryRow> categories;
    std::vector<OperatorRow> operators;

  private:
    std::optional<AppFolders> m_folders;
};

/// The hexadecimal value of a text ("1F" gives 31) as a 16-bit integer; the
/// digits end at the first character that is not one, no digits give 0.
std::int16_t HexToInt16(const std::string& text);

}  // namespace rq50::shell
