#include "qt/KeyMapping.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace ravelin {
namespace {

SpecialKey specialKeyOf(int key)
{
    switch (key) {
    case Qt::Key_Left:
        return SpecialKey::Left;
    case Qt::Key_Right:
        return SpecialKey::Right;
    case Qt::Key_Up:
        return SpecialKey::Up;
    case Qt::Key_Down:
        return SpecialKey::Down;
    case Qt::Key_PageUp:
        return SpecialKey::PageUp;
    case Qt::Key_PageDown:
        return SpecialKey::PageDown;
    case Qt::Key_Home:
        return SpecialKey::Home;
    case Qt::Key_End:
        return SpecialKey::End;
    case Qt::Key_Delete:
        return SpecialKey::Delete;
    default:
        return SpecialKey::None;
    }
}

std::optional<char> characterOf(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Backspace:
        return '\b';
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return '\r';
    case Qt::Key_Escape:
        return '\x1b';
    default:
        break;
    }
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    const QString text = event.text();
    if (text.size() != 1)
        return std::nullopt;
    // A character is a byte from 0 to 255, as the window's 8-bit character set
    // has it: Latin-1 letters keep their code, a character beyond it arrives
    // as '?', and control characters are no characters at all.
    const char16_t code = text.front().unicode();
    if (code < 0x20 || (code >= 0x7F && code < 0xA0))
        return std::nullopt;
    if (code > 0xFF)
        return '?';
    return static_cast<char>(static_cast<unsigned char>(code));
}

} // namespace

std::optional<UiEvent> keyEventFor(ControlId id, const QKeyEvent &event, bool withSpecialKeys)
{
    UiEvent ui = UiEvent::of(UiEventKind::Key, id);
    if (const std::optional<char> c = characterOf(event)) {
        ui.key = *c;
        return ui;
    }
    if (!withSpecialKeys)
        return std::nullopt;
    ui.special = specialKeyOf(event.key());
    if (ui.special == SpecialKey::None)
        return std::nullopt;
    return ui;
}

bool focusMovedWithinWindow(const QFocusEvent &event)
{
    switch (event.reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        return false;
    default:
        return true;
    }
}

} // namespace ravelin
