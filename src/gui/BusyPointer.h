#pragma once

namespace rq50::gui {

/// The hourglass over the whole application while anything holds it. Holds
/// nest: the pointer changes with the first and comes back once, when the
/// last is let go, whichever order they end in. The main window owns the
/// program's one; the core holds it through the navigation host
/// (shell::BusyPointer), the engine through its comm host.
class BusyPointer {
  public:
    BusyPointer() = default;
    /// The normal pointer back, if something still held it.
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    void Hold();
    /// One hold less; a release with nothing held is ignored.
    void Release();
    bool Busy() const { return m_holds > 0; }

  private:
    int m_holds = 0;
};

}  // namespace rq50::gui
