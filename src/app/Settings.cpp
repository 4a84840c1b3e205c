#include "app/Settings.h"

namespace ravelin {

// The settings file arrives with the buffer and file commands; until then a
// run starts from the defaults and keeps nothing.
void RestoreSettings(Core &) { }

void SaveSettings(Core &) { }

} // namespace ravelin
