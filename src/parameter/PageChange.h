// What the page model's files share: one operation's change gathered for
// the listener, and the texts of an item block as the grid shows them.
#pragma once

#include "parameter/ItemEdit.h"
#include "parameter/PageModel.h"

#include <string>
#include <vector>

namespace rq50::parameter {

namespace page {

struct ItemTexts {
    int kind = 0;
    int ma = 0;
    int mb = 0;
    int mc = 0;
    std::string name;
    std::string data;
    std::string aux;
};

inline ItemTexts SplitItemTexts(const ItemBlock& block) {
    const DecodedItem d = DecodeItem(block, false);
    return {d.kind, d.ma, d.mb, d.mc, d.name, d.data, d.aux};
}

inline std::string DisplayData(const std::string& data, int kind) {
    return FormatDataForDisplay(data, kind, DisplayMode::Grid);
}

/// A whole number of digits only; false for anything else.
inline bool ReadInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

}  // namespace page

/// Gathers what one operation changes and tells the listener once, when the
/// outermost operation ends.
class PageModel::Change {
  public:
    explicit Change(PageModel& model)
        : m_model(model),
          m_controls(model.m_controls),
          m_reading(model.m_reading),
          m_tabNames(model.m_tabNames),
          m_currentTab(model.m_currentTab),
          m_confirmedTab(model.m_confirmedTab),
          m_entryText(model.m_entryText),
          m_editedRow(model.m_editedRow) {
        ++m_model.m_changeDepth;
    }
    ~Change() {
        PageModel& m = m_model;
        if (--m.m_changeDepth > 0) return;
        const int first = m.m_dirtyFirst;
        const int last = m.m_dirtyLast;
        const bool controls = !(m.m_controls == m_controls) || m.m_reading != m_reading;
        const bool tabs = m.m_tabNames != m_tabNames || m.m_currentTab != m_currentTab ||
                          m.m_confirmedTab != m_confirmedTab;
        const bool entry =
            m.m_entryDirty || m.m_entryText != m_entryText || m.m_editedRow != m_editedRow;
        m.m_dirtyFirst = m.m_dirtyLast = 0;
        m.m_entryDirty = false;
        PageListener* listener = m.m_listener.get();
        if (listener == nullptr) return;
        if (first != 0) listener->RowsChanged(first, last);
        if (controls) listener->ControlsChanged();
        if (tabs) listener->TabsChanged();
        if (entry) listener->EntryPrepared();
    }
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;

  private:
    PageModel& m_model;
    PageControls m_controls;
    bool m_reading;
    std::vector<std::string> m_tabNames;
    int m_currentTab;
    int m_confirmedTab;
    std::string m_entryText;
    int m_editedRow;
};

}  // namespace rq50::parameter
