#include "gui/parameter/OnlineParameterScreen.h"

#include "parameter/ItemEdit.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTabBar>

#include <initializer_list>

#include "comm/CommLog.h"
#include "comm/Engine.h"
#include "comm/jobs/Jobs.h"
#include "files/Workspace.h"
#include "gui/FitWindow.h"
#include "gui/GuiCommHost.h"
#include "gui/QtHosts.h"
#include "gui/parameter/PageGridModel.h"
#include "gui/parameter/TrendWindow.h"
#include "parameter/ValueRules.h"
#include "session/Navigation.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "ui_frmRQ2300.h"

namespace rq50::gui {

namespace {
constexpr std::array<int, 4> kPageCaption = {kTextDisplayPage, kTextSetPage, kTextAdjustPage,
                                             kTextMaintPage};
/// Leaving the screen, by category: back to the category menu.
constexpr std::array<shell::NavEvent, 4> kEventLeave = {
    shell::NavEvent::kLeaveDisplay, shell::NavEvent::kLeaveSet, shell::NavEvent::kLeaveAdjust,
    shell::NavEvent::kLeaveMaint};
constexpr int kSeparatorEntry = 5;
constexpr int kPageEntry = 6;
/// Grid column widths in characters, columns 1-7; the row heading takes 5.
constexpr std::array<int, 7> kColumnWidths = {15, 20, 10, 5, 5, 5, 5};
constexpr int kRowHeadingWidth = 5;
/// The reading intervals offered, in the order of their captions.
constexpr std::array<int, 4> kIntervals = {1000, 2000, parameter::kPeriodicReadMs,
                                           parameter::kReadAsFastAsLineMs};

/// The jobs the screen starts end on the screen itself: no hand-back.
bool StartPageJob(files::Workspace& ws, comm::Job job, const std::string& title) {
    return ws.Engine().StartCommJob({job, title});
}

GuiCommHost* CommHost(files::Workspace& ws) {
    comm::CommEngine* engine = ws.hosts.engine;
    return engine ? dynamic_cast<GuiCommHost*>(&engine->Host()) : nullptr;
}
}  // namespace

parameter::JobStarter OnlineParameterScreen::Starter() {
    return
        [this](comm::Job job, const std::string& title) { return StartPageJob(Ws(), job, title); };
}

OnlineParameterScreen::OnlineParameterScreen(files::Workspace& ws, session::OnlinePage& page,
                                             QWidget* parent)
    : ScreenBase(shell::Screen::OnlineParameter, ws, parent),
      m_ui(std::make_unique<Ui::frmRQ2300>()),
      m_online(page) {
    m_ui->setupUi(this);
    m_writeNote = new QLabel(this);
    m_writeNote->setObjectName(QStringLiteral("lblWriteNote"));
    m_writeNote->setWordWrap(true);
    m_writeNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_ui->layoutMain->insertWidget(2, m_writeNote);
    // A screen shown without the category menu (never in the chain) gets a
    // page of its own, so it always has one to draw.
    if (m_online.Get() == nullptr)
        m_online.New(
            static_cast<parameter::PageCategory>(std::clamp<int>(Ws().state.parameterTab, 0, 3)));
    BuildMenus();
    OfferCommandMenuUnlock();

    m_tmrCycle.setObjectName(QStringLiteral("tmrCycle"));
    m_tmrCycle.setInterval(CycleIntervalMs());
    m_tmrCycle.setParent(this);

    m_grid = new PageGridModel([this]() -> const parameter::PageModel& { return Page(); }, this);
    m_ui->ssPage->setModel(m_grid);
    m_ui->ssPage->installEventFilter(this);
    m_ui->ssPage->viewport()->installEventFilter(this);
    m_ui->tabGroups->setExpanding(false);
    m_ui->txtSetData->installEventFilter(this);
    m_ui->cboSetData->installEventFilter(this);

    connect(m_ui->tabGroups, &QTabBar::currentChanged, this,
            [this](int index) { Trapped("tabRQ2300_Click", [this, index] { SwitchTab(index); }); });
    connect(m_ui->ssPage, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        Trapped("ssRQ2300_DblClick", [this, index] { OpenItem(index); });
    });
    connect(m_ui->ssPage->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                Trapped("ssRQ2300_LeaveCell", [&] { EnterRow(current, previous); });
            });
    OnSignal(m_ui->cmdWrite, &QPushButton::clicked, "cmdWrite_Click", [this] { Write(); });
    connect(m_ui->txtSetData, &QLineEdit::returnPressed, this, [this] {
        if (m_ui->cmdWrite->isEnabled()) Trapped("cmdWrite_Click", [this] { Write(); });
    });
    OnSignal(m_ui->cmdReadStop, &QPushButton::clicked, "cmdReadStop_Click",
             [this] { ToggleReading(); });
    OnSignal(m_ui->cmdOutputOff, &QPushButton::clicked, "cmdOutputOff_Click",
             [this] { CancelForcedOutput(); });
    OnSignal(m_ui->cmdExit, &QPushButton::clicked, "cmdExit_Click", [this] { Leave(); });
    OnSignal(m_ui->cmdPrevious, &QToolButton::clicked, "cmdUpDown_Click",
             [this] { ShowMoveMenu(false); });
    OnSignal(m_ui->cmdNext, &QToolButton::clicked, "cmdUpDown_Click",
             [this] { ShowMoveMenu(true); });
    connect(m_ui->optHex, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        Engine().SetMonitorAscii(false);
    });
    connect(m_ui->optAscii, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        Engine().SetMonitorAscii(true);
    });
    OnSignal(&m_tmrCycle, &QTimer::timeout, "tmrCycle_Timer", [this] { ReadNextValues(); });
    OnSignal(m_ui->cmdTrend, &QPushButton::clicked, "cmdTrend_Click", [this] { ShowTrend(); });
    connect(m_ui->cboInterval, &QComboBox::activated, this, [this](int index) {
        Trapped("cboInterval_Click", [this, index] { ChooseInterval(index); });
    });
    // Fast Communication switched on this screen changes what is offered.
    OnSignal(Std().mnuPortFast, &QAction::triggered, "cboInterval_Fill",
             [this] { FillIntervals(); });
}

