#pragma once

#include <cstdint>

namespace ravelin {

// The device families of the catalogue: each selects a programming routine and
// a configuration word layout. The value is the family's number; 0 is no device.
enum class Family : std::uint8_t {
    None = 0,
    F1 = 1, // 16C52
    F2 = 2, // 16C54, 16C55, 16C56, 16C57, 16C58A
    F3 = 3, // 16C54B/C, 16C55A, 16C56A, 16C57C, 16C58B
    F5 = 5, // 16F83, 16F84/A
    F6 = 6, // 16C61, 16C71
    F7 = 7, // 16C62, 16C64, 16C65, 16C73, 16C74
    F8 = 8, // the later 16C6x/7x, 16C62x, 16CE62x, 16C432, 16C712, 16C716
    F9 = 9, // 16F7x
    F11 = 11, // 16C745, 16C765
    F12 = 12, // 16F627A, 16F628A, 16F648A and their LF parts
    F13 = 13, // 16C55x, 16C923, 16C924
    F14 = 14, // 16F627, 16F628 and their LF parts
    F15 = 15, // 16C642, 16C662
    F16 = 16, // 16C710, 16C711
    F17 = 17, // 16C715
    F18 = 18, // 16F716
    F19 = 19, // 16C717
    F20 = 20, // 16C773, 16C774
    F21 = 21, // 16F818, 16F819
    F22 = 22, // 16F87x
    F23 = 23, // 16F87xA
    F24 = 24, // 16C925, 16C926
    F26 = 26, // 12C67x, 12CE67x
    F27 = 27, // 12F629, 12F675
    F30 = 30, // 12C50x, 12CE51x
};

// The values the device selection sets.
struct DeviceState
{
    Family FamilyCode = Family::None;
    int selectedRow = 0; // the device list's selected row, settings line 2
    std::uint16_t LastProgramAddress = 0;
    std::uint16_t StartAddress = 0;
    std::uint16_t LastEEAddress = 0;
    std::uint16_t WordMask = 0x3FFF; // blank value and input mask of a program word
    int eraseFlag = 0; // Erase_But's tag
    int eeSizeCode = 0; // Prg_EE's tag: 0 none, 1 64 bytes, 2 128, 3 256
    std::uint16_t ConfigWord = 0;
    int refreshGuard = 0; // Osc_Settings' tag
};

} // namespace ravelin
