#pragma once

#include "link/Clock.h"
#include "link/Transport.h"
#include "sim/TargetSocket.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ravelin::sim {

struct SimDevice
{
    std::string serial;
    std::string description;
    bool programmer = true; // else some other FTDI gadget, which never answers a packet
};

struct ProgrammerOptions
{
    std::uint8_t firmwareMajor = 1;
    std::uint8_t firmwareMinor = 20;
    std::uint8_t versionByte6 = 0; // what the version reply carries in byte 6
    std::vector<SimDevice> devices {{"QP000001", "Quillon USB Programmer"}};
    // The time from a packet written to its reply standing in the receive queue:
    // the chip's latency timer, which holds back every short reply.
    std::uint64_t latencyUs = 1000;
    bool silent = false; // accepts every packet, answers none
    // After this many packets the programmer is unplugged: it leaves the bus,
    // writes fail and the queue poll reports an I/O error.
    std::optional<std::uint64_t> unplugAfterPackets;
};

// The programmer's firmware at link level: it decodes exactly the bytes the
// program writes, answers after the modelled latency on the shared clock, and
// relays the programming commands to the chip in its socket.
class SimProgrammer : public Transport
{
public:
    SimProgrammer(Clock &clock, ProgrammerOptions options, TargetSocket *socket = nullptr);

    void setSocket(TargetSocket *socket);
    // Every packet written and every reply, one a line: "TX" or "RX", then the
    // bytes as upper-case hex pairs.
    void setTraceSink(std::function<void(std::string_view)> sink) { m_trace = std::move(sink); }

    const ProgrammerOptions &options() const { return m_options; }
    std::uint64_t packetsWritten() const { return m_packets; }
    bool unplugged() const { return m_unplugged; }
    void unplug() { m_unplugged = true; }
    // Devices plugged into the bus (again): the programmer answers once more.
    void plugIn(std::vector<SimDevice> devices)
    {
        m_options.devices = std::move(devices);
        m_unplugged = false;
    }
    // The firmware records received since the last end-of-records packet.
    std::uint64_t recordsReceived() const { return m_recordsReceived; }
    // When the next queued reply byte becomes visible, if any is in flight.
    std::optional<std::uint64_t> nextArrivalUs() const;

    FtStatus listDeviceCount(std::uint32_t &count) override;
    FtStatus listDeviceByIndex(std::uint32_t index, char *buffer, std::uint32_t flags) override;
    FtStatus openEx(const char *text, std::uint32_t flags, FtHandle &handle) override;
    FtStatus resetDevice(FtHandle handle) override;
    FtStatus setTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs) override;
    FtStatus getQueueStatus(FtHandle handle, std::uint32_t &rxCount) override;
    FtStatus write(FtHandle handle, const std::uint8_t *data, std::uint32_t length,
        std::uint32_t &written) override;
    FtStatus read(
        FtHandle handle, std::uint8_t *data, std::uint32_t length, std::uint32_t &got) override;
    FtStatus getDeviceId(FtHandle handle, std::uint32_t &id) override;
    FtStatus getLatencyTimer(FtHandle handle, std::uint8_t &ms) override;

private:
    struct QueuedByte
    {
        std::uint8_t value;
        std::uint64_t readyUs;
    };

    FtStatus checkHandle(FtHandle handle) const;
    void handlePacket(const std::uint8_t *packet);
    void handleRecord(const std::uint8_t *record);
    void reply(const std::uint8_t *bytes, std::size_t length);
    void trace(std::string_view direction, const std::uint8_t *bytes, std::size_t length);
    std::size_t readyCount() const;

    Clock &m_clock;
    ProgrammerOptions m_options;
    EmptySocket m_emptySocket;
    TargetSocket *m_socket;
    std::function<void(std::string_view)> m_trace;
    std::deque<QueuedByte> m_queue;
    FtHandle m_openHandle = 0;
    std::uint32_t m_readTimeoutMs = 5000;
    std::uint64_t m_packets = 0;
    bool m_unplugged = false;
    std::uint16_t m_recordSum = 0;
    std::uint64_t m_recordsReceived = 0;
};

// The trace line of one packet or reply.
std::string traceLine(std::string_view direction, const std::uint8_t *bytes, std::size_t length);

} // namespace ravelin::sim
