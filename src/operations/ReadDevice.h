#pragma once

#include "app/Core.h"

#include <cstdint>

namespace ravelin {

// How the 14-bit serial families' program memory is read: the window reads it
// word by word; the console's read takes it in 128-word block reads, the
// packets blank check and verify send. Every other part is read word by word.
enum class ProgramReading : std::uint8_t { WordByWord, Blocks };

void Move_EpromClick(Core &core, ProgramReading reading = ProgramReading::WordByWord);

} // namespace ravelin
