#pragma once

#include "app/Core.h"
#include "devices/ConfigLayouts.h"

#include <array>
#include <cstdint>

namespace ravelin {

// The states of the editor's controls that the word and the rebuild touch.
struct EditorPanel
{
    struct Knob
    {
        bool checked = false;
        bool enabled = false;
    };
    struct Group
    {
        bool visible = false;
        bool enabled = true;
        int item = 0;
    };

    std::array<Knob, 10> boxes; // in FuseBoxes order
    std::array<Knob, 8> radios; // in OscRadios order
    Group borv1;
    Group borv2;

    Knob &box(ControlId id);
    const Knob &box(ControlId id) const;
    Group &group(BrownOutGroup which);
    const Group &group(BrownOutGroup which) const;
};

EditorPanel readPanel(const WindowModel &ui);
// Puts the states on the window as they are; runs no handler.
void writePanel(WindowModel &ui, const EditorPanel &panel);

// The controls as showing a word leaves them, and whether it changed a state
// that runs the click handler: a check box either way, a radio button becoming
// checked, a brown-out group's item. Enabling, captions and a radio button
// unchecked by its neighbour do not count.
struct ShownWord
{
    EditorPanel panel;
    bool changed = false;
};
ShownWord showWord(Family family, std::uint16_t word, const EditorPanel &current);

// The word the controls stand for under a layout.
std::uint16_t rebuildWord(const ConfigLayout &layout, const EditorPanel &panel, std::uint16_t word);

// The oscillator field of a layout into the radios and out of them.
bool ShowBasicOscillator(EditorPanel &panel, const ConfigLayout &layout, std::uint16_t word);
bool ShowRcOscillator(EditorPanel &panel, std::uint16_t word);
std::uint16_t ReadBasicOscillator(const EditorPanel &panel, const ConfigLayout &layout);

// Sets the editor's controls from ConfigWord for the selected family.
void ShowConfigWord(Core &core);
// Fuse_Data's caption: "Fuse = " and ConfigWord.
void ShowFuseData(Core &core);
// The click handler of every editor control: rebuilds ConfigWord from the
// controls (once the editor has been shown) and shows it on Fuse_Data.
void Osc_SettingsClick(Core &core);

} // namespace ravelin
