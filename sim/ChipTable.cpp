#include "sim/ChipTable.h"

#include "devices/DeviceNames.h"

#include <algorithm>
#include <array>

namespace ravelin::sim {
namespace {

// Parts that answer to a chip of the table but have no device ID of their own.
constexpr std::array<std::string_view, 1> NamesWithoutDeviceId {"16F84"};

} // namespace

const ChipInfo *findChip(std::string_view name)
{
    const auto *found = std::find_if(ChipTable.begin(), ChipTable.end(),
        [name](const ChipInfo &chip) { return chip.name == name; });
    return found == ChipTable.end() ? nullptr : found;
}

ChipChoice chipForDeviceName(std::string_view name)
{
    const DeviceMatch match = matchDevice(name);
    if (match.row < 0)
        return {};
    ChipChoice choice {findChip(captionOfRow(static_cast<std::size_t>(match.row)))};
    const std::string written = normalisedDeviceName(name);
    choice.withoutDeviceId
        = std::find(NamesWithoutDeviceId.begin(), NamesWithoutDeviceId.end(), written)
        != NamesWithoutDeviceId.end();
    return choice;
}

} // namespace ravelin::sim
