#include "devices/Handlers.h"

namespace ravelin::devices {

bool handleEvent(Core &, const UiEvent &) { return false; }

} // namespace ravelin::devices
