#pragma once

#include "app/Controls.h"
#include "devices/DeviceState.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace ravelin {

// The ten fuse check boxes and the eight oscillator radio buttons, in the
// order they sit in their groups.
inline constexpr std::array<ControlId, 10> FuseBoxes {ControlId::Protec, ControlId::WDT,
    ControlId::PUT, ControlId::BOR, ControlId::Cal_Byte, ControlId::MCLR, ControlId::LVP,
    ControlId::MPEEN, ControlId::CPMX, ControlId::CPEE};
inline constexpr std::array<ControlId, 8> OscRadios {ControlId::LP_Osc, ControlId::Xtal,
    ControlId::Hi_Spd, ControlId::Ext_Clk, ControlId::Int_RC_IO, ControlId::Int_RC_Clk,
    ControlId::Ext_R_IO, ControlId::Ext_R_Clk};

// The captions of the first four radios when a family names them no other way.
inline constexpr std::array<std::string_view, 4> PlainOscCaptions {
    "Low Power", "Xtal", "Hi Speed", "External RC"};

enum class Sense : std::uint8_t {
    On, // checked when the bit is 1, and then contributes it
    Off, // checked when the bit is 0; contributes the bit when not checked
};

struct FuseBit
{
    ControlId box;
    std::uint8_t bit;
    Sense sense;
};

enum class BrownOutGroup : std::uint8_t {
    None,
    Borv1, // one bit at b7: 4.0 or 2.5 volts
    Borv2, // two bits at b11..b10: 4.5, 4.2, 2.7 or 2.5 volts
};

inline constexpr std::int16_t NoValue = -1;

// How one family's configuration word maps onto the editor's controls.
struct ConfigLayout
{
    // Oscillator: the bits of the field, and what each of the eight radios
    // stands for in the word (NoValue: nothing). A radio may stand for a value
    // and still be disabled; the word's value checks it all the same.
    std::uint16_t oscMask;
    std::array<std::int16_t, 8> oscValues;
    std::array<bool, 8> oscLive;
    // The RC extension: b4 set turns bits 1..0 into a choice among the four RC radios.
    bool rcExtension;
    std::array<std::string_view, 4> oscCaptions;
    std::array<FuseBit, 7> fuses;
    std::size_t fuseCount;
    std::uint8_t protectBit; // Protec is shown checked when this bit is 0
    std::uint16_t startValue;
    bool keepsCalibration; // the rebuild starts from the word's bits 13..12
    std::uint16_t protectOffMask; // what an unchecked Protec adds
    BrownOutGroup brownOut;

    constexpr std::span<const FuseBit> fuseBits() const { return {fuses.data(), fuseCount}; }
};

