#pragma once

#include "app/Core.h"

namespace ravelin {

// Reads what the chip says of itself into the result's identity: the four ID
// words, the configuration word, the device ID word where the family has one
// and, when asked (it costs the reads of the whole program memory), the
// factory calibration word and band-gap bits. The buffer is not touched.
void ReadChipIdentity(Core &core, bool withCalibration);

// Reads the chip's data EEPROM into the buffer's data EEPROM region, only when
// the whole of it was read (and the programmer answered the closing reset).
void ReadDataEeprom(Core &core);

} // namespace ravelin
