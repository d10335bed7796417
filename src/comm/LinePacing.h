#pragma once

// How the engine paces its exchanges, kept apart from the engine: which
// pacing the jobs run in, how many actions a tick may take, and the gap fast
// pacing keeps between an answer and the next request. It only reckons with
// the times the engine gives it; the engine does the waiting.

#include <algorithm>
#include <cstdint>

#include "comm/Engine.h"

namespace rq50::comm {

class LinePacing {
  public:
    /// Fast pacing: most actions one tick may take (a whole exchange is five).
    static constexpr int kFastActionsPerTick = 16;

    /// The pacing of the next jobs; a gap is kept within 0-1000 ms. A
    /// running job keeps the pacing it started with.
    void Choose(const CommPacing& next) { m_chosen = {next.fast, std::clamp(next.gapMs, 0, 1000)}; }
    const CommPacing& Chosen() const { return m_chosen; }
    /// The pacing chosen now (for the line between jobs).
    bool Fast() const { return m_chosen.fast; }

    /// A job starts in the pacing chosen now; there is no answer yet to keep
    /// a gap from.
    void JobStarted() {
        m_running = m_chosen;
        m_lastAnswerAtMs = 0;
    }
    /// The running (or last) job's pacing is fast.
    bool JobFast() const { return m_running.fast; }
    /// The tick interval of the running job.
    int TickIntervalMs() const { return m_running.fast ? kFastPollMs : kTickMs; }
    /// Classic pacing: one action a tick. Fast pacing: actions until one
    /// leaves the state as it was, bounded so a job that loops without the
    /// line still lets the program breathe.
    int ActionsPerTick() const { return m_running.fast ? kFastActionsPerTick : 1; }

    /// A complete answer arrived at `nowMs`.
    void AnswerArrived(std::int64_t nowMs) { m_lastAnswerAtMs = nowMs; }
    /// Fast pacing: the pause after the last answer has not yet passed.
    bool InGap(std::int64_t nowMs) const {
        return m_running.fast && nowMs < m_lastAnswerAtMs + m_running.gapMs;
    }
    /// What is left of the gap at `nowMs` (while InGap).
    std::int64_t GapLeftMs(std::int64_t nowMs) const {
        return m_lastAnswerAtMs + m_running.gapMs - nowMs;
    }

  private:
    CommPacing m_chosen;
    CommPacing m_running;
    std::int64_t m_lastAnswerAtMs = 0;
};

}  // namespace rq50::comm
