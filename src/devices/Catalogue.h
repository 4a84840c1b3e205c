#pragma once

#include "app/Controls.h"
#include "devices/DeviceState.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace ravelin {

enum class Erase : std::uint8_t { Fixed, Erasable };

// One row of the device list.
struct CatalogueRow
{
    std::string_view listText; // 37 characters, empty for a separator
    std::string_view caption; // what the Device button reads
    ControlId diagram; // the jumper diagram, ControlId::None for a separator
    Family family;
    std::uint16_t LastProgramAddress;
    Erase erase;
    int eeSizeCode; // 0 none, 1 64 bytes, 2 128, 3 256

    constexpr bool isSeparator() const { return family == Family::None; }
};

namespace catalogue_rows {

using I = ControlId;
constexpr Erase Fixed = Erase::Fixed;
constexpr Erase Erasable = Erase::Erasable;

constexpr CatalogueRow device(std::string_view text, std::string_view caption, ControlId diagram,
    Family family, std::uint16_t last, Erase erase, int eeSizeCode)
{
    return {text, caption, diagram, family, last, erase, eeSizeCode};
}

// A blank row between groups of the list: picking it selects no device.
constexpr CatalogueRow separator()
{
    return {{}, "No Device", I::None, Family::None, 0, Fixed, 0};
}

} // namespace catalogue_rows

inline constexpr std::size_t CatalogueRows = 112;

