#pragma once

#include "app/Core.h"

#include <string>
#include <vector>

namespace ravelin {

// The oldest firmware this program works with: version 1.20.
inline constexpr std::int32_t RequiredFirmwareVersion = 1 * 256 + 20;

// Both boxes of the search stand here on the screen.
inline constexpr ScreenPoint DiscoveryBoxPosition {375, 325};

// The search: the one FTDI device on the bus, or the one whose serial number
// the link's wantedSerial names when several are attached.
void FindProgrammer(Core &core);

// A firmware version as the search shows it: "1.20".
std::string firmwareVersionText(std::int32_t version);

// One FTDI device as the bus lists it.
struct BusDevice
{
    std::uint32_t index = 0;
    std::string serial;
    std::string description;
};
// Every FTDI device attached, in the bus's order; empty when the list fails.
std::vector<BusDevice> ListBusDevices(Core &core);

// The round trip of count version requests to the open programmer, in
// microseconds each; a request that had no reply ends the list early.
std::vector<std::uint64_t> VersionRoundTrips(Core &core, int count);

} // namespace ravelin
