#pragma once

#include "app/Core.h"

namespace ravelin {

void Verify_EpromClick(Core &core);

} // namespace ravelin
