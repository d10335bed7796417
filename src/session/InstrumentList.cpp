#include "session/InstrumentList.h"

#include "files/Backup.h"
#include "files/FileError.h"
#include "files/RecordFile.h"
#include "files/SaveTarget.h"
#include "files/SingleByteText.h"
#include "parameter/ItemEdit.h"
#include "session/RackRun.h"
#include "shell/PlatformFile.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <optional>
#include <thread>

namespace rq50::session {

namespace fs = std::filesystem;
namespace platform = shell::platform;

namespace {

/// Files a make writes at once.
constexpr std::size_t kWriters = 8;

enum class ColumnKind { kSkip, kTag, kModel, kTemplate, kSlot, kTitle1, kTitle2, kComment, kItem };

struct Column {
    ColumnKind kind = ColumnKind::kSkip;
    int ma = 0, mb = 0;
    std::string name;  ///< an item column's name, upper case; empty when not given
};

constexpr std::pair<const char*, ColumnKind> kNamedColumns[] = {
    {"TAG", ColumnKind::kTag},           {"MODEL", ColumnKind::kModel},
    {"TEMPLATE", ColumnKind::kTemplate}, {"SLOT", ColumnKind::kSlot},
    {"TITLE1", ColumnKind::kTitle1},     {"TITLE2", ColumnKind::kTitle2},
    {"COMMENT", ColumnKind::kComment}};

std::string Utf8(const std::string& singleByte) {
    return files::SingleByteToUtf8(singleByte);
}

/// The columns of the header row; what is wrong with it goes to `problems`.
std::vector<Column> ReadColumns(const files::ListRow& header, std::vector<ListProblem>& problems) {
    std::vector<Column> columns;
    std::map<std::string, int> seen;  // a column's key -> its number
    for (std::size_t c = 0; c < header.cells.size(); ++c) {
        const int number = static_cast<int>(c) + 1;
        const std::string heading = shell::TrimUpper(header.cells[c]);
        Column column;
        std::string key = heading;
        for (const auto& [name, kind] : kNamedColumns) {
            if (heading == name) column.kind = kind;
        }
        if (column.kind == ColumnKind::kSkip && !heading.empty()) {
            const auto space = heading.find(' ');
            const std::string word = heading.substr(0, space);
            const auto address = word.size() >= 2 ? parameter::ParseAddress(word) : std::nullopt;
            if (!address) {
                problems.push_back(
                    {header.line, number, "unknown column " + Utf8(shell::Trim(header.cells[c]))});
                columns.push_back(column);
                continue;
            }
            column.kind = ColumnKind::kItem;
            column.ma = address->first;
            column.mb = address->second;
            column.name = space == std::string::npos ? "" : shell::Trim(heading.substr(space));
            key = parameter::FormatAddress(column.ma, column.mb);
        }
        if (!heading.empty()) {
            if (const auto [at, fresh] = seen.emplace(key, number); !fresh) {
                problems.push_back({header.line, number,
                                    "column " + Utf8(key) + " appears twice (also column " +
                                        std::to_string(at->second) + ")"});
                column.kind = ColumnKind::kSkip;
            }
        }
        columns.push_back(column);
    }
    for (const char* required : {"TAG", "MODEL"}) {
        if (!seen.contains(required)) {
            problems.push_back(
                {header.line, 0, std::string("the list has no ") + required + " column"});
        }
    }
    return columns;
}

/// The number a SLOT cell holds; nullopt when it holds no number.
std::optional<int> SlotOf(const std::string& cell) {
    const std::string text = shell::Trim(cell);
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char ch) { return std::isdigit(ch); }))
        return std::nullopt;
    return std::stoi(text);
}

/// Why an item refuses a value, as a check line says it: "C02 5000 is above
/// the maximum 999.99".
std::string Refusal(const parameter::DecodedItem& item, const std::string& value,
                    const std::string& error) {
    const std::string address = parameter::FormatAddress(item.ma, item.mb);
    if (item.kind == parameter::kKindDecimal || item.kind == parameter::kKindFreeDecimal ||
        item.kind == parameter::kKindText || item.kind == parameter::kKindHex) {
        const std::string why = parameter::WhyRefused(value, parameter::PrepareEdit(item));
        if (!why.empty()) return address + " " + Utf8(value) + " is " + why;
    }
    return address + " " + Utf8(value) + ": " + error;
}

