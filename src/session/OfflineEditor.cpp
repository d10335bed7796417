#include "session/OfflineEditor.h"

#include "files/Categories.h"
#include "files/Compare.h"
#include "files/Workspace.h"
#include "parameter/ItemEdit.h"
#include "shell/TextTrim.h"

namespace rq50::session {

using namespace rq50::shell;

OfflineEditor::OfflineEditor(parameter::ItemArray items, const files::DataSetHeader& header)
    : m_original(items), m_items(std::move(items)), m_header(header) {}

std::vector<OfflineRow> OfflineEditor::Rows(int category) const {
    std::vector<OfflineRow> rows;
    if (category < 0 || category > 3) return rows;
    const auto range = files::CategoryRanges(m_header, m_items)[static_cast<std::size_t>(category)];
    if (!range) return rows;
    for (std::size_t i = range->first; i < range->end && i < m_items.size(); ++i) {
        const auto item = parameter::DecodeItem(m_items[i], false);
        OfflineRow row;
        row.index = i;
        row.address = parameter::FormatAddress(item.ma, item.mb);
        row.name = Trim(item.name);
        row.value = files::ShownValue(item);
        row.kind = item.kind;
        row.editable = item.kind != parameter::kKindShown &&
                       item.kind != parameter::kKindMeasured && item.kind != parameter::kKindOther;
        row.changed = i < m_original.size() && m_items[i] != m_original[i];
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string OfflineEditor::EntryText(std::size_t index) const {
    if (index >= m_items.size()) return {};
    const auto item = parameter::DecodeItem(m_items[index], false);
    return item.kind == parameter::kKindSelection ? std::to_string(item.mc) : Trim(item.data);
}

std::string OfflineEditor::Set(std::size_t index, const std::string& value) {
    if (index >= m_items.size()) return "no such item";
    const auto edit = parameter::SetItemValue(m_items[index], value);
    if (!edit.ok) return edit.error;
    if (edit.block == m_items[index]) return {};
    m_undo.emplace_back(index, m_items[index]);
    m_items[index] = edit.block;
    return {};
}

bool OfflineEditor::Undo() {
    if (m_undo.empty()) return false;
    const auto [index, block] = m_undo.back();
    m_undo.pop_back();
    m_items[index] = block;
    return true;
}

bool OfflineEditor::Changed() const {
    return m_items != m_original;
}

bool ApplyOfflineEdit(Workspace& ws, const OfflineEditor& editor) {
    if (!editor.Changed()) return false;
    ws.items.dataSet = editor.Items();
    ws.state.dataChanged = true;
    return true;
}

}  // namespace rq50::session
