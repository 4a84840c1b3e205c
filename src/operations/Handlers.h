#pragma once

#include "app/Core.h"
#include "app/UiEvent.h"

namespace ravelin::operations {

// The user input this area answers; false when the event is not its own.
bool handleEvent(Core &core, const UiEvent &event);

} // namespace ravelin::operations
