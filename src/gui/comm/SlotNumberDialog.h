#pragma once

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class frmRQ4100;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// SLOT No. Setting: the slot (1-16) of a rack interface.
class SlotNumberDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SlotNumberDialog(files::Workspace& ws, QWidget* parent = nullptr);
    ~SlotNumberDialog() override;

    /// Asked by a job whose first answer came from a rack interface: the
    /// confirmed slot, or nothing when the dialog was left without one.
    static std::optional<int> Ask(files::Workspace& ws, QWidget* parent);
    /// Opened from the Communication Settings menu: a confirmed slot is
    /// written to the rack interface at once (job 23).
    static void RunSlotSetting(files::Workspace& ws, QWidget* parent);

    std::optional<int> Slot() const { return m_slot; }

    /// The slot confirmed in the dialog opened from the menu, taken once by
    /// the job it starts (so the user is not asked twice); nothing otherwise.
    static std::optional<int> TakePresetSlot(files::Workspace& ws);

  private:
    files::Workspace& Ws() const { return m_ws; }

    void Confirm();

    files::Workspace& m_ws;
    std::unique_ptr<Ui::frmRQ4100> m_ui;
    std::optional<int> m_slot;
};

}  // namespace rq50::gui
