#include "gui/WindowPositions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace rq50::gui {

session::FormRect FormRectOf(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

float WidgetWindow::Left() const {
    return m_widget ? static_cast<float>(m_widget->pos().x()) * kTwipsPerPixel : 0.0F;
}

float WidgetWindow::Top() const {
    return m_widget ? static_cast<float>(m_widget->pos().y()) * kTwipsPerPixel : 0.0F;
}

float WidgetWindow::Width() const {
    return m_widget ? static_cast<float>(m_widget->width()) * kTwipsPerPixel : 0.0F;
}

float WidgetWindow::Height() const {
    return m_widget ? static_cast<float>(m_widget->height()) * kTwipsPerPixel : 0.0F;
}

void WidgetWindow::Move(float left, float top) {
    if (!m_widget || !std::isfinite(left) || !std::isfinite(top)) return;
    session::FormRect place{static_cast<int>(std::lround(left / kTwipsPerPixel)),
                            static_cast<int>(std::lround(top / kTwipsPerPixel)), m_widget->width(),
                            m_widget->height()};
    session::FormRect area;
    if (QWidget* parent = m_widget->parentWidget(); parent && !m_widget->isWindow()) {
        // An area not laid out yet has no size to go by.
        if (parent->isVisible()) area = FormRectOf(parent->rect());
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = FormRectOf(screen->virtualGeometry());
    }
    place = session::KeepCornerInReach(place, area);
    m_widget->move(place.left, place.top);
}

namespace {

/// A place that no widget has now (a maximised window's normal place).
class PlacedWindow : public session::FormWindow {
  public:
    PlacedWindow(std::string name, const QRect& rect) : m_name(std::move(name)), m_rect(rect) {}
    std::string Name() const override { return m_name; }
    float Left() const override { return static_cast<float>(m_rect.x()) * kTwipsPerPixel; }
    float Top() const override { return static_cast<float>(m_rect.y()) * kTwipsPerPixel; }
    float Width() const override { return static_cast<float>(m_rect.width()) * kTwipsPerPixel; }
    float Height() const override { return static_cast<float>(m_rect.height()) * kTwipsPerPixel; }
    void Move(float, float) override {}

  private:
    std::string m_name;
    QRect m_rect;
};

}  // namespace

bool RestoreMainWindow(files::Workspace& ws, QWidget* window, const std::string& name) {
    std::vector<session::FormRect> screens;
    // Room for the frame the window system draws around the window's own
    // area (not known before it is shown): a title bar and thin borders.
    const int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    constexpr int kBorder = 8;
    QList<QScreen*> all = QGuiApplication::screens();
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        all.removeAll(primary);
        all.prepend(primary);
    }
    for (QScreen* screen : all) {
        session::FormRect area = FormRectOf(screen->availableGeometry());
        area.width = std::max(area.width - 2 * kBorder, 1);
        area.height = std::max(area.height - titleBar - 2 * kBorder, 1);
        screens.push_back(area);
    }
    const auto place = session::PlaceMainWindow(session::LoadFormRect(ws, name, kTwipsPerPixel),
                                                session::LoadFormMaximized(ws, name), screens);
    window->resize(std::max(place.rect.width, window->minimumWidth()),
                   std::max(place.rect.height, window->minimumHeight()));
    window->move(place.rect.left, place.rect.top);
    return place.maximized;
}

void SaveMainWindow(files::Workspace& ws, QWidget* window, const std::string& name) {
    const bool maximized = window->isMaximized();
    session::SaveFormMaximized(ws, name, maximized);
    if (!maximized) {
        SavePosition(ws, window, name);
        return;
    }
    // The place it returns to from maximised.
    const QRect normal = window->normalGeometry();
    if (normal.isValid()) session::SaveFormPosition(ws, PlacedWindow(name, normal));
}

void LoadPosition(files::Workspace& ws, QWidget* widget, const std::string& name) {
    WidgetWindow form(widget, name);
    session::LoadFormPosition(ws, form);
}

void SavePosition(files::Workspace& ws, QWidget* widget, const std::string& name) {
    WidgetWindow form(widget, name);
    session::SaveFormPosition(ws, form);
}

}  // namespace rq50::gui
