#pragma once

#include "app/Core.h"

#include <array>
#include <cstdint>
#include <functional>

namespace ravelin {

// The target's serial programming commands this program sends.
namespace target {
inline constexpr std::uint8_t LoadConfiguration = 0;
inline constexpr std::uint8_t LoadProgram = 2;
inline constexpr std::uint8_t LoadData = 3;
inline constexpr std::uint8_t ReadProgram = 4;
inline constexpr std::uint8_t ReadData = 5;
inline constexpr std::uint8_t Increment = 6;
inline constexpr std::uint8_t BeginProgramming = 8;
} // namespace target

// Applies the supplies chosen with V_Verify and puts the target into
// programming mode: serially for the 14- and 12-bit serial families, over the
// parallel lines for the 16C5x.
void EnterProgrammingMode(Core &core);

// Parallel mode: reads the word the target presents, then moves it on.
void ParallelReadWord(Core &core);

// Serial mode.
void SendTargetCommand(Core &core);
void SendDataWord(Core &core);
void ReadWord(Core &core);
void ReadWordAndIncrement(Core &core);
// 128 words from the target's current address on, high byte first in the reply.
void ReadBlock(Core &core);
std::uint16_t blockWord(const Core &core, std::size_t k);

// Sends one serial command (TargetCommand = command, then SendTargetCommand).
void sendCommand(Core &core, std::uint8_t command);

// Load Configuration with a blank data word: the target stands at 0x2000,
// the first ID word.
void toConfigurationSpace(Core &core);
// Then seven Increments on: the target stands at its configuration word.
void toConfigurationWord(Core &core);

// Program memory 0..last in 128-word block reads (ReadCommand set by the
// caller), each word handed to the visitor with its address. The target's
// address counter moves on by a whole block. False when the link was lost or
// the visitor asked to end (it returns false).
using BlockVisitor = std::function<bool(std::uint16_t address, std::uint16_t word)>;
bool readProgramBlocks(Core &core, unsigned last, const BlockVisitor &visit);

// Shows CurrentAddress on the address display.
void showAddress(Core &core);

// The supply patterns of the two set-ups, by V_Verify item (3, 5, 6 volts).
inline constexpr std::array<std::uint8_t, 3> SerialVoltageCodes {0x36, 0x32, 0xF2};
inline constexpr std::array<std::uint8_t, 3> ParallelVoltageCodes {0x7F, 0x7B, 0xFB};

} // namespace ravelin
