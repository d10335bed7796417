#include "print/PrintDialogRules.h"

#include "comm/jobs/Jobs.h"
#include "files/Csv.h"
#include "files/Workspace.h"
#include "parameter/ValueRules.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <cstdlib>
#include <sstream>

namespace rq50::print {

namespace {}  // namespace

PrintAreaBoxes OpenPrintAreas(shell::SettingMode settingMode, bool maintMode) {
    PrintAreaBoxes boxes;
    const bool program = settingMode == shell::SettingMode::Program;
    boxes.visible[kAreaInformation] = true;
    for (int area : {kAreaDisplay, kAreaSet, kAreaAdjust}) boxes.visible[area] = !program;
    boxes.visible[kAreaMaint] = !program && maintMode;
    boxes.visible[kAreaProgram] = program;
    boxes.visible[kAreaConst] = program;
    boxes.checked = boxes.visible;
    boxes.monitorMenuVisible = !program;
    return boxes;
}

void ApplyMaintMode(PrintAreaBoxes& boxes, shell::SettingMode settingMode, bool maintMode) {
    if (!maintMode) {
        boxes.visible[kAreaMaint] = false;
        boxes.checked[kAreaMaint] = false;
    } else if (settingMode != shell::SettingMode::Program) {
        boxes.visible[kAreaMaint] = true;
        boxes.checked[kAreaMaint] = true;
    }
}

bool AnyAreaSelected(const PrintAreaBoxes& boxes) {
    for (int area = 0; area < kAreaCount; ++area) {
        if (boxes.visible[area] && boxes.checked[area]) return true;
    }
    return false;
}

PrintAreas SelectedAreasOf(const PrintAreaBoxes& boxes) {
    PrintAreas areas;
    for (int area = 0; area < kAreaCount; ++area) {
        AreaFlag(areas, area) = boxes.visible[area] && boxes.checked[area];
    }
    return areas;
}

bool PrintReportOf(files::Workspace& ws, ReportKind kind, PrintControl& control,
                   const ReportSetup& setup) {
    switch (kind) {
        case ReportKind::DownloadCheck:
            return PrintDownloadCheckList(control, ws.checkList, ws.information, setup,
                                          ws.state.checkListCompares);
        case ReportKind::ErrorList:
            return PrintErrorList(control, ws.errorPrintList, ws.information, setup);
        case ReportKind::Current:
            break;
    }
    if (ws.state.settingMode == shell::SettingMode::Program) {
        return PrintProgramReport(control, files::CurrentProgramRecord(ws), ws.printAreas, setup);
    }
    return PrintParameterReport(control, files::CurrentParameterRecord(ws), ws.printAreas,
                                ws.state.maintMode, setup);
}

PrinterCheck CheckPrintDevice(PrinterHost& printer, shell::MessageBoxHost& messages) {
    std::string error;
    if (!printer.DefaultPrinterName(error).empty()) return PrinterCheck::Ready;
    if (error.empty()) error = shell::Catalogue(kTextNoPrinter);
    shell::Services hosts;
    hosts.messages = &messages;
    const shell::MsgAnswer answer = shell::ShowAlert(hosts, {error + "\n\n" + shell::Catalogue(kTextPdfInstead),
                                                shell::Catalogue(kTextPrintCaption),
                                                shell::MsgButtons::YesNo, shell::MsgIcon::Critical});
    return answer == shell::MsgAnswer::Yes ? PrinterCheck::SaveAsPdf : PrinterCheck::NoPrinter;
}

TypedZoom ReadTypedZoom(std::string_view text, bool wholeView) {
    TypedZoom zoom;
    const std::string typed(text);
    if (!parameter::IsNumeric(typed)) {
        zoom.action = wholeView ? TypedZoom::Action::WholeView : TypedZoom::Action::ShowCurrent;
        return zoom;
    }
    std::string digits;
    for (char c : typed) {
        if (c != ' ') digits.push_back(c);
    }
    const double value = std::strtod(digits.c_str(), nullptr);
    zoom.action = TypedZoom::Action::SetPercent;
    if (value > kZoomMax) {
        zoom.percent = kZoomMax;
        zoom.text = "200";
    } else if (value < kZoomMin) {
        zoom.percent = kZoomMin;
        zoom.text = "10";
    } else {
        zoom.percent = value;
        zoom.text = shell::Trim(typed);
    }
    return zoom;
}

}  // namespace rq50::print
