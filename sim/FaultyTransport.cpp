#include "sim/FaultyTransport.h"

#include <algorithm>
#include <vector>

namespace ravelin::sim {

FtStatus FaultyTransport::getQueueStatus(FtHandle handle, std::uint32_t &rxCount)
{
    if (unplugged()
        || (m_faults.failQueuePollFromPacket && m_packets >= *m_faults.failQueuePollFromPacket))
        return ft::IoError;
    const FtStatus status = m_inner.getQueueStatus(handle, rxCount);
    if (status == ft::Ok && silent())
        rxCount = 0;
    return status;
}

FtStatus FaultyTransport::write(
    FtHandle handle, const std::uint8_t *data, std::uint32_t length, std::uint32_t &written)
{
    if (unplugged()) {
        written = 0;
        return ft::IoError;
    }
    ++m_packets;
    if (m_faults.shortWritePacket == m_packets) {
        // The bytes that did go out do not make a packet the firmware accepts.
        const std::uint32_t part = std::min(length, m_faults.shortWriteBytes);
        const FtStatus status = m_inner.write(handle, data, part, written);
        return status;
    }
    return m_inner.write(handle, data, length, written);
}

FtStatus FaultyTransport::read(
    FtHandle handle, std::uint8_t *data, std::uint32_t length, std::uint32_t &got)
{
    if (unplugged())
        return ft::IoError;
    if (silent()) {
        got = 0;
        return ft::Ok;
    }
    const bool shortReply = m_faults.shortReplyPacket == m_packets;
    // What a short reply does not deliver keeps the buffer's old contents.
    std::vector<std::uint8_t> before(data, data + length);
    const FtStatus status = m_inner.read(handle, data, length, got);
    if (status != ft::Ok)
        return status;
    if (shortReply && got > m_faults.shortReplyBytes) {
        std::copy(before.begin() + m_faults.shortReplyBytes, before.begin() + got,
            data + m_faults.shortReplyBytes);
        got = m_faults.shortReplyBytes;
    }
    if (m_faults.corruptReplyPacket == m_packets && m_faults.corruptByte < got)
        data[m_faults.corruptByte] ^= m_faults.corruptMask;
    return status;
}

} // namespace ravelin::sim
