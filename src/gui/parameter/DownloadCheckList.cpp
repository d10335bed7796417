#include "gui/parameter/DownloadCheckList.h"

#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>

#include "comm/jobs/Jobs.h"
#include "files/Workspace.h"
#include "gui/FitWindow.h"
#include "gui/GridModel.h"
#include "gui/QtHosts.h"
#include "gui/ReportOutput.h"
#include "print/Reports.h"
#include "session/CompareWithInstrument.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ2700.h"

namespace rq50::gui {

namespace {
constexpr int kMinimumRows = 20;
/// Column widths in characters: address, name, sent data, data set.
constexpr int kColumnWidths[] = {8, 12, 10, 20};
}  // namespace

DownloadCheckList::DownloadCheckList(files::Workspace& ws, QWidget* parent)
    : ScreenBase(shell::Screen::DownloadCheck, ws, parent),
      m_ui(std::make_unique<Ui::frmRQ2700>()) {
    m_ui->setupUi(this);
    SetEscapeButton(m_ui->cmdRet);
    SetMenus();
    GridModel::Source source;
    source.rows = [this] { return std::max(kMinimumRows, static_cast<int>(m_rows.size())); };
    source.cols = [] { return 4; };
    source.text = [this](int row, int col) -> std::string {
        if (row == 0) {
            switch (col) {
                case 1:
                    return Bytes(CatalogueText(kTextAddress));
                case 2:  // the name column, headed as the printed list heads it
                    return Bytes(CatalogueText(kTextDisplay));
                case 3:
                    return Bytes(CatalogueText(Ws().state.checkListCompares ? kTextFileValue
                                                                            : kTextSendData));
                case 4:
                    return Bytes(CatalogueText(Ws().state.checkListCompares ? kTextTavroValue
                                                                            : kTextSetData));
                default:
                    return {};
            }
        }
        if (col == 0) return std::to_string(row);
        const auto index = static_cast<std::size_t>(row - 1);
        if (index >= m_rows.size()) return {};
        const auto& cells = m_rows[index];
        const auto cell = static_cast<std::size_t>(col - 1);
        return cell < cells.size() ? cells[cell] : std::string();
    };
    m_grid = new GridModel(source, this);
    m_ui->ssWriteCheckTAVRO->setModel(m_grid);
    OnSignal(m_ui->cmdPrint, &QPushButton::clicked, "cmdPrint_Click", [this] { Print(); });
    OnSignal(m_ui->cmdRet, &QPushButton::clicked, "cmdRet_Click", [this] { CloseList(); });
}

DownloadCheckList::~DownloadCheckList() = default;

void DownloadCheckList::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(CatalogueText(Ws().state.checkListCompares ? kTextCompareWithTavro
                                                                  : kTextCheckListCaption));
        m_ui->cmdPrint->setText(CatalogueText(kTextPrint));
        m_ui->cmdRet->setText(CatalogueText(kTextClose));
        m_ui->cmdPrint->setAccessibleName(m_ui->cmdPrint->text());
        m_ui->cmdRet->setAccessibleName(m_ui->cmdRet->text());
        m_ui->ssWriteCheckTAVRO->setAccessibleName(windowTitle());
        m_rows = print::DownloadCheckRows(Ws().checkList);
        m_grid->Refresh();

        QTableView* grid = m_ui->ssWriteCheckTAVRO;
        const int unit = grid->fontMetrics().averageCharWidth();
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        int width = grid->verticalHeader()->sizeHint().width() + 12;
        for (int c = 0; c < 4; ++c) {
            const QString title = m_grid->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            // As wide as the longest text in it (a file's value, a long unit),
            // so that nothing is cut.
            grid->resizeColumnToContents(c);
            grid->setColumnWidth(c, std::max({kColumnWidths[c] * unit + 10,
                                              grid->fontMetrics().horizontalAdvance(title) + 16,
                                              grid->columnWidth(c)}));
            width += grid->columnWidth(c);
        }
        grid->horizontalHeader()->setStretchLastSection(true);
        grid->setMinimumWidth(width + grid->verticalScrollBar()->sizeHint().width() +
                              2 * grid->frameWidth());
        grid->setMinimumHeight(grid->horizontalHeader()->sizeHint().height() +
                               12 * grid->verticalHeader()->defaultSectionSize() +
                               2 * grid->frameWidth());
        m_ui->cmdRet->setFocus();
    });
}

void DownloadCheckList::showEvent(QShowEvent* event) {
    ScreenBase::showEvent(event);
    FitWindowWhenShown(this);
}

void DownloadCheckList::Print() {
    PrintFromScreen(Ws(), Id());
}

void DownloadCheckList::CloseList() {
    session::CloseCheckList(Ws());
}

}  // namespace rq50::gui
