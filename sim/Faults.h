#pragma once

#include <set>
#include <string_view>

namespace rq50::sim {

/// Names of the fault switches in an instrument file's "faults" object. Tests
/// use the same constants to build the configurations they load.
inline constexpr std::string_view kFaultsKey = "faults";
inline constexpr std::string_view kFaultDrop = "drop";              ///< no answer at all
inline constexpr std::string_view kFaultLate = "late";              ///< answer after extra delay
inline constexpr std::string_view kFaultCorrupt = "corrupt";        ///< one answer byte changed
inline constexpr std::string_view kFaultSplit = "split";            ///< answer sent in two parts
inline constexpr std::string_view kFaultStartSpeed = "startSpeed";  ///< speed at power-on
inline constexpr std::string_view kFaultOn = "on";  ///< "all" or a list of request numbers
inline constexpr std::string_view kFaultOnAll = "all";
inline constexpr std::string_view kFaultLateMs = "ms";
inline constexpr std::string_view kFaultCorruptByte = "byte";
inline constexpr std::string_view kFaultCorruptXor = "xor";
inline constexpr std::string_view kFaultSplitAfter = "after";
inline constexpr std::string_view kFaultSplitPauseMs = "pauseMs";

/// Which requests a fault applies to. Requests are numbered from 1 in the
/// order the instrument accepts them (well-formed frames only) since power-on.
struct FaultRule {
    bool all = false;
    std::set<int> on;

    bool Applies(int requestNumber) const { return all || on.count(requestNumber) != 0; }
    bool Active() const { return all || !on.empty(); }
};

/// Misbehaviour of the instrument, switched on by configuration.
struct FaultConfig {
    FaultRule drop;
    FaultRule late;
    int lateMs = 0;
    FaultRule corrupt;
    int corruptByte = 4;  ///< index in the answer frame
    int corruptXor = 0xFF;
    FaultRule split;
    int splitAfter = 5;  ///< bytes of the first part
    int splitPauseMs = 100;
    int startSpeed = 0;  ///< 0: the speed of the instrument's own configuration
};

}  // namespace rq50::sim
