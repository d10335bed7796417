#include "gui/program/ProgramEditorWindow.h"
#include "session/ProgramMenu.h"

#include "gui/comm/DownloadPreviewDialog.h"
#include "session/CompareWithInstrument.h"
#include "session/SafeDownload.h"
#include "session/TransferRecords.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <array>
#include <functional>

#include "comm/Engine.h"
#include "files/FileNameRules.h"
#include "files/UndoFolder.h"
#include "files/Workspace.h"
#include "gui/CellGridView.h"
#include "gui/GridModel.h"
#include "gui/QtHosts.h"
#include "gui/ReportOutput.h"
#include "program/ProgramModel.h"
#include "session/Navigation.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ3000.h"

namespace rq50::gui {

namespace {


QString PlainCaption(const QString& text) {
    QString plain = text;
    return plain.remove(QLatin1Char('&'));
}

}  // namespace

// ------------------------------------------------------------ window

ProgramEditorWindow::ProgramEditorWindow(files::Workspace& ws, program::CommandChecker& checks,
                                         QWidget* parent)
    : ScreenBase(shell::Screen::ProgramEditor, ws, parent),
      m_ui(std::make_unique<Ui::frmRQ3000>()),
      m_categories(program::LoadedCategoryTable(ws.config)) {
    m_ui->setupUi(this);
    m_editor = std::make_unique<program::ProgramEditor>(
        ws.hosts, m_categories, ws.config, ws.program, static_cast<program::EditorHost&>(*this),
        files::UndoFolderPath(ws), checks);
    m_mnuInformation = new QAction(CatalogueText(kTextInformationMenu), this);
    SetMenus();
    Std().mnuFile->insertAction(Std().mnuFileExit, m_mnuInformation);
    Std().mnuFile->insertSeparator(Std().mnuFileExit);
    // The editor's Command menu holds Create Log File of the shared items,
    // and Baud Rate.
    Std().mnuMaintMode->setVisible(false);
    Std().mnuMonitor->setVisible(false);
    QAction* commandBaud = Std().mnuCommand->addAction(CatalogueText(kTextBaudRateMenu));
    OnSignal(commandBaud, &QAction::triggered, "mnuCommandItems_Click", [this] { OnBaudRate(); });
    OfferBaudRate();
    OfferCommandMenuUnlock();

    const std::array<QPushButton*, 9> buttons{
        m_ui->cmdClose, m_ui->cmdInsert,   m_ui->cmdDelete,  m_ui->cmdUndo, m_ui->cmdCommandCheck,
        m_ui->cmdSave,  m_ui->cmdDownload, m_ui->cmdCompare, m_ui->cmdPrint};
    const std::array<std::function<void()>, 9> actions{
        [this] { CloseEditor(); },   [this] { InsertRow(); },
        [this] { DeleteRow(); },     [this] { Undo(); },
        [this] { CheckCommands(); }, [this] { Save(); },
        [this] { Download(); },      [this] { CompareWithInstrument(); },
        [this] { Print(); }};
    for (std::size_t i = 0; i < buttons.size(); ++i)
        OnSignal(buttons[i], &QPushButton::clicked, "cmdEditItems_Click", actions[i]);
    OnSignal(m_mnuInformation, &QAction::triggered, "mnuFileItems_Click",
             [this] { ShowInformation(); });

    m_programMenu = new QMenu(this);
    m_programMenu->addAction(CatalogueText(kTextInsertRow), this,
                             [this] { Trapped("mnuPopUp_Click", [this] { InsertRow(); }); });
    m_programMenu->addAction(CatalogueText(kTextDeleteRow), this,
                             [this] { Trapped("mnuPopUp_Click", [this] { DeleteRow(); }); });
    m_programMenu->addSeparator();
    m_programMenu->addAction(CatalogueText(kTextDelete), this, [this] {
        Trapped("mnuPopUp_Click", [this] { DeleteSelection(program::GridId::kProgram); });
    });
    m_constMenu = new QMenu(this);
    for (auto [menu, id] : {std::pair{m_programMenu, program::GridId::kProgram},
                            std::pair{m_constMenu, program::GridId::kConst}}) {
        menu->addAction(CatalogueText(kTextCopy), this, [this, id = id] {
            Trapped("mnuPopUp_Click", [this, id] { CopySelection(id); });
        });
        menu->addAction(CatalogueText(kTextPaste), this, [this, id = id] {
            Trapped("mnuPopUp_Click", [this, id] { PasteSelection(id); });
        });
        menu->setObjectName(id == program::GridId::kProgram ? "mnuPopUpProgram" : "mnuPopUpConst");
    }

    QComboBox* combo = m_ui->cboModel;
    // Every typed letter is a model change of its own; completion would
    // type letters the user did not.
    combo->setCompleter(nullptr);
    combo->installEventFilter(this);
    connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        Trapped("cboModel_Change", [this, &text] { ModelTyped(text); });
    });
    connect(combo, &QComboBox::activated, this, [this](int index) {
        Trapped("cboModel_Click", [this, index] { ModelPicked(index); });
    });
}

