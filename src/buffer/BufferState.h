#pragma once

#include "app/Controls.h"

#include <array>
#include <cstdint>
#include <string>

namespace ravelin {

// The one memory image: program words from 0, data EEPROM bytes from 0x2000,
// ID words at 0x2100..0x2103.
struct BufferState
{
    static constexpr std::size_t Words = 12288;
    std::array<std::uint16_t, Words> DeviceBuffer {};
    int fileType = 0; // File_Type's tag: 0 binary, 1 Intel HEX
    // The file the buffer was last loaded from: where the open dialog's name
    // goes back to when a chosen file does not load.
    std::string lastLoadedFile;
    int fillRejectMark = 0; // FillEdit's tag: the key just typed is not a hex digit
    bool fillTextRefused = false; // FillEdit holds pasted text that is no fill value
};

enum class EntryMode : std::uint8_t { Hex, Character };

// A place in the editor's text: line from 0 (the header), character from 0.
struct TextPlace
{
    int line = 0;
    int column = 0;
    bool operator==(const TextPlace &) const = default;
};

// The buffer editor's place, kept between openings. The link sets the caret
// row to 0 after a failed reply wait.
struct EditorState
{
    std::uint16_t EditorPageStart = 0;
    int caretRow = 0; // data line, 0 to 15
    int caretColumn = 0; // word within the line, 0 to 7
    int caretNibble = 0; // hex digit within the word, 0 the most significant
    EntryMode entryMode = EntryMode::Hex;
    // Where the view puts the caret, in the editor's own lines.
    TextPlace caretPlace {1, 6};
    // The editor control that is to hold the keyboard focus (Edit_1 or
    // Chg_Edit_Add), or None once the user moved on to another control.
    ControlId focus = ControlId::None;
    // Chg_Edit_Add holds pasted text that is no address: Enter does not jump.
    bool addressTextRefused = false;
    int addressRejectMark = 0; // Chg_Edit_Add's tag: the key just typed is not a hex digit
};

} // namespace ravelin
