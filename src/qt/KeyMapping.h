#pragma once

#include "app/UiEvent.h"

#include <functional>
#include <optional>

class QFocusEvent;
class QKeyEvent;

namespace ravelin {

// Where the view's widgets send what the user did.
using UiSink = std::function<void(const UiEvent &)>;

// The key press as the core's key handlers see it: a character, its Latin-1
// code ('\b' for Backspace, '\r' for Enter, 27 for Escape), or, when asked for, one of the
// editor's movement keys. Nothing for every other key.
std::optional<UiEvent> keyEventFor(ControlId id, const QKeyEvent &event, bool withSpecialKeys);

// The control lost the focus to another control of the window: a box popping
// up or the user switching windows is no such move.
bool focusMovedWithinWindow(const QFocusEvent &event);

} // namespace ravelin