ProgramEditorWindow::~ProgramEditorWindow() = default;

void ProgramEditorWindow::SetCaptions() {
    setWindowTitle(CatalogueText(kTextProgramEditor));
    const std::array<int, 9> texts{kTextEditorClose,    kTextInsertRow,        kTextDeleteRow,
                                   kTextUndo,           kTextCommandCheck,     kTextEditorSave,
                                   kTextEditorDownload, kTextCompareWithTavro, kTextEditorPrint};
    const std::array<QPushButton*, 9> buttons{
        m_ui->cmdClose, m_ui->cmdInsert,   m_ui->cmdDelete,  m_ui->cmdUndo, m_ui->cmdCommandCheck,
        m_ui->cmdSave,  m_ui->cmdDownload, m_ui->cmdCompare, m_ui->cmdPrint};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setText(CatalogueText(texts[i]));
        buttons[i]->setAccessibleName(PlainCaption(buttons[i]->text()));
    }
    m_ui->lblModel->setText(CatalogueText(kTextEditorModel));
    m_ui->lblModel->setAccessibleName(m_ui->lblModel->text());
    m_ui->cboModel->setAccessibleName(m_ui->lblModel->text().remove(QLatin1Char(':')).trimmed());
    m_ui->ssProgram->setAccessibleName(
        Text(m_editor->ProgramGrid().Get(0, program::kOperatorColumn)));
    m_ui->ssConst->setAccessibleName(Text(m_editor->ConstGrid().Get(0, program::kValueColumn)));
    for (QMenu* menu : {m_programMenu, m_constMenu}) {
        for (QAction* a : menu->actions()) a->setIconText(PlainCaption(a->text()));
    }
    m_mnuInformation->setIconText(PlainCaption(m_mnuInformation->text()));
}

void ProgramEditorWindow::Load() {
    Trapped("Form_Load", [this] {
        Ws().state.currentScreenId = shell::ScreenId::ProgramEditor;
        // The menu made the folder; a stale one is emptied, a missing one made.
        files::PrepareUndoFolder(Ws());
        program::ProgramState& state = Ws().program;
        if (Ws().state.editorOpenedFromFile) {
            state.source = program::ProgramSource::File;
            state.dataPresent = true;
        }
        m_editor->Open();
        SetCaptions();
        SetUpGrid(program::GridId::kProgram);
        SetUpGrid(program::GridId::kConst);
        for (const program::CategoryEntry& entry : m_categories) {
            const QString model = Text(entry.Column(1)).trimmed();
            if (!model.isEmpty()) m_ui->cboModel->addItem(model);
        }
        m_ui->cboModel->setEditText(Text(m_editor->ModelText()));
        Redraw();
        // The grids have fixed widths: the window never gets narrower than
        // both side by side with the buttons.
        layout()->activate();
        setMinimumSize(layout()->minimumSize());
        const program::GridId first =
            m_editor->ProgramGridEnabled() ? program::GridId::kProgram : program::GridId::kConst;
        View(first)->setCurrentIndex(View(first)->model()->index(0, 0));
        View(first)->setFocus();
        m_editor->FocusGrid(first);
    });
}

void ProgramEditorWindow::CommitEdits() {
    Trapped("WriteBack", [this] { m_editor->WriteBack(); });
}

void ProgramEditorWindow::Unload() {
    Trapped("Form_Unload", [this] {
        files::ClearUndoFolder(Ws());
        Ws().state.editorOpenedFromFile = false;
        files::SetCurrentFile(Ws(), "", "");
    });
}

