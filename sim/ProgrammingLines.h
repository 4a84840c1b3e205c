#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace ravelin::sim {

enum class SupplyVoltage { Volts3, Volts5, Volts6 };

// What a change of the programmer's line groups means to the chip in the socket.
enum class LineEvent {
    None,
    SerialEntry, // the serial programming-mode entry has just completed
    ParallelEntry, // the 16C5x parallel entry has just completed
    SuppliesOff, // the programming voltage has been taken away
    ParallelIncrement, // control lines 0xFD then 0xF9
    ParallelPulse, // control lines 0xF8 then 0xF9
};

// Watches the line groups the programmer drives (0x5F supplies, 0x3F control,
// 0x4F data) and recognises the patterns a chip reacts to:
//   serial entry:   0x5F <- Vc|1, 0x3F <- 0xF1, 0x4F <- 0x00, 0x5F <- Vc
//                   with Vc 0x36 / 0x32 / 0xF2 for 3 / 5 / 6 Volts;
//   parallel entry: 0x5F <- Vp, 0x3F <- 0xE1, 0x3F <- 0xE9, 0x5F <- Vp & 0xFE
//                   with Vp 0x7F / 0x7B / 0xFB.
// Bit 0 of the supplies is the programming voltage switch: set, the voltage is
// off.
class ProgrammingLines
{
public:
    static constexpr std::uint8_t Supplies = 0x5F;
    static constexpr std::uint8_t Control = 0x3F;
    static constexpr std::uint8_t Data = 0x4F;

    LineEvent set(std::uint8_t group, std::uint8_t value);
    // 0x24: every line back to rest; no pattern is under way.
    void reset();
    // The supply level of the last completed entry, and the supplies' pattern
    // it ended with.
    std::optional<SupplyVoltage> entryVoltage() const { return m_voltage; }
    std::optional<std::uint8_t> entrySupplies() const { return m_entrySupplies; }

private:
    struct Setting
    {
        std::uint8_t group = 0;
        std::uint8_t value = 0;
    };
    bool recentAre(const std::array<Setting, 4> &pattern) const;

    std::array<Setting, 4> m_recent {}; // the last four settings, oldest first
    std::size_t m_count = 0;
    std::uint8_t m_control = 0;
    std::optional<SupplyVoltage> m_voltage;
    std::optional<std::uint8_t> m_entrySupplies;
};

} // namespace ravelin::sim
