#include "comm/PortAddress.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace rq50::comm {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<PortAddress> Refuse(std::string* error, const std::string& why) {
    if (error) *error = why;
    return std::nullopt;
}

/// The part after the scheme without a user and password.
std::string WithoutUser(const std::string& rest) {
    const auto at = rest.rfind('@');
    return at == std::string::npos ? rest : rest.substr(at + 1);
}

}  // namespace

std::optional<PortAddress> ParsePortAddress(const std::string& name, std::string* error) {
    PortAddress address;
    const auto mark = name.find("://");
    if (mark == std::string::npos) {
        if (name.empty()) return Refuse(error, "no port is named");
        address.device = name;
        return address;
    }
    const std::string scheme = Lower(name.substr(0, mark));
    if (scheme == "tcp") {
        address.kind = LineKind::RawTcp;
    } else if (scheme == "rfc2217") {
        address.kind = LineKind::Rfc2217;
    } else {
        return Refuse(error, name + ": only tcp:// and rfc2217:// reach a device server");
    }
    std::string rest = WithoutUser(name.substr(mark + 3));
    if (!rest.empty() && rest.back() == '/') rest.pop_back();

    std::string portText;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == std::string::npos) return Refuse(error, name + ": unclosed [ in the host");
        address.host = rest.substr(1, close - 1);
        if (rest.size() > close + 1 && rest[close + 1] != ':')
            return Refuse(error, name + ": expected :PORT after the host");
        if (rest.size() > close + 1) portText = rest.substr(close + 2);
    } else {
        const auto colon = rest.rfind(':');
        if (colon == std::string::npos) return Refuse(error, name + ": the URL names no port");
        address.host = rest.substr(0, colon);
        portText = rest.substr(colon + 1);
        if (address.host.find(':') != std::string::npos)
            return Refuse(error, name + ": write an IPv6 host in brackets, [::1]");
    }
    if (address.host.empty()) return Refuse(error, name + ": the URL names no host");
    if (address.host.find_first_of("/?# ") != std::string::npos)
        return Refuse(error, name + ": a device server URL is only HOST:PORT");
    const bool digits = !portText.empty() && portText.size() <= 5 &&
                        std::all_of(portText.begin(), portText.end(),
                                    [](unsigned char c) { return std::isdigit(c) != 0; });
    const int port = digits ? std::stoi(portText) : 0;
    if (port < 1 || port > 65535) return Refuse(error, name + ": the port must be 1-65535");
    address.port = port;
    address.host = Lower(address.host);
    return address;
}

std::string PortAddressText(const PortAddress& address) {
    if (!address.Network()) return address.device;
    const bool v6 = address.host.find(':') != std::string::npos;
    return std::string(address.kind == LineKind::RawTcp ? "tcp://" : "rfc2217://") +
           (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

std::string PortNameForRecord(const std::string& name) {
    const auto mark = name.find("://");
    if (mark == std::string::npos) return name;
    const auto at = name.rfind('@');
    if (at == std::string::npos || at < mark) return name;
    return name.substr(0, mark + 3) + name.substr(at + 1);
}

int ConnectTimeoutMs(const std::optional<std::string>& setting) {
    constexpr int kDefaultMs = 5000;
    if (!setting) return kDefaultMs;
    try {
        std::size_t used = 0;
        const double seconds = std::stod(*setting, &used);
        if (used == 0 || seconds < 0.1 || seconds > 600) return kDefaultMs;
        return static_cast<int>(seconds * 1000 + 0.5);
    } catch (const std::exception&) {
        return kDefaultMs;
    }
}

std::string FixedSpeedReason(const PortAddress& address) {
    if (address.kind != LineKind::RawTcp) return {};
    return PortAddressText(address) +
           " runs at the device server's speed; use rfc2217:// to let RQ50 switch between 1200 "
           "and 9600 bit/s";
}

}  // namespace rq50::comm
