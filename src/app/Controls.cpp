#include "app/Controls.h"

#include <array>

namespace ravelin {
namespace {

using K = ControlKind;
using C = Colour;
using I = ControlId;

constexpr FontInfo Window {FontFace::MsSansSerif, 15, true};
constexpr FontInfo Command {FontFace::MsSansSerif, 11, true};
constexpr FontInfo Fixed11 {FontFace::Fixedsys, 11, true};
constexpr FontInfo Fixed12 {FontFace::Fixedsys, 12, true};
constexpr FontInfo Fixed13 {FontFace::Fixedsys, 13, true};
constexpr FontInfo Fixed14 {FontFace::Fixedsys, 14, true};
constexpr FontInfo Fixed15 {FontFace::Fixedsys, 15, true};

constexpr std::array<std::string_view, 0> NoItems {};
constexpr std::array<std::string_view, 2> FileTypeItems {"Binary", "Intel Hex"};
constexpr std::array<std::string_view, 4> FillItems {
    "Fill Buffer With 0000", "Fill Buffer With FFFF", "Fill Buffer With XXXX", "Cancel"};
constexpr std::array<std::string_view, 4> Borv2Items {
    "4.5 Volts", "4.2 Volts", "2.7 Volts", "2.5 Volts"};
constexpr std::array<std::string_view, 2> Borv1Items {"4.0 Volts", "2.5 Volts"};
constexpr std::array<std::string_view, 3> VerifyItems {"3 Volts", "5 Volts", "6 Volts"};

constexpr ControlInfo button(
    I id, std::string_view name, Rect r, std::string_view caption, bool visible = true)
{
    return {
        id, name, K::Button, I::None, r, caption, NoItems, -1, visible, true, C::Default, Command};
}

constexpr ControlInfo text(I id, std::string_view name, Rect r, std::string_view caption,
    Colour colour, bool sunken, bool visible, FontInfo font = Window)
{
    return {id, name, K::StaticText, I::None, r, caption, NoItems, -1, visible, true, colour, font,
        sunken};
}

constexpr ControlInfo list(
    I id, std::string_view name, Rect r, std::span<const std::string_view> items, FontInfo font)
{
    return {id, name, K::ListBox, I::None, r, {}, items, -1, false, true, C::Default, font, false,
        0, 15};
}

constexpr ControlInfo edit(I id, std::string_view name, Rect r)
{
    return {
        id, name, K::Edit, I::None, r, {}, NoItems, -1, false, true, C::Default, Fixed11, false, 4};
}

constexpr ControlInfo group(I id, std::string_view name, Rect r, std::string_view caption)
{
    return {
        id, name, K::GroupBox, I::None, r, caption, NoItems, -1, true, true, C::Yellow, Command};
}

constexpr ControlInfo radioGroup(I id, std::string_view name, Rect r,
    std::span<const std::string_view> items, int index, bool visible, std::string_view caption)
{
    return {id, name, K::RadioGroup, I::None, r, caption, items, index, visible, true, C::Yellow,
        Command};
}

constexpr ControlInfo diagram(I id, std::string_view name, Rect r, FontInfo font)
{
    return {id, name, K::Memo, I::None, r, {}, NoItems, -1, false, true, C::Default, font};
}

constexpr ControlInfo fuse(I id, std::string_view name, int row, std::string_view caption)
{
    return {id, name, K::CheckBox, I::Fuse_Settings, {8, 14 + 16 * row, 140, 17}, caption, NoItems,
        -1, true, id == I::Protec, C::Yellow, Command};
}

constexpr ControlInfo osc(I id, std::string_view name, int row, std::string_view caption)
{
    return {id, name, K::RadioButton, I::Osc_Settings, {8, 12 + 14 * row, 105, 17}, caption,
        NoItems, -1, true, false, C::Yellow, Command};
}

constexpr ControlInfo backdrop(
    I id, std::string_view name, Rect r, Colour colour, bool visible = true)
{
    return {id, name, K::Label, I::None, r, {}, NoItems, -1, visible, true, colour, Window};
}

constexpr std::array<ControlInfo, ControlCount> Table {{
    button(I::Program_Eprom, "Program_Eprom", {10, 8, 103, 21}, "&Program Device"),
    button(I::Erase_But, "Erase_But", {10, 28, 103, 21}, "&Erase Device", false),
    button(I::Blank_Chk, "Blank_Chk", {10, 60, 103, 21}, "&Blank Check"),
    button(I::Verify_Eprom, "Verify_Eprom", {10, 80, 103, 21}, "&Verify Device"),
    button(I::Move_Eprom, "Move_Eprom", {10, 100, 103, 21}, "&Move Device"),
    button(I::Chk_Sum_But, "Chk_Sum_But", {10, 120, 103, 21}, "Checksum=0000"),
    button(I::Device, "Device", {10, 140, 103, 21}, "No Device"),
    button(I::Edit, "Edit", {10, 174, 103, 21}, "&Edit Buffer"),
    button(I::Fill, "Fill", {10, 194, 103, 21}, "&Fill Buffer"),
    button(I::File_But, "File_But", {10, 224, 103, 21}, "Binary File"),
    button(I::Save_But, "Save_But", {10, 244, 103, 21}, "&Save Buffer"),
    button(I::Load_But, "Load_But", {10, 264, 103, 21}, "&Load Buffer"),
    button(I::Start_Add, "Start_Add", {10, 296, 110, 21}, "Device Start=0000"),
    button(I::End_Add, "End_Add", {10, 316, 110, 21}, "Device End=0000"),
    button(I::EEprom_Begin, "EEprom_Begin", {10, 336, 110, 21}, "EE Start=0000", false),
    button(I::EEprom_End, "EEprom_End", {10, 356, 110, 21}, "EE End=0000", false),
    button(I::Prg_EE, "Prg_EE", {120, 8, 103, 21}, "Program EE", false),
    button(I::Verify_EE, "Verify_EE", {120, 76, 103, 21}, "Verify EE", false),
    button(I::Quit_Add, "Quit_Add", {240, 8, 57, 21}, "0000"),

    text(I::StaticText3, "StaticText3", {360, 8, 141, 17}, "Looking For Programmer", C::Yellow,
        true, true),
    text(I::StaticText2, "StaticText2", {128, 52, 69, 17}, "StaticText2", C::Red, true, false),
    text(I::StaticText1, "StaticText1", {8, 578, 243, 17},
        "Last File Loaded in Buffer=No File Loaded", C::Silver, true, true,
        {FontFace::MsSansSerif, 12, true}),
    {I::Memo1, "Memo1", K::Memo, I::None, {278, 312, 377, 169}, "Memo1", NoItems, -1, true, true,
        C::Default, Fixed11},
    list(I::Device_Box, "Device_Box", {494, 30, 337, 491}, NoItems, Fixed11),
    list(I::File_Type, "File_Type", {120, 224, 81, 35}, FileTypeItems, Fixed13),
    list(I::FillBox, "FillBox", {120, 176, 177, 68}, FillItems, Fixed11),
    edit(I::FillEdit, "FillEdit", {304, 205, 49, 23}),
    edit(I::Chg_Edit_Add, "Chg_Edit_Add", {310, 24, 54, 23}),
    {I::Edit_1, "Edit_1", K::RichEdit, I::None, {280, 48, 401, 265}, "Edit_1", NoItems, -1, false,
        true, C::Default, {FontFace::CourierNew, 12, false}},
    text(I::Buf_Start, "Buf_Start", {392, 28, 84, 17}, "Start of Buffer", C::White, false, false),
    text(I::ID_Start, "ID_Start", {496, 28, 63, 17}, "Start of ID", C::White, false, false),
    text(I::EE_Start, "EE_Start", {576, 28, 93, 17}, "Start of EEprom", C::White, false, false),

    group(I::Fuse_Settings, "Fuse_Settings", {8, 384, 150, 185}, "Fuse Settings"),
    group(I::Osc_Settings, "Osc_Settings", {164, 432, 116, 137}, "Osc Selection"),
    text(I::Fuse_Data, "Fuse_Data", {178, 405, 89, 20}, "Fuse = 3FFF", C::Yellow, true, true,
        {FontFace::MsSansSerif, 14, true}),
    radioGroup(I::BORV2, "BORV2", {286, 496, 110, 73}, Borv2Items, 0, true, "Brown Out Reset"),
    radioGroup(I::BORV1, "BORV1", {286, 525, 110, 44}, Borv1Items, 0, false, "Brown Out Reset"),
    radioGroup(I::V_Verify, "V_Verify", {402, 509, 80, 60}, VerifyItems, 1, true, "Verify @ "),

    diagram(I::Jmp_8, "Jmp_8", {278, 30, 545, 445}, Fixed14),
    diagram(I::Jmp_18P, "Jmp_18P", {278, 30, 545, 433}, Fixed12),
    diagram(I::Jmp_18S, "Jmp_18S", {278, 30, 545, 433}, Fixed12),
    diagram(I::Jmp_28P, "Jmp_28P", {278, 30, 545, 433}, Fixed14),
    diagram(I::Jmp_28S, "Jmp_28S", {278, 30, 545, 433}, Fixed12),
    diagram(I::Jmp_40, "Jmp_40", {278, 30, 545, 433}, Fixed15),
    diagram(I::Jmp_64, "Jmp_64", {278, 30, 561, 460}, Fixed14),

    fuse(I::Protec, "Protec", 0, "Code Protect On"),
    fuse(I::WDT, "WDT", 1, "Watch Dog Timer On"),
    fuse(I::PUT, "PUT", 2, "Power Up Timer On"),
    fuse(I::BOR, "BOR", 3, "Brown Out Det. On"),
    fuse(I::Cal_Byte, "Cal_Byte", 4, "Program Cal. Byte"),
    fuse(I::MCLR, "MCLR", 5, "MCLR Internal"),
    fuse(I::LVP, "LVP", 6, "Lo Volt Progam On"),
    fuse(I::MPEEN, "MPEEN", 7, "Memory Parity Error"),
    fuse(I::CPMX, "CPMX", 8, "CCP 1 Pin RB3"),
    fuse(I::CPEE, "CPEE", 9, "Code Protect EE On"),

    osc(I::LP_Osc, "LP_Osc", 0, "Low Power"),
    osc(I::Xtal, "Xtal", 1, "Xtal"),
    osc(I::Hi_Spd, "Hi_Spd", 2, "Hi Speed"),
    osc(I::Ext_Clk, "Ext_Clk", 3, "External RC"),
    osc(I::Int_RC_IO, "Int_RC_IO", 4, "Int RC I/O"),
    osc(I::Int_RC_Clk, "Int_RC_Clk", 5, "Int RC Clk Out"),
    osc(I::Ext_R_IO, "Ext_R_IO", 6, "Ext R I/O"),
    osc(I::Ext_R_Clk, "Ext_R_Clk", 7, "Ext R Clk Out"),

    backdrop(I::Label1, "Label1", {8, 6, 108, 25}, C::Red),
    backdrop(I::Label2, "Label2", {8, 56, 108, 109}, C::Lime),
    backdrop(I::Label3, "Label3", {8, 170, 108, 48}, C::Yellow),
    backdrop(I::Label5, "Label5", {8, 221, 108, 67}, C::Aqua),
    backdrop(I::Label6, "Label6", {8, 293, 115, 46}, C::Aqua),
    backdrop(I::Label7, "Label7", {116, 6, 110, 25}, C::Red, false),
    backdrop(I::Label8, "Label8", {116, 74, 110, 25}, C::Lime, false),

    {I::Timer1, "Timer1", K::Timer, I::None, {}, {}, NoItems, -1, false, true, C::Default, Window},
}};

constexpr bool tableInOrder()
{
    for (std::size_t i = 0; i < Table.size(); ++i) {
        if (indexOf(Table[i].id) != i)
            return false;
    }
    return true;
}
static_assert(tableInOrder(), "the control table must list the controls in ControlId order");

constexpr FormInfo MainFormInfo {
    "Pic Adpater for The USB Quillon Programmer By Corvane, Inc.  ** Win 2K/XP **  Version 1.02  "
    "8 Nov 07",
    851, 631, C::Navy, Window};

} // namespace

const ControlInfo &controlInfo(ControlId id)
{
    return Table[indexOf(id)];
}

std::span<const ControlInfo> allControls()
{
    return Table;
}

const FormInfo &formInfo()
{
    return MainFormInfo;
}

} // namespace ravelin
