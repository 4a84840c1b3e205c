#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ravelin {

// How a device command ended, as its status line says it.
enum class Outcome : std::uint8_t {
    NotRun, // no device selected: nothing was sent after the set-up
    Done, // blank, programmed, verified, read, erased
    ChipFailed, // not blank, did not program, did not verify, calibration not put back
    LinkFailed, // no programmer, or it stopped answering
    Stopped, // a stop request ended it early
};

// A word that read back other than it should: its buffer address (program
// words from 0, data EEPROM bytes from 0x2000, ID words from 0x2100).
struct WordMismatch
{
    std::uint16_t address = 0;
    std::uint16_t expected = 0;
    std::uint16_t found = 0;

    bool operator==(const WordMismatch &) const = default;
};

// What an erase of a part with a factory calibration read before it erased,
// and whether it could put it back.
struct CalibrationKept
{
    std::optional<std::uint16_t> word; // empty: code protection hid it
    std::uint16_t bandGap = 0; // configuration bits 13:12, as 0 to 3
    bool restored = false;
};

// What the chip says of itself: read from its configuration memory.
struct ChipIdentity
{
    std::array<std::uint16_t, 4> ids {};
    std::optional<std::uint16_t> deviceId; // the word at 0x2006, where the family has one
    std::uint16_t config = 0;
    std::optional<std::uint16_t> calibration; // the last program word, where it is factory data
    std::optional<std::uint16_t> bandGap; // 12F629/675: configuration bits 13:12, as 0 to 3
};

// What the last device command found, recorded as it wrote the window's lines,
// for a front end that renders results instead of reading text.
struct CommandResult
{
    Outcome outcome = Outcome::NotRun;
    std::vector<WordMismatch> mismatches; // in the order they were found
    std::optional<WordMismatch> config; // the configuration word (address 0x2007) differed
    std::optional<std::uint16_t> configRead; // the configuration word as the chip gave it
    std::optional<CalibrationKept> calibration;
    std::optional<ChipIdentity> identity;
};

// How a front end wants the program routines run where the window's timing is
// not the only sound one.
struct ProgramStyle
{
    // The 16F87xA's rows pump between them, so a stop is heard within a row
    // (the window's row phase pumps nothing).
    bool rowsHearStops = false;
    // The row routine's own read-back takes 128-word block reads instead of
    // one reply a word: the same words compared, the same decision.
    bool blockReadBack = false;
};

// Values the programming primitives and commands share.
struct OperationState
{
    std::uint16_t CurrentAddress = 0;
    std::uint16_t DataWord = 0;
    std::uint8_t TargetCommand = 0;
    std::uint8_t ReadCommand = 0;
    std::uint8_t LoadCommand = 0;
    std::uint8_t VoltageCode = 0;
    std::uint8_t ParallelControl = 0;
    std::uint16_t PulseDelaySetting = 5;
    int failureFlag = 0; // StaticText2's tag
    int programFlag = 0; // Program_Eprom's tag
    CommandResult result;
    ProgramStyle style;
    // Factory values a user gives to be written instead of the chip's own:
    // the band-gap bits (0 to 3) of a 12F629/675. The erase then does not
    // put the chip's back, and the program writes these.
    std::optional<std::uint16_t> bandGapGiven;
    // The user writes the calibration word from the buffer: the erase does
    // not put the chip's old one back over it.
    bool calibrationGiven = false;
};

} // namespace ravelin
