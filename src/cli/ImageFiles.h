#pragma once

#include "app/Core.h"
#include "buffer/MicrochipLayout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ravelin::cli {

using Layout = ravelin::Layout;

struct LoadRequest
{
    // The layout the command line named: it wins over the recognition.
    std::optional<Layout> layout;
    // false: the file's data EEPROM bytes are not wanted, so bytes the device
    // has no place for are no reason to refuse it.
    bool eeprom = true;
};

struct ImageLoad
{
    bool ok = false;
    std::vector<std::string> errors; // why the file was refused, one line each
    std::vector<std::string> notes; // what was decided ("read as Microchip's layout")
    std::optional<Layout> layout; // the layout an Intel HEX file was read in
    bool hasEeprom = false; // the file gives data EEPROM bytes
    bool hasConfig = false; // the file gives the configuration word (now in ConfigWord)
};

// Loads a file into the buffer (and ConfigWord) for the selected device, as a
// script needs it: nothing is asked and no box is shown. A .bin file is the
// binary buffer file, exactly 16912 bytes; .hxl and .hxh halves are refused;
// anything else is Intel HEX read strictly, in the layout asked for or else
// the one its words are in. With a device selected, words the device has no
// place for refuse the file. Words the file does not give are left as an
// erased chip holds them. A file that is refused leaves the buffer as it was.
ImageLoad loadImage(Core &core, const std::string &name, const LoadRequest &request);

struct ImageSave
{
    bool ok = false;
    std::vector<std::string> errors;
    std::vector<std::string> notes;
};

// Writes the buffer to a file: .bin as the binary file, Intel HEX in the layout
// given. Microchip's layout carries the configuration word given, and without
// one no configuration record (a note says so): a word nobody gave is never
// written.
ImageSave saveImage(
    Core &core, const std::string &name, Layout layout, std::optional<std::uint16_t> config);

} // namespace ravelin::cli
