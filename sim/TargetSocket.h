#pragma once

#include <array>
#include <cstdint>

namespace ravelin::sim {

// What the chip in the socket sees of the programmer: the line groups it drives
// and the serial and parallel programming commands it relays. The simulated
// chips implement it.
class TargetSocket
{
public:
    virtual ~TargetSocket() = default;

    // 0x24: the target leaves programming mode, its supplies go off.
    virtual void reset() = 0;
    // 0x94: line group 0x5F (supplies), 0x3F (control) or 0x4F (data) takes a value.
    virtual void setLines(std::uint8_t group, std::uint8_t value) = 0;
    // Byte 3 of a serial packet (0xD1, 0xD2, 0x53, 0x54): the supply pattern the
    // programmer drives while it clocks the packet, before relaying it.
    virtual void serialSupplies(std::uint8_t /*pattern*/) { }
    // 0xD1: one 6-bit serial command.
    virtual void serialCommand(std::uint8_t command) = 0;
    // 0xD2: the 14-bit data word that follows a load command.
    virtual void serialData(std::uint16_t word) = 0;
    // 0x53: a read command with its data phase; the counter does not move.
    virtual std::uint16_t serialRead(std::uint8_t command) = 0;
    // 0x54: 128 times (read command, data, Increment).
    virtual void blockRead(std::uint8_t command, std::array<std::uint16_t, 128> &words) = 0;
    // 0x50: a parallel read, advancing the counter afterwards or not.
    virtual std::uint16_t parallelRead(std::uint8_t control, bool advance) = 0;
    // 0x92: a word presented on the parallel data lines, or the lines released.
    virtual void parallelPresent(std::uint16_t word, bool release) = 0;
};

// An empty socket: nothing answers, every read returns the same level.
class EmptySocket : public TargetSocket
{
public:
    explicit EmptySocket(std::uint16_t level = 0x0000)
        : m_level(level)
    { }
    void reset() override { }
    void setLines(std::uint8_t, std::uint8_t) override { }
    void serialCommand(std::uint8_t) override { }
    void serialData(std::uint16_t) override { }
    std::uint16_t serialRead(std::uint8_t) override { return m_level; }
    void blockRead(std::uint8_t, std::array<std::uint16_t, 128> &words) override
    {
        words.fill(m_level);
    }
    std::uint16_t parallelRead(std::uint8_t, bool) override { return m_level; }
    void parallelPresent(std::uint16_t, bool) override { }

private:
    std::uint16_t m_level;
};

} // namespace ravelin::sim
