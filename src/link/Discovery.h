#pragma once

#include "app/Core.h"

namespace ravelin {

// The oldest firmware this program works with: version 1.20.
inline constexpr std::int32_t RequiredFirmwareVersion = 1 * 256 + 20;

// Both boxes of the search stand here on the screen.
inline constexpr ScreenPoint DiscoveryBoxPosition {375, 325};

void FindProgrammer(Core &core);

} // namespace ravelin
