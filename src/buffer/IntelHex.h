#pragma once

#include "buffer/BufferState.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ravelin {

using BufferWords = std::array<std::uint16_t, BufferState::Words>;

// The words every buffer file holds: program memory, data EEPROM and ID words.
inline constexpr std::size_t FileImageWords = 0x2108;

// What a well-formed Intel HEX file puts into the buffer, byte by byte: byte
// address a is the low byte of word a / 2 when even, its high byte when odd.
struct HexImage
{
    static constexpr std::size_t Bytes = BufferState::Words * 2;
    std::array<std::uint8_t, Bytes> bytes {};
    std::bitset<Bytes> given;
    std::size_t wordsOutside = 0; // words named at index 0x3000 or beyond
    std::size_t records = 0; // records read up to the end record
    bool endRecord = false;
};

struct HexError
{
    std::size_t line = 0; // 1-based
    std::string what;
};

// A file is read whole before anything is used: either the image or the first
// fault, never half of one.
struct HexParse
{
    HexImage image;
    std::optional<HexError> error;
};

// The window reads as it always did: lines without a ':' are passed over,
// record types it does not know are ignored, and the end record, where there
// is one, ends the file. A script needs to know the file is whole: the strict
// reading refuses a line that is neither a record, a blank line nor a ';'
// comment, an unknown record type, anything but blanks and comments after the
// end record, and a file without one.
enum class HexReading : std::uint8_t { Lenient, Strict };

HexParse parseIntelHex(std::string_view text, HexReading reading = HexReading::Lenient);

// Stores every word whose two bytes the file gives, under the word mask.
void applyHexImage(const HexImage &image, BufferWords &buffer, std::uint16_t wordMask);

// The whole file image as 16-byte data records, then the end record; CR LF.
std::string formatIntelHex(const BufferWords &buffer);

} // namespace ravelin
