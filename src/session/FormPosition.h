#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include "session/Vocabulary.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

/// A window as its position routines see it; positions are in twips.
class FormWindow {
  public:
    virtual ~FormWindow() = default;
    /// The window's own identifier ("frmRQ2000"), the prefix of its keys.
    virtual std::string Name() const = 0;
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    virtual void Move(float left, float top) = 0;
};

/// Restores the window's Left and Top from the settings store (keys name +
/// "Left" / "Top"); a key that is absent keeps the current value. Returns 0,
/// or -1 when a stored value is not a number or no store is installed.
std::int16_t LoadFormPosition(Workspace& ws, FormWindow& window);

/// Stores Left, Top, Width and Height as decimal texts under name + "Left",
/// "Top", "Width", "Height". Returns 0, or -1 when no store is installed.
std::int16_t SaveFormPosition(Workspace& ws, const FormWindow& window);

/// A window's place in pixels: left, top, width, height.
struct FormRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const FormRect&) const = default;
};

/// Where a sub-window goes in its area: at least as large as its content
/// wants (`wantedWidth` x `wantedHeight`), never larger than the area, and
/// moved so that it lies wholly inside it; a window that must shrink shows
/// the rest of its content through scroll bars. An area with no size yet
/// leaves the window where it is, grown to its content.
FormRect FitInside(FormRect window, int wantedWidth, int wantedHeight, const FormRect& area);

/// Where a restored window's top-left corner goes in `area` (a sub-window's
/// MDI area, a window's desktop): inside it, and far enough from its right
/// and bottom edges that the window can still be grabbed. An area with no
/// size yet only keeps the corner off the area's left and top.
FormRect KeepCornerInReach(FormRect window, const FormRect& area);

/// Where the main window opens.
struct MainWindowPlace {
    FormRect rect;           ///< its normal (not maximised) place
    bool maximized = false;  ///< shown maximised
};

/// The main window's place at start: maximised on the primary screen on the
/// first start (nothing stored); afterwards as the user left it, kept on the
/// screen it was on (the one holding its centre, else the one it overlaps
/// most, else the primary) and shrunk and moved to lie wholly on it, so a
/// screen removed or made smaller since never hides it. `screens` are the
/// screens' usable areas, the primary first.
MainWindowPlace PlaceMainWindow(const std::optional<FormRect>& stored, bool storedMaximized,
                                const std::vector<FormRect>& screens);

/// The place stored under the window's name (Left, Top, Width, Height),
/// divided by `unitsPerPixel`; nullopt when one is missing or no number.
std::optional<FormRect> LoadFormRect(Workspace& ws, const std::string& name, float unitsPerPixel);

/// Whether the window was left maximised (key name + "Maximized", "1").
bool LoadFormMaximized(Workspace& ws, const std::string& name);
void SaveFormMaximized(Workspace& ws, const std::string& name, bool maximized);

}  // namespace rq50::session
