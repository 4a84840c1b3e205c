#include "devices/ConfigEditor.h"

#include "app/Format.h"

#include <algorithm>

namespace ravelin {
namespace {

template<std::size_t Count>
std::size_t slotOf(const std::array<ControlId, Count> &ids, ControlId id)
{
    return static_cast<std::size_t>(std::find(ids.begin(), ids.end(), id) - ids.begin());
}

bool isOn(std::uint16_t word, unsigned bit)
{
    return ((word >> bit) & 1U) != 0;
}

// Checks one radio; its neighbours drop out. True when it was not checked.
bool checkRadio(EditorPanel &panel, std::size_t slot)
{
    const bool changed = !panel.radios[slot].checked;
    for (std::size_t i = 0; i < panel.radios.size(); ++i)
        panel.radios[i].checked = i == slot;
    return changed;
}

bool checkBox(EditorPanel &panel, ControlId id)
{
    EditorPanel::Knob &knob = panel.box(id);
    const bool changed = !knob.checked;
    knob.checked = true;
    return changed;
}

} // namespace

EditorPanel::Knob &EditorPanel::box(ControlId id)
{
    return boxes[slotOf(FuseBoxes, id)];
}

const EditorPanel::Knob &EditorPanel::box(ControlId id) const
{
    return boxes[slotOf(FuseBoxes, id)];
}

EditorPanel::Group &EditorPanel::group(BrownOutGroup which)
{
    return which == BrownOutGroup::Borv1 ? borv1 : borv2;
}

const EditorPanel::Group &EditorPanel::group(BrownOutGroup which) const
{
    return which == BrownOutGroup::Borv1 ? borv1 : borv2;
}

EditorPanel readPanel(const WindowModel &ui)
{
    EditorPanel panel;
    for (std::size_t i = 0; i < FuseBoxes.size(); ++i)
        panel.boxes[i] = {ui[FuseBoxes[i]].checked, ui[FuseBoxes[i]].enabled};
    for (std::size_t i = 0; i < OscRadios.size(); ++i)
        panel.radios[i] = {ui[OscRadios[i]].checked, ui[OscRadios[i]].enabled};
    const auto group = [&](ControlId id) -> EditorPanel::Group {
        return {ui[id].visible, ui[id].enabled, ui[id].itemIndex};
    };
    panel.borv1 = group(ControlId::BORV1);
    panel.borv2 = group(ControlId::BORV2);
    return panel;
}

void writePanel(WindowModel &ui, const EditorPanel &panel)
{
    const auto knob = [&](ControlId id, const EditorPanel::Knob &state) {
        ui.setChecked(id, state.checked);
        ui.setEnabled(id, state.enabled);
    };
    for (std::size_t i = 0; i < FuseBoxes.size(); ++i)
        knob(FuseBoxes[i], panel.boxes[i]);
    // Unchecked first, so the radios are never seen two at a time.
    for (std::size_t i = 0; i < OscRadios.size(); ++i) {
        if (!panel.radios[i].checked)
            knob(OscRadios[i], panel.radios[i]);
    }
    for (std::size_t i = 0; i < OscRadios.size(); ++i) {
        if (panel.radios[i].checked)
            knob(OscRadios[i], panel.radios[i]);
    }
    const auto group = [&](ControlId id, const EditorPanel::Group &state) {
        ui.setItemIndex(id, state.item);
        ui.setEnabled(id, state.enabled);
        ui.setVisible(id, state.visible);
    };
    group(ControlId::BORV1, panel.borv1);
    group(ControlId::BORV2, panel.borv2);
}

bool ShowBasicOscillator(EditorPanel &panel, const ConfigLayout &layout, std::uint16_t word)
{
    // The RC extension's b4 is not part of the basic choice: bits 1..0 pick
    // among the first four radios before the RC radios are looked at.
    const std::uint16_t mask = layout.rcExtension ? 0x0003 : layout.oscMask;
    const std::int16_t value = static_cast<std::int16_t>(word & mask);
    for (std::size_t i = 0; i < layout.oscValues.size(); ++i) {
        if (layout.oscValues[i] == value)
            return checkRadio(panel, i);
    }
    return false; // no radio stands for it: the one checked before stays
}

bool ShowRcOscillator(EditorPanel &panel, std::uint16_t word)
{
    const unsigned value = word & 0x13U;
    if (value < 0x10)
        return false;
    return checkRadio(panel, slotOf(OscRadios, ControlId::Int_RC_IO) + (value - 0x10));
}

std::uint16_t ReadBasicOscillator(const EditorPanel &panel, const ConfigLayout &layout)
{
    for (std::size_t i = 0; i < panel.radios.size(); ++i) {
        if (panel.radios[i].checked && layout.oscValues[i] != NoValue)
            return static_cast<std::uint16_t>(layout.oscValues[i]);
    }
    return 0;
}

ShownWord showWord(Family family, std::uint16_t word, const EditorPanel &current)
{
    ShownWord shown {current, false};
    EditorPanel &panel = shown.panel;

    // Every control back to rest; the radios keep their checked state.
    for (EditorPanel::Knob &radio : panel.radios)
        radio.enabled = false;
    for (std::size_t i = 0; i < panel.boxes.size(); ++i) {
        shown.changed = shown.changed || panel.boxes[i].checked;
        panel.boxes[i].checked = false;
        if (FuseBoxes[i] != ControlId::Protec)
            panel.boxes[i].enabled = false;
    }
    panel.borv1.visible = false;
    panel.borv2.visible = false;

    const ConfigLayout *layout = layoutOf(family);
    if (layout == nullptr)
        return shown;

    for (std::size_t i = 0; i < panel.radios.size(); ++i)
        panel.radios[i].enabled = layout->oscLive[i];
    for (const FuseBit &fuse : layout->fuseBits())
        panel.box(fuse.box).enabled = true;

    // Boxes are only ever checked here; the reset above cleared them.
    bool changed = ShowBasicOscillator(panel, *layout, word);
    if (layout->rcExtension)
        changed = ShowRcOscillator(panel, word) || changed;
    for (const FuseBit &fuse : layout->fuseBits()) {
        if (isOn(word, fuse.bit) == (fuse.sense == Sense::On))
            changed = checkBox(panel, fuse.box) || changed;
    }
    if (!isOn(word, layout->protectBit))
        changed = checkBox(panel, ControlId::Protec) || changed;

    if (layout->brownOut != BrownOutGroup::None) {
        EditorPanel::Group &group = panel.group(layout->brownOut);
        group.visible = true;
        const int item
            = layout->brownOut == BrownOutGroup::Borv1 ? (word >> 7) & 1 : (word >> 10) & 3;
        changed = changed || group.item != item;
        group.item = item;
    }
    shown.changed = shown.changed || changed;
    return shown;
}

std::uint16_t rebuildWord(const ConfigLayout &layout, const EditorPanel &panel, std::uint16_t word)
{
    std::uint32_t result = layout.keepsCalibration ? (word & 0x3000U) : layout.startValue;
    result |= ReadBasicOscillator(panel, layout);
    for (const FuseBit &fuse : layout.fuseBits()) {
        if (panel.box(fuse.box).checked == (fuse.sense == Sense::On))
            result |= 1U << fuse.bit;
    }
    if (!panel.box(ControlId::Protec).checked)
        result |= layout.protectOffMask;
    if (layout.brownOut != BrownOutGroup::None) {
        const int item = panel.group(layout.brownOut).item;
        const unsigned shift = layout.brownOut == BrownOutGroup::Borv1 ? 7 : 10;
        const unsigned width = layout.brownOut == BrownOutGroup::Borv1 ? 1 : 3;
        if (item > 0)
            result |= (static_cast<unsigned>(item) & width) << shift;
    }
    return static_cast<std::uint16_t>(result);
}

void ShowFuseData(Core &core)
{
    core.ui.setCaption(ControlId::Fuse_Data, "Fuse = " + hex4(core.st.device.ConfigWord));
}

void ShowConfigWord(Core &core)
{
    DeviceState &device = core.st.device;
    device.refreshGuard = 0;
    const ShownWord shown = showWord(device.FamilyCode, device.ConfigWord, readPanel(core.ui));
    const ConfigLayout *layout = layoutOf(device.FamilyCode);
    const std::array<std::string_view, 4> &captions
        = layout != nullptr ? layout->oscCaptions : PlainOscCaptions;
    for (std::size_t i = 0; i < captions.size(); ++i)
        core.ui.setCaption(OscRadios[i], std::string(captions[i]));
    writePanel(core.ui, shown.panel);
    // Each of those changes ran the click handler, which with the guard down
    // only brings the caption in line with the word.
    if (shown.changed)
        Osc_SettingsClick(core);
    device.refreshGuard = 1;
}

void Osc_SettingsClick(Core &core)
{
    DeviceState &device = core.st.device;
    const ConfigLayout *layout = layoutOf(device.FamilyCode);
    if (device.refreshGuard == 1 && layout != nullptr) {
        device.ConfigWord = rebuildWord(*layout, readPanel(core.ui), device.ConfigWord);
        // The brown-out voltage only matters while brown-out detection is on.
        if (layout->brownOut != BrownOutGroup::None) {
            const ControlId group
                = layout->brownOut == BrownOutGroup::Borv1 ? ControlId::BORV1 : ControlId::BORV2;
            core.ui.setEnabled(group, isOn(device.ConfigWord, 6));
        }
    }
    ShowFuseData(core);
}

} // namespace ravelin
