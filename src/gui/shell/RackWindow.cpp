#include "gui/shell/RackWindow.h"

#include <algorithm>

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/QtHosts.h"
#include "gui/ScreenBase.h"
#include "gui/comm/DownloadPreviewDialog.h"
#include "session/Menus.h"
#include "shell/TextNumbers.h"

namespace rq50::gui {

namespace {

QPushButton* Button(int caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(CatalogueText(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

RackWindow::RackWindow(files::Workspace& ws, QWidget* parent, std::function<bool()> passwordGate)
    : QDialog(parent), m_ws(ws), m_passwordGate(std::move(passwordGate)), m_table(ws) {
    setObjectName(QStringLiteral("RackWindow"));
    setWindowTitle(CatalogueText(kTextRackCaption));
    auto* layout = new QVBoxLayout(this);

    m_grid = new QTableWidget(16, 5, this);
    m_grid->setObjectName(QStringLiteral("grdSlots"));
    m_grid->setAccessibleName(CatalogueText(kTextRackCaption));
    QStringList headings;
    for (int c = 0; c < 5; ++c) headings << CatalogueText(kTextRackColumns + c);
    m_grid->setHorizontalHeaderLabels(headings);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_grid, 1);

    m_scan = Button(kTextRackScan, "cmdScan", this);
    m_upload = Button(kTextRackUploadAll, "cmdUploadAll", this);
    m_verify = Button(kTextRackVerifyAll, "cmdVerifyAll", this);
    m_download = Button(kTextRackDownloadAll, "cmdDownload", this);
    m_stop = Button(kTextRackStop, "cmdStop", this);
    m_close = Button(kTextRackClose, "cmdClose", this);
    // Three short rows, so that the window fits a small screen at twice the scale.
    auto* actions = new QHBoxLayout;
    for (auto* b : {m_scan, m_upload, m_verify, m_download}) actions->addWidget(b);
    actions->addStretch(1);
    // The top menu keeps Communication Settings closed; the run's pacing is
    // chosen here, and stored as the menu item stores it.
    // The menu's caption without its menu mnemonic "(&F)"; the window gives
    // the box one of its own.
    m_fast = new QCheckBox(
        CatalogueText(kTextFastComm).remove(QRegularExpression(QStringLiteral("\\(&.\\)$"))), this);
    m_fast->setObjectName(QStringLiteral("chkFastComm"));
    m_fast->setChecked(session::FastCommunicationOn(ws));
    connect(m_fast, &QCheckBox::toggled, this, [this](bool on) {
        if (on != session::FastCommunicationOn(m_ws)) session::ToggleFastCommunication(m_ws);
    });
    actions->addWidget(m_fast);
    layout->addLayout(actions);
    auto* progress = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgSlots"));
    m_progress->setAccessibleName(CatalogueText(kTextRackProgress));
    m_progress->setFormat(CatalogueText(kTextRackProgress) + QStringLiteral(" %v / %m"));
    progress->addWidget(m_progress, 1);
    progress->addWidget(m_stop);
    layout->addLayout(progress);
    auto* end = new QHBoxLayout;
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    end->addWidget(m_summary, 1);
    end->addWidget(m_close);
    layout->addLayout(end);
    NameByCaption({m_scan, m_upload, m_verify, m_download, m_stop, m_close, m_fast});

    connect(m_scan, &QPushButton::clicked, this, [this] { StartRun(session::RackAction::kScan); });
    connect(m_upload, &QPushButton::clicked, this,
            [this] { StartRun(session::RackAction::kUpload); });
    connect(m_verify, &QPushButton::clicked, this,
            [this] { StartRun(session::RackAction::kVerify); });
    connect(m_download, &QPushButton::clicked, this,
            [this] { StartRun(session::RackAction::kDownload); });
    connect(m_stop, &QPushButton::clicked, this, [this] { m_table.Stop(); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    m_table.onChange = [this] { Fill(); };
    Fill();
    m_scan->setFocus();
    // As large as the table asks for, never beyond the screen.
    const QRect area = (parent != nullptr ? parent->screen() : screen())->availableGeometry();
    resize(std::min(760, area.width() - 40), std::min(540, area.height() - 60));
}

void RackWindow::Run(files::Workspace& ws, QWidget* parent, std::function<bool()> passwordGate) {
    RackWindow window(ws, parent, std::move(passwordGate));
    window.exec();
}

void RackWindow::reject() {
    if (m_table.Running()) {
        m_table.Stop();
        return;
    }
    QDialog::reject();
}

void RackWindow::StartRun(session::RackAction action) {
    // A download writes to every instrument: the password first, as the
    // data view asks it.
    if (action == session::RackAction::kDownload && m_passwordGate && !m_passwordGate()) return;
    QString folder;
    if (action == session::RackAction::kUpload || action == session::RackAction::kDownload) {
        folder = QFileDialog::getExistingDirectory(
            this, CatalogueText(action == session::RackAction::kUpload ? kTextRackUploadFolder
                                                                       : kTextRackDownloadFolder));
        if (folder.isEmpty()) return;
    }
    std::function<bool(const session::SlotOutcome&, const session::DownloadPreview&)> confirm;
    if (action == session::RackAction::kDownload) {
        confirm = [this](const session::SlotOutcome&, const session::DownloadPreview& preview) {
            DownloadPreviewDialog dialog(preview, this);
            return dialog.exec() == QDialog::Accepted;
        };
    }
    const std::string why = m_table.Start(action, PathBytes(folder), std::move(confirm));
    if (!why.empty()) m_summary->setText(QString::fromStdString(why));
    if (m_table.Running()) m_stop->setFocus();
}

void RackWindow::Fill() {
    const auto& rows = m_table.Rows();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const session::RackRow& row = rows[static_cast<std::size_t>(r)];
        const QStringList cells{QString::number(row.slot), QString::fromStdString(row.model),
                                QString::fromStdString(row.tag),
                                QString::fromStdString(row.lastRecord),
                                QString::fromStdString(row.status)};
        for (int c = 0; c < 5; ++c) {
            auto* cell = new QTableWidgetItem(cells[c]);
            QFont font = cell->font();
            font.setBold(row.working);
            cell->setFont(font);
            m_grid->setItem(r, c, cell);
        }
        if (row.working) {
            m_grid->selectRow(r);
            m_grid->scrollToItem(m_grid->item(r, 0));
        }
    }
    for (int c = 0; c < 4; ++c) m_grid->resizeColumnToContents(c);
    m_progress->setRange(0, m_table.Asked());
    m_progress->setValue(m_table.Done());
    const QString summary = QString::fromStdString(m_table.Summary());
    if (!summary.isEmpty() || m_table.Running()) {
        m_summary->setText(summary);
        m_summary->setAccessibleName(summary);
    }
    const bool idle = !m_table.Running();
    const bool stopHadFocus = m_stop->hasFocus();
    if (idle && m_stop->isEnabled()) {
        // The run is over: the whole rack from its first slot.
        m_grid->clearSelection();
        m_grid->scrollToTop();
    }
    for (auto* b : {m_scan, m_upload, m_verify, m_download, m_close}) b->setEnabled(idle);
    m_fast->setEnabled(idle);
    m_stop->setEnabled(!idle);
    if (idle && stopHadFocus) m_scan->setFocus();
}

}  // namespace rq50::gui
