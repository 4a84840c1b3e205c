// Figures for the device commands on the simulated programmer with a simulated
// chip: (a) host CPU time per packet over a zero-latency link with the sleeps
// skipped; (b) the virtual-clock time of each command against its floor, the
// sleeps the command must make plus one link latency per reply.
#include "BenchHost.h"

#include "app/AppState.h"
#include "app/MainForm.h"
#include "app/WindowModel.h"
#include "devices/Catalogue.h"
#include "devices/Selection.h"
#include "sim/SimChip.h"

#include <cstdio>
#include <memory>
#include <string>

using namespace ravelin;
using namespace ravelin::bench;

namespace {

int rowOf(std::string_view caption)
{
    for (std::size_t row = 0; row < DeviceCatalogue.size(); ++row) {
        if (DeviceCatalogue[row].caption == caption)
            return int(row);
    }
    return -1;
}

struct Measure
{
    double cpuUsPerPacket = 0;
    std::uint64_t packets = 0;
    std::uint64_t replies = 0;
    double totalMs = 0;
    double floorMs = 0;
};

// One command on a fresh program with a chip in the socket.
Measure runCommand(
    const char *chipName, ControlId command, BenchHost::Clock clock, std::uint64_t latencyUs)
{
    WindowModel ui;
    AppState st;
    BenchHost host(clock);
    sim::ProgrammerOptions options;
    options.latencyUs = latencyUs;
    sim::SimProgrammer programmer(host, options);
    host.programmer = &programmer;
    std::unique_ptr<sim::SimChip> chip = sim::makeChip(chipName);
    programmer.setSocket(chip.get());
    std::uint64_t replies = 0;
    programmer.setTraceSink([&](std::string_view line) {
        if (line.starts_with("RX"))
            ++replies;
    });
    MainForm form(ui, st, host, programmer);
    form.FormCreate();
    form.FormActivate();
    st.device.selectedRow = rowOf(chipName);
    SelectDevice(form.core());
    // Something worth programming: every word different from the blank one.
    for (unsigned a = 0; a <= st.device.LastProgramAddress; ++a)
        st.buffer.DeviceBuffer[a] = std::uint16_t((a * 0x0105 + 0x0301) & st.device.WordMask);

    // A verify of a chip that holds the buffer: the usual case, every word read.
    if (command == ControlId::Verify_Eprom) {
        for (unsigned a = 0; a <= st.device.LastProgramAddress; ++a)
            chip->setWord(std::uint16_t(a), st.buffer.DeviceBuffer[a]);
        for (int i = 0; i < 4; ++i)
            st.buffer.DeviceBuffer[0x2100 + unsigned(i)] = chip->id(i);
        st.device.ConfigWord = chip->config();
        if (st.device.FamilyCode == Family::F30)
            st.buffer.DeviceBuffer[st.device.LastProgramAddress]
                = chip->word(st.device.LastProgramAddress);
    }

    const std::uint64_t packetsBefore = programmer.packetsWritten();
    const std::uint64_t repliesBefore = replies;
    const std::uint64_t sleptBefore = host.sleptUs;
    const std::uint64_t start = host.nowUs();
    const double cpuStart = cpuSeconds();
    form.click(command);
    const double cpu = cpuSeconds() - cpuStart;

    Measure m;
    m.packets = programmer.packetsWritten() - packetsBefore;
    m.replies = replies - repliesBefore;
    m.cpuUsPerPacket = cpu * 1e6 / double(m.packets ? m.packets : 1);
    m.totalMs = double(host.nowUs() - start) / 1000.0;
    m.floorMs = double(host.sleptUs - sleptBefore + m.replies * latencyUs) / 1000.0;
    return m;
}

} // namespace

int main()
{
    struct Command
    {
        const char *name;
        ControlId id;
    };
    const Command commands[] = {{"read", ControlId::Move_Eprom},
        {"blank check", ControlId::Blank_Chk}, {"verify", ControlId::Verify_Eprom},
        {"program", ControlId::Program_Eprom}, {"erase", ControlId::Erase_But}};
    std::printf("| device | command | packets | host CPU per packet | 1 ms latency: total / floor "
                "| 16 ms latency: total / floor | 16 ms, polled every 1 ms |\n"
                "|---|---|---|---|---|---|---|\n");
    for (const char *chip : {"16F84/A", "16F877A", "12C508/A", "16C54"}) {
        for (const Command &command : commands) {
            if (command.id == ControlId::Erase_But
                && (std::string(chip) == "12C508/A" || std::string(chip) == "16C54"))
                continue; // one-time parts have no erase
            const Measure cpu = runCommand(chip, command.id, BenchHost::Clock::VirtualNoSleeps, 0);
            const Measure fast = runCommand(chip, command.id, BenchHost::Clock::Virtual, 1000);
            const Measure slow = runCommand(chip, command.id, BenchHost::Clock::Virtual, 16000);
            const Measure grid = runCommand(chip, command.id, BenchHost::Clock::PollGrid, 16000);
            std::printf("| %s | %s | %llu | %.2f us | %.0f / %.0f ms (+%.1f%%) | %.0f / %.0f ms "
                        "(+%.1f%%) | +%.1f%% |\n",
                chip, command.name, static_cast<unsigned long long>(cpu.packets),
                cpu.cpuUsPerPacket, fast.totalMs, fast.floorMs,
                100.0 * (fast.totalMs - fast.floorMs) / fast.floorMs, slow.totalMs, slow.floorMs,
                100.0 * (slow.totalMs - slow.floorMs) / slow.floorMs,
                100.0 * (grid.totalMs - grid.floorMs) / grid.floorMs);
        }
    }
    return 0;
}
