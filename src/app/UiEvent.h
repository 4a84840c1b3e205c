#pragma once

#include "app/Controls.h"

#include <string>

namespace ravelin {

// Keys that are not characters, as the buffer editor and the edits need them.
enum class SpecialKey : std::uint8_t {
    None,
    Left,
    Right,
    Up,
    Down,
    PageUp,
    PageDown,
    Home,
    End,
    Delete,
};

enum class UiEventKind : std::uint8_t {
    Click, // a button, a static text, a group box's background
    Toggled, // a check box or radio button the user changed; checked says to what
    ItemClick, // a list box row or a radio group item; index
    Key, // a key pressed while the control has the focus: key (a character,
         // '\b' Backspace, '\r' Enter) or special
    TextSet, // text reached an edit other than by typing (pasted, dropped): text
    FocusLost,
    MouseDown, // in a text control at (line, column) of its text
};

// One piece of user input, as the view forwards it to the core.
struct UiEvent
{
    UiEventKind kind = UiEventKind::Click;
    ControlId id = ControlId::None;
    char key = 0;
    SpecialKey special = SpecialKey::None;
    bool checked = false;
    int index = -1;
    int line = 0;
    int column = 0;
    std::string text;

    static UiEvent of(UiEventKind kind, ControlId id)
    {
        UiEvent event;
        event.kind = kind;
        event.id = id;
        return event;
    }
};

} // namespace ravelin
