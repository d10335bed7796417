#pragma once

// The Qt side of stored window positions: a widget as the core's position
// routines see it (session/FormPosition.h), and the main window's place.

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <string>

#include "session/FormPosition.h"

namespace rq50::gui {

/// Stored positions are twips: 15 to a device-independent pixel (1440 to the
/// inch at 96 dpi), whatever the screen's scaling.
inline constexpr float kTwipsPerPixel = 15.0F;

/// A widget's place as the core counts places.
session::FormRect FormRectOf(const QRect& rect);

/// A window or sub-window as the position routines see it.
class WidgetWindow : public session::FormWindow {
  public:
    WidgetWindow(QWidget* widget, std::string name) : m_widget(widget), m_name(std::move(name)) {}
    std::string Name() const override { return m_name; }
    float Left() const override;
    float Top() const override;
    float Width() const override;
    float Height() const override;
    /// Moves the window, kept where the user can reach it: a sub-window
    /// inside its area, a top-level window on the desktop
    /// (session::KeepCornerInReach).
    void Move(float left, float top) override;

  private:
    QPointer<QWidget> m_widget;
    std::string m_name;
};

/// Restores and stores a window's position through the shared routines.
void LoadPosition(files::Workspace& ws, QWidget* widget, const std::string& name);
void SavePosition(files::Workspace& ws, QWidget* widget, const std::string& name);

/// The main window's place (session::PlaceMainWindow): maximised on the first
/// start, then as the user left it, kept on the screen it is on. Run before
/// it is shown; true when it is to be maximised once shown (a window shown
/// maximised keeps this place as its normal one).
bool RestoreMainWindow(files::Workspace& ws, QWidget* window, const std::string& name);
/// Stores the main window's normal place and whether it is maximised.
void SaveMainWindow(files::Workspace& ws, QWidget* window, const std::string& name);

}  // namespace rq50::gui
