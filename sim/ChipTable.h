#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace ravelin::sim {

// The chips the simulated socket can hold, grouped by how they are programmed.
// This table is the simulator's own truth about the chips, independent of the
// application's device list: a wrong chip in the socket must behave like one.
enum class ChipGroup {
    Flash16F8x, // 16F83, 16F84/A
    Flash16F62x, // 16F627/628 and LF
    Flash16F62xA, // 16F627A/628A/648A and LF
    Flash16F87x, // 16F870 .. 16F877
    Flash16F87xA, // 16F873A .. 16F877A, 8-word row latches
    Flash16F7x, // 16F72 .. 16F77
    Flash16F716,
    Flash16F81x, // 16F818/819
    Flash12F6xx, // 12F629/675, calibration word and band-gap bits
    Eprom14, // 14-bit EPROM parts: 16C6x/7x/62x/55x/64x/66x/71x/745/765/77x/92x, 12C67x
    Eprom12Serial, // 12C508/509, 12CE518/519
    Parallel16C5x, // 16C52 .. 16C58B, programmed through the parallel lines
};

struct ChipInfo
{
    std::string_view name; // as the device button shows it
    ChipGroup group;
    std::uint16_t programWords;
    std::uint16_t eepromBytes; // 0: no data EEPROM reachable
    bool lowVoltage; // the LF parts, which program at 3 Volts
    // Code protection: the chip's program memory is protected while any of
    // these configuration bits reads 0.
    std::uint16_t protectMask;
    // Data EEPROM protection, the same way; 0 when the chip has none.
    std::uint16_t dataProtectMask;
    // The factory calibration word's address, 0 when the chip has none.
    std::uint16_t calibrationAddress;
    // The device ID at 0x2006 at silicon revision 0, 0 when the chip has none.
    std::uint16_t deviceId;
};

// How a chip takes a word when it is programmed.
enum class CellWrite {
    EraseWrite, // Begin (8) erases the word and writes it: cell = data
    ProgramOnly, // Begin (8) writes without erasing: cell &= data
    RowLatches, // 8-word row latches, Begin Programming Only (0x18)
    PulseOnBegin, // EPROM: Begin (8) is one whole pulse, cell &= data
    PulseBeginToEnd, // EPROM: a pulse runs from Begin (8) to End (0x0E)
    PulseByLines, // EPROM pulses through the parallel lines
};

// The erase the chip answers to, exactly as the application sends it.
enum class EraseKind {
    SetupCommands, // at 0x2007: 1, 7, 8, 1, 7 clears everything
    BulkCommands, // at 0x2007: 9 clears program, IDs, configuration; 0x0B the data EEPROM
    ChipErase, // command 0x3F clears everything
    None, // UV erase only
};

enum class ProgrammingMethod { Serial, Parallel };

constexpr bool isTwelveBit(ChipGroup group)
{
    switch (group) {
    case ChipGroup::Eprom12Serial:
    case ChipGroup::Parallel16C5x:
        return true;
    case ChipGroup::Flash16F8x:
    case ChipGroup::Flash16F62x:
    case ChipGroup::Flash16F62xA:
    case ChipGroup::Flash16F87x:
    case ChipGroup::Flash16F87xA:
    case ChipGroup::Flash16F7x:
    case ChipGroup::Flash16F716:
    case ChipGroup::Flash16F81x:
    case ChipGroup::Flash12F6xx:
    case ChipGroup::Eprom14:
        return false;
    }
    return false;
}

constexpr std::uint16_t wordMask(ChipGroup group)
{
    return isTwelveBit(group) ? 0x0FFF : 0x3FFF;
}

constexpr ProgrammingMethod programmingMethod(ChipGroup group)
{
    return group == ChipGroup::Parallel16C5x ? ProgrammingMethod::Parallel
                                             : ProgrammingMethod::Serial;
}

