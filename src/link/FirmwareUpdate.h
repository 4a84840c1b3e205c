#pragma once

#include "app/Core.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ravelin {

// An update file: a 16-byte header (signature at 2..13, expected checksum at
// 14..15), then 74-byte records. At most this much of it is read.
inline constexpr std::size_t FirmwareFileLimit = 9215;
inline constexpr std::size_t FirmwareHeaderSize = 16;
inline constexpr std::size_t FirmwareRecordSize = 74;
inline constexpr std::array<std::uint8_t, 14> FirmwareSignature {
    0xAA, 0x55, 0x55, 0x70, 0x64, 0x61, 0x74, 0x65, 0x20, 0x46, 0x69, 0x6C, 0x65, 0x06};

// How many records of a file of this size go to the programmer: n - 1 of the
// n = (size - 16) / 73 the count rule takes in.
std::size_t firmwareRecordsSent(std::size_t bytesRead);

void UpdateFirmware(Core &core);

} // namespace ravelin
