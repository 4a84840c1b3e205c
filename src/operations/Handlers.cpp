#include "operations/Handlers.h"

namespace ravelin::operations {

bool handleEvent(Core &, const UiEvent &) { return false; }

} // namespace ravelin::operations
