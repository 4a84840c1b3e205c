// Round-trip figures of the packet exchange on the simulated programmer:
// host CPU time per packet with a zero-latency link, and the wall time of one
// version query on the real clock with the modelled latency timer.
#include "BenchHost.h"

#include "app/AppState.h"
#include "app/Host.h"
#include "app/WindowModel.h"
#include "link/D2XXUnit.h"
#include "link/PacketExchange.h"
#include "sim/SimProgrammer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace ravelin;
using ravelin::bench::BenchHost;
using ravelin::bench::cpuSeconds;

namespace {

struct Figures
{
    double perPacketUs;
    double minUs;
    double maxUs;
};

Figures versionQueries(bool realClock, std::uint64_t latencyUs, int count)
{
    WindowModel ui;
    AppState st;
    BenchHost host(realClock ? BenchHost::Clock::Real : BenchHost::Clock::Virtual);
    sim::ProgrammerOptions options;
    options.latencyUs = latencyUs;
    sim::SimProgrammer programmer(host, options);
    host.programmer = &programmer;
    Core core {ui, st, host, programmer};
    st.link.ShowLinkErrors = false;
    Open_USB_Device_By_Serial_Number(core, options.devices.front().serial);
    SetTimeouts(core, 40, 0);
    st.ConnectionState = 2;

    std::vector<double> each;
    each.reserve(std::size_t(count));
    const double cpuStart = cpuSeconds();
    for (int i = 0; i < count; ++i) {
        std::uint8_t *packet = commandPacket(core);
        std::fill(packet, packet + 7, std::uint8_t {0});
        packet[0] = 0x56;
        const std::uint64_t start = host.nowUs();
        SendPacket(core);
        each.push_back(double(host.nowUs() - start));
    }
    const double cpu = cpuSeconds() - cpuStart;
    const auto [lo, hi] = std::minmax_element(each.begin(), each.end());
    double sum = 0;
    for (double us : each)
        sum += us;
    return {realClock ? sum / count : cpu * 1e6 / count, *lo, *hi};
}

} // namespace

int main()
{
    std::printf("| figure | per 0x56 round trip | min | max |\n|---|---|---|---|\n");
    const Figures cpu = versionQueries(false, 0, 200000);
    std::printf(
        "| host CPU time, zero-latency link, virtual clock | %.2f us | | |\n", cpu.perPacketUs);
    for (const std::uint64_t latencyMs : {1u, 16u}) {
        const Figures wall = versionQueries(true, latencyMs * 1000, latencyMs == 1 ? 500 : 60);
        std::printf("| wall time, real clock, latency %2llu ms | %.0f us | %.0f us | %.0f us |\n",
            static_cast<unsigned long long>(latencyMs), wall.perPacketUs, wall.minUs, wall.maxUs);
    }
    return 0;
}
