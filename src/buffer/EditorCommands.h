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

// A key in Edit_1: a character (entered first), or a movement key.
void Edit_1KeyDown(Core &core, char key, SpecialKey special);
// A click at (line, column) of Edit_1's lines.
void Edit_1MouseDown(Core &core, int line, int column);
// Edit_1 lost the keyboard focus: the editor closes, every change kept.
void Edit_1Exit(Core &core);

void Chg_Edit_AddKeyPress(Core &core, char key);
// Text that reached Chg_Edit_Add other than by typing.
void Chg_Edit_AddTextSet(Core &core, std::string_view text);
void Chg_Edit_AddExit(Core &core);

void Buf_StartClick(Core &core);
void EE_StartClick(Core &core);
void ID_StartClick(Core &core);

} // namespace ravelin

namespace ravelin::editor {

// The user input of the buffer editor; false when the event is not its own.
bool handleEvent(Core &core, const UiEvent &event);

} // namespace ravelin::editor
