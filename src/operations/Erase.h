#pragma once

#include "app/Core.h"

namespace ravelin {

void Erase_ButClick(Core &core);

} // namespace ravelin
