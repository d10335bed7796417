#include "gui/program/ErrorListWindow.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

#include <algorithm>

#include "files/Workspace.h"
#include "gui/QtHosts.h"
#include "gui/ReportOutput.h"
#include "print/PrintDialogRules.h"
#include "session/Navigation.h"
#include "shell/Services.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ3100.h"

namespace rq50::gui {

namespace {

constexpr int kVisibleRows = 20;

}  // namespace

ErrorListWindow::ErrorListWindow(files::Workspace& ws, program::CommandChecker& checks,
                                 QWidget* parent)
    : ScreenBase(shell::Screen::ErrorList, ws, parent),
      m_ui(std::make_unique<Ui::frmRQ3100>()),
      m_checks(checks) {
    m_ui->setupUi(this);
    SetEscapeButton(m_ui->cmdReturn);
    SetMenus();
    OnSignal(m_ui->cmdReturn, &QPushButton::clicked, "cmdReturn_Click", [this] { GoBack(); });
    OnSignal(m_ui->cmdPrint, &QPushButton::clicked, "cmdPrint_Click", [this] { Print(); });
}

ErrorListWindow::~ErrorListWindow() = default;

void ErrorListWindow::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(CatalogueText(kTextErrorListCaption));
        m_ui->cmdReturn->setText(CatalogueText(kTextClose));
        m_ui->cmdPrint->setText(CatalogueText(kTextPrint));
        m_ui->cmdReturn->setAccessibleName(m_ui->cmdReturn->text());
        m_ui->cmdPrint->setAccessibleName(m_ui->cmdPrint->text());

        QTableWidget* grid = m_ui->ssError;
        grid->setAccessibleName(windowTitle());
        const std::vector<program::ErrorLine> lines = m_checks.ErrorLines();
        grid->setColumnCount(3);
        grid->setRowCount(std::max(static_cast<int>(lines.size()), kVisibleRows));
        grid->setHorizontalHeaderLabels({CatalogueText(kTextErrorStep),
                                         CatalogueText(kTextErrorProgram),
                                         CatalogueText(kTextErrorContent)});
        const int digit = grid->fontMetrics().horizontalAdvance(QLatin1Char('0'));
        const int widths[] = {6, 10, 36};
        for (int c = 0; c < 3; ++c) grid->setColumnWidth(c, digit * widths[c] + 10);
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        grid->horizontalHeader()->setStretchLastSection(true);
        for (std::size_t r = 0; r < lines.size(); ++r) {
            const std::string* texts[] = {&lines[r].step, &lines[r].program, &lines[r].content};
            for (int c = 0; c < 3; ++c) {
                grid->setItem(static_cast<int>(r), c, new QTableWidgetItem(Text(*texts[c])));
            }
        }
        int width = grid->verticalHeader()->sizeHint().width() + 2 * grid->frameWidth() +
                    grid->verticalScrollBar()->sizeHint().width();
        for (int c = 0; c < 3; ++c) width += grid->columnWidth(c);
        grid->setMinimumSize(width,
                             grid->horizontalHeader()->sizeHint().height() +
                                 kVisibleRows * grid->verticalHeader()->defaultSectionSize() +
                                 2 * grid->frameWidth());
        // The first line is the top line.
        grid->scrollToTop();
        grid->setCurrentCell(0, 0);
        m_ui->cmdReturn->setFocus();
        layout()->activate();
        setMinimumSize(layout()->minimumSize());
    });
}

void ErrorListWindow::Unload() {
    Trapped("Form_Unload", [this] { m_checks.ClearCheckResults(); });
}

void ErrorListWindow::GoBack() {
    session::DisplayMatrix(Ws(), shell::NavEvent::kErrorListReturn);
    if (auto* nav = Nav()) nav->UnloadScreen(shell::Screen::ErrorList);
}

void ErrorListWindow::Print() {
    auto& list = Ws().errorPrintList;
    list.clear();
    for (int r = 0; r < m_ui->ssError->rowCount(); ++r) {
        program::ErrorLine line;
        std::string* texts[] = {&line.step, &line.program, &line.content};
        bool any = false;
        for (int c = 0; c < 3; ++c) {
            if (const QTableWidgetItem* item = m_ui->ssError->item(r, c)) {
                *texts[c] = Bytes(item->text().trimmed());
                any = any || !texts[c]->empty();
            }
        }
        if (any) list.push_back(line);
    }
    PrintFromScreen(Ws(), Id());
}

}  // namespace rq50::gui
