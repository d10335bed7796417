#pragma once

#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui {
class frmRQ0100;
}

namespace rq50::gui {

/// The title screen shown while the program starts: the program's name and
/// version on white, centred on the screen.
class TitleScreen : public QWidget {
    Q_OBJECT
  public:
    explicit TitleScreen(QWidget* parent = nullptr);
    ~TitleScreen() override;

    /// The display timer closes the screen after this long at the latest
    /// (start-up unloads it earlier, once the main window is up).
    static constexpr int kDisplayTimeMs = 10000;

  private:
    std::unique_ptr<Ui::frmRQ0100> m_ui;
    QTimer m_displayTimer;
};

/// "R " followed by major.minor.revision of this build.
QString VersionText();

}  // namespace rq50::gui
