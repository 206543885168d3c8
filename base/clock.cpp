#include "base/clock.h"

#include <chrono>
#include <thread>

namespace morvane {

std::int64_t SystemClock::nowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::sleepMillis(int ms) {
    if (ms <= 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t VirtualClock::nowMicros() { return nowUs_.load(); }

void VirtualClock::sleepMillis(int ms) {
    if (ms > 0) nowUs_ += static_cast<std::int64_t>(ms) * 1000;
}

void VirtualClock::advanceMicros(std::int64_t us) { nowUs_ += us; }

}  // namespace morvane
