#pragma once

#include "app/Core.h"
#include "app/UiEvent.h"

#include <cstdint>
#include <string_view>

namespace ravelin {

// "&Edit Buffer": the editor at the start of the buffer, entry mode as it was.
void EditClick(Core &core);
// Rebuilds every line of Edit_1 from the page start and gives the editor the focus.
void RenderPage(Core &core);
// Rewrites the header line only.
void RefreshHeader(Core &core);
// Rewrites, in the data line that holds the word, its digits and its character.
void RefreshWord(Core &core, std::uint16_t index);

// A character typed in Edit_1: stored at the caret, which moves on.
void Edit_1KeyPress(Core &core, char key);
// A key in Edit_1, after its character went in: the caret moves and wraps.
void Edit_1KeyDown(Core &core, SpecialKey special);
// The key was let go: the control's caret goes where the editor's state says.
void Edit_1KeyUp(Core &core);
// A click at (line, column) of Edit_1's lines.
void Edit_1MouseDown(Core &core, int line, int column);
// Edit_1 lost the keyboard focus: the editor closes, every change kept.
void Edit_1Exit(Core &core);

// Enter jumps; a character that is no hexadecimal digit marks the field for emptying.
void Chg_Edit_AddKeyPress(Core &core, char key);
// Chg_Edit_Add's text changed, typed or pasted.
void Chg_Edit_AddChange(Core &core, std::string_view text);
void Chg_Edit_AddExit(Core &core);

void Buf_StartClick(Core &core);
void EE_StartClick(Core &core);
void ID_StartClick(Core &core);

} // namespace ravelin

namespace ravelin::editor {

// The user input of the buffer editor; false when the event is not its own.
bool handleEvent(Core &core, const UiEvent &event);

} // namespace ravelin::editor
