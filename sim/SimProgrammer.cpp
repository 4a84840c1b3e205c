#include "sim/SimProgrammer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ravelin::sim {
namespace {

constexpr std::size_t PacketSize = 8;
constexpr std::size_t RecordSize = 74;

std::uint8_t sum7(const std::uint8_t *bytes)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < 7; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>(sum);
}

void copyText(char *buffer, const std::string &text)
{
    const std::size_t length = std::min(text.size(), ft::TextBufferSize - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

} // namespace

std::string traceLine(std::string_view direction, const std::uint8_t *bytes, std::size_t length)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string line(direction);
    line.reserve(direction.size() + 3 * length);
    for (std::size_t i = 0; i < length; ++i) {
        line += ' ';
        line += Digits[bytes[i] >> 4];
        line += Digits[bytes[i] & 0xF];
    }
    return line;
}

SimProgrammer::SimProgrammer(Clock &clock, ProgrammerOptions options, TargetSocket *socket)
    : m_clock(clock)
    , m_options(std::move(options))
    , m_socket(socket ? socket : &m_emptySocket)
{ }

void SimProgrammer::setSocket(TargetSocket *socket)
{
    m_socket = socket ? socket : &m_emptySocket;
}

std::optional<std::uint64_t> SimProgrammer::nextArrivalUs() const
{
    for (const QueuedByte &byte : m_queue) {
        if (byte.readyUs > m_clock.nowUs())
            return byte.readyUs;
    }
    return std::nullopt;
}

FtStatus SimProgrammer::checkHandle(FtHandle handle) const
{
    if (handle == 0 || handle != m_openHandle)
        return ft::InvalidHandle;
    if (m_unplugged)
        return ft::IoError;
    return ft::Ok;
}

FtStatus SimProgrammer::listDeviceCount(std::uint32_t &count)
{
    count = m_unplugged ? 0 : static_cast<std::uint32_t>(m_options.devices.size());
    return ft::Ok;
}

FtStatus SimProgrammer::listDeviceByIndex(std::uint32_t index, char *buffer, std::uint32_t flags)
{
    if (m_unplugged || index >= m_options.devices.size())
        return ft::DeviceNotFound;
    if ((flags & ft::ListByIndex) == 0)
        return ft::InvalidParameter;
    const SimDevice &device = m_options.devices[index];
    if (flags & ft::OpenBySerialNumber)
        copyText(buffer, device.serial);
    else if (flags & ft::OpenByDescription)
        copyText(buffer, device.description);
    else
        return ft::InvalidParameter;
    return ft::Ok;
}

FtStatus SimProgrammer::openEx(const char *text, std::uint32_t flags, FtHandle &handle)
{
    if (m_unplugged || flags != ft::OpenBySerialNumber)
        return ft::DeviceNotFound;
    const std::string_view serial(text);
    for (std::size_t i = 0; i < m_options.devices.size(); ++i) {
        if (!serial.empty() && m_options.devices[i].serial == serial) {
            m_openHandle = static_cast<FtHandle>(i + 1);
            handle = m_openHandle;
            m_queue.clear();
            return ft::Ok;
        }
    }
    return ft::DeviceNotFound;
}

FtStatus SimProgrammer::resetDevice(FtHandle handle)
{
    if (const FtStatus status = checkHandle(handle); status != ft::Ok)
        return status;
    m_queue.clear();
    return ft::Ok;
}

FtStatus SimProgrammer::setTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t)
{
    if (const FtStatus status = checkHandle(handle); status != ft::Ok)
        return status;
    m_readTimeoutMs = readMs;
    return ft::Ok;
}

std::size_t SimProgrammer::readyCount() const
{
    const std::uint64_t now = m_clock.nowUs();
    std::size_t count = 0;
    for (const QueuedByte &byte : m_queue) {
        if (byte.readyUs > now)
            break;
        ++count;
    }
    return count;
}

FtStatus SimProgrammer::getQueueStatus(FtHandle handle, std::uint32_t &rxCount)
{
    if (const FtStatus status = checkHandle(handle); status != ft::Ok)
        return status;
    rxCount = static_cast<std::uint32_t>(readyCount());
    return ft::Ok;
}

FtStatus SimProgrammer::write(
    FtHandle handle, const std::uint8_t *data, std::uint32_t length, std::uint32_t &written)
{
    written = 0;
    if (const FtStatus status = checkHandle(handle); status != ft::Ok)
        return status;
    written = length;
    const std::size_t opened = m_openHandle - 1;
    if (opened < m_options.devices.size() && !m_options.devices[opened].programmer) {
        trace("TX", data, length);
        if (m_trace)
            m_trace("# ignored: not a programmer");
    } else if (length == PacketSize) {
        trace("TX", data, length);
        handlePacket(data);
    } else if (length == RecordSize) {
        trace("TX", data, length);
        handleRecord(data);
    } else {
        // The firmware frames by size: anything else is lost on the wire.
        trace("TX", data, length);
        if (m_trace)
            m_trace("# ignored: not a packet or a firmware record");
    }
    ++m_packets;
    if (m_options.unplugAfterPackets && m_packets >= *m_options.unplugAfterPackets)
        m_unplugged = true;
    return ft::Ok;
}

FtStatus SimProgrammer::getDeviceId(FtHandle handle, std::uint32_t &id)
{
    if (const FtStatus status = checkHandle(handle); status != ft::Ok)
        return status;
    // Every simulated device is an FT232R with the vendor's own ids.
    id = 0x04036001;
    return ft::Ok;
}

FtStatus SimProgrammer::getLatencyTimer(FtHandle handle, std::uint8_t &ms)
{
    if (const FtStatus status = checkHandle(handle); status != ft::Ok)
        return status;
    ms = static_cast<std::uint8_t>(m_options.latencyUs / 1000);
    return ft::Ok;
}