/// Sets one item of `file`'s record; a problem when the value is refused.
void SetValue(PlannedFile& file, int ma, int mb, const std::string& wantedName,
              const std::string& value, const files::ListRow& row, int column, ListCheck& check) {
    auto& problems = check.problems;
    auto& items = file.record.items;
    const auto it = std::find_if(items.begin(), items.end(), [&](const parameter::ItemBlock& b) {
        const auto item = parameter::DecodeItem(b, false);
        return item.ma == ma && item.mb == mb;
    });
    const std::string address = parameter::FormatAddress(ma, mb);
    if (it == items.end()) {
        problems.push_back({row.line, column, file.templateName + " holds no item " + address});
        return;
    }
    const auto item = parameter::DecodeItem(*it, false);
    const std::string name = shell::TrimUpper(item.name);
    if (!wantedName.empty() && wantedName != name) {
        problems.push_back({row.line, column,
                            "column " + address + " " + Utf8(wantedName) + ": " + address + " of " +
                                file.templateName + " is " + Utf8(name)});
        return;
    }
    const auto edit = parameter::SetItemValue(*it, value);
    if (!edit.ok) {
        problems.push_back({row.line, column, Refusal(item, value, edit.error)});
        return;
    }
    *it = edit.block;
    if (!edit.note.empty())
        check.notes.push_back({row.line, column, address + ": " + Utf8(edit.note)});
    const auto after = parameter::DecodeItem(edit.block, false);
    // A new choice's texts are the instrument's; until then its code says it.
    std::string shown = Utf8(shell::Trim(after.data));
    if (after.kind == parameter::kKindSelection && shown.empty())
        shown = "code " + std::to_string(after.mc);
    file.values.push_back({address, Utf8(shell::Trim(item.name)), shown, column});
}

/// The address of the TAG NO item of a data set, when the model has one.
std::optional<std::pair<int, int>> TagItemOf(const parameter::ItemArray& items) {
    for (const auto& block : items) {
        const auto item = parameter::DecodeItem(block, false);
        if (shell::Trim(item.name) == "TAG NO") return std::pair<int, int>{item.ma, item.mb};
    }
    return std::nullopt;
}

struct RowText {
    std::string tag, model, templateName, slot, title1, title2, comment;
    int tagColumn = 0, modelColumn = 0, templateColumn = 0, slotColumn = 0;
    int title1Column = 0, title2Column = 0, commentColumn = 0;
};

RowText TextsOf(const files::ListRow& row, const std::vector<Column>& columns) {
    RowText t;
    for (std::size_t c = 0; c < columns.size() && c < row.cells.size(); ++c) {
        const int number = static_cast<int>(c) + 1;
        const std::string& cell = row.cells[c];
        switch (columns[c].kind) {
            case ColumnKind::kTag:
                t.tag = shell::Trim(cell), t.tagColumn = number;
                break;
            case ColumnKind::kModel:
                t.model = shell::Trim(cell), t.modelColumn = number;
                break;
            case ColumnKind::kTemplate:
                t.templateName = shell::Trim(cell), t.templateColumn = number;
                break;
            case ColumnKind::kSlot:
                t.slot = cell, t.slotColumn = number;
                break;
            case ColumnKind::kTitle1:
                t.title1 = cell, t.title1Column = number;
                break;
            case ColumnKind::kTitle2:
                t.title2 = cell, t.title2Column = number;
                break;
            case ColumnKind::kComment:
                t.comment = cell, t.commentColumn = number;
                break;
            default:
                break;
        }
    }
    return t;
}

/// The information texts of a row: each within its length, an empty cell
/// keeping the template's text.
void SetInformation(PlannedFile& file, const RowText& t, const files::ListRow& row, double date,
                    std::vector<ListProblem>& problems) {
    auto& info = file.record.information;
    const struct {
        const std::string& text;
        int column;
        const char* heading;
        std::string& field;
        std::size_t length;
    } texts[] = {{t.title1, t.title1Column, "TITLE1", info.title1, files::kInfoTextLength},
                 {t.title2, t.title2Column, "TITLE2", info.title2, files::kInfoTextLength},
                 {t.comment, t.commentColumn, "COMMENT", info.comment, files::kInfoCommentLength}};
    for (const auto& x : texts) {
        if (shell::Trim(x.text).empty()) continue;
        if (x.text.size() > x.length) {
            problems.push_back({row.line, x.column,
                                std::string(x.heading) + " is longer than " +
                                    std::to_string(x.length) + " characters"});
            continue;
        }
        x.field = files::FixedLength(x.text, x.length);
    }
    info.instrumentNo =
        files::FixedLength(files::Utf8ToSingleByte(file.tag), files::kInfoTextLength);
    info.date = date;
    files::SetInformationFileName(info, files::Utf8ToSingleByte(file.fileName));
}

