// Time for the device protocol. The pauses between transfers are part of the
// protocol, so every sequence sleeps through a Clock: the real one on a real
// keyboard, a virtual one in tests and on the simulated keyboard, where a
// 3.4 s write-all takes no time and every pause can be checked to the ms.
#pragma once

#include <atomic>
#include <cstdint>

namespace morvane {

class Clock {
public:
    virtual ~Clock() = default;
    // Microseconds since an arbitrary fixed start.
    virtual std::int64_t nowMicros() = 0;
    // Sleeps `ms` milliseconds; 0 only yields the processor.
    virtual void sleepMillis(int ms) = 0;

    std::int64_t nowMillis() { return nowMicros() / 1000; }
};

// Wall-clock time on the steady clock.
class SystemClock final : public Clock {
public:
    std::int64_t nowMicros() override;
    void sleepMillis(int ms) override;
};

// Time that passes only when someone sleeps. Thread-safe.
class VirtualClock final : public Clock {
public:
    std::int64_t nowMicros() override;
    void sleepMillis(int ms) override;
    void advanceMicros(std::int64_t us);

private:
    std::atomic<std::int64_t> nowUs_{0};
};

}  // namespace morvane
