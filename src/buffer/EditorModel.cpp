#include "buffer/EditorModel.h"

#include "app/Format.h"

#include <algorithm>

namespace ravelin::editor {
namespace {

constexpr std::string_view HexDigits = "0123456789ABCDEF";
constexpr std::string_view AddressKeys = "1234567890ABCDEFabcdef";

std::optional<unsigned> hexDigit(char c)
{
    const char upper = c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    const std::size_t digit = HexDigits.find(upper);
    if (digit == std::string_view::npos || c == 0)
        return std::nullopt;
    return static_cast<unsigned>(digit);
}

// A low byte from 0x20 to 0x7F shows as itself, every other as a point.
char shownCharacter(std::uint16_t word)
{
    const auto low = static_cast<unsigned>(word & 0xFF);
    return low >= 0x20 && low <= 0x7F ? static_cast<char>(low) : '.';
}

// Enters one hexadecimal digit at the caret's nibble; the word keeps only the
// bits the chip holds.
void enterDigit(EditorState &editor, std::uint16_t &word, unsigned digit, std::uint16_t wordMask)
{
    const int shift = 4 * (3 - editor.caretNibble);
    const unsigned kept = word & ~(0xFu << shift) & 0xFFFFu;
    word = static_cast<std::uint16_t>((kept | (digit << shift)) & wordMask);
    if (editor.caretNibble == 3) {
        editor.caretNibble = 0;
        ++editor.caretColumn;
    } else {
        ++editor.caretNibble;
    }
}

// True when the character went into the word.
bool enterCharacter(EditorState &editor, Words &words, std::uint16_t wordMask, char key)
{
    std::uint16_t &word = words[caretWord(editor)];
    switch (editor.entryMode) {
    case EntryMode::Character:
        // A character is a byte as typed, never masked.
        word = static_cast<unsigned char>(key);
        ++editor.caretColumn;
        return true;
    case EntryMode::Hex:
        if (const std::optional<unsigned> digit = hexDigit(key)) {
            enterDigit(editor, word, *digit, wordMask);
            return true;
        }
        // Anything but a hexadecimal digit is ignored.
        return false;
    }
    return false;
}

void moveBy(EditorState &editor, SpecialKey special, bool &newPage)
{
    switch (special) {
    case SpecialKey::PageUp:
        editor.EditorPageStart = static_cast<std::uint16_t>(editor.EditorPageStart - PageWords);
        startPage(editor);
        newPage = true;
        return;
    case SpecialKey::PageDown:
        editor.EditorPageStart = static_cast<std::uint16_t>(editor.EditorPageStart + PageWords);
        startPage(editor);
        newPage = true;
        return;
    case SpecialKey::End:
        // One past the last word: the wrap takes it to the next line.
        editor.caretColumn = LineWords;
        return;
    case SpecialKey::Home:
        editor.caretColumn = 0;
        return;
    case SpecialKey::Left:
        // The nibble steps in character mode too: there the caret moves one
        // character per four presses.
        if (editor.caretNibble > 0) {
            --editor.caretNibble;
        } else {
            --editor.caretColumn;
            editor.caretNibble = 3;
        }
        return;
    case SpecialKey::Right:
        if (editor.caretNibble == 3) {
            ++editor.caretColumn;
            editor.caretNibble = 0;
        } else {
            ++editor.caretNibble;
        }
        return;
    case SpecialKey::Up:
        --editor.caretRow;
        return;
    case SpecialKey::Down:
        ++editor.caretRow;
        return;
    case SpecialKey::None:
    case SpecialKey::Delete:
        return;
    }
}

void wrap(EditorState &editor, bool &newPage)
{
    if (editor.caretColumn == -1) {
        editor.caretColumn = LineWords - 1;
        --editor.caretRow;
    }
    if (editor.caretColumn == LineWords) {
        editor.caretColumn = 0;
        ++editor.caretRow;
    }
    if (editor.caretRow < 0) {
        editor.caretRow = DataLines - 1;
        editor.caretColumn = LineWords - 1;
        editor.EditorPageStart = static_cast<std::uint16_t>(editor.EditorPageStart - PageWords);
        startPage(editor);
        newPage = true;
    }
    if (editor.caretRow == DataLines) {
        editor.caretRow = 0;
        editor.caretColumn = 0;
        editor.EditorPageStart = static_cast<std::uint16_t>(editor.EditorPageStart + PageWords);
        startPage(editor);
        newPage = true;
    }
}

} // namespace

std::uint16_t limitedPageStart(std::uint16_t start)
{
    // A step back from page 0 wraps the unsigned start past the buffer.
    if (start >= PastBuffer)
        start = BufferStart;
    if (start >= PastLastPage)
        start = LastPage;
    return start;
}

std::uint16_t caretWord(const EditorState &editor)
{
    return static_cast<std::uint16_t>(
        editor.EditorPageStart + LineWords * editor.caretRow + editor.caretColumn);
}

TextPlace caretPlaceOf(const EditorState &editor)
{
    switch (editor.entryMode) {
    case EntryMode::Hex:
        return {
            editor.caretRow + 1, HexColumn + WordStride * editor.caretColumn + editor.caretNibble};
    case EntryMode::Character:
        return {editor.caretRow + 1, CharacterColumn + editor.caretColumn};
    }
    return {};
}

std::string headerLine(const EditorState &editor, const Words &words)
{
    const std::uint16_t index = caretWord(editor);
    const std::uint16_t word = words[index];
    // The header shows the low byte only, as 00 and the byte.
    std::string line = "Address = " + hex4(index) + "      Hex Data = 00" + hex2(word & 0xFF)
        + "       Ascii Data = ";
    line += shownCharacter(word);
    return line;
}

std::string dataLine(const Words &words, std::uint16_t firstWord)
{
    std::string line = hex4(firstWord) + "  ";
    std::string characters;
    for (int c = 0; c < LineWords; ++c) {
        const std::uint16_t word = words[static_cast<std::size_t>(firstWord + c)];
        line += hex4(word) + " ";
        characters += shownCharacter(word);
    }
    return line + "  " + characters;
}

std::vector<std::string> pageLines(const EditorState &editor, const Words &words)
{
    std::vector<std::string> lines;
    lines.reserve(PageLines);
    lines.push_back(headerLine(editor, words));
    const int firstLine = editor.EditorPageStart / LineWords;
    for (int k = 0; k < DataLines; ++k)
        lines.push_back(dataLine(words, static_cast<std::uint16_t>(LineWords * (firstLine + k))));
    return lines;
}

void rewriteWord(std::string &line, std::uint16_t index, std::uint16_t value)
{
    const int c = index % LineWords;
    line.resize(LineLength, ' ');
    line.replace(static_cast<std::size_t>(HexColumn + WordStride * c), AddressDigits, hex4(value));
    line[static_cast<std::size_t>(CharacterColumn + c)] = shownCharacter(value);
}

void startPage(EditorState &editor)
{
    editor.EditorPageStart = limitedPageStart(editor.EditorPageStart);
    editor.caretNibble = 0;
}

KeyOutcome pressKey(
    EditorState &editor, Words &words, std::uint16_t wordMask, char key, SpecialKey special)
{
    KeyOutcome outcome;
    // The key's character goes in before the key moves the caret.
    if (special == SpecialKey::None && key != 0) {
        const std::uint16_t index = caretWord(editor);
        if (enterCharacter(editor, words, wordMask, key))
            outcome.entered = index;
    }
    moveBy(editor, special, outcome.newPage);
    wrap(editor, outcome.newPage);
    return outcome;
}

bool clickAt(EditorState &editor, int line, int column)
{
    line = std::clamp(line, 0, static_cast<int>(PageLines) - 1);
    column = std::clamp(column, 0, static_cast<int>(LineLength));
    int p = PlacesPerLine * line + column;
    const bool onAddress = p < AddressFieldPlaces;
    // Anywhere else on the header counts as the start of the first data line.
    if (p < PlacesPerLine)
        p = PlacesPerLine;
    editor.caretRow = p / PlacesPerLine - 1;
    const int at = p % PlacesPerLine;
    // The second space before the characters already belongs to them.
    if (at >= CharacterColumn - 1) {
        editor.entryMode = EntryMode::Character;
        editor.caretColumn = std::clamp(at - CharacterColumn, 0, LineWords - 1);
    } else {
        // The line's address counts as the first digit of word 0.
        const int b = std::max(0, at - HexColumn);
        editor.entryMode = EntryMode::Hex;
        editor.caretColumn = std::min(b / WordStride, LineWords - 1);
        // The space after a word belongs to its last digit.
        editor.caretNibble = std::min(b % WordStride, 3);
    }
    return onAddress;
}

std::optional<std::uint16_t> typedPageStart(std::string_view text)
{
    if (text.empty() || text.size() > AddressDigits)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        const std::optional<unsigned> digit = hexDigit(c);
        if (!digit)
            return std::nullopt;
        value = value * 16 + *digit;
    }
    return static_cast<std::uint16_t>(value & TypedAddressMask);
}

bool isAddressKey(char key)
{
    return key != 0 && AddressKeys.find(key) != std::string_view::npos;
}

} // namespace ravelin::editor
