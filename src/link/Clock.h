#pragma once

#include <cstdint>

namespace ravelin {

// A monotonic clock in microseconds that can also be waited on. The real
// programs use the steady clock; the tests use a virtual one, so that a
// one-second reply time-out costs no real second.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual std::uint64_t nowUs() const = 0;
    virtual void sleepUs(std::uint64_t us) = 0;
};

} // namespace ravelin
