#include "gui/FormPosition.h"

#include <QGuiApplication>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "gui/FitWindow.h"

namespace rq50::gui {

float WidgetForm::Left() const {
    return m_widget ? static_cast<float>(m_widget->pos().x()) * kTwipsPerPixel : 0.0F;
}

float WidgetForm::Top() const {
    return m_widget ? static_cast<float>(m_widget->pos().y()) * kTwipsPerPixel : 0.0F;
}

float WidgetForm::Width() const {
    return m_widget ? static_cast<float>(m_widget->width()) * kTwipsPerPixel : 0.0F;
}

float WidgetForm::Height() const {
    return m_widget ? static_cast<float>(m_widget->height()) * kTwipsPerPixel : 0.0F;
}

void WidgetForm::Move(float left, float top) {
    if (!m_widget || !std::isfinite(left) || !std::isfinite(top)) return;
    int x = static_cast<int>(std::lround(left / kTwipsPerPixel));
    int y = static_cast<int>(std::lround(top / kTwipsPerPixel));
    QRect area;
    if (QWidget* parent = m_widget->parentWidget(); parent && !m_widget->isWindow()) {
        // An area not laid out yet has no size to go by.
        if (parent->isVisible()) area = parent->rect();
        x = std::max(x, 0);
        y = std::max(y, 0);
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->virtualGeometry();
    }
    if (area.isValid()) {
        // At least the top-left corner of the window stays within reach.
        x = std::clamp(x, area.left(), std::max(area.left(), area.right() - 40));
        y = std::clamp(y, area.top(), std::max(area.top(), area.bottom() - 40));
    }
    m_widget->move(x, y);
}

namespace {

shell::FormRect RectOf(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

/// A place that no widget has now (a maximised window's normal place).
class PlacedForm : public shell::FormWindow {
  public:
    PlacedForm(std::string name, const QRect& rect) : m_name(std::move(name)), m_rect(rect) {}
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

bool RestoreMainWindow(shell::Workspace& ws, QWidget* window, const std::string& name) {
    std::vector<shell::FormRect> screens;
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
        shell::FormRect area = RectOf(screen->availableGeometry());
        area.width = std::max(area.width - 2 * kBorder, 1);
        area.height = std::max(area.height - titleBar - 2 * kBorder, 1);
        screens.push_back(area);
    }
    const auto place = shell::PlaceMainWindow(shell::LoadFormRect(ws, name, kTwipsPerPixel),
                                              shell::LoadFormMaximized(ws, name), screens);
    window->resize(std::max(place.rect.width, window->minimumWidth()),
                   std::max(place.rect.height, window->minimumHeight()));
    window->move(place.rect.left, place.rect.top);
    return place.maximized;
}

void SaveMainWindow(shell::Workspace& ws, QWidget* window, const std::string& name) {
    const bool maximized = window->isMaximized();
    shell::SaveFormMaximized(ws, name, maximized);
    if (!maximized) {
        SavePosition(ws, window, name);
        return;
    }
    // The place it returns to from maximised.
    const QRect normal = window->normalGeometry();
    if (normal.isValid()) shell::SaveFormPosition(ws, PlacedForm(name, normal));
}

ScreenScrollArea::ScreenScrollArea(QWidget* screen) {
    setObjectName(QStringLiteral("screenScrollArea"));
    setFrameShape(QFrame::NoFrame);
    // Tab goes from control to control; the area scrolls to the one with focus.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setWidget(screen);
}

QSize ScreenScrollArea::sizeHint() const {
    const QWidget* screen = widget();
    if (screen == nullptr) return QScrollArea::sizeHint();
    const int frame = 2 * frameWidth();
    return screen->sizeHint().expandedTo(screen->minimumSizeHint()) + QSize(frame, frame);
}

QWidget* ScreenIn(const QMdiSubWindow* window) {
    if (window == nullptr) return nullptr;
    if (auto* scroll = qobject_cast<QScrollArea*>(window->widget())) return scroll->widget();
    return window->widget();
}

QMdiSubWindow* SubWindowOf(const QWidget* screen) {
    for (QWidget* w = screen != nullptr ? screen->parentWidget() : nullptr; w != nullptr;
         w = w->parentWidget()) {
        if (auto* window = qobject_cast<QMdiSubWindow*>(w)) return window;
    }
    return nullptr;
}

void FitSubWindow(QMdiSubWindow* window) {
    if (window == nullptr) return;
    if (QWidget* screen = ScreenIn(window); screen != nullptr && screen->layout() != nullptr) {
        // The screen never gets smaller than its content needs; the scroll
        // area shows what the sub-window has no room for.
        screen->layout()->setSizeConstraint(QLayout::SetMinimumSize);
        screen->layout()->invalidate();
        screen->layout()->activate();
    }
    if (window->layout() != nullptr) window->layout()->invalidate();
    QSize wanted = window->sizeHint();
    const int titleWidth = window->fontMetrics().horizontalAdvance(window->windowTitle()) + 72;
    wanted.setWidth(std::max(wanted.width(), titleWidth));
    shell::FormRect area;
    if (QMdiArea* mdi = window->mdiArea(); mdi != nullptr && mdi->isVisible())
        area = RectOf(mdi->viewport()->rect());
    const shell::FormRect placed =
        shell::FitInside(RectOf(window->geometry()), wanted.width(), wanted.height(), area);
    window->setGeometry(placed.left, placed.top, placed.width, placed.height);
}

void FitWindow(QWidget* screen) {
    FitSubWindow(SubWindowOf(screen));
}

void FitToScreen(QWidget* window) {
    const QScreen* shown = window->screen();
    if (shown == nullptr) return;
    const QRect area = shown->availableGeometry();
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    const QSize room = area.size() - frame;
    // No bigger than the screen, and never below what the layout needs to
    // keep every control in view (the tables in it scroll).
    window->resize(window->size().boundedTo(room).expandedTo(window->minimumSizeHint()));
    QRect placed = window->frameGeometry();
    placed.moveLeft(std::clamp(placed.left(), area.left(),
                               std::max(area.left(), area.right() + 1 - placed.width())));
    placed.moveTop(std::clamp(placed.top(), area.top(),
                              std::max(area.top(), area.bottom() + 1 - placed.height())));
    window->move(placed.topLeft());
}

void FitWindowWhenShown(QWidget* screen) {
    if (screen->isWindow()) {
        // A dialog of its own: it fits the screen, not an MDI area.
        FitToScreen(screen);
        QPointer<QWidget> guard(screen);
        QTimer::singleShot(0, screen, [guard] {
            if (guard) FitToScreen(guard);
        });
        return;
    }
    FitWindow(screen);
    QPointer<QWidget> guard(screen);
    QTimer::singleShot(0, screen, [guard] {
        if (guard) FitWindow(guard);
    });
}

void LoadPosition(shell::Workspace& ws, QWidget* widget, const std::string& name) {
    WidgetForm form(widget, name);
    shell::LoadFormPosition(ws, form);
}

void SavePosition(shell::Workspace& ws, QWidget* widget, const std::string& name) {
    WidgetForm form(widget, name);
    shell::SaveFormPosition(ws, form);
}

}  // namespace rq50::gui
