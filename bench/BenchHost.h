#pragma once

#include "app/Host.h"
#include "sim/SimProgrammer.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

namespace ravelin::bench {

// A host for the figures: on the virtual clock sleeps and waits cost nothing
// but move the clock (and the sleeps are summed, they are the floor); with
// sleeps skipped even that is left out; on the real clock it waits for real.
class BenchHost : public Host
{
public:
    // Virtual: an idle wait wakes when the reply arrives. PollGrid: it always
    // rests its full time, as the window's host does, which cannot see the reply
    // coming. VirtualNoSleeps: sleeps are counted but cost nothing.
    enum class Clock { Virtual, PollGrid, VirtualNoSleeps, Real };

    explicit BenchHost(Clock clock)
        : m_clock(clock)
    { }

    std::uint64_t nowUs() const override
    {
        if (m_clock != Clock::Real)
            return m_virtualUs;
        return std::uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
    }
    void sleepUs(std::uint64_t us) override
    {
        sleptUs += us;
        advance(m_clock == Clock::VirtualNoSleeps ? 0 : us);
    }
    void pumpMessages() override { }
    // Rests at most maxUs, as the window's host does, and wakes early only for
    // the programmer's next reply.
    void idleWait(std::uint64_t maxUs) override
    {
        std::uint64_t until = nowUs() + maxUs;
        if (programmer && m_clock != Clock::PollGrid) {
            if (const auto arrival = programmer->nextArrivalUs())
                until = std::min(until, *arrival);
        }
        advance(until > nowUs() ? until - nowUs() : 0);
    }
    MessageAnswer messageBox(const MessageBoxRequest &) override { return MessageAnswer::Ok; }
    std::optional<std::string> runOpenDialog(FileDialogState &) override { return {}; }
    std::optional<std::string> runSaveDialog(FileDialogState &) override { return {}; }
    bool raiseProcessPriority() override { return true; }
    void restoreProcessPriority() override { }

    sim::SimProgrammer *programmer = nullptr;
    std::uint64_t sleptUs = 0;

private:
    void advance(std::uint64_t us)
    {
        if (m_clock == Clock::Real)
            std::this_thread::sleep_for(std::chrono::microseconds(us));
        else
            m_virtualUs += us;
    }

    Clock m_clock;
    std::uint64_t m_virtualUs = 0;
};

// The process's CPU time so far, in seconds.
inline double cpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

} // namespace ravelin::bench
