#include "platform/print/QtPrinter.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace rq50::platform {

namespace {

constexpr int kTwipsPerPoint = 20;

}  // namespace

std::string QtPrinterHost::DefaultPrinterName(std::string& error) {
    // Qt gives no reason when there is no printer; the core then uses its own
    // text.
    error.clear();
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return {};
    return info.printerName().toStdString();
}

print::PageFormat PageFormatOf(const QPrinter& printer) {
    const QPageLayout layout = printer.pageLayout();
    const QSizeF paper = layout.pageSize().size(QPageSize::Point);
    print::PageFormat format;
    if (paper.width() > 0 && paper.height() > 0) {
        format.paperWidth = qRound(paper.width() * kTwipsPerPoint);
        format.paperHeight = qRound(paper.height() * kTwipsPerPoint);
    }
    format.orientation = layout.orientation() == QPageLayout::Landscape
                             ? print::Orientation::Landscape
                             : print::Orientation::Portrait;
    return format;
}

print::PageFormat DefaultPageFormat() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return {};
    const QPrinter printer(info);
    return PageFormatOf(printer);
}

}  // namespace rq50::platform
