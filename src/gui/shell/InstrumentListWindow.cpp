#include "gui/shell/InstrumentListWindow.h"

#include <algorithm>

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include "files/Csv.h"
#include "files/FileError.h"
#include "files/Workspace.h"
#include "gui/QtHosts.h"
#include "gui/ReportOutput.h"
#include "gui/ScreenBase.h"
#include "gui/comm/DownloadPreviewDialog.h"
#include "platform/Account.h"
#include "platform/print/QtReportSurface.h"
#include "print/PrintControl.h"
#include "shell/TextNumbers.h"

namespace rq50::gui {

namespace {

QPushButton* Button(int caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(CatalogueText(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

/// A bad cell's colours: red behind dark text, readable in either theme.
const QColor kBadCell(255, 170, 170);

}  // namespace

InstrumentListWindow::InstrumentListWindow(files::Workspace& ws, QWidget* parent,
                                           std::function<bool()> passwordGate)
    : QDialog(parent), m_ws(ws), m_passwordGate(std::move(passwordGate)), m_sheet(ws) {
    setObjectName(QStringLiteral("InstrumentListWindow"));
    setWindowTitle(CatalogueText(kTextInstrumentListCaption));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    m_open = Button(kTextInstrumentListOpen, "cmdOpen", this);
    top->addWidget(m_open);
    m_list = new QLabel(this);
    m_list->setObjectName(QStringLiteral("lblList"));
    m_list->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(m_list, 1);
    layout->addLayout(top);

    m_grid = new QTableWidget(0, 0, this);
    m_grid->setObjectName(QStringLiteral("grdList"));
    m_grid->setAccessibleName(CatalogueText(kTextInstrumentListRows));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setMinimumHeight(60);
    layout->addWidget(m_grid, 3);

    auto* problemsLabel = new QLabel(CatalogueText(kTextInstrumentListProblems), this);
    m_problems = new QListWidget(this);
    m_problems->setObjectName(QStringLiteral("lstProblems"));
    problemsLabel->setBuddy(m_problems);
    m_problems->setAccessibleName(problemsLabel->text().remove(QLatin1Char('&')));
    layout->addWidget(problemsLabel);
    m_problems->setMinimumHeight(40);
    layout->addWidget(m_problems, 1);

    // Three short rows, so that the window fits a small screen at twice the scale.
    auto* actions = new QHBoxLayout;
    m_make = Button(kTextInstrumentListMake, "cmdMake", this);
    m_commission = Button(kTextInstrumentListCommission, "cmdCommission", this);
    m_save = Button(kTextInstrumentListSaveReport, "cmdSaveReport", this);
    m_stop = Button(kTextInstrumentListStop, "cmdStop", this);
    m_close = Button(kTextInstrumentListClose, "cmdClose", this);
    for (auto* b : {m_make, m_commission, m_save, m_stop}) actions->addWidget(b);
    actions->addStretch(1);
    layout->addLayout(actions);
    auto* end = new QHBoxLayout;
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("lblProgress"));
    m_progress->setWordWrap(true);
    m_progress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    end->addWidget(m_progress, 1);
    end->addWidget(m_close);
    layout->addLayout(end);
    NameByCaption({m_open, m_make, m_commission, m_save, m_stop, m_close});

    connect(m_open, &QPushButton::clicked, this, [this] { Open(); });
    connect(m_make, &QPushButton::clicked, this, [this] { MakeFiles(); });
    connect(m_commission, &QPushButton::clicked, this, [this] { Commission(); });
    connect(m_save, &QPushButton::clicked, this, [this] { SaveReport(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { m_sheet.Stop(); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    // Enter or a double-click on a problem goes to its cell.
    connect(m_problems, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int at = m_problems->row(item);
        const auto& marks = m_sheet.Problems();
        if (at < 0 || at >= static_cast<int>(marks.size())) return;
        const auto& m = marks[static_cast<std::size_t>(at)];
        const int row = std::max(m.row, 0);
        const int column = std::max(m.column, 0);
        if (row < m_grid->rowCount() && column < m_grid->columnCount()) {
            m_grid->setCurrentCell(row, column);
            m_grid->setFocus();
        }
    });
    m_sheet.onChange = [this] { Progress(); };
    Fill();
    m_open->setFocus();
    // As large as the table asks for, never beyond the screen.
    const QRect area = (parent != nullptr ? parent->screen() : screen())->availableGeometry();
    resize(std::min(900, area.width() - 40), std::min(600, area.height() - 60));
}

void InstrumentListWindow::Run(files::Workspace& ws, QWidget* parent,
                               std::function<bool()> passwordGate) {
    InstrumentListWindow window(ws, parent, std::move(passwordGate));
    window.exec();
}

void InstrumentListWindow::reject() {
    if (m_sheet.Running()) {
        m_sheet.Stop();
        return;
    }
    QDialog::reject();
}

bool InstrumentListWindow::OpenList(const QString& list, const QString& templates) {
    const std::string why = m_sheet.Open(PathBytes(list), PathBytes(templates));
    if (!why.empty()) {
        Say(Utf8(why), shell::MsgIcon::Exclamation);
        return false;
    }
    Fill();
    return true;
}

void InstrumentListWindow::Open() {
    const QString list = QFileDialog::getOpenFileName(
        this, CatalogueText(kTextInstrumentListOpen).remove(QLatin1Char('&')), {},
        CatalogueText(kTextInstrumentListFilter));
    if (list.isEmpty()) return;
    const QString templates = QFileDialog::getExistingDirectory(
        this, CatalogueText(kTextInstrumentListTemplates), QFileInfo(list).absolutePath());
    if (templates.isEmpty()) return;
    OpenList(list, templates);
}

bool InstrumentListWindow::AskFolder(QString& folder, bool& replace) {
    folder = QFileDialog::getExistingDirectory(this, CatalogueText(kTextInstrumentListFolder));
    if (folder.isEmpty()) return false;
    replace = m_sheet.FilesExist(PathBytes(folder));
    return !replace || (m_ws.hosts.messages != nullptr &&
                        m_ws.hosts.messages->Show({Bytes(CatalogueText(kTextInstrumentListReplace)),
                                                   Bytes(CatalogueText(kTextInstrumentListCaption)),
                                                   shell::MsgButtons::YesNo,
                                                   shell::MsgIcon::Question}) == shell::MsgAnswer::Yes);
}

void InstrumentListWindow::MakeFiles() {
    QString folder;
    bool replace = false;
    if (!AskFolder(folder, replace)) return;
    const auto made = m_sheet.Make(PathBytes(folder), replace);
    if (!made.problems.empty()) {
        Say(Utf8(made.problems.front()), shell::MsgIcon::Exclamation);
        return;
    }
    m_progress->setText(QString::number(made.written.size()) + QLatin1Char(' ') +
                        CatalogueText(kTextInstrumentListMade) + QLatin1Char(' ') + folder);
    m_progress->setAccessibleName(m_progress->text());
}

void InstrumentListWindow::Commission() {
    // The downloads write to every instrument: the password first, as the
    // rack window asks it.
    if (m_passwordGate && !m_passwordGate()) return;
    QString folder;
    bool replace = false;
    if (!AskFolder(folder, replace)) return;
    const std::string why = m_sheet.Commission(
        PathBytes(folder), replace, platform::AccountName(),
        [this](const session::SlotOutcome&, const session::DownloadPreview& preview) {
            DownloadPreviewDialog dialog(preview, this);
            return dialog.exec() == QDialog::Accepted;
        });
    if (!why.empty()) Say(Utf8(why), shell::MsgIcon::Exclamation);
    if (m_sheet.Running()) m_stop->setFocus();
}

void InstrumentListWindow::SaveReport() {
    const auto& report = m_sheet.Report();
    if (!report) return;
    QString filter;
    QString path = QFileDialog::getSaveFileName(
        this, CatalogueText(kTextInstrumentListSaveReport).remove(QLatin1Char('&')), {},
        CatalogueText(kTextInstrumentListReportFilter), &filter);
    if (path.isEmpty()) return;
    const bool pdf = path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ||
                     (filter.contains(QStringLiteral("pdf")) && QFileInfo(path).suffix().isEmpty());
    if (QFileInfo(path).suffix().isEmpty())
        path += pdf ? QStringLiteral(".pdf") : QStringLiteral(".csv");
    // The file dialog asked about a file that exists; a data file is never an output.
    if (const auto problem = files::OutputTargetProblem(PathBytes(path), m_sheet.ListPath(), true);
        !problem.empty()) {
        Say(Utf8(problem), shell::MsgIcon::Exclamation);
        return;
    }
    if (!pdf) {
        if (const auto e = files::WriteCsvLines(PathBytes(path), session::CommissioningCsv(*report));
            e != files::FileError::Ok)
            Say(Utf8(files::FileErrorDescription(e)), shell::MsgIcon::Critical);
        return;
    }
    platform::PdfReport file(path);
    bool written = false;
    if (file.Surface() != nullptr) {
        print::PrintControl control(*file.Surface());
        print::ReportSetup setup = CurrentReportSetup();
        setup.date = report->date;
        written = session::PrintCommissioningReport(control, *report, setup) && file.Commit();
    }
    if (!written) Say(file.ErrorText(), shell::MsgIcon::Critical);
}

void InstrumentListWindow::Say(const QString& text, shell::MsgIcon icon) {
    if (m_ws.hosts.messages == nullptr) return;
    m_ws.hosts.messages->Show(
        {Bytes(text), Bytes(CatalogueText(kTextInstrumentListCaption)), shell::MsgButtons::Ok, icon});
}

void InstrumentListWindow::Fill() {
    const int rows = m_sheet.Rows();
    const int columns = m_sheet.Columns();
    m_grid->clear();
    m_grid->setRowCount(rows);
    m_grid->setColumnCount(columns);
    for (int c = 0; c < columns; ++c) {
        auto* heading = new QTableWidgetItem(Utf8(m_sheet.Heading(c)));
        const QString tip = Utf8(m_sheet.ProblemsAt(-1, c));
        if (!tip.isEmpty()) {
            heading->setForeground(Qt::red);
            heading->setToolTip(tip);
        }
        m_grid->setHorizontalHeaderItem(c, heading);
    }
    for (int r = 0; r < rows; ++r) {
        // Rows are numbered by their line in the file, as the problems name them.
        m_grid->setVerticalHeaderItem(r, new QTableWidgetItem(QString::number(m_sheet.LineOf(r))));
        for (int c = 0; c < columns; ++c) {
            auto* cell = new QTableWidgetItem(Utf8(m_sheet.Cell(r, c)));
            const QString tip = Utf8(m_sheet.ProblemsAt(r, c));
            if (!tip.isEmpty()) {
                cell->setBackground(kBadCell);
                cell->setForeground(Qt::black);
                cell->setToolTip(tip);
                cell->setData(Qt::AccessibleDescriptionRole, tip);
            }
            m_grid->setItem(r, c, cell);
        }
    }
    m_grid->resizeColumnsToContents();
    m_problems->clear();
    for (const auto& m : m_sheet.Problems()) m_problems->addItem(Utf8(m.text));
    m_list->setText(m_sheet.IsOpen() ? PathText(m_sheet.ListPath()) + QStringLiteral(": ") +
                                           Utf8(m_sheet.Summary())
                                     : QString());
    m_list->setAccessibleName(m_list->text());
    Progress();
}

void InstrumentListWindow::Progress() {
    const bool running = m_sheet.Running();
    m_progress->setText(Utf8(m_sheet.Progress()));
    m_progress->setAccessibleName(m_progress->text());
    m_open->setEnabled(!running);
    m_make->setEnabled(!running && m_sheet.Ok());
    m_commission->setEnabled(!running && m_sheet.Ok());
    m_save->setEnabled(!running && m_sheet.Report().has_value());
    m_stop->setEnabled(running);
    m_close->setEnabled(!running);
}

}  // namespace rq50::gui
