#include "gui/parameter/ContentListScreen.h"

#include <QHeaderView>
#include <QScrollBar>

#include "files/DataSet.h"
#include "files/Workspace.h"
#include "gui/FitWindow.h"
#include "gui/GridModel.h"
#include "gui/QtHosts.h"
#include "parameter/ItemBlock.h"
#include "parameter/ValueRules.h"
#include "session/Navigation.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "ui_frmRQ2500.h"

namespace rq50::gui {

namespace {
/// Column widths in characters: row heading, address, display, data, auxiliary.
constexpr int kRowHeadingWidth = 5;
constexpr int kColumnWidths[] = {8, 20, 20, 20};
constexpr int kRowsShown = 20;
}  // namespace

ContentListScreen::ContentListScreen(files::Workspace& ws, QWidget* parent)
    : ScreenBase(shell::Screen::ContentList, ws, parent), m_ui(std::make_unique<Ui::frmRQ2500>()) {
    m_ui->setupUi(this);
    SetEscapeButton(m_ui->cmdExit);
    SetMenus();
    GridModel::Source source;
    source.rows = [this] { return static_cast<int>(m_rows.size()); };
    source.cols = [] { return 4; };
    source.text = [this](int row, int col) -> std::string {
        if (row == 0) return col >= 1 ? Bytes(CatalogueText(kTextAddress + col - 1)) : "";
        if (col == 0) return std::to_string(row);
        const files::ContentRow& r = m_rows[static_cast<std::size_t>(row - 1)];
        switch (col) {
            case 1:
                return r.address;
            case 2:
                return r.name;
            case 3:
                return r.data;
            default:
                return r.aux;
        }
    };
    m_grid = new GridModel(source, this);
    m_ui->ssContent->setModel(m_grid);
    OnSignal(m_ui->cmdExit, &QPushButton::clicked, "cmdExit_Click", [this] { CloseList(); });
}

ContentListScreen::~ContentListScreen() = default;

void ContentListScreen::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(CatalogueText(kTextContentListCaption));
        const files::DataSetHeader& header = Ws().header;
        m_rows = files::BuildContentList(Ws().items.dataSet, header, Ws().state.maintMode);
        m_grid->Refresh();
        m_ui->lblModel->setText(CatalogueText(kTextModelLabel) + Text(shell::Trim(header.model)));
        const bool fromFile = Ws().state.dataSource != shell::DataSource::Uploaded;
        m_ui->lblFile->setText(fromFile ? PathText(Ws().state.currentFileTitle) : QString());
        m_ui->lblPas->setText(fromFile ? PathText(Ws().state.currentFilePath) : QString());
        m_ui->cmdExit->setText(CatalogueText(kTextClose));
        m_ui->cmdExit->setAccessibleName(m_ui->cmdExit->text());
        m_ui->ssContent->setAccessibleName(windowTitle());
        m_ui->lblModel->setAccessibleName(m_ui->lblModel->text().trimmed());
        m_ui->lblFile->setAccessibleName(m_ui->lblFile->text());
        m_ui->lblPas->setAccessibleName(m_ui->lblPas->text());

        QTableView* grid = m_ui->ssContent;
        const int unit = grid->fontMetrics().averageCharWidth();
        int width = kRowHeadingWidth * unit + 10;
        grid->verticalHeader()->setMinimumWidth(width);
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        for (int c = 0; c < 4; ++c) {
            grid->setColumnWidth(c, kColumnWidths[c] * unit + 10);
            width += grid->columnWidth(c);
        }
        grid->setMinimumWidth(width + grid->verticalScrollBar()->sizeHint().width() +
                              2 * grid->frameWidth());
        grid->setMinimumHeight(grid->horizontalHeader()->sizeHint().height() +
                               kRowsShown * grid->verticalHeader()->defaultSectionSize() +
                               2 * grid->frameWidth());
        grid->setFocus();
    });
}

void ContentListScreen::showEvent(QShowEvent* event) {
    ScreenBase::showEvent(event);
    FitWindowWhenShown(this);
}

void ContentListScreen::CloseList() {
    const bool uploaded = Ws().state.dataSource == shell::DataSource::Uploaded;
    if (Nav() != nullptr) Nav()->UnloadScreen(Id());
    session::DisplayMatrix(Ws(), uploaded ? shell::NavEvent::kContentListBackUploaded
                                          : shell::NavEvent::kContentListBackFile);
}

}  // namespace rq50::gui
