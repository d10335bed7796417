#include "gui/print/PrintPreviewWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QSpinBox>

#include <cmath>

#include "files/Workspace.h"
#include "gui/KeyFilter.h"
#include "gui/QtHosts.h"
#include "gui/ReportOutput.h"
#include "platform/print/QtReportSurface.h"
#include "print/PrintControl.h"
#include "session/Navigation.h"
#include "shell/Services.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ2900.h"

namespace rq50::gui {

namespace {
constexpr int kZoomEntries = 4;
constexpr int kWholeViewEntry = 3;

}  // namespace

PrintPreviewWindow::PrintPreviewWindow(files::Workspace& ws, ReportDevices& devices,
                                       QWidget* parent)
    : ScreenBase(shell::Screen::PrintPreview, ws, parent),
      m_devices(devices),
      m_ui(std::make_unique<Ui::frmRQ2900>()) {
    m_ui->setupUi(this);
    SetEscapeButton(m_ui->cmdClose);
    SetMenus();
    new NumericKeyGuard(m_ui->cboZoom->lineEdit(), parameter::kDigitsOnly);
    // Enter takes a typed magnification as typed: the combo box would
    // otherwise pick a list entry of the same text, a list choice.
    m_ui->cboZoom->lineEdit()->installEventFilter(this);
    connect(m_ui->vspData, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
        Trapped("vspData_NewPage", [&] { PaintReport(printer); });
    });
    connect(m_ui->vspData, &QPrintPreviewWidget::previewChanged, this,
            [this] { ShowPreviewState(); });
    connect(m_ui->cboZoom, &QComboBox::activated, this,
            [this](int index) { Trapped("cboZoom_Click", [&] { ChooseZoom(index); }); });
    OnSignal(m_ui->cboZoom->lineEdit(), &QLineEdit::editingFinished, "cboZoom_LostFocus",
             [this] { TakeTypedZoom(); });
    connect(m_ui->txtPage, &QSpinBox::valueChanged, this, [this](int page) {
        if (!m_updating) m_ui->vspData->setCurrentPage(page);
    });
    OnSignal(m_ui->cmdPrint, &QPushButton::clicked, "cmdPrint_Click", [this] { Print(); });
    OnSignal(m_ui->cmdPdf, &QPushButton::clicked, "cmdPdf_Click", [this] { SaveAsPdf(); });
    OnSignal(m_ui->cmdClose, &QPushButton::clicked, "cmdClose_Click", [this] { ClosePreview(); });
}

PrintPreviewWindow::~PrintPreviewWindow() = default;

QComboBox* PrintPreviewWindow::cboZoom() const {
    return m_ui->cboZoom;
}

QSpinBox* PrintPreviewWindow::txtPage() const {
    return m_ui->txtPage;
}

QPrintPreviewWidget* PrintPreviewWindow::vspData() const {
    return m_ui->vspData;
}

double PrintPreviewWindow::ZoomPercent() const {
    return m_ui->vspData->zoomFactor() * 100.0;
}

void PrintPreviewWindow::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(CatalogueText(kTextPreviewCaption));
        m_ui->lblZoom->setText(CatalogueText(kTextZoom));
        m_ui->lblZoomUnit->setText(CatalogueText(kTextZoomUnit));
        m_ui->lblPage->setText(CatalogueText(kTextPage));
        m_ui->lblPageUnit->setText(CatalogueText(kTextPageUnit));
        m_ui->cmdPrint->setText(CatalogueText(kTextPrint));
        m_ui->cmdPdf->setText(CatalogueText(kTextSaveAsPdf));
        m_ui->cmdClose->setText(CatalogueText(kTextClose));
        NameByCaption({m_ui->cmdPrint, m_ui->cmdPdf, m_ui->cmdClose});
        m_ui->cboZoom->setAccessibleName(CatalogueText(kTextZoom));
        m_ui->txtPage->setAccessibleName(CatalogueText(kTextPage));
        m_ui->vspData->setAccessibleName(CatalogueText(kTextPreviewCaption));
        m_ui->cboZoom->clear();
        for (int i = 0; i < kZoomEntries; ++i) {
            m_ui->cboZoom->addItem(CatalogueText(kTextFirstZoomEntry + i));
        }

        m_kind = Ws().previewReport;
        m_ui->vspData->updatePreview();
        const int pages = std::max(m_ui->vspData->pageCount(), 1);
        m_updating = true;
        m_ui->txtPage->setRange(1, pages);
        m_ui->txtPage->setValue(1);
        m_ui->txtPage->setEnabled(pages > 1);
        m_updating = false;
        m_ui->cboZoom->setCurrentIndex(kWholeViewEntry);
        ChooseZoom(kWholeViewEntry);
    });
}