// The device list, in the order it shows. A part's diagram is the one for the
// package its list text names: the user sets the board from that drawing.
inline constexpr std::array<CatalogueRow, CatalogueRows> DeviceCatalogue = [] {
    using namespace catalogue_rows;
    return std::array<CatalogueRow, CatalogueRows> {{
        device("12C508/A (8 Pin)             512 X 12", "12C508/A", I::Jmp_8, Family::F30, 0x01FF,
            Fixed, 0), // 0
        device("12C509/A (8 Pin)              1K X 12", "12C509/A", I::Jmp_8, Family::F30, 0x03FF,
            Fixed, 0), // 1
        device("12CE518  (8 Pin)             512 X 12", "12C518", I::Jmp_8, Family::F30, 0x01FF,
            Fixed, 0), // 2
        device("12CE519  (8 Pin)              1K X 12", "12C519", I::Jmp_8, Family::F30, 0x03FF,
            Fixed, 0), // 3
        separator(),
        device("12C671   (8 Pin)              1K X 14", "12C671", I::Jmp_8, Family::F26, 0x03FF,
            Fixed, 0), // 5
        device("12C672   (8 Pin)              2K X 14", "12C672", I::Jmp_8, Family::F26, 0x07FF,
            Fixed, 0), // 6
        device("12CE673  (8 Pin)              1K X 14", "12CE673", I::Jmp_8, Family::F26, 0x03FF,
            Fixed, 0), // 7
        device("12CE674  (8 Pin)              2K X 14", "12CE674", I::Jmp_8, Family::F26, 0x07FF,
            Fixed, 0), // 8
        separator(),
        device("12F629   (8 Pin)              1K X 14", "12F629", I::Jmp_8, Family::F27, 0x03FF,
            Erasable, 2), // 10
        device("12F675   (8 Pin)              1K X 14", "12F675", I::Jmp_8, Family::F27, 0x03FF,
            Erasable, 2), // 11
        separator(),
        device("16C52    (18 Pin)            384 X 12", "16C52", I::Jmp_18P, Family::F1, 0x017F,
            Fixed, 0), // 13
        device("16C54    (18 Pin)            512 X 12", "16C54", I::Jmp_18P, Family::F2, 0x01FF,
            Fixed, 0), // 14
        device("16C54A   (18 Pin)            512 X 12", "16C54A", I::Jmp_18P, Family::F2, 0x01FF,
            Fixed, 0), // 15
        device("16C54B/C (18 Pin)            512 X 12", "16C54B/C", I::Jmp_18P, Family::F3, 0x01FF,
            Fixed, 0), // 16
        device("16C55    (Use 28 Pin Socket) 512 X 12", "16C55", I::Jmp_28P, Family::F2, 0x01FF,
            Fixed, 0), // 17
        device("16C55A   (Use 28 Pin Socket) 512 X 12", "16C55A", I::Jmp_28P, Family::F3, 0x01FF,
            Fixed, 0), // 18
        device("16C56    (18 Pin)             1K X 12", "16C56", I::Jmp_18P, Family::F2, 0x03FF,
            Fixed, 0), // 19
        device("16C56A   (18 Pin)             1K X 12", "16C56A", I::Jmp_18P, Family::F3, 0x03FF,
            Fixed, 0), // 20
        device("16C57    (Use 28 Pin Socket)  2K X 12", "16C57", I::Jmp_28P, Family::F2, 0x07FF,
            Fixed, 0), // 21
        device("16C57C   (Use 28 Pin Socket)  2K X 12", "16C57C", I::Jmp_28P, Family::F3, 0x07FF,
            Fixed, 0), // 22
        device("16C58A   (18 Pin)             2K X 12", "16C58A", I::Jmp_18P, Family::F2, 0x07FF,
            Fixed, 0), // 23
        device("16C58B   (18 Pin)             2K X 12", "16C58B", I::Jmp_18P, Family::F3, 0x07FF,
            Fixed, 0), // 24
        separator(),
        device("16C61    (18 Pin)             1K X 14", "16C61", I::Jmp_18S, Family::F6, 0x03FF,
            Fixed, 0), // 26
        device("16C62    (28 Pin)             2K X 14", "16C62", I::Jmp_28S, Family::F7, 0x07FF,
            Fixed, 0), // 27
        device("16C62A   (28 Pin)             2K X 14", "16C62A/B/C", I::Jmp_28S, Family::F8,
            0x07FF, Fixed, 0), // 28
        device("16C63    (28 Pin)             4K X 14", "16C63/A", I::Jmp_28S, Family::F8, 0x0FFF,
            Fixed, 0), // 29
        device("16C64    (40 Pin)             2K X 14", "16C64", I::Jmp_40, Family::F7, 0x07FF,
            Fixed, 0), // 30
        device("16C64A   (40 Pin)             2K X 14", "16C64A", I::Jmp_40, Family::F8, 0x07FF,
            Fixed, 0), // 31
        device("16C65    (40 Pin)             4K X 14", "16C65", I::Jmp_40, Family::F7, 0x0FFF,
            Fixed, 0), // 32
        device("16C65A   (40 Pin)             4K X 14", "16C65A/B", I::Jmp_40, Family::F8, 0x0FFF,
            Fixed, 0), // 33
        device("16C66    (28 Pin)             8K X 14", "16C66", I::Jmp_28S, Family::F8, 0x1FFF,
            Fixed, 0), // 34
        device("16C67    (40 Pin)             8K X 14", "16C67", I::Jmp_40, Family::F8, 0x1FFF,
            Fixed, 0), // 35
        separator(),
        device("16C71    (18 Pin)             1K X 14", "16C71", I::Jmp_18S, Family::F6, 0x03FF,
            Fixed, 0), // 37
        device("16C72/A  (28 Pin)             2K X 14", "16C72/A", I::Jmp_28S, Family::F8, 0x07FF,
            Fixed, 0), // 38
        device("16C73    (28 Pin)             4K X 14", "16C73", I::Jmp_28S, Family::F7, 0x0FFF,
            Fixed, 0), // 39
        device("16C73A   (28 Pin)             4K X 14", "16C73A/B", I::Jmp_28S, Family::F8, 0x0FFF,
            Fixed, 0), // 40
        device("16C74    (40 Pin)             4K X 14", "16C74", I::Jmp_40, Family::F7, 0x0FFF,
            Fixed, 0), // 41
        device("16C74A/B (40 Pin)             4K X 14", "16C74A/B", I::Jmp_40, Family::F8, 0x0FFF,
            Fixed, 0), // 42
        device("16C76    (28 Pin)             8K X 14", "16C76", I::Jmp_28S, Family::F8, 0x1FFF,
            Fixed, 0), // 43
        device("16C77    (40 Pin)             8K X 14", "16C77", I::Jmp_40, Family::F8, 0x1FFF,
            Fixed, 0), // 44
        separator(),
        device("16C432   (20 Pin)             2K X 14", "16C432", I::Jmp_18S, Family::F8, 0x07FF,
            Fixed, 0), // 46
        separator(),
        device("16C554   (18 Pin)            512 X 14", "16C554", I::Jmp_18S, Family::F13, 0x01FF,
            Fixed, 0), // 48
        device("16C557   (28 Pin)             2K X 14", "16C557", I::Jmp_28S, Family::F13, 0x07FF,
            Fixed, 0), // 49
        device("16C558   (18 Pin)             2K X 14", "16C558", I::Jmp_18S, Family::F13, 0x07FF,
            Fixed, 0), // 50
        separator(),
        device("16C620/A (18 Pin)            512 X 14", "16C620/A", I::Jmp_18S, Family::F8, 0x01FF,
            Fixed, 0), // 52
        device("16C621/A (18 Pin)             1K X 14", "16C621/A", I::Jmp_18S, Family::F8, 0x03FF,
            Fixed, 0), // 53
        device("16C622/A (18 Pin)             2K X 14", "16C622/A", I::Jmp_18S, Family::F8, 0x07FF,
            Fixed, 0), // 54
        device("16CE623  (18 Pin)            512 X 14", "16CE623", I::Jmp_18S, Family::F8, 0x01FF,
            Fixed, 0), // 55
        device("16CE624  (18 Pin)             1K X 14", "16CE624", I::Jmp_18S, Family::F8, 0x03FF,
            Fixed, 0), // 56
        device("16CE625  (18 Pin)             2K X 14", "16CE625", I::Jmp_18S, Family::F8, 0x07FF,
            Fixed, 0), // 57
        device("16C642   (28 Pin)             4K X 14", "16C642", I::Jmp_28S, Family::F15, 0x0FFF,
            Fixed, 0), // 58
        device("16C662   (40 Pin)             4K X 14", "16C662", I::Jmp_40, Family::F15, 0x0FFF,
            Fixed, 0), // 59
        separator(),
        device("16C710   (18 Pin)            512 X 14", "16C710", I::Jmp_18S, Family::F16, 0x01FF,
            Fixed, 0), // 61
        device("16C711   (18 Pin)             1K X 14", "16C711", I::Jmp_18S, Family::F16, 0x03FF,
            Fixed, 0), // 62
        device("16C712   (18 Pin)             1K X 14", "16C712", I::Jmp_18S, Family::F8, 0x03FF,
            Fixed, 0), // 63
        device("16C715   (18 Pin)             2K X 14", "16C715", I::Jmp_18S, Family::F17, 0x07FF,
            Fixed, 0), // 64
        device("16C716   (18 Pin)             2K X 14", "16C716", I::Jmp_18S, Family::F8, 0x07FF,
            Fixed, 0), // 65
        device("16C717   (18 Pin)             2K X 14", "16C717", I::Jmp_18S, Family::F19, 0x07FF,
            Fixed, 0), // 66
        device("16C745   (28 Pin)             8K X 14", "16C745", I::Jmp_28S, Family::F11, 0x1FFF,
            Fixed, 0), // 67
        device("16C765   (40 Pin)             8K X 14", "16C765", I::Jmp_40, Family::F11, 0x1FFF,
            Fixed, 0), // 68
        device("16C773   (28 Pin)             4K X 14", "16C773", I::Jmp_28S, Family::F20, 0x0FFF,
            Fixed, 0), // 69
        device("16C774   (40 Pin)             4K X 14", "16C774", I::Jmp_40, Family::F20, 0x0FFF,
            Fixed, 0), // 70
        separator(),
        device("16C923   (64/68 Pin)          4K X 14", "16C923", I::Jmp_64, Family::F13, 0x0FFF,
            Fixed, 0), // 72
        device("16C924   (64/68 Pin)          4K X 14", "16C924", I::Jmp_64, Family::F13, 0x0FFF,
            Fixed, 0), // 73
        device("16C925   (64/68 Pin)          4K X 14", "16C925", I::Jmp_64, Family::F24, 0x0FFF,
            Fixed, 0), // 74
        device("16C926   (64/68 Pin)          8K X 14", "16C926", I::Jmp_64, Family::F24, 0x1FFF,
            Fixed, 0), // 75
        separator(),
        device("16F72    (28 Pin)             2K X 14", "16F72", I::Jmp_28S, Family::F9, 0x07FF,
            Erasable, 0), // 77
        device("16F73    (28 Pin)             4K X 14", "16F73", I::Jmp_28S, Family::F9, 0x0FFF,
            Erasable, 0), // 78
        device("16F74    (40 Pin)             4K X 14", "16F74", I::Jmp_40, Family::F9, 0x0FFF,
            Erasable, 0), // 79
        device("16F76    (28 Pin)             8K X 14", "16F76", I::Jmp_28S, Family::F9, 0x1FFF,
            Erasable, 0), // 80
        device("16F77    (40 Pin)             8K X 14", "16F77", I::Jmp_40, Family::F9, 0x1FFF,
            Erasable, 0), // 81
        separator(),
        device("16F83    (18 Pin)            512 X 14", "16F83", I::Jmp_18S, Family::F5, 0x01FF,
            Erasable, 0), // 83
        device("16F84/A  (18 Pin)             1K X 14", "16F84/A", I::Jmp_18S, Family::F5, 0x03FF,
            Erasable, 0), // 84
        separator(),
        device("16F627   (18 Pin)             1K X 14", "16F627", I::Jmp_18S, Family::F14, 0x03FF,
            Erasable, 2), // 86
        device("16F627A  (18 Pin)             1K X 14", "16F627A", I::Jmp_18S, Family::F12, 0x03FF,
            Erasable, 2), // 87
        device("16LF627  (18 Pin)             1K X 14", "16LF627", I::Jmp_18S, Family::F14, 0x03FF,
            Erasable, 2), // 88
        device("16LF627A (18 Pin)             1K X 14", "16LF627A", I::Jmp_18S, Family::F12, 0x03FF,
            Erasable, 2), // 89
        device("16F628   (18 Pin)             2K X 14", "16F628", I::Jmp_18S, Family::F14, 0x07FF,
            Erasable, 2), // 90
        device("16F628A  (18 Pin)             2K X 14", "16F628A", I::Jmp_18S, Family::F12, 0x07FF,
            Erasable, 2), // 91
        device("16LF628  (18 Pin)             2K X 14", "16LF628", I::Jmp_18S, Family::F14, 0x07FF,
            Erasable, 2), // 92
        device("16LF628A (18 Pin)             2K X 14", "16LF628A", I::Jmp_18S, Family::F12, 0x07FF,
            Erasable, 2), // 93
        device("16F648A  (18 Pin)             4K X 14", "16F648A", I::Jmp_18S, Family::F12, 0x0FFF,
            Erasable, 3), // 94
        device("16LF648A (18 Pin)             4K X 14", "16LF648A", I::Jmp_18S, Family::F12, 0x0FFF,
            Erasable, 3), // 95
        separator(),
        device("16F716   (18 Pin)             2K X 14", "16F716", I::Jmp_18S, Family::F18, 0x07FF,
            Erasable, 0), // 97
        separator(),
        device("16F818   (18 Pin)             1K X 14", "16F818", I::Jmp_18S, Family::F21, 0x03FF,
            Erasable, 0), // 99
        device("16F819   (18 Pin)             2K X 14", "16F819", I::Jmp_18S, Family::F21, 0x07FF,
            Erasable, 0), // 100
        device("16F870   (28 Pin)             2K X 14", "16F870", I::Jmp_28S, Family::F22, 0x07FF,
            Erasable, 1), // 101
        device("16F871   (40 Pin)             2K X 14", "16F871", I::Jmp_40, Family::F22, 0x07FF,
            Erasable, 1), // 102
        device("16F872   (28 Pin)             2K X 14", "16F872", I::Jmp_28S, Family::F22, 0x07FF,
            Erasable, 1), // 103
        device("16F873   (28 Pin)             4K X 14", "16F873", I::Jmp_28S, Family::F22, 0x0FFF,
            Erasable, 2), // 104
        device("16F873A  (28 Pin)             4K X 14", "16F873A", I::Jmp_28S, Family::F23, 0x0FFF,
            Erasable, 2), // 105
        device("16F874   (40 Pin)             4K X 14", "16F874", I::Jmp_40, Family::F22, 0x0FFF,
            Erasable, 2), // 106
        device("16F874A  (40 Pin)             4K X 14", "16F874A", I::Jmp_40, Family::F23, 0x0FFF,
            Erasable, 2), // 107
        device("16F876   (28 Pin)             8K X 14", "16F876", I::Jmp_28S, Family::F22, 0x1FFF,
            Erasable, 3), // 108
        device("16F876A  (28 Pin)             8K X 14", "16F876A", I::Jmp_28S, Family::F23, 0x1FFF,
            Erasable, 3), // 109
        device("16F877   (40 Pin)             8K X 14", "16F877", I::Jmp_40, Family::F22, 0x1FFF,
            Erasable, 3), // 110
        device("16F877A  (40 Pin)             8K X 14", "16F877A", I::Jmp_40, Family::F23, 0x1FFF,
            Erasable, 3), // 111
    }};
}();

