#include "gui/parameter/TrendWindow.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <array>

#include "files/Workspace.h"
#include "gui/ScreenBase.h"
#include "session/OnlinePage.h"
#include "shell/TextNumbers.h"

namespace rq50::gui {

namespace {

/// Points of one line at most; beyond them the readings in between are
/// left out (never a failed one, so no gap is lost).
constexpr std::ptrdiff_t kMaxPoints = 2000;
constexpr int kRedrawMs = 250;
/// What the window's error traps are named by (a window of the page, not a
/// form of its own).
constexpr std::string_view kTrapCode = "Trend";

const std::array<QColor, 8> kColours = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                                        QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                        QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                        QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};

QPushButton* Button(int caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(CatalogueText(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

void HideFromLegend(QChart* chart, QLineSeries* line) {
    for (QLegendMarker* marker : chart->legend()->markers(line)) marker->setVisible(false);
}

using SampleIt = std::deque<parameter::TrendSample>::const_iterator;

/// The readings from `from` to `to`.
std::pair<SampleIt, SampleIt> InRange(const parameter::Trend& trend, std::int64_t from,
                                      std::int64_t to) {
    const auto& samples = trend.Samples();
    const auto first = std::lower_bound(
        samples.begin(), samples.end(), from,
        [](const parameter::TrendSample& s, std::int64_t ms) { return s.ms < ms; });
    const auto last = std::upper_bound(
        first, samples.end(), to,
        [](std::int64_t ms, const parameter::TrendSample& s) { return ms < s.ms; });
    return {first, last};
}

}  // namespace

TrendWindow::TrendWindow(files::Workspace& ws, session::OnlinePage& page, QWidget* parent)
    : QDialog(parent), m_ws(ws), m_online(page), m_fileDialog(ws.hosts) {
    setObjectName(QStringLiteral("TrendWindow"));
    setWindowTitle(CatalogueText(kTextTrendCaption));
    auto* layout = new QVBoxLayout(this);

    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_time = new QDateTimeAxis(m_chart);
    m_time->setFormat(QStringLiteral("hh:mm:ss"));
    m_time->setTickCount(5);
    m_values = new QValueAxis(m_chart);
    m_values->setLabelFormat(QStringLiteral("%g"));
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(m_values, Qt::AlignLeft);
    m_unitAxes = {m_values};
    m_units = {std::string()};
    m_cursorLine = new QLineSeries(m_chart);
    m_cursorLine->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    m_chart->addSeries(m_cursorLine);
    m_cursorLine->attachAxis(m_time);
    m_cursorLine->attachAxis(m_values);
    HideFromLegend(m_chart, m_cursorLine);
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("chtTrend"));
    m_view->setAccessibleName(CatalogueText(kTextTrendChart));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setFocusPolicy(Qt::StrongFocus);
    m_view->setMinimumSize(240, 140);
    m_view->viewport()->setMouseTracking(true);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    layout->addWidget(m_view, 1);

    m_readout = new QLabel(CatalogueText(kTextTrendCursorHint), this);
    m_readout->setObjectName(QStringLiteral("lblReadout"));
    m_readout->setWordWrap(true);
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_readout->setAccessibleName(m_readout->text());
    layout->addWidget(m_readout);

    // Two short rows, so that the window fits a small screen at twice the scale.
    auto* view = new QHBoxLayout;
    auto* spanLabel = new QLabel(CatalogueText(kTextTrendSpan), this);
    m_span = new QComboBox(this);
    m_span->setObjectName(QStringLiteral("cboSpan"));
    for (int i = 0; i < 4; ++i) m_span->addItem(CatalogueText(kTextTrendSpans + i));
    m_span->setCurrentIndex(static_cast<int>(parameter::TrendSpan::TenMinutes));
    m_span->setAccessibleName(spanLabel->text().remove(QLatin1Char('&')));
    spanLabel->setBuddy(m_span);
    m_pause = Button(kTextTrendPause, "cmdPause", this);
    view->addWidget(spanLabel);
    view->addWidget(m_span);
    view->addWidget(m_pause);
    view->addStretch(1);
    layout->addLayout(view);
    auto* end = new QHBoxLayout;
    auto* csv = Button(kTextTrendExportCsv, "cmdExportCsv", this);
    auto* png = Button(kTextTrendExportPng, "cmdExportPng", this);
    auto* close = Button(kTextTrendClose, "cmdClose", this);
    end->addWidget(csv);
    end->addWidget(png);
    end->addStretch(1);
    end->addWidget(close);
    layout->addLayout(end);
    NameByCaption({m_pause, csv, png, close});

    connect(m_span, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
    connect(m_pause, &QPushButton::clicked, this, [this] { TogglePause(); });
    connect(csv, &QPushButton::clicked, this, [this] { Export(true); });
    connect(png, &QPushButton::clicked, this, [this] { Export(false); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    m_redraw.setSingleShot(true);
    m_redraw.setInterval(kRedrawMs);
    connect(&m_redraw, &QTimer::timeout, this, [this] { Redraw(); });

    // Large enough to read, never beyond the screen.
    const QRect area = (parent != nullptr ? parent->screen() : screen())->availableGeometry();
    resize(std::min(760, area.width() - 40), std::min(480, area.height() - 60));
}

TrendWindow::~TrendWindow() = default;

std::vector<QLineSeries*> TrendWindow::Lines(std::size_t series) const {
    return series < m_lines.size() ? m_lines[series] : std::vector<QLineSeries*>{};
}

parameter::Trend& TrendWindow::Data() const {
    return m_online.PageTrend();
}

parameter::TrendSpan TrendWindow::Span() const {
    return static_cast<parameter::TrendSpan>(std::clamp(m_span->currentIndex(), 0, 3));
}

void TrendWindow::ReadingTaken() {
    if (!isVisible() || Data().Paused() || m_redraw.isActive()) return;
    m_redraw.start();
}

void TrendWindow::Rebuild() {
    for (const auto& lines : m_lines) {
        for (QLineSeries* line : lines) {
            m_chart->removeSeries(line);
            delete line;
        }
    }
    m_lines.assign(Data().Series().size(), {});
    m_labels.clear();
    for (const parameter::TrendSeries& s : Data().Series()) m_labels.push_back(s.label);
    m_cursor.reset();
    // One scale a unit: the first at the left, the others at the right.
    for (std::size_t i = 1; i < m_unitAxes.size(); ++i) {
        m_chart->removeAxis(m_unitAxes[i]);
        delete m_unitAxes[i];
    }
    m_units = Data().Units();
    m_unitAxes = {m_values};
    for (std::size_t i = 1; i < m_units.size(); ++i) {
        auto* axis = new QValueAxis(m_chart);
        axis->setLabelFormat(QStringLiteral("%g"));
        m_chart->addAxis(axis, Qt::AlignRight);
        m_unitAxes.push_back(axis);
    }
    for (std::size_t i = 0; i < m_unitAxes.size(); ++i)
        m_unitAxes[i]->setTitleText(Text(m_units[i]));
}

QValueAxis* TrendWindow::AxisOf(std::size_t series) const {
    const auto& all = Data().Series();
    if (series >= all.size()) return m_values;
    const auto it = std::find(m_units.begin(), m_units.end(), all[series].unit);
    const auto index = static_cast<std::size_t>(it - m_units.begin());
    return index < m_unitAxes.size() ? m_unitAxes[index] : m_values;
}

void TrendWindow::Redraw() {
    m_redraw.stop();
    const parameter::Trend& trend = Data();
    std::vector<std::string> labels;
    for (const parameter::TrendSeries& s : trend.Series()) labels.push_back(s.label);
    if (labels != m_labels || m_lines.size() != labels.size()) Rebuild();

    // Per series its stretches of values between gaps.
    std::vector<std::vector<QList<QPointF>>> stretches(m_lines.size());
    if (const auto range = trend.Range(Span())) {
        std::tie(m_from, m_to) = *range;
        const QDateTime at = QDateTime::fromString(Text(trend.IsoTime(m_to)), Qt::ISODateWithMs);
        m_epoch = at.toMSecsSinceEpoch() - m_to;
        const auto [first, last] = InRange(trend, m_from, m_to);
        const std::ptrdiff_t step = (last - first) / kMaxPoints + 1;
        for (auto it = first; it != last; ++it) {
            const bool whole = it->read && std::all_of(it->values.begin(), it->values.end(),
                                                       [](const auto& v) { return v.has_value(); });
            if (whole && (it - first) % step != 0 && it + 1 != last) continue;
            const auto x = static_cast<double>(it->ms + m_epoch);
            for (std::size_t i = 0; i < stretches.size() && i < it->values.size(); ++i) {
                auto& line = stretches[i];
                if (it->values[i]) {
                    if (line.empty()) line.emplace_back();
                    line.back().append(QPointF(x, *it->values[i]));
                } else if (!line.empty() && !line.back().isEmpty()) {
                    line.emplace_back();
                }
            }
        }
        for (std::size_t u = 0; u < m_unitAxes.size() && u < m_units.size(); ++u) {
            const auto values = trend.ValueRange(m_from, m_to, m_units[u]);
            m_unitAxes[u]->setRange(values ? values->first : 0.0, values ? values->second : 1.0);
            m_unitAxes[u]->applyNiceNumbers();
        }
    } else {
        m_to = 60 * 1000;
        m_from = 0;
        m_epoch = QDateTime::currentMSecsSinceEpoch() - m_to;
        for (QValueAxis* axis : m_unitAxes) axis->setRange(0.0, 1.0);
    }
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(m_from + m_epoch),
                     QDateTime::fromMSecsSinceEpoch(m_to + m_epoch));

    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        auto& lines = m_lines[i];
        while (lines.size() < std::max<std::size_t>(stretches[i].size(), 1)) {
            auto* line = new QLineSeries(m_chart);
            line->setPen(QPen(kColours[i % kColours.size()], 2));
            line->setColor(kColours[i % kColours.size()]);
            m_chart->addSeries(line);
            line->attachAxis(m_time);
            line->attachAxis(AxisOf(i));
            if (!lines.empty()) HideFromLegend(m_chart, line);
            lines.push_back(line);
        }
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const QList<QPointF> points =
                k < stretches[i].size() ? stretches[i][k] : QList<QPointF>{};
            lines[k]->replace(points);
            // A value between two gaps is a dot.
            lines[k]->setPointsVisible(points.size() == 1);
        }
        const parameter::TrendSeries& s = trend.Series()[i];
        lines.front()->setName(Text(s.label + (s.unit.empty() ? "" : " (" + s.unit + ")")));
    }
    ShowCursor();
}

void TrendWindow::PointAt(std::int64_t ms) {
    m_cursor = ms;
    ShowCursor();
}

void TrendWindow::MoveCursor(int step) {
    const auto [first, last] = InRange(Data(), m_from, m_to);
    if (first == last) return;
    auto it = step < 0 ? last - 1 : first;
    if (m_cursor) {
        const auto at = InRange(Data(), *m_cursor, m_to).first;
        const std::ptrdiff_t index =
            std::clamp<std::ptrdiff_t>((at - first) + step, 0, (last - first) - 1);
        it = first + index;
    }
    m_cursor = it->ms;
    ShowCursor();
}

void TrendWindow::ShowCursor() {
    if (m_cursor && (*m_cursor < m_from || *m_cursor > m_to)) m_cursor.reset();
    const parameter::TrendSample* sample =
        m_cursor ? Data().Nearest(*m_cursor, m_from, m_to) : nullptr;
    QString text = CatalogueText(kTextTrendCursorHint);
    m_cursorLine->clear();
    if (sample != nullptr) {
        m_cursor = sample->ms;
        const auto x = static_cast<double>(sample->ms + m_epoch);
        m_cursorLine->append(x, m_values->min());
        m_cursorLine->append(x, m_values->max());
        text = Text(Data().Readout(*sample));
    }
    m_readout->setText(text);
    m_readout->setAccessibleName(text);
}

void TrendWindow::TogglePause() {
    Data().SetPaused(!Data().Paused());
    m_pause->setText(CatalogueText(Data().Paused() ? kTextTrendResume : kTextTrendPause));
    NameByCaption({m_pause});
    Redraw();
}

void TrendWindow::Export(bool csv) {
    Trap(m_ws.hosts, TrapLabel(kTrapCode, csv ? "cmdExportCsv_Click" : "cmdExportPng_Click"), [&] {
        if (csv) {
            m_online.ExportCsv(m_fileDialog);
            return;
        }
        // The picture says what it shows: the instrument and when.
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        m_chart->setTitle(Text(m_online.TrendTitle()));
        m_view->grab().save(&buffer, "PNG");
        m_chart->setTitle(QString());
        m_online.ExportImage(m_fileDialog, {reinterpret_cast<const std::uint8_t*>(png.constData()),
                                            static_cast<std::size_t>(png.size())});
    });
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view->viewport() && event->type() == QEvent::MouseMove) {
        const QPointF at = m_chart->mapFromScene(
            m_view->mapToScene(static_cast<QMouseEvent*>(event)->position().toPoint()));
        if (m_chart->plotArea().contains(at)) {
            const double x = m_chart->mapToValue(at, m_cursorLine).x();
            PointAt(static_cast<std::int64_t>(x) - m_epoch);
        }
    } else if (watched == m_view && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            MoveCursor(key == Qt::Key_Left ? -1 : 1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TrendWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Redraw();
}

void TrendWindow::done(int result) {
    // Closed, the trend goes on; shown again, it is live.
    if (Data().Paused()) TogglePause();
    QDialog::done(result);
}

}  // namespace rq50::gui
