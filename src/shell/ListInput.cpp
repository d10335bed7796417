#include "shell/ListInput.h"
#include "shell/PlatformFile.h"
#include "shell/TextTrim.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace rq50::shell {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

/// A configuration file is text: a control byte other than tab, line ends
/// and the end-of-file mark means a binary or damaged file, whose "rows"
/// would be taken for models and areas that do not exist.
bool IsText(const std::string& content) {
    for (const char c : content) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\x1a') return false;
        if (byte == 0x7f) return false;
    }
    return true;
}

}  // namespace

bool ListInputReader::IsLineEnd(std::size_t pos) const {
    return pos < m_text.size() && (m_text[pos] == '\n' || m_text[pos] == '\r');
}

void ListInputReader::SkipLineEnd() {
    if (m_pos < m_text.size() && m_text[m_pos] == '\r') ++m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == '\n') ++m_pos;
}

bool ListInputReader::AtEnd() const {
    for (std::size_t i = m_pos; i < m_text.size(); ++i) {
        const char c = m_text[i];
        if (!IsBlank(c) && c != '\r' && c != '\n' && c != '\x1a') return false;
    }
    return true;
}

bool ListInputReader::ReadField(std::string& field) {
    if (AtEnd()) return false;
    field.clear();
    while (m_pos < m_text.size() && IsBlank(m_text[m_pos])) ++m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == '"') {
        const std::size_t close = m_text.find('"', m_pos + 1);
        if (close == std::string::npos) {
            field = m_text.substr(m_pos + 1);
            m_pos = m_text.size();
            return true;
        }
        field = m_text.substr(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && !IsLineEnd(m_pos)) ++m_pos;
    } else {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && !IsLineEnd(m_pos)) ++m_pos;
        field = m_text.substr(start, m_pos - start);
        field = TrimRight(field, kSpaceOrTab);
    }
    if (m_pos < m_text.size() && m_text[m_pos] == ',') {
        ++m_pos;
    } else {
        SkipLineEnd();
    }
    return true;
}

std::vector<std::string> ListInputReader::ReadRecord(std::size_t count) {
    std::vector<std::string> fields;
    std::string field;
    while (fields.size() < count && ReadField(field)) fields.push_back(field);
    return fields;
}

bool ReadListInputFile(const std::string& path, std::size_t fieldsPerRecord,
                       std::size_t headerRecords, std::vector<std::vector<std::string>>& rows) {
    std::error_code ec;
    const std::filesystem::path file = shell::platform::PathFromUtf8(path);
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad() || !IsText(content.str())) return false;
    ListInputReader reader(content.str());
    std::size_t record = 0;
    while (!reader.AtEnd()) {
        std::vector<std::string> fields = reader.ReadRecord(fieldsPerRecord);
        if (record++ < headerRecords) continue;
        fields.resize(fieldsPerRecord);
        rows.push_back(std::move(fields));
    }
    return true;
}

}  // namespace rq50::shell
