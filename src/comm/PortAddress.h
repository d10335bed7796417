#pragma once

#include <optional>
#include <string>

namespace rq50::comm {

/// How a port name reaches the instrument.
enum class LineKind {
    Local,    ///< a device of this machine: /dev/ttyUSB0, COM3, a pseudo-terminal
    RawTcp,   ///< tcp://HOST:PORT: the device server passes the bytes at its own speed
    Rfc2217,  ///< rfc2217://HOST:PORT: Telnet with the COM-PORT-OPTION; the tool sets the line
};

/// A port name taken apart. Scheme and host compare without regard to case;
/// an IPv6 host is written in brackets (tcp://[::1]:4001) and kept without
/// them here.
struct PortAddress {
    LineKind kind = LineKind::Local;
    std::string device;  ///< Local: the name as given
    std::string host;    ///< network lines: name or address, without user or password
    int port = 0;        ///< network lines: 1-65535

    bool Network() const { return kind != LineKind::Local; }
};

/// Takes a port name apart. A name without "://" is a local device. A URL of
/// another scheme, without a host or with a port outside 1-65535 gives
/// nothing, with the reason in `error` when given. A user and password
/// before "@" are accepted and dropped: neither line knows a log-in.
std::optional<PortAddress> ParsePortAddress(const std::string& name, std::string* error = nullptr);

/// The name as records, logs and messages show it: a URL without any user or
/// password, anything else unchanged.
std::string PortNameForRecord(const std::string& name);

/// "tcp://HOST:PORT" or "rfc2217://HOST:PORT" (brackets round an IPv6 host),
/// the local device's name otherwise.
std::string PortAddressText(const PortAddress& address);

/// How long opening a network line waits for the connection: the setting
/// "ConnectTimeout" in seconds (0.1-600), else 5 s.
int ConnectTimeoutMs(const std::optional<std::string>& setting);

/// Why a speed change cannot be made on this line; empty when it can.
std::string FixedSpeedReason(const PortAddress& address);

}  // namespace rq50::comm