OnlineParameterScreen::~OnlineParameterScreen() {
    // A screen deleted late (after a later one loaded) leaves that one's
    // page and monitor rows alone.
    parameter::PageModel* page = m_online.Get();
    if (page != nullptr && page->Listener() == this) page->SetListener(nullptr);
    if (!m_unloaded && CommHost(Ws()) != nullptr) CommHost(Ws())->monitorRows = nullptr;
}

parameter::PageModel& OnlineParameterScreen::Page() const {
    return *m_online.Get();
}

void OnlineParameterScreen::BuildMenus() {
    m_mnuOnlineDec = new QMenu(CatalogueText(kTextPrevious), this);
    m_mnuOnlineInc = new QMenu(CatalogueText(kTextNext), this);
    m_mnuOnlineDec->setAccessibleName(CatalogueText(kTextPrevious));
    m_mnuOnlineInc->setAccessibleName(CatalogueText(kTextNext));
    for (int i = 0; i < 7; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (i == kSeparatorEntry) {
            m_decItems[index] = m_mnuOnlineDec->addSeparator();
            m_incItems[index] = m_mnuOnlineInc->addSeparator();
            continue;
        }
        m_decItems[index] = m_mnuOnlineDec->addAction(CatalogueText(kTextPreviousEntry + i));
        m_incItems[index] = m_mnuOnlineInc->addAction(CatalogueText(kTextNextEntry + i));
        OnSignal(m_decItems[index], &QAction::triggered, "mnuOnlineDecMB_Click",
                 [this, i] { MoveEntry(false, i); });
        OnSignal(m_incItems[index], &QAction::triggered, "mnuOnlineIncMB_Click",
                 [this, i] { MoveEntry(true, i); });
    }
    // A page at a time from the keyboard as well.
    m_decItems[kPageEntry]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    m_incItems[kPageEntry]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    for (QAction* a : {m_decItems[kPageEntry], m_incItems[kPageEntry]}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }
    SetMenus({m_mnuOnlineDec, m_mnuOnlineInc});
    // The line serves the open page: its rate and slot change from the menus
    // before the page is opened, not under it.
    Std().mnuPortBaud->setEnabled(false);
    Std().mnuPortSlot->setEnabled(false);
}

