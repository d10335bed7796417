#include "gui/FitWindow.h"

#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <algorithm>

#include "gui/WindowPositions.h"
#include "session/FormPosition.h"

namespace rq50::gui {

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
    session::FormRect area;
    if (QMdiArea* mdi = window->mdiArea(); mdi != nullptr && mdi->isVisible())
        area = FormRectOf(mdi->viewport()->rect());
    const session::FormRect placed =
        session::FitInside(FormRectOf(window->geometry()), wanted.width(), wanted.height(), area);
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

}  // namespace rq50::gui
