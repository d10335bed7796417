#pragma once

#include "print/PrintDialogRules.h"

class QPrinter;

namespace rq50::platform {

/// The platform's printer object: the default printer's name, paper and
/// orientation.
class QtPrinterHost : public print::PrinterHost {
  public:
    std::string DefaultPrinterName(std::string& error) override;
};

/// The paper and orientation `printer` is set up for.
print::PageFormat PageFormatOf(const QPrinter& printer);

/// The paper of the default printer; A4 portrait when there is none, so that
/// a PDF made without a printer has the paper the reports are designed on.
print::PageFormat DefaultPageFormat();

}  // namespace rq50::platform
