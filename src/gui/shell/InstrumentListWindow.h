#pragma once

// The Instrument List window (Rack > Instrument List...): a plant's
// instrument list in a table, every bad cell red with its problem as the
// tip and in the problem list below (Enter or a double-click goes to the
// cell); Make Files... writes one file per row, Commission... downloads them
// into their rack slots and ends with the commissioning report, which Save
// Report... writes as CSV or PDF. The data and the work are the core's
// InstrumentListSheet.

#include <QDialog>

#include <functional>

#include "session/InstrumentListSheet.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace rq50::gui {

class InstrumentListWindow : public QDialog {
    Q_OBJECT
  public:
    /// `passwordGate` asks the download password before a commissioning
    /// (true: go on); none: no question.
    InstrumentListWindow(files::Workspace& ws, QWidget* parent,
                         std::function<bool()> passwordGate = {});

    /// Opens the window and returns when it is closed.
    static void Run(files::Workspace& ws, QWidget* parent, std::function<bool()> passwordGate = {});

    /// Opens `list` checked against `templates` (what Open List... does
    /// after its two dialogs); false, with the reason shown, when unread.
    bool OpenList(const QString& list, const QString& templates);

  public slots:
    /// Escape and the window's close stop a commissioning instead of closing.
    void reject() override;

  private:
    void Open();
    void MakeFiles();
    void Commission();
    void SaveReport();
    /// The made files' folder, and whether files there may be replaced;
    /// false when the user cancelled.
    bool AskFolder(QString& folder, bool& replace);
    void Say(const QString& text, shell::MsgIcon icon);
    void Fill();
    void Progress();

    files::Workspace& m_ws;
    std::function<bool()> m_passwordGate;
    session::InstrumentListSheet m_sheet;
    QLabel* m_list = nullptr;
    QTableWidget* m_grid = nullptr;
    QListWidget* m_problems = nullptr;
    QLabel* m_progress = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_make = nullptr;
    QPushButton* m_commission = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace rq50::gui
