#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "sim/Device.h"
#include "sim/Faults.h"
#include "sim/Frame.h"

namespace rq50::sim {

/// Number of slots of a rack interface.
inline constexpr int kRackSlots = 16;

/// An answer with what the line needs to deliver it.
struct Reply {
    Bytes bytes;
    int speed = 1200;    ///< bit/s the answer travels at
    int delayMs = 0;     ///< from the request's last byte to the answer's first
    int splitAfter = 0;  ///< 0: in one piece; else a pause after this many bytes
    int splitPauseMs = 0;
};

/// What sits at the far end of the line: a directly connected instrument or
/// a rack interface with up to 16 of them. All state lives here.
class Instrument {
  public:
    /// Loads an instrument file; slot files of a rack are found next to it.
    /// Throws std::runtime_error with a message naming the fault.
    static Instrument FromFile(const std::string& path);
    /// `folder` resolves slot files named by a rack description.
    static Instrument FromJson(const nlohmann::json& description, const std::string& folder = ".");

    /// One request frame in, at most one response frame out.
    std::optional<Bytes> Handle(const Bytes& request);
    /// As Handle, with the timing and the faults that apply to this request.
    std::optional<Reply> Respond(const Bytes& request);

    /// The tool closed the line: the rack forgets its slot, maintenance
    /// access ends.
    void LineClosed();
    /// Switched off and on again: all state back to the configuration's.
    void PowerCycle();

    /// The values held now: every item's choice, data and auxiliary text, of
    /// the instrument or of each occupied rack slot, by model and address.
    nlohmann::json HeldValues() const;
    /// Puts back what HeldValues gave, as a technician's instrument keeps its
    /// settings when switched off. Values of another model, of an address the
    /// description lacks, or of another size are left as configured.
    void RestoreHeldValues(const nlohmann::json& held);

    /// Speed the instrument listens and answers at.
    int Speed() const { return m_speed; }
    int LatencyMs() const { return m_latencyMs; }
    void SetLatencyMs(int ms) { m_latencyMs = ms; }
    FaultConfig& Faults() { return m_faults; }
    /// Well-formed requests accepted since power-on.
    int RequestCount() const { return m_requests; }

    bool IsRack() const { return m_rack; }
    int SelectedSlot() const { return m_slot; }
    /// The directly connected device, or the device in a rack slot (1-16).
    Device* DeviceAt(int slot = 0);
    /// The device requests currently reach (none: a rack without a slot).
    Device* Active();

  private:
    friend class InstrumentLoader;
    Bytes RackAnswer(const Request& request);

    bool m_rack = false;
    Device m_device;
    std::array<std::optional<Device>, kRackSlots + 1> m_slots{};
    int m_slot = 0;
    Device m_initialDevice;
    std::array<std::optional<Device>, kRackSlots + 1> m_initialSlots{};

    int m_configuredSpeed = 1200;
    bool m_keepSpeed = false;
    int m_speed = 1200;
    int m_latencyMs = 20;
    FaultConfig m_faults;
    int m_requests = 0;
};

}  // namespace rq50::sim
