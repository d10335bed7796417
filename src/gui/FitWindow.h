#pragma once

#include <QLayout>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace rq50::gui {

/// Grows the sub-window of `screen` so that its content fits: a window is
/// sized once its captions are set, and a restored position may be smaller
/// than what the screen shows now (a longer caption, the monitor rows).
inline void FitWindow(QWidget* screen) {
    QWidget* window = screen->parentWidget();
    if (window == nullptr) return;
    // The window never gets smaller than its content needs; the layouts
    // keep that minimum whenever the content changes.
    for (QLayout* layout : {screen->layout(), window->layout()}) {
        if (layout == nullptr) continue;
        layout->setSizeConstraint(QLayout::SetMinimumSize);
        layout->invalidate();
    }
    const QSize wanted = window->sizeHint().expandedTo(window->minimumSizeHint());
    window->resize(std::max(window->width(), wanted.width()),
                   std::max(window->height(), wanted.height()));
}

/// FitWindow now and once more when the events of the showing (polish,
/// layout) have run.
inline void FitWindowWhenShown(QWidget* screen) {
    FitWindow(screen);
    QPointer<QWidget> guard(screen);
    QTimer::singleShot(0, screen, [guard] {
        if (guard) FitWindow(guard);
    });
}

}  // namespace rq50::gui