/// `name` names a file of the templates folder itself, not one elsewhere.
bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\\:") == std::string::npos && name != "." &&
           name != "..";
}

}  // namespace

std::string FormatListProblem(const std::string& listName, const ListProblem& p) {
    std::string at = listName + ":" + std::to_string(p.line) + ":";
    if (p.column > 0) at += std::to_string(p.column) + ":";
    return at + " " + p.text;
}

const files::ParameterFileRecord* TemplateFolder::Find(const std::string& name, std::string& why) {
    auto [it, fresh] = m_templates.try_emplace(name);
    Entry& entry = it->second;
    if (fresh) {
        const fs::path path = platform::PathFromUtf8(m_folder) / platform::PathFromUtf8(name);
        auto record = std::make_unique<files::ParameterFileRecord>();
        std::error_code ec;
        if (!fs::exists(path, ec)) {
            entry.why = "no template " + name + " in the templates folder";
        } else if (const auto e = files::LoadParameterFile(platform::Utf8FromPath(path), *record);
                   e != files::FileError::Ok) {
            entry.why = "template " + name + " cannot be read: " + files::FileErrorDescription(e);
        } else {
            entry.record = std::move(record);
        }
    }
    why = entry.why;
    return entry.record.get();
}

ListCheck CheckInstrumentList(const files::InstrumentListTable& list, TemplateFolder& templates,
                              double date) {
    ListCheck check;
    auto& problems = check.problems;
    const auto columns = ReadColumns(list.header, problems);
    std::map<std::string, int> tags, names;  // upper-case tag / file name -> line
    std::map<int, int> slots;                // slot -> line
    for (const auto& row : list.rows) {
        const RowText t = TextsOf(row, columns);
        PlannedFile file;
        file.line = row.line;
        file.tag = Utf8(t.tag);
        file.model = Utf8(t.model);
        const std::size_t before = problems.size();
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            const bool headed =
                c < list.header.cells.size() && !shell::Trim(list.header.cells[c]).empty();
            if (!headed && !shell::Trim(row.cells[c]).empty())
                problems.push_back(
                    {row.line, static_cast<int>(c) + 1, "a value in a column without a heading"});
        }
        // A missing column is said once, at the header.
        if (t.tag.empty() && t.tagColumn != 0)
            problems.push_back({row.line, t.tagColumn, "TAG is empty"});
        if (t.model.empty() && t.modelColumn != 0)
            problems.push_back({row.line, t.modelColumn, "MODEL is empty"});

        const auto slot = SlotOf(t.slot);
        if (!slot && !shell::Trim(t.slot).empty()) {
            problems.push_back(
                {row.line, t.slotColumn, "SLOT " + Utf8(shell::Trim(t.slot)) + " is not a number"});
        } else if (slot && (*slot < 1 || *slot > 16)) {
            problems.push_back(
                {row.line, t.slotColumn, "slot " + Utf8(shell::Trim(t.slot)) + " is outside 1-16"});
        } else if (slot) {
            file.slot = *slot;
            if (const auto [at, fresh] = slots.emplace(*slot, row.line); !fresh)
                problems.push_back({row.line, t.slotColumn,
                                    "duplicate slot " + std::to_string(*slot) + " (also on line " +
                                        std::to_string(at->second) + ")"});
        }
        if (!t.tag.empty()) {
            if (const auto [at, fresh] = tags.emplace(shell::TrimUpper(t.tag), row.line); !fresh)
                problems.push_back({row.line, t.tagColumn,
                                    "duplicate tag " + file.tag + " (also on line " +
                                        std::to_string(at->second) + ")"});
        }
        if (t.tag.empty() || t.model.empty()) continue;

        file.fileName = file.slot != 0 ? RackFileName(file.slot, file.model, file.tag)
                                       : files::FileNamePart(file.model) + "_" +
                                             files::FileNamePart(file.tag) + ".7pa";
        std::string upperName = file.fileName;
        for (char& ch : upperName)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (const auto [at, fresh] = names.emplace(upperName, row.line); !fresh)
            problems.push_back({row.line, t.tagColumn,
                                "file " + file.fileName + " is made by line " +
                                    std::to_string(at->second) + " already"});

        file.templateName = t.templateName.empty() ? file.model + ".7pa" : Utf8(t.templateName);
        const int templateColumn = t.templateName.empty() ? t.modelColumn : t.templateColumn;
        if (!IsPlainFileName(file.templateName)) {
            problems.push_back(
                {row.line, templateColumn,
                 "template " + file.templateName + " is not a file name of the templates folder"});
            continue;
        }
        std::string why;
        const auto* templ = templates.Find(file.templateName, why);
        if (templ == nullptr) {
            problems.push_back({row.line, templateColumn, why});
            continue;
        }
        if (!parameter::SameModel(shell::Trim(templ->header.model), t.model)) {
            problems.push_back({row.line, t.modelColumn,
                                "model " + file.model + " does not match its template " +
                                    file.templateName + " (model " +
                                    Utf8(shell::Trim(templ->header.model)) + ")"});
            continue;
        }
        file.record = *templ;
        if (file.slot != 0) file.record.header.slot = file.slot;
        if (const auto tagItem = TagItemOf(file.record.items))
            SetValue(file, tagItem->first, tagItem->second, "", t.tag, row, t.tagColumn, check);
        for (std::size_t c = 0; c < columns.size() && c < row.cells.size(); ++c) {
            if (columns[c].kind != ColumnKind::kItem || shell::Trim(row.cells[c]).empty()) continue;
            SetValue(file, columns[c].ma, columns[c].mb, columns[c].name,
                     files::ListValue(row.cells[c], list.separator), row, static_cast<int>(c) + 1,
                     check);
        }
        SetInformation(file, t, row, date, problems);
        if (problems.size() == before) check.files.push_back(std::move(file));
    }
    if (list.rows.empty() && problems.empty())
        problems.push_back({list.header.line, 0, "the list has no rows"});
    std::stable_sort(problems.begin(), problems.end(),
                     [](const ListProblem& a, const ListProblem& b) {
                         return a.line != b.line ? a.line < b.line : a.column < b.column;
                     });
    return check;
}

