#pragma once

#include "app/Core.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ravelin {

inline constexpr std::string_view SettingsFileName = "Ravelin.Cfg";

// Up to 29 lines are read; a line the file does not have reads as "1".
inline constexpr std::size_t SettingsSlotCount = 29;
using SettingsSlots = std::array<std::string, SettingsSlotCount>;

SettingsSlots parseSettingsText(std::string_view text);

// A line as an integer: optional blanks, an optional sign, decimal digits,
// within 32 bits.
std::optional<std::int32_t> settingsInteger(std::string_view text);

// The six lines written at close, CR LF ended.
std::string formatSettings(const Core &core);

using DeviceSelection = void (*)(Core &);

// Applies the slots in their order; a slot that is no integer is reported and
// passed over, and a bad device row selects nothing.
void applySettings(Core &core, const SettingsSlots &slots, DeviceSelection selectDevice);

// "Ravelin.Cfg" in the working directory: read once at start-up, written at close.
void RestoreSettings(Core &core);
void SaveSettings(Core &core);

} // namespace ravelin
