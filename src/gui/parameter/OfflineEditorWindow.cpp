#include "gui/parameter/OfflineEditorWindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/FitWindow.h"
#include "gui/QtHosts.h"
#include "shell/TextNumbers.h"

namespace rq50::gui {

namespace {

QPushButton* NamedButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return button;
}

}  // namespace

OfflineEditorWindow::OfflineEditorWindow(session::OfflineEditor& editor, QWidget* parent)
    : QDialog(parent), m_editor(editor) {
    setObjectName(QStringLiteral("OfflineEditor"));
    setWindowTitle(CatalogueText(kTextEditOffline));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("tabCategory"));
    m_tabs->setAccessibleName(QStringLiteral("Category"));
    for (int c = 0; c < 4; ++c) m_tabs->addTab(CatalogueText(kTextCategoryTitle + c));
    m_tabs->setCurrentIndex(1);  // SET: what a download writes
    layout->addWidget(m_tabs);

    m_grid = new QTableWidget(0, 4, this);
    m_grid->setObjectName(QStringLiteral("grdItems"));
    m_grid->setAccessibleName(QStringLiteral("Items"));
    m_grid->setHorizontalHeaderLabels({CatalogueText(kTextAddress), CatalogueText(kTextDisplay),
                                       QStringLiteral("Value"), QStringLiteral("Changed")});
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_grid, 1);

    auto* entryRow = new QHBoxLayout;
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("txtValue"));
    m_entry->setAccessibleName(QStringLiteral("Value"));
    m_set = NamedButton(QStringLiteral("&Set"), "cmdSet", this);
    m_undo = NamedButton(QStringLiteral("&Undo"), "cmdUndo", this);
    entryRow->addWidget(m_entry, 1);
    entryRow->addWidget(m_set);
    entryRow->addWidget(m_undo);
    layout->addLayout(entryRow);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblNote"));
    m_note->setWordWrap(true);
    layout->addWidget(m_note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (auto* b : buttons->buttons()) {
        b->setObjectName(buttons->buttonRole(b) == QDialogButtonBox::AcceptRole
                             ? QStringLiteral("cmdOK")
                             : QStringLiteral("cmdCancel"));
        b->setAccessibleName(b->text().remove(QLatin1Char('&')));
    }
    layout->addWidget(buttons);

    connect(m_tabs, &QTabBar::currentChanged, this, [this] { Fill(); });
    connect(m_grid, &QTableWidget::itemSelectionChanged, this, [this] { RowChosen(); });
    connect(m_grid, &QTableWidget::cellActivated, this, [this] { m_entry->setFocus(); });
    connect(m_set, &QPushButton::clicked, this, [this] { SetValue(); });
    connect(m_undo, &QPushButton::clicked, this, [this] { UndoChange(); });
    // Ctrl+Z on the grid undoes a change; in the entry box it undoes typing.
    m_grid->installEventFilter(this);
    // Enter in the entry box sets the value and nothing more: the dialog's
    // OK must not close it with the same key.
    m_entry->installEventFilter(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Fill();
    resize(620, 460);
    FitWindowWhenShown(this);
}

bool OfflineEditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_entry && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            SetValue();
            return true;
        }
    }
    if (watched == m_grid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo)) {
        UndoChange();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void OfflineEditorWindow::Fill() {
    const int keep = m_grid->currentRow();
    m_rows = m_editor.Rows(m_tabs->currentIndex());
    m_grid->setRowCount(static_cast<int>(m_rows.size()));
    for (int r = 0; r < static_cast<int>(m_rows.size()); ++r) {
        const auto& row = m_rows[static_cast<std::size_t>(r)];
        const QStringList cells{Text(row.address), Text(row.name), Text(row.value),
                                row.changed ? QStringLiteral("*") : QString()};
        for (int c = 0; c < 4; ++c) {
            auto* cell = new QTableWidgetItem(cells[c]);
            QFont font = cell->font();
            font.setBold(row.changed);
            cell->setFont(font);
            m_grid->setItem(r, c, cell);
        }
    }
    m_grid->resizeColumnsToContents();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    if (keep >= 0 && keep < m_grid->rowCount()) m_grid->selectRow(keep);
    m_undo->setEnabled(m_editor.CanUndo());
    RowChosen();
}

void OfflineEditorWindow::RowChosen() {
    const int r = m_grid->currentRow();
    const bool editable = r >= 0 && r < static_cast<int>(m_rows.size()) &&
                          m_rows[static_cast<std::size_t>(r)].editable;
    m_entry->setEnabled(editable);
    m_set->setEnabled(editable);
    m_entry->setText(editable ? Text(m_editor.EntryText(m_rows[static_cast<std::size_t>(r)].index))
                              : QString());
}

void OfflineEditorWindow::SetValue() {
    const int r = m_grid->currentRow();
    if (r < 0 || r >= static_cast<int>(m_rows.size())) return;
    const auto& row = m_rows[static_cast<std::size_t>(r)];
    const std::string why = m_editor.Set(row.index, Bytes(m_entry->text()));
    const QString note =
        why.empty() ? QString()
                    : QStringLiteral("%1 not changed: %2").arg(Text(row.address), Text(why));
    Fill();
    m_note->setText(note);
    m_note->setAccessibleName(note);
}

void OfflineEditorWindow::UndoChange() {
    if (!m_editor.Undo()) return;
    Fill();
    m_note->clear();
}

}  // namespace rq50::gui