void OnlineParameterScreen::Load() {
    Trapped("Form_Load", [this] {
        m_tmrCycle.stop();
        FormSetting();
        m_ui->optHex->setText(CatalogueText(kTextHex));
        m_ui->optAscii->setText(CatalogueText(kTextAscii));
        m_ui->optHex->setChecked(true);
        Engine().SetMonitorAscii(false);
        m_ui->ssLog->setColumnCount(1);
        m_ui->ssLog->setRowCount(2);
        m_ui->ssLog->setVerticalHeaderLabels(
            {CatalogueText(kTextCommand), CatalogueText(kTextResponse)});
        m_ui->ssLog->horizontalHeader()->hide();
        m_ui->ssLog->horizontalHeader()->setStretchLastSection(true);
        for (int r = 0; r < 2; ++r) m_ui->ssLog->setItem(r, 0, new QTableWidgetItem);
        m_ui->ssLog->setFixedHeight(m_ui->ssLog->verticalHeader()->defaultSectionSize() * 2 +
                                    2 * m_ui->ssLog->frameWidth());
        m_ui->ssLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_ui->fraHideDisp->setAccessibleName(CatalogueText(kTextCommand) + " / " +
                                             CatalogueText(kTextResponse));
        m_ui->ssLog->setAccessibleName(m_ui->fraHideDisp->accessibleName());
        NameByCaption({m_ui->cmdWrite, m_ui->cmdOutputOff, m_ui->cmdExit, m_ui->optHex,
                       m_ui->optAscii, m_ui->cmdTrend});
        m_ui->cboInterval->setAccessibleName(m_ui->lblInterval->text().remove('&'));
        m_ui->cmdPrevious->setAccessibleName(CatalogueText(kTextPrevious));
        m_ui->cmdNext->setAccessibleName(CatalogueText(kTextNext));
        m_ui->cmdPrevious->setToolTip(CatalogueText(kTextPrevious));
        m_ui->cmdNext->setToolTip(CatalogueText(kTextNext));
        m_ui->txtSetData->setAccessibleName(CatalogueText(kTextDataColumn));
        m_ui->cboSetData->setAccessibleName(CatalogueText(kTextDataColumn));
        m_ui->ssPage->setAccessibleName(windowTitle());
        m_ui->tabGroups->setAccessibleName(windowTitle());
        m_ui->aniBusy->setAccessibleName(QStringLiteral("Busy"));
        if (CommHost(Ws()) != nullptr) {
            CommHost(Ws())->monitorRows = [this](bool sent, const std::string& text) {
                ShowMonitorText(sent, text);
            };
        }
        SelectShowType();
        Page().SetListener(this);
        TabsChanged();
        RowsChanged(1, parameter::kPageRows);
        EntryPrepared();
        ControlsChanged();
        ReadingTaken();
    });
}

void OnlineParameterScreen::Unload() {
    Trapped("Form_Unload", [this] {
        m_tmrCycle.stop();
        if (CommHost(Ws()) != nullptr) CommHost(Ws())->monitorRows = nullptr;
        m_online.Drop();
        m_unloaded = true;
    });
}

/// RQ2300sub_FormSetting: grid, headings, widths, caption and the buttons
/// of the category.
void OnlineParameterScreen::FormSetting() {
    const auto category = static_cast<std::size_t>(Page().Category());
    setWindowTitle(CatalogueText(kPageCaption[category]));
    QTableView* grid = m_ui->ssPage;
    const int unit = grid->fontMetrics().averageCharWidth();
    const QFontMetrics heading(grid->horizontalHeader()->font());
    for (int c = 0; c < parameter::kGridColumns - 1; ++c) {
        const QString title = m_grid->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        grid->setColumnWidth(c, std::max(kColumnWidths[static_cast<std::size_t>(c)] * unit + 10,
                                         heading.horizontalAdvance(title) + 16));
    }
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setMinimumWidth(kRowHeadingWidth * unit + 10);
    grid->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    const int height = grid->horizontalHeader()->sizeHint().height() +
                       parameter::kPageRows * grid->verticalHeader()->defaultSectionSize() +
                       2 * grid->frameWidth();
    grid->setFixedHeight(height);

    m_ui->cmdWrite->setText(CatalogueText(kTextWrite));
    m_ui->cmdReadStop->setText(CatalogueText(kTextReadStop));
    m_ui->cmdOutputOff->setText(CatalogueText(kTextCancelOutput));
    m_ui->cmdExit->setText(CatalogueText(kTextClose));
    m_ui->cmdTrend->setText(CatalogueText(kTextTrendButton));
    m_ui->lblInterval->setText(CatalogueText(kTextReadingInterval));
    const bool display = Page().Category() == parameter::PageCategory::Display;
    m_ui->cmdReadStop->setVisible(display);
    for (QWidget* w : std::initializer_list<QWidget*>{m_ui->cmdTrend, m_ui->lblInterval,
                                                      m_ui->cboInterval, m_ui->lblLastReading})
        w->setVisible(display);
    m_ui->cmdOutputOff->setVisible(Page().Category() == parameter::PageCategory::Adjust);
}