constexpr CellWrite cellWrite(ChipGroup group)
{
    switch (group) {
    case ChipGroup::Flash16F8x:
    case ChipGroup::Flash16F62x:
    case ChipGroup::Flash16F87x:
        return CellWrite::EraseWrite;
    // Choice: the 16F818/819 take a single word with erase and write (their
    // programming document uses row writes that the application does not send).
    case ChipGroup::Flash16F81x:
        return CellWrite::EraseWrite;
    case ChipGroup::Flash16F62xA:
    case ChipGroup::Flash16F7x:
        return CellWrite::ProgramOnly;
    // Choice: the 16F716 and the 12F629/675 program words without erasing
    // them; only their bulk erase clears a word.
    case ChipGroup::Flash16F716:
    case ChipGroup::Flash12F6xx:
        return CellWrite::ProgramOnly;
    case ChipGroup::Flash16F87xA:
        return CellWrite::RowLatches;
    case ChipGroup::Eprom14:
        return CellWrite::PulseOnBegin;
    case ChipGroup::Eprom12Serial:
        return CellWrite::PulseBeginToEnd;
    case ChipGroup::Parallel16C5x:
        return CellWrite::PulseByLines;
    }
    return CellWrite::EraseWrite;
}

constexpr EraseKind eraseKind(ChipGroup group)
{
    switch (group) {
    case ChipGroup::Flash16F8x:
    case ChipGroup::Flash16F62x:
    case ChipGroup::Flash16F87x:
    case ChipGroup::Flash16F7x:
    case ChipGroup::Flash16F716:
    case ChipGroup::Flash16F81x:
    case ChipGroup::Flash12F6xx:
        return EraseKind::SetupCommands;
    case ChipGroup::Flash16F62xA:
        return EraseKind::BulkCommands;
    case ChipGroup::Flash16F87xA:
        return EraseKind::ChipErase;
    case ChipGroup::Eprom14:
    case ChipGroup::Eprom12Serial:
    case ChipGroup::Parallel16C5x:
        return EraseKind::None;
    }
    return EraseKind::None;
}

constexpr bool isEprom(ChipGroup group)
{
    return eraseKind(group) == EraseKind::None;
}

// The calibration word as the factory leaves it: RETLW k on the 14-bit
// parts, MOVLW k on the 12-bit ones.
constexpr std::uint16_t calibrationWord(ChipGroup group, std::uint8_t value)
{
    return static_cast<std::uint16_t>((isTwelveBit(group) ? 0x0C00 : 0x3400) | value);
}

namespace chips {
using enum ChipGroup;
constexpr std::uint16_t K = 1024;
} // namespace chips

