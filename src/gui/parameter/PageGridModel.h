#pragma once

#include <functional>

#include "gui/GridModel.h"
#include "parameter/PageModel.h"

namespace rq50::gui {

/// The online page's 12-row grid: the page's cells under the catalogue's
/// column headings, the edited row in yellow and a row whose WRITE came back
/// otherwise than asked in red, the note as its tip.
class PageGridModel : public GridModel {
    Q_OBJECT
  public:
    /// `page`: the page drawn now (the screen's page may be replaced).
    PageGridModel(std::function<const parameter::PageModel&()> page, QObject* parent);

    QVariant data(const QModelIndex& index, int role) const override;
    /// Rows `first`..`last` (1-based) changed, their headings too.
    void RowsChanged(int first, int last);

  private:
    std::function<const parameter::PageModel&()> m_page;
};

}  // namespace rq50::gui
