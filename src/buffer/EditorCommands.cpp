#include "buffer/EditorCommands.h"

#include "buffer/EditorModel.h"

#include <array>
#include <string>

namespace ravelin {
namespace {

// The address field and the jumps shown with it.
constexpr std::array<ControlId, 4> AddressControls {
    ControlId::Chg_Edit_Add, ControlId::Buf_Start, ControlId::EE_Start, ControlId::ID_Start};

void placeCaret(Core &core)
{
    core.st.editor.caretPlace = editor::caretPlaceOf(core.st.editor);
}

void emptyAddressField(Core &core)
{
    core.ui.setCaption(ControlId::Chg_Edit_Add, "");
    core.st.editor.addressTextRefused = false;
    core.st.editor.addressRejectMark = 0;
}

void jumpTo(Core &core, ControlId link, std::uint16_t pageStart)
{
    // A link acts only while the address field shows it.
    if (!core.ui[link].visible)
        return;
    core.st.editor.EditorPageStart = pageStart;
    RenderPage(core);
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

void openAddressField(Core &core)
{
    core.ui.show(ControlId::Chg_Edit_Add);
    core.st.editor.focus = ControlId::Chg_Edit_Add;
    emptyAddressField(core);
    core.ui.show(ControlId::Edit_1);
    core.ui.show(ControlId::Buf_Start);
    core.ui.show(ControlId::ID_Start);
    // Only an electrically erasable device has a data EEPROM region to jump to;
    // a device without one (the 16F72) is still offered it.
    core.ui.setVisible(ControlId::EE_Start, core.st.device.eraseFlag > 0);
}

} // namespace

void EditClick(Core &core)
{
    EditorState &ed = core.st.editor;
    core.ui.show(ControlId::Edit_1);
    ed.EditorPageStart = editor::BufferStart;
    ed.caretRow = 0;
    ed.caretColumn = 0;
    RenderPage(core);
}

void RenderPage(Core &core)
{
    EditorState &ed = core.st.editor;
    editor::startPage(ed);
    core.ui.setLines(ControlId::Edit_1, editor::pageLines(ed, core.st.buffer.DeviceBuffer));
    placeCaret(core);
    core.ui.show(ControlId::Edit_1);
    // The focus is claimed before the address field goes: the field losing it
    // must find the editor already holding it.
    ed.focus = ControlId::Edit_1;
    for (ControlId id : AddressControls)
        core.ui.hide(id);
}

void RefreshHeader(Core &core)
{
    core.ui.setLine(
        ControlId::Edit_1, 0, editor::headerLine(core.st.editor, core.st.buffer.DeviceBuffer));
}

void RefreshWord(Core &core, std::uint16_t index)
{
    const int firstWord = core.st.editor.EditorPageStart / editor::LineWords * editor::LineWords;
    const int row = (index - firstWord) / editor::LineWords;
    const std::vector<std::string> &lines = core.ui[ControlId::Edit_1].lines;
    const auto line = static_cast<std::size_t>(row + 1);
    if (index < firstWord || row >= editor::DataLines || line >= lines.size())
        return;
    std::string text = lines[line];
    editor::rewriteWord(text, index, core.st.buffer.DeviceBuffer[index]);
    core.ui.setLine(ControlId::Edit_1, line, std::move(text));
}

void Edit_1KeyPress(Core &core, char key)
{
    EditorState &ed = core.st.editor;
    const editor::KeyOutcome outcome = editor::pressKey(
        ed, core.st.buffer.DeviceBuffer, core.st.device.WordMask, key, SpecialKey::None);
    if (outcome.newPage)
        RenderPage(core);
    else if (outcome.entered)
        RefreshWord(core, *outcome.entered);
}

void Edit_1KeyDown(Core &core, SpecialKey special)
{
    EditorState &ed = core.st.editor;
    const editor::KeyOutcome outcome
        = editor::pressKey(ed, core.st.buffer.DeviceBuffer, core.st.device.WordMask, 0, special);
    if (outcome.newPage)
        RenderPage(core);
    RefreshHeader(core);
}

void Edit_1KeyUp(Core &core)
{
    // The caret goes where the caret state says, wherever the key took it.
    placeCaret(core);
}

void Edit_1MouseDown(Core &core, int line, int column)
{
    EditorState &ed = core.st.editor;
    ed.focus = ControlId::Edit_1;
    if (editor::clickAt(ed, line, column))
        openAddressField(core);
    RefreshHeader(core);
    placeCaret(core);
}

void Edit_1Exit(Core &core)
{
    EditorState &ed = core.st.editor;
    // The editor handed the focus to its own address field: Edit_1 stays
    // shown under it.
    if (ed.focus == ControlId::Chg_Edit_Add)
        return;
    ed.focus = ControlId::None;
    core.ui.hide(ControlId::Edit_1);
}

void Chg_Edit_AddKeyPress(Core &core, char key)
{
    EditorState &ed = core.st.editor;
    if (key == '\r') {
        const std::string text = core.ui[ControlId::Chg_Edit_Add].caption;
        if (!text.empty()) {
            const std::optional<std::uint16_t> start
                = ed.addressTextRefused ? std::nullopt : editor::typedPageStart(text);
            // Pasted text that is no address jumps nowhere: the page is drawn
            // again where it was.
            if (start)
                ed.EditorPageStart = *start;
            else
                emptyAddressField(core);
        }
        RenderPage(core);
        return;
    }
    // Any other key, Backspace too, marks the field: the change it makes
    // empties the whole field. The mark is the key's own, as in FillEdit.
    ed.addressRejectMark = editor::isAddressKey(key) ? 0 : 1;
}

void Chg_Edit_AddChange(Core &core, std::string_view text)
{
    if (core.st.editor.addressRejectMark != 0) {
        emptyAddressField(core);
        return;
    }
    // Shown as the field holds it; Enter refuses pasted text that is no address.
    std::string shown;
    for (char c : text.substr(0, editor::AddressDigits))
        shown += upper(c);
    core.st.editor.addressTextRefused = !text.empty() && !editor::typedPageStart(text);
    core.ui.setCaption(ControlId::Chg_Edit_Add, std::move(shown));
}

void Chg_Edit_AddExit(Core &core)
{
    EditorState &ed = core.st.editor;
    if (ed.focus == ControlId::Chg_Edit_Add)
        ed.focus = ControlId::None;
    for (ControlId id : AddressControls)
        core.ui.hide(id);
}

void Buf_StartClick(Core &core)
{
    jumpTo(core, ControlId::Buf_Start, editor::BufferStart);
}

void EE_StartClick(Core &core)
{
    jumpTo(core, ControlId::EE_Start, editor::EepromStart);
}

void ID_StartClick(Core &core)
{
    jumpTo(core, ControlId::ID_Start, editor::IdStart);
}

} // namespace ravelin

namespace ravelin::editor {
namespace {

bool handleClick(Core &core, ControlId id)
{
    switch (id) {
    case ControlId::Edit:
        // A locked command does nothing, whatever delivered the click.
        if (core.ui.formEnabled() && core.ui[id].enabled)
            EditClick(core);
        return true;
    case ControlId::Buf_Start:
        Buf_StartClick(core);
        return true;
    case ControlId::EE_Start:
        EE_StartClick(core);
        return true;
    case ControlId::ID_Start:
        ID_StartClick(core);
        return true;
    default:
        return false;
    }
}

} // namespace

bool handleEvent(Core &core, const UiEvent &event)
{
    switch (event.kind) {
    case UiEventKind::Click:
        return handleClick(core, event.id);
    case UiEventKind::Key:
        if (event.id == ControlId::Edit_1) {
            // Keys reach only an open editor: a key's character goes in before
            // the key moves the caret, and the caret is put in place last.
            if (core.ui[ControlId::Edit_1].visible) {
                core.st.editor.focus = ControlId::Edit_1;
                if (event.special == SpecialKey::None && event.key != 0)
                    Edit_1KeyPress(core, event.key);
                Edit_1KeyDown(core, event.special);
                Edit_1KeyUp(core);
            }
            return true;
        }
        if (event.id == ControlId::Chg_Edit_Add) {
            // A key without a character (an arrow, Delete) is the field's own.
            if (core.ui[ControlId::Chg_Edit_Add].visible && event.special == SpecialKey::None
                && event.key != 0)
                Chg_Edit_AddKeyPress(core, event.key);
            return true;
        }
        return false;
    case UiEventKind::MouseDown:
        if (event.id != ControlId::Edit_1)
            return false;
        if (core.ui[ControlId::Edit_1].visible)
            Edit_1MouseDown(core, event.line, event.column);
        return true;
    case UiEventKind::FocusLost:
        if (event.id == ControlId::Edit_1) {
            Edit_1Exit(core);
            return true;
        }
        if (event.id == ControlId::Chg_Edit_Add) {
            Chg_Edit_AddExit(core);
            return true;
        }
        return false;
    case UiEventKind::TextSet:
        if (event.id != ControlId::Chg_Edit_Add)
            return false;
        Chg_Edit_AddChange(core, event.text);
        return true;
    case UiEventKind::Toggled:
    case UiEventKind::ItemClick:
        return false;
    }
    return false;
}

} // namespace ravelin::editor