void ProgramEditorWindow::Redraw() {
    for (program::GridId id : {program::GridId::kProgram, program::GridId::kConst}) {
        GridModel* model = id == program::GridId::kProgram ? m_programModel : m_constModel;
        if (model == nullptr) continue;
        const program::CellGrid& grid = m_editor->Grid(id);
        if (model->rowCount() != grid.Rows() || model->columnCount() != grid.Cols()) {
            model->Refresh();
        } else {
            model->RefreshCells(1, 1, grid.Rows(), grid.Cols());
            emit model->headerDataChanged(Qt::Vertical, 0, grid.Rows() - 1);
        }
        View(id)->setEnabled(id == program::GridId::kProgram ? m_editor->ProgramGridEnabled()
                                                             : m_editor->ConstGridEnabled());
    }
    const QString model = Text(m_editor->ModelText());
    if (m_ui->cboModel->currentText() != model) m_ui->cboModel->setEditText(model);
    const bool rows = m_editor->RowButtonsEnabled() && m_editor->ProgramGridEnabled();
    m_ui->cmdInsert->setEnabled(rows);
    m_ui->cmdDelete->setEnabled(rows);
    m_ui->cmdUndo->setEnabled(m_editor->UndoEnabled());
    m_ui->cmdCommandCheck->setEnabled(m_editor->CommandCheckEnabled());
    m_ui->cmdDownload->setEnabled(Ws().state.downloadAllowed);
}

// ------------------------------------------------------------ EditorHost

int ProgramEditorWindow::ConfirmedSlotNumber() {
    return Engine().SlotNumber();
}

void ProgramEditorWindow::Beep() {
    QApplication::beep();
}

void ProgramEditorWindow::ShowStatusHint(const std::string& text) {
    if (auto* nav = Nav()) nav->SetStatusText(text);
}

// ------------------------------------------------------------ model box

void ProgramEditorWindow::ModelTyped(const QString& text) {
    QLineEdit* edit = m_ui->cboModel->lineEdit();
    const QString upper = text.toUpper();
    if (upper != text) {
        const int cursor = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(cursor);
    }
    m_editor->ChangeModel(Bytes(upper));
    Redraw();
}

void ProgramEditorWindow::ModelPicked(int index) {
    if (!m_inModelBox) {
        m_editor->EnterModelBox();
        m_inModelBox = true;
    }
    m_editor->ChangeModel(Bytes(m_ui->cboModel->itemText(index)));
    Redraw();
}

void ProgramEditorWindow::ModelLeft() {
    m_inModelBox = false;
    m_editor->LeaveModelBox();
    Redraw();
}

// ------------------------------------------------------------ keys and events

