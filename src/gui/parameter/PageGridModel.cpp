#include "gui/parameter/PageGridModel.h"

#include <QColor>

#include <utility>

#include "gui/QtHosts.h"
#include "shell/TextNumbers.h"

namespace rq50::gui {

namespace {

GridModel::Source PageSource(const std::function<const parameter::PageModel&()>& page) {
    GridModel::Source source;
    source.rows = [] { return parameter::kPageRows; };
    source.cols = [] { return parameter::kGridColumns - 1; };
    source.text = [page](int row, int col) -> std::string {
        if (row > 0) return page().Cell(row, col);
        switch (col) {
            case parameter::kColName:
                return Bytes(CatalogueText(kTextParameter));
            case parameter::kColData:
                return Bytes(CatalogueText(kTextDataColumn));
            case parameter::kColMa:
            case parameter::kColMb:
            case parameter::kColMc:
            case parameter::kColKind:
                return Bytes(CatalogueText(kTextMa + col - parameter::kColMa));
            default:
                return {};
        }
    };
    return source;
}

}  // namespace

PageGridModel::PageGridModel(std::function<const parameter::PageModel&()> page, QObject* parent)
    : GridModel(PageSource(page), parent), m_page(std::move(page)) {}

QVariant PageGridModel::data(const QModelIndex& index, int role) const {
    if (index.isValid() && m_page().RowDiffers(index.row() + 1)) {
        if (role == Qt::BackgroundRole) return QColor(255, 190, 190);
        if (role == Qt::ForegroundRole) return QColor(Qt::black);
        if (role == Qt::ToolTipRole) return Text(m_page().WriteNote());
    }
    if (index.isValid() && m_page().RowMarked(index.row() + 1)) {
        if (role == Qt::BackgroundRole) return QColor(255, 255, 0);
        if (role == Qt::ForegroundRole) return QColor(Qt::black);
    }
    return GridModel::data(index, role);
}

void PageGridModel::RowsChanged(int first, int last) {
    RefreshCells(first, 1, last, parameter::kGridColumns - 1);
    emit headerDataChanged(Qt::Vertical, first - 1, last - 1);
}

}  // namespace rq50::gui
