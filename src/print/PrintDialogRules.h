#pragma once

#include "files/ReportKind.h"
#include "shell/EnumArray.h"
#include "print/Reports.h"
#include "shell/MessageBoxHost.h"
#include "shell/SessionState.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::print {

using files::ReportKind;

/// The print-area check boxes of the print dialog.
struct PrintAreaBoxes {
    shell::EnumArray<PrintArea, bool, kAreaCount> visible{};
    shell::EnumArray<PrintArea, bool, kAreaCount> checked{};
    /// "Communication Monitor" in the dialog's Command menu (parameter mode only).
    bool monitorMenuVisible = false;
};

/// The boxes as the dialog opens: Information in both modes; DISPLAY, SET,
/// ADJUST in parameter mode (SettingMode::Parameter) and MAINT there only in MAINT
/// Mode; PROGRAM and CONST in program mode. Every shown box is ticked.
PrintAreaBoxes OpenPrintAreas(shell::SettingMode settingMode, bool maintMode);

/// MAINT Mode switched while the dialog is open: off hides and clears MAINT;
/// on shows and ticks it in parameter mode.
void ApplyMaintMode(PrintAreaBoxes& boxes, shell::SettingMode settingMode, bool maintMode);

/// The area check: at least one shown box is ticked.
bool AnyAreaSelected(const PrintAreaBoxes& boxes);

/// The shown and ticked boxes as print areas.
PrintAreas SelectedAreasOf(const PrintAreaBoxes& boxes);

/// Writes report `kind` of the current data with the selected areas.
bool PrintReportOf(files::Workspace& ws, ReportKind kind, PrintControl& control,
                   const ReportSetup& setup);

// ---- The printer check -----------------------------------------------------

/// The platform's printer object.
class PrinterHost {
  public:
    virtual ~PrinterHost() = default;
    /// The default printer's device name; empty, with the platform's reason
    /// in `error` (empty when it gives none), when there is no printer.
    virtual std::string DefaultPrinterName(std::string& error) = 0;
};

enum class PrinterCheck {
    Ready,      ///< a printer is there
    NoPrinter,  ///< none, and the user wants no PDF file
    SaveAsPdf,  ///< none, and the user asked for the report as a PDF file
};

/// `CheckPrintDevice`: Ready when the platform has a default printer.
/// Otherwise beeps and shows the platform's reason (or "No printer is
/// available.") with the question whether to save the report as a PDF file
/// instead, so that a machine without a printer can still hand out the
/// report.
PrinterCheck CheckPrintDevice(PrinterHost& printer, shell::MessageBoxHost& messages);

// ---- The preview's magnification --------------------------------------------

inline constexpr double kZoomMin = 10.0;
inline constexpr double kZoomMax = 200.0;

/// What the magnification box does with a typed text.
struct TypedZoom {
    enum class Action {
        SetPercent,   ///< take `percent`, show `text`
        WholeView,    ///< select "Whole View" again
        ShowCurrent,  ///< put the preview's current magnification back in the box
    };
    Action action = Action::ShowCurrent;
    double percent = 0.0;
    std::string text;
};

/// A number above 200 becomes 200 and one below 10 becomes 10 (the box then
/// shows that value); any other number stands as typed. A text that is not a
/// number goes back to "Whole View" when that was the last list choice, else
/// to the current magnification.
TypedZoom ReadTypedZoom(std::string_view text, bool wholeView);

}  // namespace rq50::print
