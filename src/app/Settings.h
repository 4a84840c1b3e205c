#pragma once

#include "app/Core.h"

namespace ravelin {

// "Ravelin.Cfg" in the working directory: read once at start-up, written at close.
void RestoreSettings(Core &core);
void SaveSettings(Core &core);

} // namespace ravelin
