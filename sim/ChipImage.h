#pragma once

#include "sim/SimChip.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ravelin::sim {

// A chip's contents as Intel HEX in Microchip's usual layout, so an assembler's
// output goes straight into the socket: byte address twice the word address,
// low byte first; program words from 0; 14-bit parts: ID words at word 0x2000,
// configuration word at 0x2007, data EEPROM byte n at word 0x2100 + n (byte
// address 0x4200 + 2n); 12-bit parts: ID words after program memory,
// configuration word at word 0xFFF (byte 0x1FFE).
// The mapping is the buffer's own (buffer/MicrochipLayout.h), read through its
// Intel HEX reader.

struct ImageLoad
{
    bool ok = false;
    // "line N: ..." for a malformed file, "no end record", or why it could not be read
    std::string error;
    std::size_t wordsLoaded = 0; // words and EEPROM bytes that went into the chip
    std::size_t wordsIgnored = 0; // words the chip has no place for
};

// Loads over the chip's present contents; a malformed image changes nothing.
ImageLoad loadHexImage(SimChip &chip, std::string_view text);
ImageLoad loadHexFile(SimChip &chip, const std::string &path);

// Every word the chip keeps (program memory, IDs, configuration word, data
// EEPROM) in records of 16 bytes, then the end record.
std::string hexImage(const SimChip &chip);

struct ImageSave
{
    bool ok = false;
    std::string error;
};
// Replaced as the buffer's files are (buffer/FileAccess.h): a failed save
// leaves the old file, and a FIFO or a device node is written, never replaced.
ImageSave saveHexFile(const SimChip &chip, const std::string &path);

} // namespace ravelin::sim
