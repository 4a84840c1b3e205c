#include "operations/Handlers.h"

#include "operations/BlankCheck.h"
#include "operations/DataEeprom.h"
#include "operations/Erase.h"
#include "operations/Program.h"
#include "operations/ReadDevice.h"
#include "operations/Verify.h"

namespace ravelin::operations {

bool handleEvent(Core &core, const UiEvent &event)
{
    if (event.kind != UiEventKind::Click)
        return false;
    switch (event.id) {
    case ControlId::Program_Eprom:
        Program_EpromClick(core);
        return true;
    case ControlId::Erase_But:
        Erase_ButClick(core);
        return true;
    case ControlId::Prg_EE:
        Prg_EEClick(core);
        return true;
    case ControlId::Verify_EE:
        Verify_EEClick(core);
        return true;
    case ControlId::Blank_Chk:
        Blank_ChkClick(core);
        return true;
    case ControlId::Verify_Eprom:
        Verify_EpromClick(core);
        return true;
    case ControlId::Move_Eprom:
        Move_EpromClick(core);
        return true;
    default:
        return false;
    }
}

} // namespace ravelin::operations
