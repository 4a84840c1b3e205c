#pragma once

#include "app/Core.h"

#include <optional>
#include <string>

namespace ravelin::cli {

// The two layouts of Intel HEX: the one assemblers write, and this program's own.
enum class Layout : std::uint8_t { Microchip, Native };

struct ImageLoad
{
    bool ok = false;
    bool hasEeprom = false; // the file gives data EEPROM bytes
    bool hasConfig = false; // the file gives the configuration word (now in ConfigWord)
};

// Loads a file into the buffer (and ConfigWord) for the selected device with
// the window's loaders: a .bin file as this program's binary file, Intel HEX
// in Microchip's layout when the loader recognises it and the host answers its
// question Yes. Words the file does not give are left blank; the reason a file
// did not load is shown in a box.
ImageLoad loadImage(Core &core, const std::string &name);

// Writes the buffer (and ConfigWord) to a file: .bin as the binary file,
// Intel HEX in the layout given. Why it could not be written, or empty.
std::string saveImage(Core &core, const std::string &name, Layout layout);

} // namespace ravelin::cli