std::vector<std::string> ExistingInstrumentFiles(const ListCheck& check,
                                                 const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& file : check.files) {
        platform::TargetStatus status;
        const auto path = platform::PathFromUtf8(folder) / platform::PathFromUtf8(file.fileName);
        if (platform::StatusOf(path, status) == 0 && status.exists)
            found.push_back(platform::Utf8FromPath(path));
    }
    return found;
}

MakeOutcome MakeInstrumentFiles(const ListCheck& check, const std::string& folder, bool replace) {
    MakeOutcome out;
    if (!check.Ok()) {
        out.problems.push_back("the list has problems; no file is made");
        return out;
    }
    const fs::path base = platform::PathFromUtf8(folder);
    std::error_code ec;
    if (fs::exists(base, ec) && !fs::is_directory(base, ec)) {
        out.problems.push_back(folder + " is not a folder");
        return out;
    }
    std::vector<std::string> paths;
    for (const auto& file : check.files) {
        const std::string path =
            platform::Utf8FromPath(base / platform::PathFromUtf8(file.fileName));
        platform::TargetStatus status;
        if (platform::StatusOf(platform::PathFromUtf8(path), status) == 0 && status.exists) {
            if (!status.regular)
                out.problems.push_back(path + " is not a file");
            else if (!replace)
                out.problems.push_back(path + " exists; --force replaces it");
        }
        paths.push_back(path);
    }
    if (!out.problems.empty()) return out;
    fs::create_directories(base, ec);
    if (const std::string why = files::SaveTargetProblem(paths.empty() ? folder : paths.front());
        !why.empty()) {
        out.problems.push_back(why);
        return out;
    }
    // Each file is flushed to the disk before it takes its name; the disk
    // takes several such flushes together, so a few writers at once make a
    // thousand files in a fraction of the time one would. After a failure no
    // writer starts another file.
    std::vector<std::optional<files::FileError>> errors(paths.size());  // none: not written
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto writer = [&] {
        for (std::size_t i = next++; i < paths.size() && !failed; i = next++) {
            errors[i] = files::ReplaceFileContents(
                paths[i], files::EncodeParameterRecord(check.files[i].record));
            if (errors[i] != files::FileError::Ok) failed = true;
        }
    };
    {
        std::vector<std::jthread> writers;
        const std::size_t count = std::min<std::size_t>(kWriters, paths.size());
        for (std::size_t w = 1; w < count; ++w) writers.emplace_back(writer);
        writer();
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (errors[i] == files::FileError::Ok) out.written.push_back(paths[i]);
        if (errors[i] && *errors[i] != files::FileError::Ok)
            out.problems.push_back(paths[i] +
                                   " was not written: " + files::FileErrorDescription(*errors[i]));
    }
    return out;
}

}  // namespace rq50::session