/// SelectShowType: the monitor frame and the address columns
/// follow the Communication Monitor command.
void OnlineParameterScreen::SelectShowType() {
    const bool on = Engine().MonitorOn();
    QTableView* grid = m_ui->ssPage;
    for (int col = parameter::kColMa; col <= parameter::kColKind; ++col)
        grid->setColumnHidden(col - 1, !on);
    int width = grid->verticalHeader()->sizeHint().width() + 2 * grid->frameWidth();
    for (int c = 0; c < parameter::kGridColumns - 1; ++c) {
        if (!grid->isColumnHidden(c)) width += grid->columnWidth(c);
    }
    grid->setFixedWidth(std::max(width, grid->verticalHeader()->minimumWidth() + width));
    m_ui->fraHideDisp->setVisible(on);
    FitWindow(this);
}

void OnlineParameterScreen::showEvent(QShowEvent* event) {
    ScreenBase::showEvent(event);
    FitWindowWhenShown(this);
}

void OnlineParameterScreen::OnMonitorChanged(bool) {
    Trapped("fnc_nSelectShowType", [this] { SelectShowType(); });
}

void OnlineParameterScreen::ShowMonitorText(bool sent, const std::string& text) {
    if (QTableWidgetItem* item = m_ui->ssLog->item(sent ? 0 : 1, 0)) item->setText(Text(text));
}

// ---------------------------------------------------------------- listener

void OnlineParameterScreen::RowsChanged(int first, int last) {
    m_grid->RowsChanged(first, last);
}

void OnlineParameterScreen::ControlsChanged() {
    const parameter::PageControls& c = Page().Controls();
    const bool all = c.allEnabled;
    const bool wasAll = m_ui->cmdExit->isEnabled();
    const bool entryWas = m_ui->txtSetData->isEnabled() || m_ui->cboSetData->isEnabled();
    m_ui->tabGroups->setEnabled(all);
    // A locked grid keeps its values readable (measured values are watched
    // while it is locked); it only stops taking clicks and keys.
    m_gridLocked = !all || c.gridLocked;
    m_ui->ssPage->setFocusPolicy(m_gridLocked ? Qt::NoFocus : Qt::StrongFocus);
    m_ui->cmdPrevious->setEnabled(all && c.previousEnabled);
    m_ui->cmdNext->setEnabled(all && c.nextEnabled);
    for (QAction* a : m_decItems) a->setEnabled(all && c.previousEnabled);
    for (QAction* a : m_incItems) a->setEnabled(all && c.nextEnabled);
    m_ui->txtSetData->setEnabled(all && c.entryEnabled);
    m_ui->cboSetData->setEnabled(all && c.entryEnabled);
    m_ui->txtSetData->setVisible(!c.showChoiceList);
    m_ui->cboSetData->setVisible(c.showChoiceList);
    m_ui->cmdWrite->setEnabled(all && c.writeEnabled);
    m_ui->cmdOutputOff->setEnabled(all && c.outputOffEnabled);
    m_ui->cmdReadStop->setEnabled(all && c.readStopEnabled);
    m_ui->cmdReadStop->setText(CatalogueText(Page().Reading() ? kTextReadStop : kTextReadStart));
    m_ui->cmdReadStop->setAccessibleName(m_ui->cmdReadStop->text());
    m_ui->cmdExit->setEnabled(all);
    m_ui->cmdTrend->setEnabled(all && Page().Window().hasMeasuredItems);
    m_ui->cboInterval->setEnabled(all);
    FillIntervals();
    m_ui->aniBusy->setVisible(!all);
    if (all && c.timerEnabled) {
        if (!m_tmrCycle.isActive()) m_tmrCycle.start(CycleIntervalMs());
    } else {
        m_tmrCycle.stop();
    }
    // A job has ended, or an item was opened (by Ctrl+Enter too): the
    // keyboard goes on where the work is.
    const bool entryOpened = all && c.entryEnabled && !entryWas;
    if ((all && !wasAll) || entryOpened) {
        if (m_ui->txtSetData->isEnabled() && m_ui->txtSetData->isVisible()) {
            m_ui->txtSetData->setFocus();
            m_ui->txtSetData->selectAll();
        } else if (m_ui->cboSetData->isEnabled() && m_ui->cboSetData->isVisible()) {
            m_ui->cboSetData->setFocus();
        } else if (!m_gridLocked) {
            m_ui->ssPage->setFocus();
        } else if (m_ui->cmdReadStop->isVisible() && m_ui->cmdReadStop->isEnabled()) {
            m_ui->cmdReadStop->setFocus();
        }
    }
}

