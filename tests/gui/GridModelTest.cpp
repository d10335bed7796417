// The item model over the core's tables: shape, headings, 8-bit texts and
// edits that go back through the core.
#include <QTableView>
#include <QTest>

#include "gui/GridModel.h"
#include "program/CellGrid.h"

using namespace rq50;

class GridModelTest : public QObject {
    Q_OBJECT
  private slots:
    void showsDataCellsWithHeadingsAsLatin1();
    void editsGoThroughTheCoreAndOnlyWhereAllowed();
};

void GridModelTest::showsDataCellsWithHeadingsAsLatin1() {
    program::CellGrid grid(3, 2);
    grid.Set(0, 1, "STEP");
    grid.Set(2, 0, "P02");
    grid.Set(2, 1, "CAF\xC9 ");  // Latin-1 E acute, trailing blank kept
    gui::GridModel model(gui::GridModel::FromCellGrid(grid));
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString("STEP"));
    QCOMPARE(model.headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), QString("P02"));
    QCOMPARE(model.index(1, 0).data().toString(), QString::fromUtf8("CAF\u00C9 "));
    QVERIFY(!(model.flags(model.index(1, 0)) & Qt::ItemIsEditable));

    // The core grows the grid; a refresh shows the new shape.
    grid.Resize(5, 2);
    model.Refresh();
    QCOMPARE(model.rowCount(), 5);
}

void GridModelTest::editsGoThroughTheCoreAndOnlyWhereAllowed() {
    program::CellGrid grid(2, 2);
    std::vector<std::string> edits;
    auto source = gui::GridModel::FromCellGrid(grid);
    source.editable = [](int row, int col) { return row == 1 && col == 2; };
    source.edit = [&](int row, int col, const std::string& text) {
        edits.push_back(text);
        grid.Set(row, col, text.substr(0, 3));  // the core's rule, not the view's
    };
    gui::GridModel model(source);
    QTableView view;
    view.setModel(&model);
    QVERIFY(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(model.setData(model.index(0, 1), QString::fromUtf8("\u00E9abcd"), Qt::EditRole));
    QVERIFY(!model.setData(model.index(0, 0), QString("x"), Qt::EditRole));
    QCOMPARE(edits, std::vector<std::string>{"\xE9"
                                             "abcd"});
    QCOMPARE(model.index(0, 1).data().toString(), QString::fromUtf8("\u00E9ab"));
}

QTEST_MAIN(GridModelTest)
#include "GridModelTest.moc"
