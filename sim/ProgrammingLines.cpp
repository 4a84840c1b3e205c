#include "sim/ProgrammingLines.h"

#include <algorithm>

namespace ravelin::sim {
namespace {

struct Level
{
    std::uint8_t code;
    SupplyVoltage voltage;
};

constexpr std::array<Level, 3> SerialLevels {{
    {0x36, SupplyVoltage::Volts3},
    {0x32, SupplyVoltage::Volts5},
    {0xF2, SupplyVoltage::Volts6},
}};
constexpr std::array<Level, 3> ParallelLevels {{
    {0x7F, SupplyVoltage::Volts3},
    {0x7B, SupplyVoltage::Volts5},
    {0xFB, SupplyVoltage::Volts6},
}};

} // namespace

bool ProgrammingLines::recentAre(const std::array<Setting, 4> &pattern) const
{
    if (m_count < pattern.size())
        return false;
    return std::equal(
        pattern.begin(), pattern.end(), m_recent.begin(), [](const Setting &a, const Setting &b) {
            return a.group == b.group && a.value == b.value;
        });
}

void ProgrammingLines::reset()
{
    m_count = 0;
    m_control = 0;
}

LineEvent ProgrammingLines::set(std::uint8_t group, std::uint8_t value)
{
    std::rotate(m_recent.begin(), m_recent.begin() + 1, m_recent.end());
    m_recent.back() = {group, value};
    m_count = std::min<std::size_t>(m_count + 1, m_recent.size());

    if (group == Control) {
        const std::uint8_t previous = m_control;
        m_control = value;
        if (value == 0xF9 && previous == 0xFD)
            return LineEvent::ParallelIncrement;
        if (value == 0xF9 && previous == 0xF8)
            return LineEvent::ParallelPulse;
        return LineEvent::None;
    }
    if (group != Supplies)
        return LineEvent::None;

    for (const Level &level : SerialLevels) {
        const std::uint8_t off = level.code | 0x01;
        if (recentAre({{{Supplies, off}, {Control, 0xF1}, {Data, 0x00}, {Supplies, level.code}}})) {
            m_voltage = level.voltage;
            m_entrySupplies = level.code;
            return LineEvent::SerialEntry;
        }
    }
    for (const Level &level : ParallelLevels) {
        const auto on = static_cast<std::uint8_t>(level.code & 0xFE);
        if (recentAre(
                {{{Supplies, level.code}, {Control, 0xE1}, {Control, 0xE9}, {Supplies, on}}})) {
            m_voltage = level.voltage;
            m_entrySupplies = on;
            return LineEvent::ParallelEntry;
        }
    }
    return (value & 0x01) ? LineEvent::SuppliesOff : LineEvent::None;
}

} // namespace ravelin::sim
