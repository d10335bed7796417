#include "gui/shell/PlantRegisterWindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/ReportOutput.h"
#include "gui/ScreenBase.h"
#include "gui/comm/DownloadPreviewDialog.h"
#include "shell/TextNumbers.h"

namespace rq50::gui {

namespace {

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* AddButton(int text, const char* name, QVBoxLayout* layout, QWidget* parent) {
    auto* button = new QPushButton(CatalogueText(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    layout->addWidget(button);
    return button;
}

/// A list with a caption above it, the list named by the caption.
QVBoxLayout* Captioned(int caption, QWidget* list) {
    auto* column = new QVBoxLayout;
    auto* label = new QLabel(CatalogueText(caption), list->parentWidget());
    label->setBuddy(list);
    list->setAccessibleName(label->text());
    column->addWidget(label);
    column->addWidget(list, 1);
    return column;
}

/// At most `wanted`, and never beyond nine tenths of the screen of `window`.
void SizeOnScreen(QWidget* window, QSize wanted) {
    if (const QScreen* screen = window->screen())
        wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
    window->resize(wanted);
}

/// What two records differ in: one row an item, the older record's value
/// first; Close (or Escape) closes it.
void ShowDifferencesDialog(const session::RecordDifferences& d, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("RecordDifferences"));
    dialog.setWindowTitle(CatalogueText(kTextDifferencesCaption));
    auto* layout = new QVBoxLayout(&dialog);
    auto* heading = new QLabel(Utf8(d.heading), &dialog);
    heading->setWordWrap(true);
    heading->setAccessibleName(heading->text());
    layout->addWidget(heading);
    auto* table = new QTableWidget(static_cast<int>(d.rows.size()), 4, &dialog);
    table->setObjectName(QStringLiteral("grdDifferences"));
    table->setAccessibleName(CatalogueText(kTextDifferencesCaption));
    table->setHorizontalHeaderLabels({CatalogueText(kTextDiffAddress),
                                      CatalogueText(kTextDiffAddress + 1), Utf8(d.first),
                                      Utf8(d.second)});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int r = 0; r < table->rowCount(); ++r) {
        const auto& row = d.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < 4; ++c)
            table->setItem(r, c, new QTableWidgetItem(Utf8(row[static_cast<std::size_t>(c)])));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);
    auto* buttons = new QDialogButtonBox(&dialog);
    auto* close =
        buttons->addButton(CatalogueText(kTextRegisterClose), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("cmdClose"));
    NameByCaption({close});
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    SizeOnScreen(&dialog, {640, 420});
    dialog.exec();
}

}  // namespace

