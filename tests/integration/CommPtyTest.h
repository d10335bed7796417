#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace rq50::integration {

using Bytes = std::vector<std::uint8_t>;

/// Polls `ready` every few milliseconds for up to `timeoutMs`.
inline bool WaitFor(const std::function<bool()>& ready, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ready();
}

/// Reads from `fd` until `count` bytes came or `timeoutMs` passed.
inline Bytes ReadFd(int fd, std::size_t count, int timeoutMs) {
    Bytes out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        std::uint8_t buffer[256];
        const auto n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

}  // namespace rq50::integration
