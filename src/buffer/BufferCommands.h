#pragma once

#include "app/Core.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace ravelin {

inline constexpr std::array<std::string_view, 4> FillChoices {
    "Fill Buffer With 0000", "Fill Buffer With FFFF", "Fill Buffer With XXXX", "Cancel"};

// The checksum over program memory, as stored, 16 bits wide.
std::uint16_t bufferChecksum(const AppState &st);

void ComputeChecksum(Core &core);
void Chk_Sum_ButClick(Core &core);
void FillClick(Core &core);
void FillBoxClick(Core &core, int index);
// A character typed in FillEdit: Enter fills, a character that is no
// hexadecimal digit marks the field for emptying.
void FillEditKeyPress(Core &core, char key);
// FillEdit's text changed, typed or pasted.
void FillEditChange(Core &core, std::string_view text);

} // namespace ravelin
