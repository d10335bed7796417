#pragma once

#include <QScrollArea>

class QMdiSubWindow;
class QWidget;

namespace rq50::gui {

/// The sub-window's content: the screen inside a scroll area that asks for
/// the screen's whole size, so that a window shrunk to fit a small area
/// keeps every control within reach through scroll bars.
class ScreenScrollArea : public QScrollArea {
    Q_OBJECT
  public:
    explicit ScreenScrollArea(QWidget* screen);
    QSize sizeHint() const override;
};

/// The screen a sub-window shows (nullptr for none).
QWidget* ScreenIn(const QMdiSubWindow* window);

/// The sub-window that shows `screen` (nullptr when it is in none).
QMdiSubWindow* SubWindowOf(const QWidget* screen);

/// Sizes the sub-window to its content (its caption included) and keeps it
/// wholly inside its MDI area: a window grows to what its content asks for,
/// never beyond the area, and is moved into it (session::FitInside).
void FitSubWindow(QMdiSubWindow* window);

/// FitSubWindow for the sub-window of `screen`: run when a screen's content
/// changes (captions, the monitor rows, the MAINT boxes).
void FitWindow(QWidget* screen);

/// Keeps a top-level window (a dialog) inside its screen's free area: no
/// larger than it, moved into it.
void FitToScreen(QWidget* window);

/// FitWindow now and once more when the events of the showing (polish,
/// layout) have run; for a dialog of its own, FitToScreen.
void FitWindowWhenShown(QWidget* screen);

}  // namespace rq50::gui