PlantRegisterWindow::PlantRegisterWindow(files::Workspace& ws, ReportDevices& devices,
                                         QWidget* parent, std::function<bool()> passwordGate)
    : QDialog(parent),
      m_ws(ws),
      m_devices(devices),
      m_passwordGate(std::move(passwordGate)),
      m_fileDialog(ws.hosts),
      m_browser(ws, static_cast<session::PlantRegisterHost&>(*this)) {
    setObjectName(QStringLiteral("PlantRegister"));
    setWindowTitle(CatalogueText(kTextPlantRegisterCaption));
    auto* layout = new QHBoxLayout(this);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("tvwInstruments"));
    m_tree->setHeaderHidden(true);
    m_tree->setMinimumWidth(120);
    // On a small screen (or a large scale) the tree scrolls sideways rather
    // than cutting an instrument's name short, as the records do.
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addLayout(Captioned(kTextRegisterInstruments, m_tree), 1);

    m_records = new QTableWidget(0, 8, this);
    m_records->setObjectName(QStringLiteral("grdRecords"));
    QStringList headings;
    for (int c = 0; c < 6; ++c) headings << CatalogueText(kTextRecordTime + c);
    headings << CatalogueText(kTextRecordReason) << CatalogueText(kTextRecordChain);
    m_records->setHorizontalHeaderLabels(headings);
    m_records->verticalHeader()->hide();
    m_records->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_records->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_records->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_records->setTabKeyNavigation(false);  // Tab goes on to the buttons
    m_records->horizontalHeader()->setStretchLastSection(true);
    auto* records = Captioned(kTextRegisterRecords, m_records);
    m_verifyLine = new QLabel(this);
    m_verifyLine->setObjectName(QStringLiteral("lblVerify"));
    m_verifyLine->setWordWrap(true);
    m_verifyLine->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_verifyLine->hide();
    records->addWidget(m_verifyLine);
    layout->addLayout(records, 3);

    // The buttons in a column: six side by side would not fit a small screen.
    auto* column = new QVBoxLayout;
    m_open = AddButton(kTextRegisterOpen, "cmdOpen", column, this);
    m_compare = AddButton(kTextRegisterCompare, "cmdCompare", column, this);
    m_restore = AddButton(kTextRegisterRestore, "cmdRestore", column, this);
    m_export = AddButton(kTextRegisterExport, "cmdExport", column, this);
    m_print = AddButton(kTextRegisterPrint, "cmdPrint", column, this);
    m_verify = AddButton(kTextRegisterVerify, "cmdVerify", column, this);
    m_name = AddButton(kTextRegisterName, "cmdName", column, this);
    column->addStretch(1);
    m_close = AddButton(kTextRegisterClose, "cmdClose", column, this);
    layout->addLayout(column);
    NameByCaption({m_open, m_compare, m_restore, m_export, m_print, m_verify, m_name, m_close});
    for (auto* button :
         {m_open, m_compare, m_restore, m_export, m_print, m_verify, m_name, m_close})
        button->setAutoDefault(false);  // Enter opens a record; it presses no button

    setTabOrder(m_tree, m_records);
    setTabOrder(m_records, m_open);
    setTabOrder(m_open, m_compare);
    setTabOrder(m_compare, m_restore);
    setTabOrder(m_restore, m_export);
    setTabOrder(m_export, m_print);
    setTabOrder(m_print, m_verify);
    setTabOrder(m_verify, m_name);
    setTabOrder(m_name, m_close);
    m_tree->installEventFilter(this);
    m_records->installEventFilter(this);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this] { Act("tvwInstruments_Change", [this] { InstrumentChosen(); }); });
    connect(m_records, &QTableWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(m_records, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        Act("grdRecords_DblClick", [this, row] { m_browser.OpenRecord(row); });
    });
    connect(m_open, &QPushButton::clicked, this, [this] {
        Act("cmdOpen_Click", [this] {
            const auto rows = SelectedRows();
            m_browser.OpenRecord(rows.size() == 1 ? rows[0] : -1);
        });
    });
    connect(m_compare, &QPushButton::clicked, this,
            [this] { Act("cmdCompare_Click", [this] { m_browser.Compare(SelectedRows()); }); });
    connect(m_restore, &QPushButton::clicked, this,
            [this] { Act("cmdRestore_Click", [this] { m_browser.Restore(SelectedRows()); }); });
    connect(m_export, &QPushButton::clicked, this,
            [this] { Act("cmdExport_Click", [this] { m_browser.Export(SelectedRows()); }); });
    connect(m_print, &QPushButton::clicked, this,
            [this] { Act("cmdPrint_Click", [this] { m_browser.Print(SelectedRows()); }); });
    connect(m_verify, &QPushButton::clicked, this, [this] {
        Act("cmdVerify_Click", [this] {
            const QString line = Utf8(m_browser.Verify());
            m_verifyLine->setText(line);
            m_verifyLine->setAccessibleName(line);
            m_verifyLine->setVisible(!line.isEmpty());
            ShowRecords();
        });
    });
    connect(m_name, &QPushButton::clicked, this, [this] {
        Act("cmdName_Click", [this] {
            m_browser.Name();
            FillTree();
        });
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    SizeOnScreen(this, {900, 520});
}

PlantRegisterWindow::~PlantRegisterWindow() = default;

void PlantRegisterWindow::Run(files::Workspace& ws, ReportDevices& devices, QWidget* parent,
                              std::function<bool()> passwordGate) {
    PlantRegisterWindow window(ws, devices, parent, std::move(passwordGate));
    if (!window.m_browser.Open()) return;
    window.FillTree();
    window.exec();
}

void PlantRegisterWindow::Act(std::string_view handler, const std::function<void()>& action) {
    Trap(m_ws.hosts, TrapLabel(TrapCode(*this), handler), action);
}

void PlantRegisterWindow::FillTree() {
    m_tree->clear();
    std::vector<QTreeWidgetItem*> parents;
    QTreeWidgetItem* first = nullptr;
    int row = 0;
    for (const auto& line : m_browser.Tree()) {
        const auto depth = static_cast<std::size_t>(line.depth);
        parents.resize(depth);
        auto* item = depth == 0 ? new QTreeWidgetItem(m_tree) : new QTreeWidgetItem(parents.back());
        item->setText(0, Utf8(line.text));
        item->setData(0, Qt::UserRole, row++);
        parents.push_back(item);
        if (first == nullptr && line.instrument >= 0) first = item;
    }
    m_tree->expandAll();
    // The first instrument's records show at once.
    if (first != nullptr) m_tree->setCurrentItem(first);
    SelectionChanged();
}

void PlantRegisterWindow::InstrumentChosen() {
    const QTreeWidgetItem* item = m_tree->currentItem();
    m_browser.ChooseInstrument(item != nullptr ? item->data(0, Qt::UserRole).toInt() : -1);
    ShowRecords();
    // The record Restore offers is selected: the newest good one.
    const int good = m_browser.DefaultRestoreRow();
    if (m_records->rowCount() > 0) m_records->setCurrentCell(good >= 0 ? good : 0, 0);
    SelectionChanged();
}

void PlantRegisterWindow::ShowRecords() {
    const auto rows = m_browser.RecordRows();
    m_records->clearContents();
    m_records->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < m_records->rowCount(); ++r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        const std::string cells[] = {row.time, row.kind,   row.who,    row.slot,
                                     row.file, row.result, row.reason, row.finding};
        for (int c = 0; c < 8; ++c) {
            auto* cell = new QTableWidgetItem(Utf8(cells[c]));
            // A record the chain shows changed stands out, and says how.
            if (!row.finding.empty()) {
                cell->setBackground(QColor(255, 205, 205));
                cell->setForeground(QColor(Qt::black));
            }
            m_records->setItem(r, c, cell);
        }
    }
    // Every column as wide as its text (the result is often the longest):
    // the table scrolls sideways rather than cutting a result short.
    m_records->horizontalHeader()->setStretchLastSection(false);
    m_records->resizeColumnsToContents();
}

