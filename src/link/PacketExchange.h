#pragma once

#include "app/Core.h"

#include <cstdint>

namespace ravelin {

// The line groups of the line-setting command 0x94.
enum class LineGroup : std::uint8_t { Data = 0x4F, Supplies = 0x5F, Control = 0x3F };

// Bytes 0..6 of the packet are the caller's; the checksum in byte 7 is added
// here. Codes below 0x80 wait for their reply.
void SendPacket(Core &core);
void AwaitReply(Core &core);
void SetLines(Core &core, LineGroup group);
void ResetProgrammer(Core &core);

// The packet checksum: the sum of bytes 0..6, modulo 256.
std::uint8_t packetChecksum(const std::uint8_t *packet);

inline std::uint8_t *commandPacket(Core &core)
{
    return core.st.link.transmit.data();
}
inline const std::uint8_t *replyBuffer(const Core &core)
{
    return core.st.link.receive.data();
}

} // namespace ravelin
