#pragma once

#include "link/Transport.h"

#include <array>
#include <cstdint>
#include <string>

namespace ravelin {

// The one USB device handle and its buffers.
struct ProgrammerLink
{
    static constexpr std::size_t BufferSize = 32768;

    FtHandle handle = 0; // 0 until an open succeeds; never closed
    std::array<std::uint8_t, BufferSize> transmit {}; // the CommandPacket is its start
    std::array<std::uint8_t, BufferSize> receive {}; // the ReplyBuffer; never cleared
    std::uint32_t RxQueueCount = 0;
    std::uint32_t DeviceCount = 0;
    std::array<char, ft::TextBufferSize> text {}; // serial numbers and descriptions
    std::string LastListText;
    // The programmer asked for by its serial number when several are attached;
    // empty: the one device on the bus, as the search always took it.
    std::string wantedSerial;
    // The serial number of the device the last search opened.
    std::string openSerial;
    FtStatus lastIoStatus = ft::Ok;
    bool ShowLinkErrors = true;
};

// Settings of the packet exchange.
struct ExchangeState
{
    std::uint32_t PacketLength = 8; // 74 only while firmware records are sent
    std::uint32_t ReplyLength = 8; // 256 only around the block read
    std::uint8_t ReplyTimedOut = 0;
    std::int32_t StopRequest = 0; // above 0: stop
    // The user (the stop button, closing the window) or a reply time-out asked
    // for a stop since the command began. Unlike StopRequest it survives the
    // programmer resets between a command's passes.
    bool stopRequested = false;
    // A reply wait that must have its reply even after a stop (the restore of
    // a chip's factory values): the stop is kept for the end of the command.
    bool holdStops = false;
    std::uint16_t LineValue = 0; // low byte: byte 2 of a line-setting packet
    // Set when a reply wait failed or a write came up short since the last
    // command began; a command that sees it never reports success.
    bool linkFailed = false;
    // The last reply wait read a whole reply, not a stale buffer.
    bool replyComplete = false;
};

} // namespace ravelin
