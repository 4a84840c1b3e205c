#pragma once

#include <cstdint>

namespace ravelin {

// The values the device selection sets.
struct DeviceState
{
    int FamilyCode = 0; // 0: no device
    int selectedRow = 0; // the device list's selected row, settings line 2
    std::uint16_t LastProgramAddress = 0;
    std::uint16_t StartAddress = 0;
    std::uint16_t LastEEAddress = 0;
    std::uint16_t WordMask = 0x3FFF; // blank value and input mask of a program word
    int eraseFlag = 0; // Erase_But's tag
    int eeSizeCode = 0; // Prg_EE's tag
    std::uint16_t ConfigWord = 0;
    int refreshGuard = 0; // Osc_Settings' tag
};

} // namespace ravelin