namespace config_layouts {

using I = ControlId;
constexpr Sense On = Sense::On;
constexpr Sense Off = Sense::Off;
constexpr std::int16_t N = NoValue;

constexpr std::array<std::int16_t, 8> Basic {0, 1, 2, 3, N, N, N, N};
constexpr std::array<std::int16_t, 8> BasicRc {0, 1, 2, 3, 0x10, 0x11, 0x12, 0x13};
constexpr std::array<std::int16_t, 8> HighPair {0x0, 0x4, 0x8, 0xC, N, N, N, N};
constexpr std::array<std::int16_t, 8> Wide {0, 1, 2, 3, 4, 5, 6, 7};
constexpr std::array<std::int16_t, 8> WideNoExt {0, 1, 2, N, 4, 5, 6, 7};

constexpr std::array<bool, 8> FourBasic {true, true, true, true, false, false, false, false};
constexpr std::array<bool, 8> AllEight {true, true, true, true, true, true, true, true};
constexpr std::array<bool, 8> XtalAndExt {false, true, false, true, false, false, false, false};
constexpr std::array<bool, 8> EightButExt {true, true, true, false, true, true, true, true};

struct Shape
{
    std::uint16_t oscMask = 0x0003;
    std::array<std::int16_t, 8> oscValues = Basic;
    std::array<bool, 8> oscLive = FourBasic;
    bool rcExtension = false;
    std::array<std::string_view, 4> oscCaptions = PlainOscCaptions;
    BrownOutGroup brownOut = BrownOutGroup::None;
};

template<std::size_t Count>
constexpr ConfigLayout layout(Shape shape, const FuseBit (&fuses)[Count], std::uint8_t protectBit,
    std::uint16_t startValue, std::uint16_t protectOffMask)
{
    static_assert(Count <= 7);
    ConfigLayout result {shape.oscMask, shape.oscValues, shape.oscLive, shape.rcExtension,
        shape.oscCaptions, {}, Count, protectBit, startValue, false, protectOffMask,
        shape.brownOut};
    for (std::size_t i = 0; i < Count; ++i)
        result.fuses[i] = fuses[i];
    return result;
}

constexpr Shape Plain {};
constexpr Shape RcExtended {0x0013, BasicRc, AllEight, true};
constexpr Shape HighBits {0x000C, HighPair};

constexpr ConfigLayout L1
    = layout({0x0003, Basic, XtalAndExt}, {{I::WDT, 2, On}}, 3, 0x3FF0, 0x0008);
constexpr ConfigLayout L2 = layout(Plain, {{I::WDT, 2, On}}, 3, 0x3FF0, 0x0008);
constexpr ConfigLayout L3 = layout(Plain, {{I::WDT, 2, On}}, 3, 0x0000, 0x0FF8);
constexpr ConfigLayout L5 = layout(Plain, {{I::WDT, 2, On}, {I::PUT, 3, Off}}, 4, 0x0000, 0x3FF0);
constexpr ConfigLayout L6 = layout(Plain, {{I::WDT, 2, On}, {I::PUT, 3, On}}, 4, 0x03E0, 0x0010);
constexpr ConfigLayout L7 = layout(Plain, {{I::WDT, 2, On}, {I::PUT, 3, On}}, 4, 0x03C0, 0x0030);
constexpr FuseBit WdtPutBor[] = {{I::WDT, 2, On}, {I::PUT, 3, Off}, {I::BOR, 6, On}};
constexpr ConfigLayout L8 = layout(Plain, WdtPutBor, 4, 0x0080, 0x3FB0);
constexpr ConfigLayout L9 = layout(Plain, WdtPutBor, 4, 0x3FA0, 0x0010);
constexpr ConfigLayout L11
    = layout({0x0003, Basic, FourBasic, false, {"Hi Speed", "Ext Clk", "HS PLL", "Ext Clk PLL"}},
        {{I::WDT, 2, On}, {I::PUT, 3, Off}}, 4, 0x00C0, 0x3FF0);
constexpr ConfigLayout L12 = layout(RcExtended,
    {{I::WDT, 2, On}, {I::PUT, 3, Off}, {I::MCLR, 5, Off}, {I::BOR, 6, On}, {I::LVP, 7, On},
        {I::CPEE, 8, Off}},
    10, 0x0200, 0x3C00);
constexpr ConfigLayout L13 = layout(Plain, {{I::WDT, 2, On}, {I::PUT, 3, Off}}, 4, 0x00C0, 0x3FF0);
constexpr FuseBit HighBitsFuses[]
    = {{I::WDT, 4, On}, {I::PUT, 5, Off}, {I::BOR, 8, On}, {I::MPEEN, 9, On}};
constexpr ConfigLayout L15 = layout(HighBits, HighBitsFuses, 6, 0x0000, 0xFCC3);
constexpr ConfigLayout L16 = layout(Plain, WdtPutBor, 4, 0x0000, 0x3FB0);
constexpr ConfigLayout L17 = layout(HighBits, HighBitsFuses, 6, 0x0003, 0xFCC0);
constexpr ConfigLayout L18
    = layout({0x0003, Basic, FourBasic, false, PlainOscCaptions, BrownOutGroup::Borv1}, WdtPutBor,
        13, 0x1F30, 0x2000);
constexpr ConfigLayout L19
    = layout({0x0007, Wide, AllEight, false, PlainOscCaptions, BrownOutGroup::Borv2},
        {{I::WDT, 3, On}, {I::PUT, 4, Off}, {I::MCLR, 5, Off}, {I::BOR, 6, On}}, 8, 0x0080, 0x3300);
// Both bits of each of the three code-protect pairs (13:12, 9:8, 5:4), and
// nothing outside the 14-bit word.
constexpr ConfigLayout L20
    = layout({0x0003, Basic, FourBasic, false, PlainOscCaptions, BrownOutGroup::Borv2}, WdtPutBor,
        4, 0x0080, 0x3330);
constexpr ConfigLayout L21 = layout(RcExtended,
    {{I::WDT, 2, On}, {I::PUT, 3, Off}, {I::MCLR, 5, Off}, {I::BOR, 6, On}, {I::LVP, 7, On},
        {I::CPEE, 8, Off}, {I::CPMX, 12, Off}},
    13, 0x0E00, 0x2000);
constexpr FuseBit WdtPutBorLvpCpee[]
    = {{I::WDT, 2, On}, {I::PUT, 3, Off}, {I::BOR, 6, On}, {I::LVP, 7, On}, {I::CPEE, 8, Off}};
constexpr ConfigLayout L22 = layout(Plain, WdtPutBorLvpCpee, 4, 0x0E00, 0x3E30);
constexpr ConfigLayout L23 = layout(Plain, WdtPutBorLvpCpee, 13, 0x1E30, 0x3E30);
constexpr ConfigLayout L24 = layout(Plain, WdtPutBor, 4, 0x3F80, 0x0030);
constexpr ConfigLayout L26 = layout({0x0007, WideNoExt, EightButExt},
    {{I::WDT, 3, On}, {I::PUT, 4, Off}, {I::MCLR, 7, Off}}, 5, 0x0000, 0x3F60);
constexpr ConfigLayout L27 = [] {
    ConfigLayout result = layout(
        {0x0007, Wide, AllEight, false, {"Low Power", "Xtal", "Hi Speed", "Ext Clk"}},
        {{I::WDT, 3, On}, {I::PUT, 4, Off}, {I::MCLR, 5, Off}, {I::BOR, 6, On}, {I::CPEE, 8, Off}},
        7, 0x0000, 0x0080);
    // Bits 13..12 hold the chip's own oscillator calibration: never rebuilt.
    result.keepsCalibration = true;
    return result;
}();
constexpr ConfigLayout L30
    = layout({0x0003, Basic, FourBasic, false, {"Low Power", "Xtal", "Int RC", "External RC"}},
        {{I::WDT, 2, On}, {I::MCLR, 4, Off}}, 3, 0x3FE0, 0x0008);

} // namespace config_layouts

