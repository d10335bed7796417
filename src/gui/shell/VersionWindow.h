#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class frmRQ0200;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// RQ50 version information, with a button that starts the platform's
/// system-information program.
class VersionWindow : public QDialog {
    Q_OBJECT
  public:
    explicit VersionWindow(files::Workspace& ws, QWidget* parent = nullptr);
    ~VersionWindow() override;

    /// Shows the window modally; returns when it is closed.
    static void Run(files::Workspace& ws, QWidget* parent);

    /// The system-information program of this platform, or empty when it
    /// has none (System Info is then disabled).
    static QString SystemInfoProgram();

  private:
    files::Workspace& Ws() const { return m_ws; }

    void StartSysInfo();

    files::Workspace& m_ws;
    std::unique_ptr<Ui::frmRQ0200> m_ui;
};

}  // namespace rq50::gui
