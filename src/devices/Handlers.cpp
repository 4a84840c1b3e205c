#include "devices/Handlers.h"

#include "devices/ConfigEditor.h"
#include "devices/Selection.h"

#include <algorithm>

namespace ravelin::devices {
namespace {

bool isFuseBox(ControlId id)
{
    return std::ranges::find(FuseBoxes, id) != FuseBoxes.end();
}
bool isOscRadio(ControlId id)
{
    return std::ranges::find(OscRadios, id) != OscRadios.end();
}

// A control the user cannot reach: disabled itself or inside a disabled group.
bool outOfReach(const WindowModel &ui, ControlId id)
{
    const ControlId parent = controlInfo(id).parent;
    return !ui[id].enabled || (parent != ControlId::None && !ui[parent].enabled);
}

void boxToggled(Core &core, ControlId id, bool checked)
{
    if (core.ui.setChecked(id, checked))
        Osc_SettingsClick(core);
}

// A radio runs the handler when it becomes checked; its neighbours drop out
// without running it.
void radioChecked(Core &core, ControlId id)
{
    if (!core.ui.setChecked(id, true))
        return;
    for (ControlId other : OscRadios) {
        if (other != id)
            core.ui.setChecked(other, false);
    }
    Osc_SettingsClick(core);
}

void brownOutPicked(Core &core, ControlId id, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= core.ui[id].items.size())
        return;
    if (core.ui.setItemIndex(id, index))
        Osc_SettingsClick(core);
}

} // namespace

bool handleEvent(Core &core, const UiEvent &event)
{
    const ControlId id = event.id;
    switch (event.kind) {
    case UiEventKind::Click:
        if (id == ControlId::Device) {
            DeviceClick(core);
            return true;
        }
        // A click on the background of a group rebuilds the word as well.
        if (id == ControlId::Fuse_Settings || id == ControlId::Osc_Settings
            || id == ControlId::BORV1 || id == ControlId::BORV2) {
            if (!outOfReach(core.ui, id))
                Osc_SettingsClick(core);
            return true;
        }
        return false;
    case UiEventKind::Toggled:
        if (isFuseBox(id)) {
            if (!outOfReach(core.ui, id))
                boxToggled(core, id, event.checked);
            return true;
        }
        if (isOscRadio(id)) {
            // Unchecking is the neighbour's doing, already applied here.
            if (event.checked && !outOfReach(core.ui, id))
                radioChecked(core, id);
            return true;
        }
        return false;
    case UiEventKind::ItemClick:
        if (id == ControlId::Device_Box) {
            Device_BoxClick(core, event.index);
            return true;
        }
        if (id == ControlId::BORV1 || id == ControlId::BORV2) {
            if (!outOfReach(core.ui, id))
                brownOutPicked(core, id, event.index);
            return true;
        }
        return false;
    case UiEventKind::Key:
    case UiEventKind::TextSet:
    case UiEventKind::FocusLost:
    case UiEventKind::MouseDown:
        return false;
    }
    return false;
}

} // namespace ravelin::devices