FtStatus SimProgrammer::read(
    FtHandle handle, std::uint8_t *data, std::uint32_t length, std::uint32_t &got)
{
    got = 0;
    if (const FtStatus status = checkHandle(handle); status != ft::Ok)
        return status;
    // Like the vendor's read: wait until the bytes asked for have arrived or the
    // read time-out has passed, then hand over what is there.
    const std::uint64_t deadline = m_clock.nowUs() + std::uint64_t {m_readTimeoutMs} * 1000;
    if (m_queue.size() >= length && length > 0) {
        const std::uint64_t complete = m_queue[length - 1].readyUs;
        if (complete > m_clock.nowUs())
            m_clock.sleepUs(std::min(complete, deadline) - m_clock.nowUs());
    } else if (readyCount() < length && deadline > m_clock.nowUs()) {
        m_clock.sleepUs(deadline - m_clock.nowUs());
    }
    const std::size_t available = std::min<std::size_t>(readyCount(), length);
    for (std::size_t i = 0; i < available; ++i) {
        data[i] = m_queue.front().value;
        m_queue.pop_front();
    }
    got = static_cast<std::uint32_t>(available);
    return ft::Ok;
}

void SimProgrammer::trace(std::string_view direction, const std::uint8_t *bytes, std::size_t length)
{
    if (m_trace)
        m_trace(traceLine(direction, bytes, length));
}

void SimProgrammer::reply(const std::uint8_t *bytes, std::size_t length)
{
    if (m_options.silent)
        return;
    trace("RX", bytes, length);
    const std::uint64_t ready = m_clock.nowUs() + m_options.latencyUs;
    for (std::size_t i = 0; i < length; ++i)
        m_queue.push_back({bytes[i], ready});
}

void SimProgrammer::handlePacket(const std::uint8_t *packet)
{
    if (packet[7] != sum7(packet)) {
        if (m_trace)
            m_trace("# ignored: bad checksum");
        return;
    }
    const std::uint8_t code = packet[0];
    std::array<std::uint8_t, PacketSize> answer {};
    answer[0] = code;
    switch (code) {
    case 0x24:
        m_socket->reset();
        break;
    case 0x56:
        answer[1] = m_options.firmwareMajor;
        answer[2] = m_options.firmwareMinor;
        answer[6] = m_options.versionByte6;
        break;
    case 0x90: // accepted; its meaning inside the firmware is not known
    case 0x52: // end of an update: the firmware restarts
        return;
    case 0x94:
        m_socket->setLines(packet[1], packet[2]);
        return;
    case 0xD1:
        m_socket->serialSupplies(packet[3]);
        m_socket->serialCommand(packet[1] & 0x3F);
        return;
    case 0xD2:
        m_socket->serialSupplies(packet[3]);
        m_socket->serialData(static_cast<std::uint16_t>((packet[1] << 8 | packet[2]) & 0x3FFF));
        return;
    case 0x92: {
        // The word reaches the data lines only with the set-up bytes 62 F9 32
        // 30; 62 E8 7A 30 releases them, and any other set-up leaves no valid
        // word there either.
        const bool present
            = packet[3] == 0x62 && packet[4] == 0xF9 && packet[5] == 0x32 && packet[6] == 0x30;
        m_socket->parallelPresent(
            static_cast<std::uint16_t>((packet[2] << 4) | (packet[1] & 0x0F)), !present);
        return;
    }
    case 0x53: {
        m_socket->serialSupplies(packet[3]);
        const std::uint16_t word = m_socket->serialRead(packet[1] & 0x3F);
        answer[4] = static_cast<std::uint8_t>(word >> 8);
        answer[5] = static_cast<std::uint8_t>(word);
        break;
    }
    case 0x50: {
        const bool advance = packet[4] == 0xED && packet[5] == 0xE9;
        const std::uint16_t word = m_socket->parallelRead(packet[3], advance);
        answer[1] = static_cast<std::uint8_t>(word >> 8);
        answer[2] = static_cast<std::uint8_t>(word);
        break;
    }
    case 0x54: {
        std::array<std::uint16_t, 128> words {};
        m_socket->serialSupplies(packet[3]);
        m_socket->blockRead(packet[1] & 0x3F, words);
        std::array<std::uint8_t, 256> block {};
        for (std::size_t k = 0; k < words.size(); ++k) {
            block[2 * k] = static_cast<std::uint8_t>(words[k] >> 8);
            block[2 * k + 1] = static_cast<std::uint8_t>(words[k]);
        }
        reply(block.data(), block.size());
        return;
    }
    case 0xAA:
        answer[2] = static_cast<std::uint8_t>(m_recordSum >> 8);
        answer[3] = static_cast<std::uint8_t>(m_recordSum);
        m_recordSum = 0;
        m_recordsReceived = 0;
        break;
    default:
        // Every other code below 0x80 is answered with a plain reply; codes
        // from 0x80 up are never answered.
        if (code >= 0x80)
            return;
        break;
    }
    reply(answer.data(), answer.size());
}

void SimProgrammer::handleRecord(const std::uint8_t *record)
{
    // The checksum the firmware reports at the end of the records is its
    // own choice: the 16-bit sum of every record byte it received.
    for (std::size_t i = 0; i < RecordSize; ++i)
        m_recordSum = static_cast<std::uint16_t>(m_recordSum + record[i]);
    ++m_recordsReceived;
    std::array<std::uint8_t, PacketSize> answer {};
    answer[7] = record[7] == sum7(record) ? 0x00 : 0x7F;
    reply(answer.data(), answer.size());
}

} // namespace ravelin::sim
