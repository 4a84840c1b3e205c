#pragma once

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

// The buffer editor's place, kept between openings. The link sets the caret
// row to 0 after a failed reply wait.
struct EditorState
{
    std::uint16_t EditorPageStart = 0;
    int caretRow = 0;
    int caretColumn = 0;
    int caretNibble = 0;
    bool characterMode = false;
};

} // namespace ravelin
