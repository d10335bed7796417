#pragma once

#include <memory>

#include "gui/ScreenBase.h"
#include "print/PrintDialogRules.h"

namespace Ui {
class frmRQ2900;
}

class QComboBox;
class QPrinter;
class QPrintPreviewWidget;
class QSpinBox;

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

class ReportDevices;

/// The print preview: the report page by page at a chosen magnification.
/// Besides Close it offers Print and Save as PDF, so that every report shown
/// here (also the command check's error list, which is printed through the
/// preview) reaches paper or a file.
class PrintPreviewWindow : public ScreenBase {
    Q_OBJECT
  public:
    PrintPreviewWindow(files::Workspace& ws, ReportDevices& devices, QWidget* parent = nullptr);
    ~PrintPreviewWindow() override;

    void Load() override;
    void Unload() override;

    QComboBox* cboZoom() const;
    QSpinBox* txtPage() const;
    QPrintPreviewWidget* vspData() const;
    /// Magnification shown, in percent.
    double ZoomPercent() const;
    bool WholeView() const { return m_wholeView; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PaintReport(QPrinter* printer);
    /// A magnification of the list (its last entry: the whole page).
    void ChooseZoom(int index);
    /// Enter in the magnification box, or leaving it: what was typed.
    void TakeTypedZoom();
    void ShowPreviewState();
    void Print();
    void SaveAsPdf();
    void ClosePreview();

    ReportDevices& m_devices;
    std::unique_ptr<Ui::frmRQ2900> m_ui;
    files::ReportKind m_kind = files::ReportKind::Current;
    bool m_wholeView = true;
    bool m_updating = false;
};

}  // namespace rq50::gui
