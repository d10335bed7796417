#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rq50::shell {

/// Reads comma-separated fields from a text the way the configuration files
/// are written: a field ends at a comma or at a line end; blanks around an
/// unquoted field are dropped; a field in double quotes keeps its commas and
/// blanks and loses the quotes (anything between the closing quote and the
/// next comma or line end is ignored). An empty line is one empty field.
class ListInputReader {
  public:
    explicit ListInputReader(std::string text) : m_text(std::move(text)) {}

    /// True when no further field can be read (only blanks and line ends left).
    bool AtEnd() const;
    /// Reads the next field into `field`; false at the end of the text.
    bool ReadField(std::string& field);
    /// Reads up to `count` fields; a record may span lines. Fewer come back
    /// only at the end of the text.
    std::vector<std::string> ReadRecord(std::size_t count);

  private:
    bool IsLineEnd(std::size_t pos) const;
    void SkipLineEnd();

    std::string m_text;
    std::size_t m_pos = 0;
};

/// Reads a whole list-input file: `headerRecords` records of `fieldsPerRecord`
/// fields are skipped, every further record becomes one row (a short last
/// record is filled with empty fields). False when the file cannot be read or
/// is not text (it holds control bytes other than tab, CR, LF and Ctrl-Z).
bool ReadListInputFile(const std::string& path, std::size_t fieldsPerRecord,
                       std::size_t headerRecords, std::vector<std::vector<std::string>>& rows);

}  // namespace rq50::shell