// How a family's parts are reached: over the parallel lines (the 16C5x), or
// serially as 14-bit or 12-bit parts.
enum class Method : std::uint8_t { None, Parallel, Serial14, Serial12 };

constexpr Method methodOf(Family family)
{
    switch (family) {
    case Family::None:
        return Method::None;
    case Family::F1:
    case Family::F2:
    case Family::F3:
        return Method::Parallel;
    case Family::F5:
    case Family::F6:
    case Family::F7:
    case Family::F8:
    case Family::F9:
    case Family::F11:
    case Family::F12:
    case Family::F13:
    case Family::F14:
    case Family::F15:
    case Family::F16:
    case Family::F17:
    case Family::F18:
    case Family::F19:
    case Family::F20:
    case Family::F21:
    case Family::F22:
    case Family::F23:
    case Family::F24:
    case Family::F26:
    case Family::F27:
        return Method::Serial14;
    case Family::F30:
        return Method::Serial12;
    }
    return Method::None;
}

// What the factory measured for one chip and left in it: a calibration word at
// the last program address (12C5xx, 12C67x, 12F629/675) and, on the 12F629/675,
// the band-gap bits 13:12 of the configuration word.
struct FactoryCalibration
{
    Family family;
    bool lastWord;
    std::uint16_t configBits;
};