void OnlineParameterScreen::TabsChanged() {
    m_drawingTabs = true;
    QTabBar* tabs = m_ui->tabGroups;
    const auto& names = Page().TabNames();
    while (tabs->count() > static_cast<int>(names.size())) tabs->removeTab(tabs->count() - 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QString text = Text(shell::Trim(names[i]));
        if (static_cast<int>(i) < tabs->count()) {
            tabs->setTabText(static_cast<int>(i), text);
        } else {
            tabs->addTab(text);
        }
    }
    if (Page().CurrentTab() >= 1 && Page().CurrentTab() <= tabs->count())
        tabs->setCurrentIndex(Page().CurrentTab() - 1);
    m_drawingTabs = false;
}

void OnlineParameterScreen::EntryPrepared() {
    m_ui->txtSetData->setText(Text(Page().EntryText()));
    QString note = Text(Page().WriteNote());
    const int kind = Page().Edit().kind;
    if (note.isEmpty() && Page().EditedRow() != 0 && kind != parameter::kKindShown &&
        kind != parameter::kKindMeasured)
        note = QStringLiteral("Takes ") + Text(parameter::AllowedValues(Page().Edit())) + '.';
    // The note's lines come and go: the window grows to keep WRITE in view.
    const bool resized = m_writeNote->text().isEmpty() != note.isEmpty();
    m_writeNote->setText(note);
    m_writeNote->setAccessibleName(note);
    if (resized) FitWindow(this);
    QComboBox* list = m_ui->cboSetData;
    list->clear();
    const auto& choices = Page().Edit().choices;
    if (Page().EditedRow() != 0 && Page().Edit().kind == parameter::kKindSelection) {
        for (const parameter::Choice& choice : choices.entries)
            list->addItem(Text(choice.listText));
        if (choices.preselected >= 0 && choices.preselected < list->count())
            list->setCurrentIndex(choices.preselected);
    }
}

// ---------------------------------------------------------------- events

bool OnlineParameterScreen::eventFilter(QObject* watched, QEvent* event) {
    const bool onGrid = watched == m_ui->ssPage || watched == m_ui->ssPage->viewport();
    if (onGrid && m_gridLocked) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::Wheel:
                return true;
            default:
                break;
        }
    }
    if (event->type() != QEvent::KeyPress) return ScreenBase::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_ui->ssPage && (key->modifiers() & Qt::ControlModifier) &&
        (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        const int row = m_ui->ssPage->currentIndex().row() + 1;
        Trapped("ssRQ2300_KeyDown", [this, row] { Page().OpenItem(row, Starter()); });
        return true;
    }
    if (watched == m_ui->txtSetData) return EntryKey(key);
    // Enter on the chosen entry of a selection item writes it, as in the box.
    if (watched == m_ui->cboSetData &&
        (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        if (m_ui->cmdWrite->isEnabled()) Trapped("cmdWrite_Click", [this] { Write(); });
        return true;
    }
    return ScreenBase::eventFilter(watched, event);
}

/// Typed characters pass the item kind's key filter; shortcuts (copy, paste)
/// and keys that type nothing pass, pasted text is checked on WRITE.
bool OnlineParameterScreen::EntryKey(QKeyEvent* key) {
    const QString text = key->text();
    if (text.size() != 1 || (key->modifiers() & Qt::ControlModifier)) return false;
    const ushort code = text.at(0).unicode();
    if (code < 0x20 || code == 0x7f) return false;
    const int kept = code > 0xff ? 0 : parameter::FilterKey(code, Page().Edit().kind);
    if (kept == 0) return true;
    if (kept != code) {
        m_ui->txtSetData->insert(QString(QChar(kept)));
        return true;
    }
    return false;
}

