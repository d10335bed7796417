#pragma once

#include "print/ReportSurface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>

#include <memory>

class QPagedPaintDevice;
class QPdfWriter;
class QSaveFile;

namespace rq50::platform {

/// A report surface on a QPainter over a paged device: a QPrinter (printing,
/// and the pages of a QPrintPreviewWidget) or a QPdfWriter. Page positions
/// in twips become device pixels at the device's resolution; the device's
/// own margins are set to zero so that positions count from the paper's edge.
class QtReportSurface : public print::ReportSurface {
  public:
    /// Draws on `device`, which must outlive the surface.
    explicit QtReportSurface(QPagedPaintDevice& device);
    ~QtReportSurface() override;

    bool BeginDocument(const print::PageFormat& format) override;
    void NewPage() override;
    bool EndDocument() override;
    void SetFont(const print::FontSpec& font) override;
    int TextWidth(std::string_view text) override;
    int LineHeight() override;
    void DrawText(int x, int y, std::string_view text) override;
    void DrawLine(int x1, int y1, int x2, int y2) override;

  private:
    double ToDevice(int twips) const;
    int ToTwips(double pixels) const;

    QPagedPaintDevice& m_device;
    QPainter m_painter;
    QFont m_font;
    QFontMetricsF m_metrics;
    double m_dpi = 1200.0;
};

/// The font the reports name, with stand-ins of similar shape and width where
/// it is not installed (it rarely is outside Windows).
QFont ReportFont(const print::FontSpec& fontSpec);

/// A single-byte text as Qt shows it (Latin-1; control bytes as blanks).
QString FromSingleByte(std::string_view text);

/// A report written to a PDF file. The file is written under a temporary name
/// and takes the target's name only once it is complete, so a failed report
/// leaves an earlier file of that name as it was.
class PdfReport {
  public:
    explicit PdfReport(const QString& path);
    ~PdfReport();
    PdfReport(const PdfReport&) = delete;
    PdfReport& operator=(const PdfReport&) = delete;

    /// The surface to write the report on; null when the file cannot be made.
    print::ReportSurface* Surface() { return m_surface.get(); }
    /// Puts the finished file in place. False, with the reason in
    /// ErrorText(), when the file could not be written.
    bool Commit();
    QString ErrorText() const;

  private:
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QtReportSurface> m_surface;
};

}  // namespace rq50::platform
