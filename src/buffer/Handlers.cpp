#include "buffer/Handlers.h"

#include "buffer/BufferCommands.h"
#include "buffer/BufferFiles.h"
#include "buffer/EditorCommands.h"

namespace ravelin::buffer {
namespace {

bool isCommand(ControlId id)
{
    switch (id) {
    case ControlId::Chk_Sum_But:
    case ControlId::Fill:
    case ControlId::File_But:
    case ControlId::Save_But:
    case ControlId::Load_But:
        return true;
    default:
        return false;
    }
}

bool handleClick(Core &core, ControlId id)
{
    if (!isCommand(id))
        return false;
    // A locked command does nothing, whatever delivered the click.
    if (!core.ui.formEnabled() || !core.ui[id].enabled)
        return true;
    switch (id) {
    case ControlId::Chk_Sum_But:
        Chk_Sum_ButClick(core);
        return true;
    case ControlId::Fill:
        FillClick(core);
        return true;
    case ControlId::File_But:
        File_ButClick(core);
        return true;
    case ControlId::Save_But:
        Save_ButClick(core);
        return true;
    case ControlId::Load_But:
        Load_ButClick(core);
        return true;
    default:
        return false;
    }
}

} // namespace

bool handleEvent(Core &core, const UiEvent &event)
{
    if (editor::handleEvent(core, event))
        return true;
    switch (event.kind) {
    case UiEventKind::Click:
        return handleClick(core, event.id);
    case UiEventKind::ItemClick:
        if (event.id == ControlId::FillBox) {
            FillBoxClick(core, event.index);
            return true;
        }
        if (event.id == ControlId::File_Type) {
            if (event.index >= 0)
                File_TypeClick(core, event.index);
            return true;
        }
        return false;
    case UiEventKind::Key:
        if (event.id != ControlId::FillEdit)
            return false;
        // A key without a character (an arrow, Delete) is the field's own.
        if (event.special == SpecialKey::None && event.key != 0)
            FillEditKeyPress(core, event.key);
        return true;
    case UiEventKind::TextSet:
        if (event.id != ControlId::FillEdit)
            return false;
        FillEditChange(core, event.text);
        return true;
    case UiEventKind::Toggled:
    case UiEventKind::FocusLost:
    case UiEventKind::MouseDown:
        return false;
    }
    return false;
}

} // namespace ravelin::buffer
