#pragma once

#include "app/Core.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ravelin {

// Where a production run writes each chip's own number into the image.
enum class SerialArea : std::uint8_t {
    Eeprom, // data EEPROM bytes from an offset
    Program, // program words from an address, as RETLW instructions
    Ids, // the four ID words, one hexadecimal digit each
};

struct SerialPlace
{
    SerialArea area = SerialArea::Eeprom;
    unsigned at = 0; // the EEPROM offset or the program address
    int bytes = 2; // most significant first; the ID words hold 16 bits
};

// "eeprom:OFFSET[:BYTES]", "program:ADDRESS[:BYTES]" or "id"; OFFSET and
// ADDRESS hex, BYTES 1 to 4 (default 2). Empty with the reason in error.
std::optional<SerialPlace> parseSerialPlace(std::string_view text, std::string &error);
// The place as the user would write it, in full: "eeprom:0:2".
std::string serialPlaceText(const SerialPlace &place);
// The largest number the place holds.
std::uint64_t lastSerialNumber(const SerialPlace &place);
// Why the place cannot take a number on the selected device with the image in
// the buffer (outside the device, or a place the image already uses), else empty.
std::string serialPlaceFault(const Core &core, const SerialPlace &place);
// Writes the number into the buffer at the place.
void writeSerialNumber(Core &core, const SerialPlace &place, std::uint64_t number);

} // namespace ravelin
