#pragma once

// The rack window: the 16 slots of a rack interface in a table, and the
// rack run's actions over all of them (scan, upload, verify, download) with
// the overall progress, the slot at work and the run's summary. Its table
// is the core's RackTable; the window asks the folders and confirms each
// download with the download preview.

#include <QDialog>

#include <functional>

#include "session/RackTable.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace rq50::gui {

class RackWindow : public QDialog {
    Q_OBJECT
  public:
    /// `passwordGate` asks the download password before a download (true:
    /// go on); none: no question.
    RackWindow(files::Workspace& ws, QWidget* parent, std::function<bool()> passwordGate = {});

    /// Opens the window and returns when it is closed.
    static void Run(files::Workspace& ws, QWidget* parent, std::function<bool()> passwordGate = {});

  public slots:
    /// Escape and the window's close stop a run instead of closing.
    void reject() override;

  private:
    void StartRun(session::RackAction action);
    void Fill();

    files::Workspace& m_ws;
    std::function<bool()> m_passwordGate;
    session::RackTable m_table;
    QTableWidget* m_grid = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_scan = nullptr;
    QPushButton* m_upload = nullptr;
    QPushButton* m_verify = nullptr;
    QPushButton* m_download = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_close = nullptr;
    QCheckBox* m_fast = nullptr;  ///< the run's pacing, as Communication Settings has it
};

}  // namespace rq50::gui
