#pragma once

#include "link/Transport.h"

#include <cstdint>
#include <optional>

namespace ravelin::sim {

// Faults a link can show, placed by the number of the packet they hit (the
// first packet written is number 1).
struct LinkFaults
{
    // That packet is written short: only shortWriteBytes of it go out.
    std::optional<std::uint64_t> shortWritePacket;
    std::uint32_t shortWriteBytes = 3;
    // The reply to that packet comes short: only shortReplyBytes arrive; the
    // rest is lost on the wire.
    std::optional<std::uint64_t> shortReplyPacket;
    std::uint32_t shortReplyBytes = 4;
    // The reply to that packet arrives with one byte flipped.
    std::optional<std::uint64_t> corruptReplyPacket;
    std::uint32_t corruptByte = 4;
    std::uint8_t corruptMask = 0x01;
    // From that packet on, every queue poll fails with an I/O error.
    std::optional<std::uint64_t> failQueuePollFromPacket;
    // From that packet on the programmer is silent: nothing more arrives.
    std::optional<std::uint64_t> silentFromPacket;
    // After that packet the programmer is unplugged: it leaves the bus, writes
    // and queue polls fail.
    std::optional<std::uint64_t> unplugAfterPacket;
};

// Wraps any transport and injects the faults: the program must never report
// success over such a link, nor commit what it read from it.
class FaultyTransport : public Transport
{
public:
    FaultyTransport(Transport &inner, LinkFaults faults)
        : m_inner(inner)
        , m_faults(faults)
    { }

    LinkFaults &faults() { return m_faults; }
    std::uint64_t packetsWritten() const { return m_packets; }

    FtStatus listDeviceCount(std::uint32_t &count) override
    {
        if (unplugged()) {
            count = 0;
            return ft::Ok;
        }
        return m_inner.listDeviceCount(count);
    }
    FtStatus listDeviceByIndex(std::uint32_t index, char *buffer, std::uint32_t flags) override
    {
        return m_inner.listDeviceByIndex(index, buffer, flags);
    }
    FtStatus openEx(const char *text, std::uint32_t flags, FtHandle &handle) override
    {
        return m_inner.openEx(text, flags, handle);
    }
    FtStatus resetDevice(FtHandle handle) override { return m_inner.resetDevice(handle); }
    FtStatus setTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs) override
    {
        return m_inner.setTimeouts(handle, readMs, writeMs);
    }
    FtStatus getQueueStatus(FtHandle handle, std::uint32_t &rxCount) override;
    FtStatus write(FtHandle handle, const std::uint8_t *data, std::uint32_t length,
        std::uint32_t &written) override;
    FtStatus read(
        FtHandle handle, std::uint8_t *data, std::uint32_t length, std::uint32_t &got) override;

private:
    bool unplugged() const
    {
        return m_faults.unplugAfterPacket && m_packets >= *m_faults.unplugAfterPacket;
    }
    bool silent() const
    {
        return m_faults.silentFromPacket && m_packets >= *m_faults.silentFromPacket;
    }

    Transport &m_inner;
    LinkFaults m_faults;
    std::uint64_t m_packets = 0;
};

} // namespace ravelin::sim
