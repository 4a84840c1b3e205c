#pragma once

#include "app/Core.h"

namespace ravelin {

void Move_EpromClick(Core &core);

} // namespace ravelin