void OnlineParameterScreen::SwitchTab(int index) {
    if (m_drawingTabs || index < 0) return;
    Page().ClickTab(index + 1, Starter());
    // A refused switch puts the strip back on the tab that is shown.
    TabsChanged();
}

void OnlineParameterScreen::OpenItem(const QModelIndex& index) {
    if (!index.isValid()) return;
    Page().OpenItem(index.row() + 1, Starter());
}

void OnlineParameterScreen::EnterRow(const QModelIndex& current, const QModelIndex& previous) {
    if (current.row() == previous.row()) return;
    Page().EnterRow(current.isValid() ? current.row() + 1 : 0);
}

void OnlineParameterScreen::Write() {
    const int chosen = m_ui->cboSetData->isVisible() ? m_ui->cboSetData->currentIndex() : -1;
    if (Page().Write(Bytes(m_ui->txtSetData->text()), chosen, Starter())) return;
    if (m_ui->txtSetData->isVisible() && m_ui->txtSetData->isEnabled()) {
        m_ui->txtSetData->setFocus();
        m_ui->txtSetData->selectAll();
    }
}

void OnlineParameterScreen::ToggleReading() {
    Page().ToggleReading(Starter());
    if (!Page().Reading() && !m_gridLocked) m_ui->ssPage->setFocus();
}

void OnlineParameterScreen::CancelForcedOutput() {
    Page().CancelForcedOutput(Starter());
}

void OnlineParameterScreen::ShowMoveMenu(bool forward) {
    QToolButton* button = forward ? m_ui->cmdNext : m_ui->cmdPrevious;
    QMenu* menu = forward ? m_mnuOnlineInc : m_mnuOnlineDec;
    menu->popup(button->mapToGlobal(QPoint(button->width(), 0)));
}

void OnlineParameterScreen::MoveEntry(bool forward, int entry) {
    Page().Move(forward, entry, Engine().Busy(), Starter());
}

void OnlineParameterScreen::ReadNextValues() {
    Page().TimerTick(Starter());
}

void OnlineParameterScreen::ReadingTaken() {
    const QString text = Text(m_online.PageTrend().LastReadingText());
    m_ui->lblLastReading->setText(text);
    m_ui->lblLastReading->setAccessibleName(text);
    if (m_trendWindow != nullptr) m_trendWindow->ReadingTaken();
}

void OnlineParameterScreen::ShowTrend() {
    if (m_trendWindow == nullptr) m_trendWindow = new TrendWindow(Ws(), m_online, this);
    m_trendWindow->show();
    m_trendWindow->raise();
    m_trendWindow->activateWindow();
}

int OnlineParameterScreen::CycleIntervalMs() const {
    const bool fast = Ws().hosts.engine != nullptr && Engine().Pacing().fast;
    return Page().TimerIntervalMs(fast);
}

void OnlineParameterScreen::FillIntervals() {
    const bool fast = Ws().hosts.engine != nullptr && Engine().Pacing().fast;
    if (m_intervalsFast == fast) return;
    m_intervalsFast = fast;
    QComboBox* box = m_ui->cboInterval;
    box->clear();
    for (int i = 0; i < (fast ? 4 : 3); ++i)
        box->addItem(CatalogueText(kTextReadIntervals + i), kIntervals[std::size_t(i)]);
    // In classic pacing "as fast as the line allows" reads every 5 s.
    const int chosen = box->findData(Page().ReadIntervalMs());
    box->setCurrentIndex(chosen >= 0 ? chosen : box->findData(parameter::kPeriodicReadMs));
    if (m_tmrCycle.isActive() && m_tmrCycle.interval() != CycleIntervalMs())
        m_tmrCycle.start(CycleIntervalMs());
}

void OnlineParameterScreen::ChooseInterval(int index) {
    m_online.SetReadInterval(m_ui->cboInterval->itemData(index).toInt());
    if (m_tmrCycle.isActive()) {
        m_tmrCycle.start(CycleIntervalMs());
    } else {
        m_tmrCycle.setInterval(CycleIntervalMs());
    }
}

void OnlineParameterScreen::Leave() {
    m_tmrCycle.stop();
    const shell::NavEvent event = kEventLeave[static_cast<std::size_t>(Page().Category())];
    if (Nav() != nullptr) Nav()->UnloadScreen(Id());
    session::DisplayMatrix(Ws(), event);
}

}  // namespace rq50::gui
