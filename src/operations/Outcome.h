#pragma once

#include "app/Core.h"
#include "devices/Catalogue.h"

#include <algorithm>
#include <string>

namespace ravelin {

// What a device command that reads the target ended as. A lost link takes
// precedence over a stop, since a reply time-out also sets the stop request.
enum class Ending : std::uint8_t { Completed, Stopped, LinkLost };
Ending endingOf(const Core &core);

// True when a routine should give up at once: the programmer is gone, and
// every further packet would only wait out its time-out.
bool linkLost(const Core &core);

// The routines of one command, one for each way of reaching the target.
struct Routines
{
    void (*parallel)(Core &);
    void (*serial14)(Core &);
    void (*serial12)(Core &);
};

// Runs the selected family's routine; false when no device is selected.
bool runRoutine(Core &core, const Routines &routines);

// The end of a check or verify: "No Device Was Selected." when nothing ran,
// else the failed or passed text by the failure flag, with Memo1 hidden after
// a pass; a lost link or a stop overrides either. Then the closing rule.
void finishCheck(Core &core, bool ran, const std::string &failed, const std::string &passed);

// The set-up of a device command (EnterProgrammingMode); false when the command
// cannot reach the target. With no programmer found by the last search nothing
// is sent at all: the command then ends as after a lost link, with the reason
// in Memo1, never with a result made of stale replies.
bool enterTarget(Core &core);

// A check lists only its own lines: the panel is emptied before the opening
// reset, so that a failure of that reset stays listed.
void clearMessages(Core &core);

// After a lost link: "Programmer Not Responding..." with the failure lines;
// false when the link held.
bool showLinkLost(Core &core);

// The closing rule of every device command: the idle step, whose reset is the
// command's last exchange. For an erase, or a program whose configuration
// cycle awaits no reply, it is the first to tell that the programmer stopped
// answering; for any command a failure there is the command's: the status
// line says so and the result is a lost link.
void closeCommand(Core &core);

// Puts a result on the status line unless the command did not complete:
// "Programmer Not Responding..." with the failure lines shown, or
// "Operation Stopped...".
void showOutcome(Core &core, const std::string &result);

// How the command ended, for its recorded result: whether a routine ran, and
// whether the chip failed it.
Outcome outcomeOf(const Core &core, bool ran, bool chipFailed);

// The last program word a command reaches. The settings file can bring any
// value up to 0xFFFF; the buffer's program memory ends at 0x1FFF, and no
// command reads or writes past it.
inline unsigned lastProgramWord(const Core &core)
{
    return std::min<unsigned>(core.st.device.LastProgramAddress, 0x1FFF);
}

// Whether a command leaves this address alone: the factory calibration word,
// unless Cal_Byte asks for it.
inline bool skipsCalibrationWord(const Core &core, unsigned address)
{
    return address == lastProgramWord(core)
        && factoryCalibrationOf(core.st.device.FamilyCode).lastWord
        && !core.ui[ControlId::Cal_Byte].checked;
}

// The configuration bits that stay the chip's own (the 12F629/675 band-gap bits).
inline std::uint16_t factoryConfigBits(const Core &core)
{
    return factoryCalibrationOf(core.st.device.FamilyCode).configBits;
}

// A mismatch line: the buffer address, the word expected and the word read.
std::string mismatchLine(std::uint16_t address, std::uint16_t expected, std::uint16_t found);

// A chip holds only its word width: a word read from it matches what it should
// hold when the two agree under WordMask.
inline bool matches(const Core &core, std::uint16_t found, std::uint16_t expected)
{
    const std::uint16_t mask = core.st.device.WordMask;
    return (found & mask) == (expected & mask);
}

// Appends a mismatch line, records the mismatch and sets the failure flag.
void reportMismatch(Core &core, std::uint16_t address, std::uint16_t expected, std::uint16_t found);
// Records a word that did not take its value while programming (no line: the
// program routines list none) and sets the failure flag.
void recordFailedWord(
    Core &core, std::uint16_t address, std::uint16_t expected, std::uint16_t found);
// The configuration word read differs: the given line, the record, the flag.
void reportConfigMismatch(
    Core &core, std::uint16_t expected, std::uint16_t found, const std::string &line);

} // namespace ravelin
