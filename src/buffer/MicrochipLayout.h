#pragma once

#include "buffer/IntelHex.h"
#include "devices/DeviceState.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ravelin {

// Microchip's layout of a chip in Intel HEX, the one assemblers and compilers
// write: byte address twice the word address, low byte first.
//   14-bit parts: program words from 0, the ID words at 0x2000..0x2003, the
//     configuration word at 0x2007, data EEPROM byte n at word 0x2100 + n
//     (the byte low, 00 high);
//   12-bit parts (16C5x, 12C5xx): program words from 0, the ID words right
//     after program memory, the configuration word at 0x0FFF.
// This program's own files put the data EEPROM at word 0x2000 and the ID words
// at 0x2100 instead, and carry no configuration word.

// A chip's shape in that layout.
struct ChipLayout
{
    bool twelveBit = false;
    std::uint16_t programWords = 0;
    std::uint16_t eepromBytes = 0;

    std::uint16_t wordMask() const { return twelveBit ? 0x0FFF : 0x3FFF; }
    std::uint16_t idAddress() const { return twelveBit ? programWords : 0x2000; } // the first
    std::uint16_t configAddress() const { return twelveBit ? 0x0FFF : 0x2007; }
};

// The selected device's shape (its family, LastProgramAddress and data EEPROM
// size); none while no device is selected.
std::optional<ChipLayout> selectedLayout(const DeviceState &device);

// A chip's contents as a Microchip-layout file holds them. An empty entry is a
// word the file does not give; words and IDs are within the layout's word mask.
struct ChipContents
{
    explicit ChipContents(const ChipLayout &shape);

    ChipLayout layout;
    std::vector<std::optional<std::uint16_t>> program; // layout.programWords entries
    std::array<std::optional<std::uint16_t>, 4> ids;
    std::optional<std::uint16_t> config;
    std::vector<std::optional<std::uint8_t>> eeprom; // layout.eepromBytes entries
    // Words the file gives that the chip has no place for (beyond its memories,
    // the reserved words 0x2004..0x2006, anything past the buffer's reach).
    std::size_t wordsWithoutPlace = 0;

    bool hasIds() const;
    bool hasEeprom() const;
};

// The two layouts of Intel HEX: the one assemblers write, and this program's own.
enum class Layout : std::uint8_t { Microchip, Native };

// The layout a file is written in, told by where its words are, never by how
// its records are cut: this program's own files always hold words 0x2008 to
// 0x20FF (their data EEPROM region), where Microchip's layout never puts one.
Layout recogniseLayout(const HexImage &image);

// True when the file is in Microchip's layout and carries something where only
// that layout puts it for this chip (its configuration word, an ID word or a
// data EEPROM byte): the files whose loading the two layouts would tell apart.
bool usesMicrochipLayout(const HexImage &image, const ChipLayout &layout);

// Why the words of a file cannot all go onto the chip, one line per range:
// program words beyond its program memory, data EEPROM bytes beyond its data
// EEPROM or for a chip without one (unless those are to be left off), words
// no region of the layout holds, and words wider than the chip's word. Words
// 0x2004..0x2006 (reserved, and the device ID of read-out images) are never a
// reason. In this program's own layout, a file image of the whole buffer, the
// blank words (0000 and all ones) outside the chip are nothing to refuse.
struct PlacementCheck
{
    ChipLayout layout;
    std::string_view device; // as the catalogue writes it
    bool eeprom = true; // false: data EEPROM bytes are left off, not refused
};
std::vector<std::string> placementFaults(
    const HexImage &image, Layout fileLayout, const PlacementCheck &check);

// Reads a parsed file in Microchip's layout. A word is given when either of
// its bytes is; a missing half reads 0xFF, as on an unprogrammed chip.
ChipContents readMicrochipImage(const HexImage &image, const ChipLayout &layout);

// The given words in Microchip's layout: program words, ID words, the
// configuration word, data EEPROM bytes, each run in records of up to 16 bytes,
// then the end record; LF line ends.
std::string formatMicrochipHex(const ChipContents &contents);

// The buffer's side: program words from 0, ID words from 0x2100, data EEPROM
// bytes from 0x2000 (the low byte of each word), and the configuration word.
ChipContents contentsOfBuffer(
    const BufferWords &buffer, std::uint16_t configWord, const ChipLayout &layout);
// Stores every given word in its place; the rest keep their values.
void applyContents(const ChipContents &contents, BufferWords &buffer, std::uint16_t &configWord);

} // namespace ravelin
