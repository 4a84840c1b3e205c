#pragma once

#include "app/Core.h"

#include <cstdint>

namespace ravelin {

void Program_EpromClick(Core &core);

// The configuration word alone, as the device's routine writes it at its end,
// then read back and judged: for a front end that programs and verifies with
// the protection off and turns it on last. Every bit only goes from 1 to 0,
// so the one-time parts take it too.
void ProgramConfigurationWord(Core &core);

// One serial word: load, data, Begin Erase/Programming, 20 ms, read back (and
// compare under the word width when asked), Increment. Also the data EEPROM's.
void FlashProgramWord(Core &core, std::uint16_t word, bool compare);

// The length of one EPROM pulse: an uncalibrated spin of PulseDelaySetting x 100
// iterations between the commands that start and end it.
void spinPulse(std::uint16_t pulseDelaySetting);

} // namespace ravelin
