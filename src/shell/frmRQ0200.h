#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class frmRQ0200;
}

namespace rq50::shell {

/// RQ50 version information, with a button that starts the platform's
/// system-information program.
class frmRQ0200 : public QDialog {
    Q_OBJECT
  public:
    explicit frmRQ0200(QWidget* parent = nullptr);
    ~frmRQ0200() override;

    /// Shows the window modally; returns when it is closed.
    static void Run(QWidget* parent);

    /// The system-information program of this platform, or empty when it
    /// has none (System Info is then disabled).
    static QString SystemInfoProgram();

  private:
    void StartSysInfo();

    std::unique_ptr<Ui::frmRQ0200> m_ui;
};

}  // namespace rq50::shell
