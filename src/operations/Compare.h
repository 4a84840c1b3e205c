#pragma once

#include "app/Core.h"

#include <cstdint>

namespace ravelin {

// What a check compares a word read from the target with: the blank value
// (blank check) or the buffer's word (verify).
using Expected = std::uint16_t (*)(const Core &core, unsigned address);

// The parallel and 12-bit routines stop at the 128th mismatch: at most 127 lines.
inline constexpr int MismatchLimit = 128;

std::uint16_t blankWord(const Core &core, unsigned address);
std::uint16_t bufferWord(const Core &core, unsigned address);

// The 16C5x present their configuration word first (not compared), then the
// program words, then the four ID words. At most 127 mismatch lines; a stop
// means no further word is read, so the last one is compared again and the
// check ends at the next mismatch.
void parallelCompare(Core &core, Expected expected);

// The 14-bit program memory in block reads, every mismatch listed; false when
// the check must end there (a stop request, a lost link).
bool blockCompare(Core &core, Expected expected);

// The four ID words from the target's current address on, listed by their
// buffer address 0x2100..0x2103; false when the link was lost.
bool compareIdWords(Core &core, Expected expected);

} // namespace ravelin
