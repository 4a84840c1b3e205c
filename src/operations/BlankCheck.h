#pragma once

#include "app/Core.h"

namespace ravelin {

void Blank_ChkClick(Core &core);

} // namespace ravelin
