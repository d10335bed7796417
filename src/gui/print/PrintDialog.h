#pragma once

#include <QCheckBox>

#include <array>
#include <memory>

#include "gui/ScreenBase.h"
#include "print/PrintDialogRules.h"

namespace Ui {
class frmRQ2800;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

class ReportDevices;

/// The print dialog: which parts of the held data to print, then print them,
/// preview them or write them as a CSV file.
class PrintDialog : public ScreenBase {
    Q_OBJECT
  public:
    PrintDialog(files::Workspace& ws, ReportDevices& devices, QWidget* parent = nullptr);
    ~PrintDialog() override;

    void Load() override;
    void OnMaintModeChanged(bool on) override;

    /// Print-area check box `area` (PrintArea::Information .. PrintArea::Const).
    QCheckBox* AreaBox(print::PrintArea area) const;

  private:
    /// The boxes as the user left them.
    print::PrintAreaBoxes Boxes() const;
    void ShowBoxes(const print::PrintAreaBoxes& boxes);
    /// The area check; also keeps the selection for the printer, the
    /// preview and the CSV file.
    bool TakeSelection();
    void Print();
    void Preview();
    void WriteCsvFile();
    void ShowInformation();
    void Cancel();

    ReportDevices& m_devices;
    std::unique_ptr<Ui::frmRQ2800> m_ui;
    std::array<QCheckBox*, print::kAreaCount> m_areas{};
};

}  // namespace rq50::gui