// The layout of a family, or nullptr for no device.
constexpr const ConfigLayout *layoutOf(Family family)
{
    using namespace config_layouts;
    switch (family) {
    case Family::None:
        return nullptr;
    case Family::F1:
        return &L1;
    case Family::F2:
        return &L2;
    case Family::F3:
        return &L3;
    case Family::F5:
        return &L5;
    case Family::F6:
        return &L6;
    case Family::F7:
        return &L7;
    case Family::F8:
        return &L8;
    case Family::F9:
        return &L9;
    case Family::F11:
        return &L11;
    case Family::F12:
    case Family::F14:
        return &L12;
    case Family::F13:
        return &L13;
    case Family::F15:
        return &L15;
    case Family::F16:
        return &L16;
    case Family::F17:
        return &L17;
    case Family::F18:
        return &L18;
    case Family::F19:
        return &L19;
    case Family::F20:
        return &L20;
    case Family::F21:
        return &L21;
    case Family::F22:
        return &L22;
    case Family::F23:
        return &L23;
    case Family::F24:
        return &L24;
    case Family::F26:
        return &L26;
    case Family::F27:
        return &L27;
    case Family::F30:
        return &L30;
    }
    return nullptr;
}

} // namespace ravelin

namespace ravelin {

// The bits that protect a chip's memory from being read: code protection and,
// where the family has it, data EEPROM protection. All of them set: nothing
// is protected.
constexpr std::uint16_t protectionBits(const ConfigLayout &layout)
{
    std::uint16_t bits = layout.protectOffMask;
    for (const FuseBit &fuse : layout.fuseBits()) {
        if (fuse.box == ControlId::CPEE)
            bits = static_cast<std::uint16_t>(bits | (1u << fuse.bit));
    }
    return bits;
}

// The data EEPROM protection bit alone (clear: protected), or 0 without one.
constexpr std::uint16_t dataProtectionBit(const ConfigLayout &layout)
{
    for (const FuseBit &fuse : layout.fuseBits()) {
        if (fuse.box == ControlId::CPEE)
            return static_cast<std::uint16_t>(1u << fuse.bit);
    }
    return 0;
}

} // namespace ravelin
