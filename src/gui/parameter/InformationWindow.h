#pragma once

#include <array>
#include <memory>

#include "gui/ScreenBase.h"
#include "session/InfoWindow.h"

namespace Ui {
class frmRQ2600;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// The information window: the record every file carries (titles with
/// their captions, creator, date, instrument number, comment). It is the
/// last step of every save: closing it, with OK or Cancel, writes the file
/// when it was opened for a save. Its presenter (session::InfoWindow) decides.
class InformationWindow : public ScreenBase {
    Q_OBJECT
  public:
    explicit InformationWindow(files::Workspace& ws, QWidget* parent = nullptr);
    ~InformationWindow() override;

    void Load() override;
    /// The box of index 0-8 (7, the comment, is a QPlainTextEdit).
    QWidget* Box(int index) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QString BoxText(int index) const;
    void SetBoxText(int index, const QString& text);
    int IndexOf(const QObject* box) const;
    bool BoxKey(int index, QKeyEvent* key);
    void BoxLeft(int index);
    void Confirm();
    void Cancel();

    std::unique_ptr<Ui::frmRQ2600> m_ui;
    std::array<QWidget*, 9> m_boxes{};
    session::InfoWindow m_window;
};

}  // namespace rq50::gui