std::vector<int> PlantRegisterWindow::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_records->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void PlantRegisterWindow::SelectionChanged() {
    const auto selected = SelectedRows().size();
    const bool instrument = !m_browser.Records().empty();
    m_open->setEnabled(selected == 1);
    m_compare->setEnabled(selected == 1 || selected == 2);
    m_restore->setEnabled(instrument && selected <= 1);
    m_export->setEnabled(selected == 1);
    m_print->setEnabled(instrument);
    m_name->setEnabled(instrument);
}

bool PlantRegisterWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter on the tree goes to its records; on a record it opens it.
            if (watched == m_tree) {
                m_records->setFocus();
            } else if (watched == m_records && m_records->currentRow() >= 0) {
                const int row = m_records->currentRow();
                Act("grdRecords_KeyPress", [this, row] { m_browser.OpenRecord(row); });
            }
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool PlantRegisterWindow::PasswordGate() {
    return !m_passwordGate || m_passwordGate();
}

void PlantRegisterWindow::CloseWindow() {
    accept();
}

std::unique_ptr<session::DownloadQuestions> PlantRegisterWindow::RestoreQuestions() {
    // The main window: this one is gone when the download asks.
    QWidget* over = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    return DownloadPreviewDialog::QuestionsFor(over);
}

void PlantRegisterWindow::ShowDifferences(const session::RecordDifferences& differences) {
    ShowDifferencesDialog(differences, this);
}

void PlantRegisterWindow::PrintReport(const print::ReportWriter& write) {
    gui::PrintReport(m_devices, m_ws, write);
}

std::optional<std::string> PlantRegisterWindow::AskName(const std::string& current) {
    bool ok = false;
    const QString name = QInputDialog::getText(
        this, CatalogueText(kTextNameCaption),
        CatalogueText(kTextNamePrompt).replace(QStringLiteral("%1"), Utf8(current)),
        QLineEdit::Normal, {}, &ok);
    if (!ok) return std::nullopt;
    return name.trimmed().toStdString();
}

}  // namespace rq50::gui
