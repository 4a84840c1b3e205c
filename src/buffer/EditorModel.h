#pragma once

#include "app/UiEvent.h"
#include "buffer/BufferState.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The buffer editor's page and caret as plain data: what the page shows, where
// the caret stands and what a key or a click does to both. No window here.
namespace ravelin::editor {

using Words = std::array<std::uint16_t, BufferState::Words>;

inline constexpr int LineWords = 8;
inline constexpr int DataLines = 16;
inline constexpr std::uint16_t PageWords = LineWords * DataLines;
inline constexpr std::size_t LineLength = 56;
inline constexpr std::size_t PageLines = DataLines + 1; // the header and the data lines

// Where a data line's parts begin.
inline constexpr int HexColumn = 6; // word c's digits at 6 + 5c
inline constexpr int WordStride = 5;
inline constexpr int CharacterColumn = 48; // word c's character at 48 + c

// The jumps: the start of the buffer, of the data EEPROM and of the ID words.
inline constexpr std::uint16_t BufferStart = 0x0000;
inline constexpr std::uint16_t EepromStart = 0x2000;
inline constexpr std::uint16_t IdStart = 0x2100;

// Paging stops before the end of the buffer: the last page starts at the ID words.
inline constexpr std::uint16_t PastBuffer = 0x3000;
inline constexpr std::uint16_t PastLastPage = 0x2180;
inline constexpr std::uint16_t LastPage = 0x2100;

// A typed address starts a page on a 16-word boundary inside the buffer.
inline constexpr std::uint16_t TypedAddressMask = 0x3FF0;
inline constexpr std::size_t AddressDigits = 4;

// A click position counts each line as its 56 characters and a two-character
// line break; the header's first 17 characters ("Address = ", the address and
// three spaces) open the address field.
inline constexpr int PlacesPerLine = 58;
inline constexpr int AddressFieldPlaces = 17;

// The page start as a page can show it.
std::uint16_t limitedPageStart(std::uint16_t start);

// The index of the word under the caret.
std::uint16_t caretWord(const EditorState &editor);
// Where the caret goes in the text for the entry mode.
TextPlace caretPlaceOf(const EditorState &editor);

std::string headerLine(const EditorState &editor, const Words &words);
// The data line that starts at the given word index.
std::string dataLine(const Words &words, std::uint16_t firstWord);
// The header and the 16 data lines of the page.
std::vector<std::string> pageLines(const EditorState &editor, const Words &words);
// Rewrites, in the data line that holds the word, its four digits and its character.
void rewriteWord(std::string &line, std::uint16_t index, std::uint16_t value);

// The caret state a new page starts with: the page start limited, digit 0.
void startPage(EditorState &editor);

struct KeyOutcome
{
    std::optional<std::uint16_t> entered; // the word the key's character changed
    bool newPage = false; // the page moved: every line is rebuilt
};

// One key in the editor: its character is entered first, then the key moves
// the caret and the wrap rules run.
KeyOutcome pressKey(
    EditorState &editor, Words &words, std::uint16_t wordMask, char key, SpecialKey special);

// A click at (line, column) of the text: moves the caret and chooses the entry
// mode. True when the click was on the header's address.
bool clickAt(EditorState &editor, int line, int column);

// A typed address as a page start: 1 to 4 hexadecimal digits, or nothing.
std::optional<std::uint16_t> typedPageStart(std::string_view text);
// Whether a key may go into the address field.
bool isAddressKey(char key);

} // namespace ravelin::editor
