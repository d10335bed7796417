#pragma once

// Register / Plant Register of the top menu: the instruments of the plant
// register by plant and area on the left, the chosen one's records on the
// right, and Open (Enter, double click), Compare, Restore, Export, Print,
// Verify (the register's hash chain, with a line that says what it found) and
// Close. Its presenter (session::PlantRegisterBrowser) decides; the window
// shows its rows, the differences of two records and the dialogs it asks for.

#include <QDialog>

#include <functional>
#include <memory>
#include <string_view>

#include "gui/QtHosts.h"
#include "session/PlantRegisterBrowser.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace rq50::gui {

class ReportDevices;

class PlantRegisterWindow : public QDialog, private session::PlantRegisterHost {
    Q_OBJECT
  public:
    /// `passwordGate`: the top menu's password before work.
    /// `devices`: the program's printer, for the window's report.
    PlantRegisterWindow(files::Workspace& ws, ReportDevices& devices, QWidget* parent,
                        std::function<bool()> passwordGate);
    ~PlantRegisterWindow() override;

    /// Opens the register and shows the window modally; returns when it is
    /// closed (at once, after the message, when there is no register to show).
    static void Run(files::Workspace& ws, ReportDevices& devices, QWidget* parent,
                    std::function<bool()> passwordGate = {});

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FillTree();
    void InstrumentChosen();
    /// The chosen instrument's records in the list, those verify found
    /// changed marked.
    void ShowRecords();
    void SelectionChanged();
    std::vector<int> SelectedRows() const;
    /// Runs the action of the window's `handler` under the routine error trap.
    void Act(std::string_view handler, const std::function<void()>& action);

    // PlantRegisterHost
    bool PasswordGate() override;
    void CloseWindow() override;
    std::unique_ptr<session::DownloadQuestions> RestoreQuestions() override;
    session::FileDialogHost& FileDialog() override { return m_fileDialog; }
    void ShowDifferences(const session::RecordDifferences& differences) override;
    void PrintReport(const print::ReportWriter& write) override;
    std::optional<std::string> AskName(const std::string& current) override;

    files::Workspace& m_ws;
    ReportDevices& m_devices;
    std::function<bool()> m_passwordGate;
    QtFileDialogHost m_fileDialog;
    session::PlantRegisterBrowser m_browser;
    QTreeWidget* m_tree = nullptr;
    QTableWidget* m_records = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_compare = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_verify = nullptr;
    QLabel* m_verifyLine = nullptr;
    QPushButton* m_name = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace rq50::gui
