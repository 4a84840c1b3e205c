#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ravelin {

// Every name a device list row answers to, in upper case without "PIC": its
// caption and the device name its list text begins with, each with its variants
// spelled out ("16F84/A" gives 16F84 and 16F84A, "16C62A/B/C" gives 16C62A,
// 16C62B and 16C62C).
std::vector<std::string> namesOfRow(std::size_t row);

struct DeviceMatch
{
    int row = -1; // the device list row, -1 when the name chose none
    // When none: the rows the name might have meant, closest first.
    std::vector<std::size_t> candidates;
};

// A device as people write it: any case, with or without "PIC", by any of
// its names. Only a whole name chooses a row.
DeviceMatch matchDevice(std::string_view name);

// A name as the rows' names are written: upper case, without spaces or "PIC".
std::string normalisedDeviceName(std::string_view name);

// The name a row is shown by (the Device button's caption).
std::string_view captionOfRow(std::size_t row);

} // namespace ravelin
