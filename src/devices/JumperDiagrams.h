#pragma once

#include "app/Controls.h"

#include <array>
#include <span>
#include <string_view>

namespace ravelin {

// The seven socket and jumper drawings, in the order the selection hides them.
inline constexpr std::array<ControlId, 7> JumperDiagrams {ControlId::Jmp_8, ControlId::Jmp_18P,
    ControlId::Jmp_18S, ControlId::Jmp_28P, ControlId::Jmp_28S, ControlId::Jmp_40,
    ControlId::Jmp_64};

// The lines of a drawing; empty for a control that is not one.
std::span<const std::string_view> jumperDrawing(ControlId diagram);

} // namespace ravelin
