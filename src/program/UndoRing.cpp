#include "program/UndoRing.h"
#include "shell/PlatformFile.h"
#include "shell/Clock.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace rq50::program {

namespace {

namespace fs = std::filesystem;

constexpr const char* kGridMagic = "RQ50GRID";

std::string LocalTimeOfDay() {
    return shell::LocalTimeText("%H%M%S_");
}

/// Cells are written one row a line, separated by tabs; tab, line breaks and
/// the backslash itself are escaped so any cell text comes back unchanged.
std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::vector<std::string> SplitEscaped(const std::string& line) {
    std::vector<std::string> cells(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            cells.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char e = line[++i];
            cells.back() += e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

int PreviousSlot(int slot) {
    return slot == 0 ? UndoRing::kSlots - 1 : slot - 1;
}
int NextSlot(int slot) {
    return slot == UndoRing::kSlots - 1 ? 0 : slot + 1;
}

}  // namespace

bool SaveGridFile(const std::string& path, const CellGrid& grid) {
    std::ofstream out(shell::platform::PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << kGridMagic << ' ' << grid.Rows() << ' ' << grid.Cols() << '\n';
    for (const auto& row : grid.Cells()) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) out << '\t';
            out << Escape(row[c]);
        }
        out << '\n';
    }
    out.flush();
    return static_cast<bool>(out);
}

bool LoadGridFile(const std::string& path, CellGrid& grid) {
    std::ifstream in(shell::platform::PathFromUtf8(path), std::ios::binary);
    if (!in) return false;
    std::string line;
    if (!std::getline(in, line)) return false;
    std::istringstream head(line);
    std::string magic;
    int rows = -1;
    int cols = -1;
    head >> magic >> rows >> cols;
    if (magic != kGridMagic || rows < 0 || cols < 0 || rows > 10000 || cols > 100) return false;
    CellGrid loaded(rows, cols);
    for (int r = 0; r <= rows; ++r) {
        if (!std::getline(in, line)) return false;
        const auto cells = SplitEscaped(line);
        if (cells.size() != static_cast<std::size_t>(cols + 1)) return false;
        for (int c = 0; c <= cols; ++c) loaded.Set(r, c, cells[static_cast<std::size_t>(c)]);
    }
    grid = std::move(loaded);
    return true;
}

UndoRing::UndoRing(std::string folder, std::function<std::string()> timeOfDay)
    : m_folder(std::move(folder)),
      m_timeOfDay(timeOfDay ? std::move(timeOfDay) : std::function<std::string()>(LocalTimeOfDay)) {
}

std::string UndoRing::PathOf(const std::string& name) const {
    return shell::platform::Utf8FromPath(shell::platform::PathFromUtf8(m_folder) / name);
}

void UndoRing::ClearFolder() {
    if (m_folder.empty()) return;
    std::error_code ec;
    const fs::path folder = shell::platform::PathFromUtf8(m_folder);
    fs::create_directories(folder, ec);
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::error_code removeError;
        if (entry.is_regular_file(removeError)) fs::remove(entry.path(), removeError);
    }
}

bool UndoRing::SaveSlot(int slot, const std::string& tag, const CellGrid& program,
                        const CellGrid& consts) {
    if (m_folder.empty()) return false;
    const std::string time = m_timeOfDay();
    m_programNames[static_cast<std::size_t>(slot)] = "P_" + time + tag;
    m_constNames[static_cast<std::size_t>(slot)] = "C_" + time + tag;
    SaveGridFile(PathOf(m_programNames[static_cast<std::size_t>(slot)]), program);
    return SaveGridFile(PathOf(m_constNames[static_cast<std::size_t>(slot)]), consts);
}

void UndoRing::DeleteSlotFiles(int slot) {
    std::error_code ec;
    for (const std::string* name : {&m_programNames[static_cast<std::size_t>(slot)],
                                    &m_constNames[static_cast<std::size_t>(slot)]}) {
        if (!name->empty()) fs::remove(shell::platform::PathFromUtf8(PathOf(*name)), ec);
    }
    m_programNames[static_cast<std::size_t>(slot)].clear();
    m_constNames[static_cast<std::size_t>(slot)].clear();
}

bool UndoRing::TakeBase(const CellGrid& program, const CellGrid& consts) {
    ClearFolder();
    m_programNames.fill({});
    m_constNames.fill({});
    m_current = 0;
    m_oldest = 0;
    const bool saved = SaveSlot(0, "L", program, consts);
    m_count = 1;
    m_undoEnabled = false;
    return saved;
}

bool UndoRing::TakeSnapshot(const CellGrid& program, const CellGrid& consts) {
    m_current = NextSlot(m_current);
    if (m_count > kSlots - 1) {
        DeleteSlotFiles(m_current);
        --m_count;
    }
    const bool saved = SaveSlot(m_current, std::to_string(m_serial), program, consts);
    m_undoEnabled = saved;
    ++m_serial;
    ++m_count;
    if (m_current == m_oldest) m_oldest = NextSlot(m_oldest);
    return saved;
}

bool UndoRing::Undo(CellGrid& program, CellGrid& consts) {
    bool restored = false;
    if (m_current != m_oldest) {
        DeleteSlotFiles(m_current);
        --m_count;
        m_current = PreviousSlot(m_current);
        const auto slot = static_cast<std::size_t>(m_current);
        restored = LoadGridFile(PathOf(m_programNames[slot]), program);
        restored = LoadGridFile(PathOf(m_constNames[slot]), consts) && restored;
    }
    if (m_current == m_oldest) m_undoEnabled = false;
    return restored;
}

}  // namespace rq50::program
