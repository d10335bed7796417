#pragma once

#include <atomic>
#include <cstdint>
#include <ostream>
#include <string>

#include "sim/Frame.h"
#include "sim/Instrument.h"

namespace rq50::sim {

/// Serves an Instrument on the master side of a pseudo-terminal, so a program
/// that opens the slave device talks to it as to a serial port.
///
/// The speed the program sets on the slave is read for every batch of bytes:
/// bytes sent at another speed than the instrument's are ignored. Answers are
/// paced at 10 bits a byte. When the program closes the slave, the instrument
/// is told that the line closed.
class PtyServer {
  public:
    explicit PtyServer(Instrument& instrument);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    /// Creates the pseudo-terminal; false with `error` set on failure.
    bool Open(std::string& error);
    /// Path of the slave device (for example /dev/pts/3).
    const std::string& SlavePath() const { return m_slavePath; }
    /// Frames received and sent, and line events, go here when set.
    void SetTrace(std::ostream* trace) { m_trace = trace; }
    /// Serves until `stop` becomes true (checked at least every 20 ms).
    void Run(const std::atomic<bool>& stop);
    /// Speed currently set on the slave, 0 when it is neither 1200 nor 9600.
    int SlaveSpeed() const;

  private:
    void ReadNotifications();
    void LineOpened();
    void LineClosed();
    void Serve(const Bytes& frame, std::int64_t receivedUs);
    void SendPaced(const Reply& reply, std::int64_t startUs);
    void Trace(const std::string& what, const Bytes& bytes = {});

    Instrument& m_instrument;
    int m_master = -1;
    int m_notify = -1;  ///< inotify on the slave: opens and closes by the program
    int m_opened = 0;   ///< handles the program holds on the slave
    bool m_lineOpen = false;
    std::string m_slavePath;
    std::ostream* m_trace = nullptr;
    FrameAssembler m_assembler;
};

}  // namespace rq50::sim
