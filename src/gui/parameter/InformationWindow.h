#pragma once

#include <array>
#include <memory>
#include <optional>

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
    QWidget* Box(files::InfoBox index) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QString BoxText(files::InfoBox index) const;
    void SetBoxText(files::InfoBox index, const QString& text);
    std::optional<files::InfoBox> IndexOf(const QObject* box) const;
    bool BoxKey(files::InfoBox index, QKeyEvent* key);
    void BoxLeft(files::InfoBox index);
    void Confirm();
    void Cancel();

    std::unique_ptr<Ui::frmRQ2600> m_ui;
    std::array<QWidget*, 9> m_boxes{};
    session::InfoWindow m_window;
};

}  // namespace rq50::gui
