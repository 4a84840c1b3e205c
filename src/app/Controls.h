#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace ravelin {

// Every control of the one window, under its own name.
enum class ControlId : std::uint8_t {
    // Command buttons and value displays
    Program_Eprom,
    Erase_But,
    Blank_Chk,
    Verify_Eprom,
    Move_Eprom,
    Chk_Sum_But,
    Device,
    Edit,
    Fill,
    File_But,
    Save_But,
    Load_But,
    Start_Add,
    End_Add,
    EEprom_Begin,
    EEprom_End,
    Prg_EE,
    Verify_EE,
    Quit_Add,
    // Texts, panels, lists and edits
    StaticText3,
    StaticText2,
    StaticText1,
    Memo1,
    Device_Box,
    File_Type,
    FillBox,
    FillEdit,
    Chg_Edit_Add,
    Edit_1,
    Buf_Start,
    ID_Start,
    EE_Start,
    // Configuration word
    Fuse_Settings,
    Osc_Settings,
    Fuse_Data,
    BORV2,
    BORV1,
    V_Verify,
    // Jumper diagrams
    Jmp_8,
    Jmp_18P,
    Jmp_18S,
    Jmp_28P,
    Jmp_28S,
    Jmp_40,
    Jmp_64,
    // Children of Fuse_Settings
    Protec,
    WDT,
    PUT,
    BOR,
    Cal_Byte,
    MCLR,
    LVP,
    MPEEN,
    CPMX,
    CPEE,
    // Children of Osc_Settings
    LP_Osc,
    Xtal,
    Hi_Spd,
    Ext_Clk,
    Int_RC_IO,
    Int_RC_Clk,
    Ext_R_IO,
    Ext_R_Clk,
    // Backdrops behind the button columns
    Label1,
    Label2,
    Label3,
    Label5,
    Label6,
    Label7,
    Label8,
    // Not drawn
    Timer1,
    Count,
    None = Count,
};

inline constexpr std::size_t ControlCount = static_cast<std::size_t>(ControlId::Count);

constexpr std::size_t indexOf(ControlId id)
{
    return static_cast<std::size_t>(id);
}

enum class ControlKind : std::uint8_t {
    Button,
    StaticText,
    Label,
    Memo,
    ListBox,
    Edit,
    RichEdit,
    GroupBox,
    CheckBox,
    RadioButton,
    RadioGroup,
    Timer,
};

enum class Colour : std::uint8_t { Default, Navy, Yellow, Red, Silver, White, Lime, Aqua };

// The font families the window asks for; the view maps each to an installed look-alike.
enum class FontFace : std::uint8_t { MsSansSerif, Fixedsys, CourierNew };

struct FontInfo
{
    FontFace face = FontFace::MsSansSerif;
    int pixels = 15;
    bool bold = true;
};

struct Rect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// What a control is and how it starts; the running state lives in ControlState.
struct ControlInfo
{
    ControlId id;
    std::string_view name;
    ControlKind kind;
    ControlId parent; // ControlId::None: the window's client area
    Rect rect;
    std::string_view caption;
    std::span<const std::string_view> items;
    int itemIndex;
    bool visible;
    bool enabled;
    Colour colour;
    FontInfo font;
    bool sunken = false;
    int maxLength = 0; // one-line edits: at most this many characters, upper case
    int itemHeight = 0; // list boxes
};

const ControlInfo &controlInfo(ControlId id);
std::span<const ControlInfo> allControls();

struct FormInfo
{
    std::string_view caption;
    int outerWidth;
    int outerHeight;
    Colour colour;
    FontInfo font;
};

const FormInfo &formInfo();

// Both file dialogs carry this filter: Bin, Hex, All.
inline constexpr std::string_view FileDialogFilter = "Bin|*.Bin|Hex|*.Hex|All|*.*";

} // namespace ravelin