// Sizes from the chips' list texts; the 16F648A/16LF648A hold 4K words and
// 256 EEPROM bytes. Device IDs carry revision 0; of the 14-bit EPROM parts only
// the 16C717 has one. The 16F84/A chip is a 16F84A.
inline constexpr auto ChipTable = [] {
    using namespace chips;
    return std::array<ChipInfo, 97> {{
        // 12-bit serial EPROM: calibration MOVLW at the last address.
        {"12C508/A", Eprom12Serial, 512, 0, false, 0x0008, 0, 0x01FF, 0},
        {"12C509/A", Eprom12Serial, 1 * K, 0, false, 0x0008, 0, 0x03FF, 0},
        {"12C518", Eprom12Serial, 512, 0, false, 0x0008, 0, 0x01FF, 0},
        {"12C519", Eprom12Serial, 1 * K, 0, false, 0x0008, 0, 0x03FF, 0},
        // 14-bit EPROM with a calibration RETLW; the 2K parts' at 0x7FF is inferred.
        {"12C671", Eprom14, 1 * K, 0, false, 0x0020, 0, 0x03FF, 0},
        {"12C672", Eprom14, 2 * K, 0, false, 0x0020, 0, 0x07FF, 0},
        {"12CE673", Eprom14, 1 * K, 0, false, 0x0020, 0, 0x03FF, 0},
        {"12CE674", Eprom14, 2 * K, 0, false, 0x0020, 0, 0x07FF, 0},
        {"12F629", Flash12F6xx, 1 * K, 128, false, 0x0080, 0x0100, 0x03FF, 0x0F80},
        {"12F675", Flash12F6xx, 1 * K, 128, false, 0x0080, 0x0100, 0x03FF, 0x0FC0},
        // 16C5x, parallel mode
        {"16C52", Parallel16C5x, 384, 0, false, 0x0008, 0, 0, 0},
        {"16C54", Parallel16C5x, 512, 0, false, 0x0008, 0, 0, 0},
        {"16C54A", Parallel16C5x, 512, 0, false, 0x0008, 0, 0, 0},
        {"16C54B/C", Parallel16C5x, 512, 0, false, 0x0008, 0, 0, 0},
        {"16C55", Parallel16C5x, 512, 0, false, 0x0008, 0, 0, 0},
        {"16C55A", Parallel16C5x, 512, 0, false, 0x0008, 0, 0, 0},
        {"16C56", Parallel16C5x, 1 * K, 0, false, 0x0008, 0, 0, 0},
        {"16C56A", Parallel16C5x, 1 * K, 0, false, 0x0008, 0, 0, 0},
        {"16C57", Parallel16C5x, 2 * K, 0, false, 0x0008, 0, 0, 0},
        {"16C57C", Parallel16C5x, 2 * K, 0, false, 0x0008, 0, 0, 0},
        {"16C58A", Parallel16C5x, 2 * K, 0, false, 0x0008, 0, 0, 0},
        {"16C58B", Parallel16C5x, 2 * K, 0, false, 0x0008, 0, 0, 0},
        // 14-bit EPROM
        {"16C61", Eprom14, 1 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C62", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C62A/B/C", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C63/A", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C64", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C64A", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C65", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C65A/B", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C66", Eprom14, 8 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C67", Eprom14, 8 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C71", Eprom14, 1 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C72/A", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C73", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C73A/B", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C74", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C74A/B", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C76", Eprom14, 8 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C77", Eprom14, 8 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C432", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C554", Eprom14, 512, 0, false, 0x0010, 0, 0, 0},
        {"16C557", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C558", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C620/A", Eprom14, 512, 0, false, 0x0010, 0, 0, 0},
        {"16C621/A", Eprom14, 1 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C622/A", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16CE623", Eprom14, 512, 0, false, 0x0010, 0, 0, 0},
        {"16CE624", Eprom14, 1 * K, 0, false, 0x0010, 0, 0, 0},
        {"16CE625", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C642", Eprom14, 4 * K, 0, false, 0x0040, 0, 0, 0},
        {"16C662", Eprom14, 4 * K, 0, false, 0x0040, 0, 0, 0},
        {"16C710", Eprom14, 512, 0, false, 0x0010, 0, 0, 0},
        {"16C711", Eprom14, 1 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C712", Eprom14, 1 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C715", Eprom14, 2 * K, 0, false, 0x0040, 0, 0, 0},
        {"16C716", Eprom14, 2 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C717", Eprom14, 2 * K, 0, false, 0x0100, 0, 0, 0x0AC0},
        {"16C745", Eprom14, 8 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C765", Eprom14, 8 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C773", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C774", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C923", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C924", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C925", Eprom14, 4 * K, 0, false, 0x0010, 0, 0, 0},
        {"16C926", Eprom14, 8 * K, 0, false, 0x0010, 0, 0, 0},
        // 14-bit flash
        {"16F72", Flash16F7x, 2 * K, 0, false, 0x0010, 0, 0, 0x00A0},
        {"16F73", Flash16F7x, 4 * K, 0, false, 0x0010, 0, 0, 0x0600},
        {"16F74", Flash16F7x, 4 * K, 0, false, 0x0010, 0, 0, 0x0620},
        {"16F76", Flash16F7x, 8 * K, 0, false, 0x0010, 0, 0, 0x0640},
        {"16F77", Flash16F7x, 8 * K, 0, false, 0x0010, 0, 0, 0x0660},
        {"16F83", Flash16F8x, 512, 64, false, 0x0010, 0, 0, 0},
        {"16F84/A", Flash16F8x, 1 * K, 64, false, 0x0010, 0, 0, 0x0560},
        {"16F627", Flash16F62x, 1 * K, 128, false, 0x3C00, 0x0100, 0, 0x07A0},
        {"16F627A", Flash16F62xA, 1 * K, 128, false, 0x2000, 0x0100, 0, 0x1040},
        {"16LF627", Flash16F62x, 1 * K, 128, true, 0x3C00, 0x0100, 0, 0x07A0},
        {"16LF627A", Flash16F62xA, 1 * K, 128, true, 0x2000, 0x0100, 0, 0x1040},
        {"16F628", Flash16F62x, 2 * K, 128, false, 0x3C00, 0x0100, 0, 0x07C0},
        {"16F628A", Flash16F62xA, 2 * K, 128, false, 0x2000, 0x0100, 0, 0x1060},
        {"16LF628", Flash16F62x, 2 * K, 128, true, 0x3C00, 0x0100, 0, 0x07C0},
        {"16LF628A", Flash16F62xA, 2 * K, 128, true, 0x2000, 0x0100, 0, 0x1060},
        {"16F648A", Flash16F62xA, 4 * K, 256, false, 0x2000, 0x0100, 0, 0x1100},
        {"16LF648A", Flash16F62xA, 4 * K, 256, true, 0x2000, 0x0100, 0, 0x1100},
        {"16F716", Flash16F716, 2 * K, 0, false, 0x2000, 0, 0, 0x1140},
        {"16F818", Flash16F81x, 1 * K, 128, false, 0x2000, 0x0100, 0, 0x04C0},
        {"16F819", Flash16F81x, 2 * K, 256, false, 0x2000, 0x0100, 0, 0x04E0},
        {"16F870", Flash16F87x, 2 * K, 64, false, 0x3030, 0x0100, 0, 0x0D00},
        {"16F871", Flash16F87x, 2 * K, 64, false, 0x3030, 0x0100, 0, 0x0D20},
        {"16F872", Flash16F87x, 2 * K, 64, false, 0x3030, 0x0100, 0, 0x08E0},
        {"16F873", Flash16F87x, 4 * K, 128, false, 0x3030, 0x0100, 0, 0x0960},
        {"16F873A", Flash16F87xA, 4 * K, 128, false, 0x2000, 0x0100, 0, 0x0E40},
        {"16F874", Flash16F87x, 4 * K, 128, false, 0x3030, 0x0100, 0, 0x0920},
        {"16F874A", Flash16F87xA, 4 * K, 128, false, 0x2000, 0x0100, 0, 0x0E60},
        {"16F876", Flash16F87x, 8 * K, 256, false, 0x3030, 0x0100, 0, 0x09E0},
        {"16F876A", Flash16F87xA, 8 * K, 256, false, 0x2000, 0x0100, 0, 0x0E00},
        {"16F877", Flash16F87x, 8 * K, 256, false, 0x3030, 0x0100, 0, 0x09A0},
        {"16F877A", Flash16F87xA, 8 * K, 256, false, 0x2000, 0x0100, 0, 0x0E20},
    }};
}();

// The row of a chip by its name, or nullptr.
const ChipInfo *findChip(std::string_view name);

// The chip a device name chooses: any name the console's -d takes ("16F84A",
// "pic12c508a", the caption "16F84/A").
struct ChipChoice
{
    const ChipInfo *chip = nullptr; // nullptr: the name chooses no chip
    // The name is that of a part without a device ID that shares its chip
    // with one that has it: a 16F84 in the 16F84/A's place.
    bool withoutDeviceId = false;
};
ChipChoice chipForDeviceName(std::string_view name);

} // namespace ravelin::sim
