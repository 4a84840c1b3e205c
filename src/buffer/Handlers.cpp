#include "buffer/Handlers.h"

namespace ravelin::buffer {

bool handleEvent(Core &, const UiEvent &) { return false; }

} // namespace ravelin::buffer
