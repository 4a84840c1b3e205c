#pragma once

#include "app/Core.h"

namespace ravelin {

void Prg_EEClick(Core &core);
void Verify_EEClick(Core &core);

} // namespace ravelin
