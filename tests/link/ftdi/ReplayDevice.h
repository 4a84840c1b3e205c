#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The programmer that the replayed USB dialogues stand for: one FT232R on
// bus 1 as device 2. Shared by the dialogue generator and the test so the
// two cannot drift apart.
namespace ravelin::replaydevice {

inline constexpr std::uint8_t BusNumber = 1;
inline constexpr std::uint8_t DeviceNumber = 2;

inline constexpr std::uint8_t ManufacturerIndex = 1;
inline constexpr std::uint8_t DescriptionIndex = 2;
inline constexpr std::uint8_t SerialIndex = 3;

inline constexpr std::string_view Manufacturer = "FTDI";
inline constexpr std::string_view Serial = "RV4711AB";
// Longer than the 49 characters a D2XX text buffer holds.
inline constexpr std::string_view Description
    = "USB Programmer for PIC12 and PIC16 parts, board revision C";
inline constexpr std::string_view UnknownSerial = "XX000000";

using Packet = std::array<std::uint8_t, 8>;
// The firmware version request and its answer.
inline constexpr Packet VersionRequest = {0x56, 0, 0, 0, 0, 0, 0, 0x56};
inline constexpr Packet VersionReply = {0x56, 0x03, 0x02, 0, 0, 0, 0, 0x5B};
// A second exchange, whose reply comes in two USB packets.
inline constexpr Packet SecondRequest = {0x41, 0x10, 0, 0, 0, 0, 0, 0x51};
inline constexpr Packet SecondReply = {0x41, 0x10, 0x3F, 0xFF, 0, 0, 0, 0x8F};
inline constexpr std::size_t SecondReplySplit = 5;
// A third exchange, whose reply is only half read before a reset.
inline constexpr Packet ThirdRequest = {0x42, 0, 0, 0, 0, 0, 0, 0x42};
inline constexpr Packet ThirdReply = {0x42, 1, 2, 3, 4, 5, 6, 0x57};

} // namespace ravelin::replaydevice
