#pragma once

// Edit of the data view: the items of the data set the view holds, by
// category, changed offline by the rule rq50-cli set uses (an online WRITE's
// entry rules and send text, written into the item's data field). Each change
// is marked and can be undone; the data set takes the changes only when the
// user confirms them, and is then unsaved.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "files/DataSet.h"
#include "parameter/ItemBlock.h"
#include "session/Vocabulary.h"

namespace rq50::session {

struct Workspace;

/// One item as the editor's grid shows it.
struct OfflineRow {
    std::size_t index = 0;  ///< in the data set
    std::string address;    ///< "C02"
    std::string name;       ///< trimmed
    std::string value;      ///< the value as the grid shows it, with its unit
    int kind = 0;
    bool editable = false;  ///< neither shown-only nor measured nor unknown
    bool changed = false;   ///< differs from the data set the editor began with
};

class OfflineEditor {
  public:
    OfflineEditor(parameter::ItemArray items, const files::DataSetHeader& header);

    /// The items of category 0 DISPLAY, 1 SET, 2 ADJUST or 3 MAINT, in the
    /// data set's order.
    std::vector<OfflineRow> Rows(int category) const;
    /// The value of item `index` as its entry box starts: the data text.
    std::string EntryText(std::size_t index) const;
    /// Sets item `index` to `value`; empty when it took it, else why not.
    std::string Set(std::size_t index, const std::string& value);
    /// Takes the last change back; false when there is none.
    bool Undo();
    bool CanUndo() const { return !m_undo.empty(); }
    /// Some item differs from the data set the editor began with.
    bool Changed() const;
    const parameter::ItemArray& Items() const { return m_items; }

  private:
    parameter::ItemArray m_original;
    parameter::ItemArray m_items;
    files::DataSetHeader m_header;
    std::vector<std::pair<std::size_t, parameter::ItemBlock>> m_undo;
};

/// Puts the editor's items into the workspace's data set when any changed;
/// the data is then unsaved. Returns whether it changed anything.
bool ApplyOfflineEdit(Workspace& ws, const OfflineEditor& editor);

}  // namespace rq50::session
