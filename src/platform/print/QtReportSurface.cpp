#include "platform/print/QtReportSurface.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QPen>
#include <QPrinter>
#include <QSaveFile>

#include <cmath>

namespace rq50::platform {

namespace {

// Line width of the table rules, in points.
constexpr double kRulePoints = 0.5;
constexpr double kPointsPerInch = 72.0;
constexpr int kTwipsPerPoint = 20;

}  // namespace

QFont ReportFont(const print::FontSpec& fontSpec) {
    // Fonts with the proportions of the Windows sans serif face, then any sans
    // serif face.
    static const bool substituted = [] {
        QFont::insertSubstitutions(
            QStringLiteral("MS Sans Serif"),
            {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
             QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
        return true;
    }();
    (void)substituted;
    QFont font(FromSingleByte(fontSpec.name));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(fontSpec.points > 0 ? fontSpec.points : 12.0);
    font.setBold(fontSpec.bold);
    return font;
}

QString FromSingleByte(std::string_view text) {
    QString out = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    for (auto& c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
    }
    return out;
}

QtReportSurface::QtReportSurface(QPagedPaintDevice& device)
    : m_device(device), m_font(ReportFont({})), m_metrics(m_font, &device) {
    if (device.logicalDpiX() > 0) m_dpi = device.logicalDpiX();
}

QtReportSurface::~QtReportSurface() {
    if (m_painter.isActive()) m_painter.end();
}

double QtReportSurface::ToDevice(int twips) const {
    return twips * m_dpi / print::kTwipsPerInch;
}

int QtReportSurface::ToTwips(double pixels) const {
    return static_cast<int>(std::ceil(pixels * print::kTwipsPerInch / m_dpi));
}

bool QtReportSurface::BeginDocument(const print::PageFormat& format) {
    const QPageSize size(QSizeF(format.paperWidth / double(kTwipsPerPoint),
                                format.paperHeight / double(kTwipsPerPoint)),
                         QPageSize::Point, QString(), QPageSize::FuzzyMatch);
    QPageLayout layout(size,
                       format.orientation == print::Orientation::Landscape ? QPageLayout::Landscape
                                                                           : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Point, QMarginsF(0, 0, 0, 0));
    layout.setMode(QPageLayout::FullPageMode);
    if (auto* printer = dynamic_cast<QPrinter*>(&m_device)) printer->setFullPage(true);
    m_device.setPageLayout(layout);
    if (!m_painter.begin(&m_device)) return false;
    m_dpi = m_device.logicalDpiX() > 0 ? m_device.logicalDpiX() : 1200.0;
    m_painter.setPen(QPen(Qt::black, m_dpi * kRulePoints / kPointsPerInch));
    m_metrics = QFontMetricsF(m_font, &m_device);
    m_painter.setFont(m_font);
    return true;
}

void QtReportSurface::NewPage() {
    if (m_painter.isActive()) m_device.newPage();
}

bool QtReportSurface::EndDocument() {
    if (!m_painter.isActive()) return false;
    return m_painter.end();
}

void QtReportSurface::SetFont(const print::FontSpec& font) {
    m_font = ReportFont(font);
    m_metrics = QFontMetricsF(m_font, &m_device);
    if (m_painter.isActive()) m_painter.setFont(m_font);
}

int QtReportSurface::TextWidth(std::string_view text) {
    return ToTwips(m_metrics.horizontalAdvance(FromSingleByte(text)));
}

int QtReportSurface::LineHeight() {
    return ToTwips(m_metrics.lineSpacing());
}

void QtReportSurface::DrawText(int x, int y, std::string_view text) {
    if (!m_painter.isActive()) return;
    m_painter.drawText(QPointF(ToDevice(x), ToDevice(y) + m_metrics.ascent()),
                       FromSingleByte(text));
}

void QtReportSurface::DrawLine(int x1, int y1, int x2, int y2) {
    if (!m_painter.isActive()) return;
    m_painter.drawLine(QPointF(ToDevice(x1), ToDevice(y1)), QPointF(ToDevice(x2), ToDevice(y2)));
}

PdfReport::PdfReport(const QString& path) : m_file(std::make_unique<QSaveFile>(path)) {
    if (!m_file->open(QIODevice::WriteOnly)) return;
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setCreator(QStringLiteral("RQ50"));
    m_surface = std::make_unique<QtReportSurface>(*m_writer);
}

PdfReport::~PdfReport() {
    // The surface and the writer go before the file they write to; an
    // uncommitted file is discarded.
    m_surface.reset();
    m_writer.reset();
}

bool PdfReport::Commit() {
    if (!m_surface) return false;
    m_surface.reset();
    m_writer.reset();
    return m_file->commit();
}

QString PdfReport::ErrorText() const {
    return m_file->errorString();
}

}  // namespace rq50::platform