bool ProgramEditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->cboModel) {
        // Only focus events are focus events: the box gets moves, paints and
        // more through this filter too.
        const bool focusIn = event->type() == QEvent::FocusIn;
        if (!focusIn && event->type() != QEvent::FocusOut) return false;
        const auto* focus = static_cast<QFocusEvent*>(event);
        if (focus->reason() == Qt::PopupFocusReason) return false;
        if (focusIn && !m_inModelBox) {
            m_inModelBox = true;
            Trapped("cboModel_GotFocus", [this] { m_editor->EnterModelBox(); });
        } else if (!focusIn && m_inModelBox) {
            Trapped("cboModel_LostFocus", [this] { ModelLeft(); });
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    auto* view = qobject_cast<CellGridView*>(watched);
    if (view == nullptr || view->Editing()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const program::GridId id = IdOf(view);
    bool handled = true;
    Trapped("ss_KeyDown", [&] {
        if (key->matches(QKeySequence::Copy)) {
            CopySelection(id);
        } else if (key->matches(QKeySequence::Paste)) {
            PasteSelection(id);
        } else if (key->matches(QKeySequence::Cut)) {
            CopySelection(id);
            DeleteSelection(id);
        } else if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            DeleteSelection(id);
        } else {
            handled = false;
        }
    });
    return handled;
}

void ProgramEditorWindow::keyPressEvent(QKeyEvent* event) {
    Trapped("Form_KeyDown", [this, event] {
        switch (event->key()) {
            case Qt::Key_F2: {
                CellGridView* view = View(m_editor->ActiveGrid());
                if (view->isEnabled() && !view->Editing()) {
                    view->setFocus();
                    view->edit(view->currentIndex());
                }
                break;
            }
            case Qt::Key_F3:
                if (m_ui->cmdInsert->isEnabled()) InsertRow();
                break;
            case Qt::Key_F4:
                if (m_ui->cmdDelete->isEnabled()) DeleteRow();
                break;
            default:
                event->ignore();
                return;
        }
        event->accept();
    });
}

void ProgramEditorWindow::mousePressEvent(QMouseEvent* event) {
    for (QMenu* menu : {m_programMenu, m_constMenu}) menu->hide();
    ScreenBase::mousePressEvent(event);
}

void ProgramEditorWindow::OnBaudRate() {
    session::StartScreenJob(Engine(), {comm::kJobBaudCheck, shell::Catalogue(kTextBaudRateSetting)},
                            session::kCallerProgramEditor, Id());
}

// ------------------------------------------------------------ buttons

void ProgramEditorWindow::SetEnabledScreen(bool enabled) {
    if (auto* nav = Nav()) {
        if (enabled) {
            nav->EnableScreen(Id());
        } else {
            nav->DisableScreen(Id());
        }
    }
}

void ProgramEditorWindow::CloseEditor() {
    m_editor->WriteBack();
    Ws().state.dataChanged = Ws().program.modified;
    session::DisplayMatrix(
        Ws(), shell::NavEvent::kLeaveProgramEditor, 0,
        Ws().program.modified ? session::kAnswerDataChanged : session::kAnswerNoChange);
}

void ProgramEditorWindow::Undo() {
    m_editor->UndoLast();
    Redraw();
}

void ProgramEditorWindow::OpenErrorList() {
    SetEnabledScreen(false);
    try {
        session::DisplayMatrix(Ws(), shell::NavEvent::kShowErrorList);
    } catch (...) {
        SetEnabledScreen(true);
        throw;
    }
}

void ProgramEditorWindow::CheckCommands() {
    const int result = m_editor->CommandCheckClicked();
    Redraw();
    if (result == 1) OpenErrorList();
}

void ProgramEditorWindow::Save() {
    const auto status = m_editor->WriteBackForOutput(shell::Catalogue(kTextSaveToFile));
    Redraw();
    if (status != program::WriteBackStatus::kReady) return;
    const int saved = session::DisplayMatrix(Ws(), shell::NavEvent::kSaveProgram);
    // Once the save dialog has been up, the undo history starts again.
    m_editor->ResetUndoAfterSave();
    if (saved == -1) Ws().program.modified = false;
    Redraw();
}

void ProgramEditorWindow::Download() {
    const auto status = m_editor->WriteBackForOutput(shell::Catalogue(kTextProgramEditor));
    Redraw();
    if (status != program::WriteBackStatus::kReady) return;
    if (session::DownloadProgram(Ws(), *m_editor, Id(),
                                 DownloadPreviewDialog::QuestionsFor(this)) ==
        session::ProgramDownloadStart::ErrorListWanted)
        OpenErrorList();
}

void ProgramEditorWindow::CompareWithInstrument() {
    // The program as the grids show it is what the instrument's is compared
    // with; nothing is written, so no password is needed.
    const auto status = m_editor->WriteBackForOutput(shell::Catalogue(kTextCompareWithTavro));
    Redraw();
    if (status != program::WriteBackStatus::kReady) return;
    session::StartCompareWithInstrument(Ws(), Id(), files::DataFileKind::kProgram);
}

void ProgramEditorWindow::Print() {
    const auto status = m_editor->WriteBackForOutput(shell::Catalogue(kTextEditorPrint));
    Redraw();
    if (status != program::WriteBackStatus::kReady) return;
    PrintFromScreen(Ws(), Id());
}

void ProgramEditorWindow::ShowInformation() {
    Ws().state.infoPurpose = shell::InfoPurpose::EditorMenu;
    SetEnabledScreen(false);
    try {
        session::ShowDisplay(Ws(), session::Display::Information);
    } catch (...) {
        SetEnabledScreen(true);
        throw;
    }
}

}  // namespace rq50::gui