bool PrintPreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->cboZoom->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Trapped("cboZoom_KeyPress", [this] { TakeTypedZoom(); });
            return true;
        }
    }
    return ScreenBase::eventFilter(watched, event);
}

void PrintPreviewWindow::Unload() {
    Ws().previewReport = files::ReportKind::Current;
}

void PrintPreviewWindow::PaintReport(QPrinter* printer) {
    platform::QtReportSurface surface(*printer);
    print::PrintControl control(surface);
    print::PrintReportOf(Ws(), m_kind, control, CurrentReportSetup());
}

void PrintPreviewWindow::ChooseZoom(int index) {
    const shell::BusyPointer busy(Nav());
    if (index == kWholeViewEntry) {
        m_wholeView = true;
        m_ui->vspData->fitInView();
    } else if (index >= 0 && index < kZoomEntries) {
        m_wholeView = false;
        m_ui->vspData->setZoomFactor(m_ui->cboZoom->itemText(index).toDouble() / 100.0);
    }
}

void PrintPreviewWindow::TakeTypedZoom() {
    const QString text = m_ui->cboZoom->currentText();
    // A list entry chosen from the list has been taken already.
    const int listed = m_ui->cboZoom->findText(text);
    if (listed >= 0 && listed == m_ui->cboZoom->currentIndex()) return;
    const print::TypedZoom zoom = print::ReadTypedZoom(Bytes(text), m_wholeView);
    switch (zoom.action) {
        case print::TypedZoom::Action::SetPercent:
            m_ui->vspData->setZoomFactor(zoom.percent / 100.0);
            m_ui->cboZoom->setEditText(Text(zoom.text));
            break;
        case print::TypedZoom::Action::WholeView:
            m_ui->cboZoom->setCurrentIndex(kWholeViewEntry);
            ChooseZoom(kWholeViewEntry);
            break;
        case print::TypedZoom::Action::ShowCurrent:
            m_ui->cboZoom->setEditText(QString::number(std::lround(ZoomPercent())));
            break;
    }
}

void PrintPreviewWindow::ShowPreviewState() {
    m_updating = true;
    m_ui->txtPage->setValue(m_ui->vspData->currentPage());
    if (m_ui->vspData->zoomMode() == QPrintPreviewWidget::CustomZoom &&
        !m_ui->cboZoom->lineEdit()->hasFocus()) {
        m_ui->cboZoom->setEditText(QString::number(std::lround(ZoomPercent())));
    }
    m_updating = false;
}

void PrintPreviewWindow::Print() {
    if (!CheckPrinter(m_devices, Ws(), m_kind)) return;
    PrintOnPrinter(m_devices, Ws(), m_kind);
}

void PrintPreviewWindow::SaveAsPdf() {
    SaveReportAsPdf(m_devices, Ws(), m_kind);
}

void PrintPreviewWindow::ClosePreview() {
    const files::ReportKind kind = m_kind;
    auto* navigation = Nav();
    if (navigation != nullptr) navigation->UnloadScreen(shell::Screen::PrintPreview);
    switch (kind) {
        case files::ReportKind::Current:
            session::DisplayMatrix(Ws(), shell::NavEvent::kPreviewClose);
            break;
        case files::ReportKind::ErrorList:
            if (navigation != nullptr) navigation->EnableScreen(shell::Screen::ErrorList);
            break;
        case files::ReportKind::DownloadCheck:
            if (navigation != nullptr) navigation->EnableScreen(shell::Screen::DownloadCheck);
            break;
    }
}

}  // namespace rq50::gui
