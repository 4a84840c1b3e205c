#include "devices/JumperDiagrams.h"

namespace ravelin {
namespace {

// The adapter board as the user sees it from the front: the programmer and its
// cable on the left, the nine three-pin jumpers ("**" bridges two pins), the
// 28-pin socket and the 40-pin ZIF socket with its lever. Drawn for a
// fixed-pitch cell; the lines stay as they are.
// clang-format off
constexpr std::array<std::string_view, 28> Drawing8 {
    "                =============================",
    "                = PIC 8-Pin Jumper Settings =",
    "                =============================",
    "** Place the device as shown below, DO NOT use the last 2 Pins **",
    "You must set the jumpers to 8 Pin....         Zif   -->o",
    "                                              Socket   |",
    "             +----------------+----------+-+--------------+-+",
    "   Pic       | Jumper # 1 .** |.        .| | .          . | |",
    "   Adapter-->|          2 **. |. DO NOT .| | .          . | |",
    "             |          3 .** |.  USE   .| | .          . | |",
    "+----------+ |          4 **. |. 28 PIN .| | .          . | |",
    "|   The    |=|          5 .** |. SOCKET .| | .          . | |",
    "| Quillon  |=|          6 .** |.        .| | .          . | |",
    "|Programmer|=|          7 **. |.        .| | .          . | |",
    "+----------+ |          8 .** |.        .| | .          . | |",
    " ||          |          9 **. |. DO NOT .| | .          . | |",
    " || Cable to |                |.  USE   .| | .          . | |",
    " || Printer  |                |. 28 PIN .| | .          . | |",
    " || Port of  |                |. SOCKET .| | .          . | |",
    " || Computer |                |.        .| | .          . | |",
    " ||          |                |.        .| | .          . | |",
    " \\/          |                +----------+ | .          . | |",
    "             |                             | o|1 \\_/  8|o | |",
    "             |                             | o|2      7|o | |",
    "             |                             | o|3      6|o | |",
    "             |                             | o|4      5|o | |",
    ".=Blank Pin  |                             | X          X | |",
    "**=Jumper    +-----------------------------+--------------+-+",
};

constexpr std::array<std::string_view, 27> Drawing18P {
    "                   ======================",
    "                   = PIC 16C5X Settings =",
    "                   ======================",
    "You must set the jumpers to 18 Pin....        Zif   -->o",
    "                                              Socket   |",
    "             +----------------+----------+-+--------------+-+",
    "   Pic       | Jumper # 1 **. |.        .| | .          . | |",
    "   Adapter-->|          2 .** |. DO NOT .| | .          . | |",
    "             |          3 .** |.  USE   .| | .          . | |",
    "+----------+ |          4 .** |. 28 PIN .| | .          . | |",
    "|   The    |=|          5 .** |. SOCKET .| | .          . | |",
    "| Quillon  |=|          6 .** |.        .| | .          . | |",
    "|Programmer|=|          7 **. |.        .| | .          . | |",
    "+----------+ |          8 **. |.        .| | .          . | |",
    " ||          |          9 .** |. DO NOT .| | .          . | |",
    " || Cable to |                |.  USE   .| | .          . | |",
    " || Printer  |                |. 28 PIN .| | .          . | |",
    " || Port of  |                |. SOCKET .| | o|1 \\_/ 18|o | |",
    " || Computer |                |.        .| | o|2     17|o | |",
    " ||          |                |.        .| | o|3     16|o | |",
    " \\/          |                +----------+ | o|4     15|o | |",
    "             |                             | o|5     14|o | |",
    "             |                             | o|6     13|o | |",
    "             |                             | o|7     12|o | |",
    "             |                             | o|8     11|o | |",
    ".=Blank Pin  |                             | o|9     10|o | |",
    "**=Jumper    +-----------------------------+--------------+-+",
};

constexpr std::array<std::string_view, 27> Drawing18S {
    "                   =======================",
    "                   = PIC 18 Pin Settings =",
    "                   =======================",
    "You must set the jumpers to 18 Pin....        Zif   -->o",
    "                                              Socket   |",
    "             +----------------+----------+-+--------------+-+",
    "   Pic       | Jumper # 1 **. |.        .| | .          . | |",
    "   Adapter-->|          2 **. |. DO NOT .| | .          . | |",
    "             |          3 .** |.  USE   .| | .          . | |",
    "+----------+ |          4 .** |. 28 PIN .| | .          . | |",
    "|   The    |=|          5 .** |. SOCKET .| | .          . | |",
    "| Quillon  |=|          6 .** |.        .| | .          . | |",
    "|Programmer|=|          7 **. |.        .| | .          . | |",
    "+----------+ |          8 **. |.        .| | .          . | |",
    " ||          |          9 .** |. DO NOT .| | .          . | |",
    " || Cable to |                |.  USE   .| | .          . | |",
    " || Printer  |                |. 28 PIN .| | .          . | |",
    " || Port of  |                |. SOCKET .| | o|1 \\_/ 18|o | |",
    " || Computer |                |.        .| | o|2     17|o | |",
    " ||          |                |.        .| | o|3     16|o | |",
    " \\/          |                +----------+ | o|4     15|o | |",
    "             |                             | o|5     14|o | |",
    "             |                             | o|6     13|o | |",
    "             |                             | o|7     12|o | |",
    "             |                             | o|8     11|o | |",
    ".=Blank Pin  |                             | o|9     10|o | |",
    "**=Jumper    +-----------------------------+--------------+-+",
};

constexpr std::array<std::string_view, 27> Drawing28P {
    "                   ======================",
    "                   = PIC 16C5X Settings =",
    "                   ======================",
    "Jumper Settings Do Not Matter....             Zif   -->o",
    "                                              Socket   |",
    "             +----------------+----------+-+--------------+-+",
    "   Pic       | Jumper # 1 **. |o|1\\_/28|o| | .          . | |",
    "   Adapter-->|          2 .** |o|2   27|o| | .          . | |",
    "             |          3 .** |o|3   26|o| | .  DO NOT  . | |",
    "+----------+ |          4 .** |o|4   25|o| | .   USE    . | |",
    "|   The    |=|          5 .** |o|5   24|o| | .  40 PIN  . | |",
    "| Quillon  |=|          6 .** |o|6   23|o| | .  SOCKET  . | |",
    "|Programmer|=|          7 **. |o|7   22|o| | .          . | |",
    "+----------+ |          8 **. |o|8   21|o| | .          . | |",
    " ||          |          9 .** |o|9   20|o| | .  DO NOT  . | |",
    " || Cable to |                |o|10  19|o| | .   USE    . | |",
    " || Printer  |                |o|11  18|o| | .  40 PIN  . | |",
    " || Port of  |                |o|12  17|o| | .  SOCKET  . | |",
    " || Computer |                |o|13  16|o| | .          . | |",
    " ||          |                |o|14  15|o| | .          . | |",
    " \\/          |                +----------+ | .  DO NOT  . | |",
    "             |                             | .   USE    . | |",
    "             |                             | .  40 PIN  . | |",
    "             |                             | .  SOCKET  . | |",
    "             |                             | .          . | |",
    ".=Blank Pin  |                             | .          . | |",
    "**=Jumper    +-----------------------------+--------------+-+",
};

constexpr std::array<std::string_view, 27> Drawing28S {
    "                   =======================",
    "                   = PIC Jumper Settings =",
    "                   =======================",
    "You must set the jumpers to 28 Pin....        Zif   -->o",
    "                                              Socket   |",
    "             +----------------+----------+-+--------------+-+",
    "   Pic       | Jumper # 1 .** |.        .| | .          . | |",
    "   Adapter-->|          2 **. |. DO NOT .| | .          . | |",
    "             |          3 **. |.  USE   .| | .  40 Pin  . | |",
    "+----------+ |          4 **. |. 28 PIN .| | .  Socket  . | |",
    "|   The    |=|          5 .** |. SOCKET .| | .          . | |",
    "| Quillon  |=|          6 **. |.        .| | .          . | |",
    "|Programmer|=|          7 .** |.        .| | o|1 \\_/ 28|o | |",
    "+----------+ |          8 **. |.        .| | o|2     27|o | |",
    " ||          |          9 .** |. DO NOT .| | o|3     26|o | |",
    " || Cable to |                |.  USE   .| | o|4     25|o | |",
    " || Printer  |                |. 28 PIN .| | o|5     24|o | |",
    " || Port of  |                |. SOCKET .| | o|6     23|o | |",
    " || Computer |                |.        .| | o|7     22|o | |",
    " ||          |                |.        .| | o|8     21|o | |",
    " \\/          |                +----------+ | o|9     20|o | |",
    "             |                             | o|10    19|o | |",
    "             |                             | o|11    18|o | |",
    "             |                             | o|12    17|o | |",
    "             |                             | o|13    16|o | |",
    ".=Blank Pin  |                             | o|14    15|o | |",
    "**=Jumper    +-----------------------------+--------------+-+",
};

constexpr std::array<std::string_view, 27> Drawing40 {
    "                   =======================",
    "                   = PIC Jumper Settings =",
    "                   =======================",
    "You must set the jumpers to 40 Pin....        Zif   -->o",
    "                                              Socket   |",
    "             +----------------+----------+-+--------------+-+",
    "   Pic       | Jumper # 1 .** |.        .| | o|1 \\_/ 40|o | |",
    "   Adapter-->|          2 **. |. DO NOT .| | o|2     39|o | |",
    "             |          3 .** |.  USE   .| | o|3     38|o | |",
    "+----------+ |          4 **. |. 28 PIN .| | o|4     37|o | |",
    "|   The    |=|          5 **. |. SOCKET .| | o|5     36|o | |",
    "| Quillon  |=|          6 .** |.        .| | o|6     35|o | |",
    "|Programmer|=|          7 **. |.        .| | o|7     34|o | |",
    "+----------+ |          8 **. |.        .| | o|8     33|o | |",
    " ||          |          9 .** |. DO NOT .| | o|9     32|o | |",
    " || Cable to |                |.  USE   .| | o|10    31|o | |",
    " || Printer  |                |. 28 PIN .| | o|11    30|o | |",
    " || Port of  |                |. SOCKET .| | o|12    29|o | |",
    " || Computer |                |.        .| | o|13    28|o | |",
    " ||          |                |.        .| | o|14    27|o | |",
    " \\/          |                +----------+ | o|15    26|o | |",
    "             |                             | o|16    25|o | |",
    "             |                             | o|17    24|o | |",
    "             |                             | o|18    23|o | |",
    "             |                             | o|19    22|o | |",
    ".=Blank Pin  |                             | o|20    21|o | |",
    "**=Jumper    +-----------------------------+--------------+-+",
};

constexpr std::array<std::string_view, 28> Drawing64 {
    "               ==============================",
    "               = PIC 64-Pin Jumper Settings =",
    "               ==============================",
    "Make the Following Pin Conections to the Device you are Programming",
    "You must set the jumpers to 64 Pin....        Zif   -->o",
    "                                              Socket   |",
    "             +----------------+----------+-+--------------+-+",
    "   Pic       | Jumper # 1 **. |.        .| | .          . | |",
    "   Adapter-->|          2 **. |. DO NOT .| | .          . | |",
    "             |          3 .** |.  USE   .| | .          . | |",
    "+----------+ |          4 .** |. 28 PIN .| | . To Your  . | |",
    "|   The    |=|          5 .** |. SOCKET .| | .  64 Pin  . | |",
    "| Quillon  |=|          6 .** |.        .| | .  Device  . | |",
    "|Programmer|=|          7 **. |.        .| | .          . | |",
    "+----------+ |          8 **. |.        .| | .          . | |",
    " ||          |          9 .** |. DO NOT .| | .          . | |",
    " || Cable to |                |.  USE   .| | .          . | |",
    " || Printer  |                |. 28 PIN .| | .          . | |",
    " || Port of  |                |. SOCKET .| | .          . | |",
    " || Computer |                |.        .| | .          . | |",
    " ||          |                |.        .| | .          . | |",
    " \\/          |                +----------+ | .          . | |",
    "             |                             | .          . | |",
    "             |                             | o-1  20/60-o | |",
    "             |                             | o-6/21     . | |",
    "             |                             | .       62-o | |",
    ".=Blank Pin  |                             | .       61-o | |",
    "**=Jumper    +-----------------------------+--------------+-+",
};
// clang-format on

} // namespace

std::span<const std::string_view> jumperDrawing(ControlId diagram)
{
    switch (diagram) {
    case ControlId::Jmp_8:
        return Drawing8;
    case ControlId::Jmp_18P:
        return Drawing18P;
    case ControlId::Jmp_18S:
        return Drawing18S;
    case ControlId::Jmp_28P:
        return Drawing28P;
    case ControlId::Jmp_28S:
        return Drawing28S;
    case ControlId::Jmp_40:
        return Drawing40;
    case ControlId::Jmp_64:
        return Drawing64;
    default:
        return {};
    }
}

} // namespace ravelin
