#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace rq50::shell {

/// Monotonic time source of the program. The engine never sleeps and never
/// reads the wall clock: it asks a Clock, so tests can run it on virtual time.
class Clock {
  public:
    virtual ~Clock() = default;
    /// Milliseconds since an arbitrary origin; never goes backwards.
    virtual std::int64_t NowMs() const = 0;
    /// Returns after `ms` milliseconds have passed. The GUI keeps its window
    /// events running meanwhile; the virtual clock simply moves on.
    virtual void Wait(std::int32_t ms) = 0;
    /// The engine's timer is about to take a tick `ms` after the last one.
    /// A clock that runs on the ticks (the desktop program's tests) moves on
    /// by `ms`; a clock of real time has moved on by itself and ignores it.
    virtual void Ticked(std::int32_t ms) { (void)ms; }
};

/// Time that moves only when told to. Wait() advances it at once.
class VirtualClock : public Clock {
  public:
    std::int64_t NowMs() const override { return m_now; }
    void Wait(std::int32_t ms) override { Advance(ms); }
    void Advance(std::int64_t ms) {
        if (ms > 0) m_now += ms;
    }

  private:
    std::int64_t m_now = 0;
};

/// The machine's steady clock; Wait() blocks the calling thread.
class SteadyClock : public Clock {
  public:
    std::int64_t NowMs() const override;
    void Wait(std::int32_t ms) override;
};

/// The machine's local time now as strftime writes it with `format`, e.g.
/// "%Y/%m/%d %H:%M:%S": the time stamps people read (log, undo files,
/// readings). The jobs never use it; they run on a Clock.
std::string LocalTimeText(const char* format);
/// The local time of `time` as strftime writes it with `format`.
std::string LocalTimeText(std::time_t time, const char* format);

}  // namespace rq50::shell