inline constexpr std::array<FactoryCalibration, 3> FactoryCalibrations {{
    {Family::F26, true, 0},
    {Family::F27, true, 0x3000},
    {Family::F30, true, 0},
}};

constexpr FactoryCalibration factoryCalibrationOf(Family family)
{
    for (const FactoryCalibration &row : FactoryCalibrations) {
        if (row.family == family)
            return row;
    }
    return {family, false, 0};
}

// The program word of the 12-bit parts is 12 bits wide; every other part's 14.
constexpr std::uint16_t wordMaskOf(Family family)
{
    switch (methodOf(family)) {
    case Method::Parallel:
    case Method::Serial12:
        return 0x0FFF;
    case Method::None:
    case Method::Serial14:
        return 0x3FFF;
    }
    return 0x3FFF;
}

// What a family is follows from its rows: erasable when its parts are, with
// data EEPROM when any of its parts has some.
constexpr bool familyErasable(Family family)
{
    for (const CatalogueRow &row : DeviceCatalogue) {
        if (row.family == family && row.erase == Erase::Erasable)
            return true;
    }
    return false;
}

constexpr bool familyHasDataEeprom(Family family)
{
    for (const CatalogueRow &row : DeviceCatalogue) {
        if (row.family == family && row.eeSizeCode != 0)
            return true;
    }
    return false;
}

// The last data EEPROM word in the buffer for a size code; the region starts at 0x2000.
constexpr std::uint16_t lastEEAddressOf(int eeSizeCode, std::uint16_t unchanged)
{
    switch (eeSizeCode) {
    case 1:
        return 0x203F;
    case 2:
        return 0x207F;
    case 3:
        return 0x20FF;
    default:
        return unchanged;
    }
}

} // namespace ravelin
