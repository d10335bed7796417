#include "shell/Clock.h"
#include "shell/PlatformFile.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace rq50::shell {

std::int64_t SteadyClock::NowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::Wait(std::int32_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string LocalTimeText(const char* format) {
    return LocalTimeText(std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()),
                         format);
}

std::string LocalTimeText(std::time_t time, const char* format) {
    const std::tm local = shell::platform::LocalTime(time);
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

}  // namespace rq50::shell
