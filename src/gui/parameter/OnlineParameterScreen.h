#pragma once

#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <array>
#include <memory>
#include <optional>

#include "gui/ScreenBase.h"
#include "parameter/PageModel.h"
#include "session/OnlinePage.h"

namespace Ui {
class frmRQ2300;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

class PageGridModel;

class TrendWindow;

/// The online parameter screen: one page of a category's items in a 12-row
/// grid, read fresh, edited and written item by item, with measured values
/// re-read at the reading interval (1, 2 or 5 s, or as fast as the line
/// allows) and drawn over time in the trend window. Everything it shows comes from its PageModel,
/// which the page jobs fill; the screen redraws what the model's listener names.
class OnlineParameterScreen : public ScreenBase, public parameter::PageListener {
    Q_OBJECT
  public:
    /// `page` is the page the category menu opened; the screen draws it and
    /// drops it when it closes.
    explicit OnlineParameterScreen(files::Workspace& ws, session::OnlinePage& page,
                                   QWidget* parent = nullptr);
    ~OnlineParameterScreen() override;

    void Load() override;
    void Unload() override;
    void OnMonitorChanged(bool on) override;

    QMenu* PreviousMenu() const { return m_mnuOnlineDec; }
    QMenu* NextMenu() const { return m_mnuOnlineInc; }
    QTimer& CycleTimer() { return m_tmrCycle; }

    // PageListener
    void RowsChanged(int first, int last) override;
    void ControlsChanged() override;
    void TabsChanged() override;
    void EntryPrepared() override;
    void ReadingTaken() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildMenus();
    void FormSetting();
    void SelectShowType();
    void ShowMonitorText(bool sent, const std::string& text);
    bool EntryKey(QKeyEvent* key);

    // What the user does; the page decides.
    void SwitchTab(int index);
    /// A double click opens the row's item for entry.
    void OpenItem(const QModelIndex& index);
    /// The grid's current cell moved (to another row: the page follows).
    void EnterRow(const QModelIndex& current, const QModelIndex& previous);
    /// WRITE: the entry box (or the chosen list entry) to the opened item.
    void Write();
    /// READ / STOP of the measured values.
    void ToggleReading();
    void CancelForcedOutput();
    /// Close: back to the category menu.
    void Leave();
    /// The Previous or Next menu under its arrow button.
    void ShowMoveMenu(bool forward);
    void MoveEntry(bool forward, int entry);
    /// tmrCycle: the page's next periodic reading.
    void ReadNextValues();
    void ShowTrend();
    void ChooseInterval(int index);
    /// The reading intervals offered: "As fast as the line allows" only in
    /// fast pacing; the page's interval chosen.
    void FillIntervals();
    /// The period of tmrCycle for the page's interval and the line's pacing.
    int CycleIntervalMs() const;

    parameter::PageModel& Page() const;
    /// How the page starts its jobs: on the session's engine, ending here.
    parameter::JobStarter Starter();

    std::unique_ptr<Ui::frmRQ2300> m_ui;
    session::OnlinePage& m_online;
    PageGridModel* m_grid = nullptr;
    QMenu* m_mnuOnlineDec = nullptr;
    QMenu* m_mnuOnlineInc = nullptr;
    std::array<QAction*, 7> m_decItems{};
    std::array<QAction*, 7> m_incItems{};
    QTimer m_tmrCycle;
    bool m_drawingTabs = false;
    bool m_gridLocked = false;
    bool m_unloaded = false;
    /// Under the grid: what the opened item takes, or what the last WRITE
    /// came to (PageModel::WriteNote).
    QLabel* m_writeNote = nullptr;
    /// The DISPLAY page's trend, made when first opened.
    TrendWindow* m_trendWindow = nullptr;
    /// The pacing the interval choices were filled for.
    std::optional<bool> m_intervalsFast;
};

}  // namespace rq50::gui
