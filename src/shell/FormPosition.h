#pragma once

#include <cstdint>
#include <string>

namespace rq50::shell {

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
std::int16_t COMsub_LoadFormPosition(FormWindow& window);

/// Stores Left, Top, Width and Height as decimal texts under name + "Left",
/// "Top", "Width", "Height". Returns 0, or -1 when no store is installed.
std::int16_t COMsub_SaveFormPosition(const FormWindow& window);

}  // namespace rq50::shell
