// The print dialog's area rules and the preview's typed magnification.
#include "print/PrintDialogRules.h"

#include "ShellFakes.h"
#include "shell/Catalogue.h"

#include <gtest/gtest.h>

namespace rq50::print {
namespace {

using Action = TypedZoom::Action;

TEST(PrintAreaRules, AreasShownByModeAndMaintMode) {
    const auto parameter = OpenPrintAreas(shell::SettingMode::Parameter, false);
    EXPECT_EQ(parameter.visible,
              (std::array<bool, kAreaCount>{true, true, true, true, false, false, false}));
    EXPECT_EQ(parameter.checked, parameter.visible);
    EXPECT_TRUE(parameter.monitorMenuVisible);

    const auto maint = OpenPrintAreas(shell::SettingMode::Parameter, true);
    EXPECT_TRUE(maint.visible[kAreaMaint]);
    EXPECT_TRUE(maint.checked[kAreaMaint]);

    // MAINT Mode plays no part in program mode.
    const auto program = OpenPrintAreas(shell::SettingMode::Program, true);
    EXPECT_EQ(program.visible,
              (std::array<bool, kAreaCount>{true, false, false, false, false, true, true}));
    EXPECT_FALSE(program.monitorMenuVisible);
}

TEST(PrintAreaRules, MaintModeSwitchedWhileOpen) {
    auto boxes = OpenPrintAreas(shell::SettingMode::Parameter, true);
    ApplyMaintMode(boxes, shell::SettingMode::Parameter, false);
    EXPECT_FALSE(boxes.visible[kAreaMaint]);
    EXPECT_FALSE(boxes.checked[kAreaMaint]);
    EXPECT_FALSE(SelectedAreasOf(boxes).maint);
    ApplyMaintMode(boxes, shell::SettingMode::Parameter, true);
    EXPECT_TRUE(boxes.visible[kAreaMaint]);
    EXPECT_TRUE(SelectedAreasOf(boxes).maint);

    auto program = OpenPrintAreas(shell::SettingMode::Program, false);
    ApplyMaintMode(program, shell::SettingMode::Program, true);
    EXPECT_FALSE(program.visible[kAreaMaint]);
}

TEST(PrintAreaRules, AreaCheckCountsOnlyShownBoxes) {
    auto boxes = OpenPrintAreas(shell::SettingMode::Parameter, false);
    EXPECT_TRUE(AnyAreaSelected(boxes));
    boxes.checked.fill(false);
    EXPECT_FALSE(AnyAreaSelected(boxes));
    // A ticked box that is hidden (a program area in parameter mode) counts
    // for nothing and is not printed.
    boxes.checked[kAreaProgram] = true;
    EXPECT_FALSE(AnyAreaSelected(boxes));
    EXPECT_FALSE(SelectedAreasOf(boxes).program);
    boxes.checked[kAreaSet] = true;
    EXPECT_TRUE(AnyAreaSelected(boxes));
    const auto areas = SelectedAreasOf(boxes);
    EXPECT_TRUE(areas.set);
    EXPECT_FALSE(areas.display);
    EXPECT_FALSE(areas.information);
}

TEST(PreviewZoom, TypedNumbersAreClampedTo10Through200) {
    const auto high = ReadTypedZoom("500", false);
    EXPECT_EQ(high.action, Action::SetPercent);
    EXPECT_EQ(high.percent, 200.0);
    EXPECT_EQ(high.text, "200");
    const auto low = ReadTypedZoom("5", true);
    EXPECT_EQ(low.action, Action::SetPercent);
    EXPECT_EQ(low.percent, 10.0);
    EXPECT_EQ(low.text, "10");
    EXPECT_EQ(ReadTypedZoom("200", false).text, "200");
    EXPECT_EQ(ReadTypedZoom("10", false).percent, 10.0);
    EXPECT_EQ(ReadTypedZoom("-40", false).percent, 10.0);
    EXPECT_EQ(ReadTypedZoom("62.5", false).percent, 62.5);
}

TEST(PreviewZoom, TextThatIsNoNumber) {
    EXPECT_EQ(ReadTypedZoom("abc", true).action, Action::WholeView);
    EXPECT_EQ(ReadTypedZoom("abc", false).action, Action::ShowCurrent);
    EXPECT_EQ(ReadTypedZoom("", true).action, Action::WholeView);
    EXPECT_EQ(ReadTypedZoom("1e3", false).action, Action::ShowCurrent);
}

class FakePrinter : public PrinterHost {
  public:
    std::string DefaultPrinterName(std::string& error) override {
        ++asked;
        error = reason;
        return name;
    }
    std::string name;
    std::string reason;
    int asked = 0;
};

TEST(PrinterCheckRule, NoPrinterOffersAPdfFileInstead) {
    FakePrinter printer;
    printer.name = "Office";
    shell::testing::RecordingMessages messages;
    EXPECT_EQ(CheckPrintDevice(printer, messages), PrinterCheck::Ready);
    EXPECT_TRUE(messages.boxes.empty());

    // No printer and no reason from the platform: our own text, then the
    // question; No prints nothing.
    printer.name.clear();
    messages.answers = {shell::MsgAnswer::No};
    EXPECT_EQ(CheckPrintDevice(printer, messages), PrinterCheck::NoPrinter);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "No printer is available.\n\n" + shell::Catalogue(2837));
    EXPECT_EQ(messages.boxes[0].buttons, shell::MsgButtons::YesNo);
    EXPECT_EQ(messages.boxes[0].icon, shell::MsgIcon::Critical);
    EXPECT_EQ(messages.beepsBeforeBox[0], 1);

    // The platform's reason stands first; Yes asks for the PDF file.
    printer.reason = "The print spooler is not running.";
    messages.answers = {shell::MsgAnswer::Yes};
    EXPECT_EQ(CheckPrintDevice(printer, messages), PrinterCheck::SaveAsPdf);
    EXPECT_EQ(messages.boxes[1].text.rfind(printer.reason + "\n\n", 0), 0u);
}

}  // namespace
}  // namespace rq50::print
