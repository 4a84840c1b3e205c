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
void FillEditKeyPress(Core &core, char key);
// Text that reached FillEdit other than by typing.
void FillEditTextSet(Core &core, std::string_view text);

} // namespace ravelin
